#include "media/natural_gas_compositions.h"

#include <sqlite3.h>

#include <filesystem>
#include <functional>

#include "framework/basics.h"
#include "framework/options.h"

namespace torvacalc {

namespace {

// The database, opened read-only for one query.
class TDatabase {
 public:
  explicit TDatabase(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) ||
        sqlite3_open_v2(path.c_str(), &FDb, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      sqlite3_close(FDb);
      throw ENaturalGasDatabase("Erdgasdatenbank nicht lesbar: " + path);
    }
  }
  ~TDatabase() { sqlite3_close(FDb); }
  TDatabase(const TDatabase&) = delete;
  TDatabase& operator=(const TDatabase&) = delete;

  void Query(const char* sql, const std::string& arg, const std::function<void(sqlite3_stmt*)>& row) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(FDb, sql, -1, &st, nullptr) != SQLITE_OK) {
      sqlite3_finalize(st);
      throw ENaturalGasDatabase("Keine Erdgasdatenbank: " + std::string(sqlite3_errmsg(FDb)));
    }
    if (!arg.empty()) sqlite3_bind_text(st, 1, arg.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(st) == SQLITE_ROW) row(st);
    sqlite3_finalize(st);
  }

 private:
  sqlite3* FDb = nullptr;
};

std::string Text(sqlite3_stmt* st, int col) {
  const unsigned char* t = sqlite3_column_text(st, col);
  return t ? reinterpret_cast<const char*>(t) : "";
}

}  // namespace

std::string NaturalGasDatabasePath() {
  return (std::filesystem::path(ProgramDataDir()) / "NaturalGas.CDS").string();
}

std::vector<TNamedComposition> NamedCompositions(const std::string& path) {
  TDatabase db(path);
  std::vector<TNamedComposition> out;
  db.Query("SELECT Name, Name_E, Method, Source FROM GasComposition ORDER BY Name", {},
           [&](sqlite3_stmt* st) { out.push_back({Text(st, 0), Text(st, 1), Text(st, 2), Text(st, 3)}); });
  return out;
}

bool LoadNamedComposition(const std::string& name, tAGAConcentration& c, const std::string& path) {
  TDatabase db(path);
  std::string found;
  db.Query("SELECT Name FROM GasComposition WHERE lower(Name) = lower(?1) OR lower(Name_E) = lower(?1)",
           name, [&](sqlite3_stmt* st) { found = Text(st, 0); });
  if (found.empty()) return false;
  std::vector<std::pair<int, Extended>> rows;
  db.Query("SELECT Component, MolePercent FROM GasComponent WHERE Composition = ?1", found,
           [&](sqlite3_stmt* st) {
             rows.emplace_back(sqlite3_column_int(st, 0), sqlite3_column_double(st, 1));
           });
  for (int i = 1; i <= tAGAConcentration::MaxComponent; ++i) c.SetC(i, 0);
  for (const auto& [component, percent] : rows)
    if (component >= 1 && component <= tAGAConcentration::MaxComponent) c.SetC(component, percent);
  return true;
}

}  // namespace torvacalc
