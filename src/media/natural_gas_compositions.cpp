#include "media/natural_gas_compositions.h"

#include <filesystem>

#include "framework/basics.h"
#include "framework/options.h"
#include "framework/sqlite_reader.h"

namespace torvacalc {

namespace {

// The database, opened read-only for one lookup; a query that fails says
// the file is not a natural-gas database after all.
class TDatabase {
 public:
  explicit TDatabase(const std::string& path)
      : FReader(OpenSqliteReader<ENaturalGasDatabase>(path, {"GasComposition", "GasComponent"},
                                                      "Erdgasdatenbank")) {}

  void Query(const char* sql, const std::vector<TSqliteValue>& params, const TSqliteReader::TRowReader& row) {
    if (!FReader.Query(sql, params, row)) throw ENaturalGasDatabase("Keine Erdgasdatenbank: " + FReader.ErrorText());
  }

 private:
  TSqliteReader FReader;
};

}  // namespace

std::string NaturalGasDatabasePath() {
  return (std::filesystem::path(ProgramDataDir()) / "NaturalGas.CDS").string();
}

std::vector<TNamedComposition> NamedCompositions(const std::string& path) {
  TDatabase db(path);
  std::vector<TNamedComposition> out;
  db.Query("SELECT Name, Name_E, Method, Source FROM GasComposition ORDER BY Name", {},
           [&](const TSqliteRow& r) { out.push_back({r.Text(0), r.Text(1), r.Text(2), r.Text(3)}); });
  return out;
}

bool LoadNamedComposition(const std::string& name, tAGAConcentration& c, const std::string& path) {
  TDatabase db(path);
  std::string found;
  db.Query("SELECT Name FROM GasComposition WHERE lower(Name) = lower(?1) OR lower(Name_E) = lower(?1)",
           {name}, [&](const TSqliteRow& r) { found = r.Text(0); });
  if (found.empty()) return false;
  std::vector<std::pair<int, Extended>> rows;
  db.Query("SELECT Component, MolePercent FROM GasComponent WHERE Composition = ?1", {found},
           [&](const TSqliteRow& r) { rows.emplace_back(r.Integer(0), r.IsNull(1) ? Extended(0) : r.Real(1)); });
  for (int i = 1; i <= tAGAConcentration::MaxComponent; ++i) c.SetC(i, 0);
  for (const auto& [component, percent] : rows)
    if (component >= 1 && component <= tAGAConcentration::MaxComponent) c.SetC(component, percent);
  return true;
}

}  // namespace torvacalc
