#include "valves/valve_database.h"

#include <sqlite3.h>

#include <filesystem>
#include <functional>

#include "framework/options.h"

namespace torvacalc {

namespace {

Extended Real(sqlite3_stmt* st, int col) { return TValveDataFile::Real(st, col); }
std::string Text(sqlite3_stmt* st, int col) { return TValveDataFile::Text(st, col); }

teCvInwardFlow Direction(const std::string& s) {
  if (s == "open") return ifOpening;
  if (s == "close") return ifClosing;
  return ifAny;
}

}  // namespace

TValveDataFile::TValveDataFile(const std::string& path, const char* table, const std::string& what,
                               const std::string& notOne)
    : path_(path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw EValveDatabase(what + " nicht gefunden: " + path);
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw EValveDatabase(what + " nicht lesbar: " + path);
  }
  // The file must hold its key table; anything else (another file, a
  // damaged file) is refused here rather than read as empty.
  bool ok = false;
  Query("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?1",
        [&](sqlite3_stmt* st) { sqlite3_bind_text(st, 1, table, -1, SQLITE_STATIC); },
        [&](sqlite3_stmt* st) { ok = sqlite3_column_int(st, 0) == 1; });
  if (!ok) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw EValveDatabase(notOne + ": " + path);
  }
}

TValveDataFile::~TValveDataFile() { sqlite3_close(db_); }

void TValveDataFile::Query(const char* sql, const std::function<void(sqlite3_stmt*)>& bind,
                           const std::function<void(sqlite3_stmt*)>& row) const {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK) {
    sqlite3_finalize(st);
    return;
  }
  if (bind) bind(st);
  while (sqlite3_step(st) == SQLITE_ROW) row(st);
  sqlite3_finalize(st);
}

Extended TValveDataFile::Real(sqlite3_stmt* st, int col) {
  if (sqlite3_column_type(st, col) == SQLITE_NULL) return NoValue;
  return sqlite3_column_double(st, col);
}

std::string TValveDataFile::Text(sqlite3_stmt* st, int col) {
  const unsigned char* t = sqlite3_column_text(st, col);
  return t ? reinterpret_cast<const char*>(t) : std::string();
}

int TValveDataFile::Int(sqlite3_stmt* st, int col) { return sqlite3_column_int(st, col); }

TValveDatabase::TValveDatabase(const std::string& path)
    : file_(path, "ValveStyle", "Ventildatenbank", "Keine Ventildatenbank") {}

std::unique_ptr<TValveDatabase> TValveDatabase::OpenDefault() {
  return std::make_unique<TValveDatabase>(
      (std::filesystem::path(ProgramDataDir()) / FileName).string());
}

std::vector<TValveStyle> TValveDatabase::Styles() const {
  std::vector<TValveStyle> out;
  file_.Query("SELECT ID, Name, NameEn, EquivalentID FROM ValveStyle ORDER BY ID", nullptr,
        [&](sqlite3_stmt* st) {
          out.push_back({sqlite3_column_int(st, 0), Text(st, 1), Text(st, 2), sqlite3_column_int(st, 3)});
        });
  return out;
}

namespace {
const char* kTrimSql =
    "SELECT StyleID, TrimNo, Name, Direction, FL, XT, Fd, Kc, PerforatedPlug, Source, NameEn "
    "FROM TrimStyle WHERE StyleID = ?1 AND (?2 < 0 OR TrimNo = ?2) ORDER BY TrimNo";

TTrimStyle ReadTrim(sqlite3_stmt* st) {
  TTrimStyle t;
  t.StyleId = sqlite3_column_int(st, 0);
  t.TrimNo = sqlite3_column_int(st, 1);
  t.Name = Text(st, 2);
  t.Direction = Direction(Text(st, 3));
  t.FL = Real(st, 4);
  t.xT = Real(st, 5);
  t.Fd = Real(st, 6);
  t.Kc = Real(st, 7);
  t.PerforatedPlug = sqlite3_column_int(st, 8) != 0;
  t.Source = Text(st, 9);
  t.NameEn = Text(st, 10);
  return t;
}
}  // namespace

std::vector<TTrimStyle> TValveDatabase::Trims(int styleId) const {
  std::vector<TTrimStyle> out;
  file_.Query(kTrimSql,
        [&](sqlite3_stmt* st) {
          sqlite3_bind_int(st, 1, styleId);
          sqlite3_bind_int(st, 2, -1);
        },
        [&](sqlite3_stmt* st) { out.push_back(ReadTrim(st)); });
  return out;
}

std::optional<TTrimStyle> TValveDatabase::Trim(int styleId, int trimNo) const {
  std::optional<TTrimStyle> out;
  file_.Query(kTrimSql,
        [&](sqlite3_stmt* st) {
          sqlite3_bind_int(st, 1, styleId);
          sqlite3_bind_int(st, 2, trimNo);
        },
        [&](sqlite3_stmt* st) { out = ReadTrim(st); });
  return out;
}

std::vector<TValveSeries> TValveDatabase::Series(int styleId) const {
  std::vector<TValveSeries> out;
  file_.Query(
        "SELECT s.ID, m.Name, s.Name, s.StyleID, s.TrimNo, s.Characteristic FROM ValveSeries s "
        "JOIN Manufacturer m ON m.ID = s.ManufacturerID WHERE ?1 = 0 OR s.StyleID = ?1 "
        "ORDER BY m.Name, s.Name",
        [&](sqlite3_stmt* st) { sqlite3_bind_int(st, 1, styleId); },
        [&](sqlite3_stmt* st) {
          TValveSeries s;
          s.Id = sqlite3_column_int(st, 0);
          s.Manufacturer = Text(st, 1);
          s.Name = Text(st, 2);
          s.StyleId = sqlite3_column_int(st, 3);
          s.TrimNo = sqlite3_column_int(st, 4);
          const int c = sqlite3_column_int(st, 5);
          s.Characteristic = c >= 0 && c <= ctMVMODEQ ? static_cast<teCharacteristicType>(c)
                                                      : ctEqualPercentage;
          out.push_back(s);
        });
  return out;
}

std::vector<TValveSize> TValveDatabase::Sizes(int seriesId) const {
  std::vector<TValveSize> out;
  file_.Query(
        "SELECT SeriesID, DN, DNV1, Seat, Kvs, Travel, DescriptionID, FL, XT, Fd, Kc, Zy FROM ValveSize "
        "WHERE SeriesID = ?1 ORDER BY DN, Kvs",
        [&](sqlite3_stmt* st) { sqlite3_bind_int(st, 1, seriesId); },
        [&](sqlite3_stmt* st) {
          TValveSize s;
          s.SeriesId = sqlite3_column_int(st, 0);
          s.DN = Real(st, 1);
          s.DNV1 = Real(st, 2);
          s.Seat = Real(st, 3);
          s.Kvs = Real(st, 4);
          s.Travel = Real(st, 5);
          s.DescriptionId = sqlite3_column_int(st, 6);
          s.FL = Real(st, 7);
          s.xT = Real(st, 8);
          s.Fd = Real(st, 9);
          s.Kc = Real(st, 10);
          s.Zy = Real(st, 11);
          out.push_back(s);
        });
  return out;
}

std::vector<int> TValveDatabase::DescriptionIds() const {
  std::vector<int> out;
  file_.Query("SELECT ID FROM ValveDescription ORDER BY ID", nullptr,
        [&](sqlite3_stmt* st) { out.push_back(sqlite3_column_int(st, 0)); });
  return out;
}

std::optional<tValveDescription> TValveDatabase::Description(int id) const {
  std::optional<tValveDescription> out;
  file_.Query(
        "SELECT ID, Name, StyleID, TrimNo, PerforatedPlug, cvr, pr, dr, aPSE, bSSE "
        "FROM ValveDescription WHERE ID = ?1",
        [&](sqlite3_stmt* st) { sqlite3_bind_int(st, 1, id); },
        [&](sqlite3_stmt* st) {
          tValveDescription d;
          d.Id = sqlite3_column_int(st, 0);
          d.Name = Text(st, 1);
          d.ValveType = sqlite3_column_int(st, 2) - 1;
          d.TrimType = sqlite3_column_int(st, 3);
          d.PerforatedPlug = sqlite3_column_int(st, 4) != 0;
          d.cvr = Real(st, 5);
          d.pr = Real(st, 6);
          d.dr = Real(st, 7);
          d.aPSE = Real(st, 8);
          d.bSSE = Real(st, 9);
          out = d;
        });
  if (!out) return out;
  file_.Query(
        "SELECT Factor, KvKvs, Value FROM ValveCurve WHERE DescriptionID = ?1 "
        "ORDER BY Factor, KvKvs",
        [&](sqlite3_stmt* st) { sqlite3_bind_int(st, 1, id); },
        [&](sqlite3_stmt* st) {
          const std::string f = Text(st, 0);
          TCurvePoint p{Real(st, 1), Real(st, 2)};
          if (f == "FL") out->Fl.Points.push_back(p);
          else if (f == "XT") out->Xt.Points.push_back(p);
          else if (f == "ZY") out->Zy.Points.push_back(p);
        });
  file_.Query(
        "SELECT Factor, Power, Coefficient FROM ValvePolynomial WHERE DescriptionID = ?1",
        [&](sqlite3_stmt* st) { sqlite3_bind_int(st, 1, id); },
        [&](sqlite3_stmt* st) {
          const std::string f = Text(st, 0);
          const int power = sqlite3_column_int(st, 1);
          if (power < 0 || power > 9) return;
          TFactorPolynomial& p = f == "FL2" ? out->Fl2Poly : out->XfzPoly;
          if (f != "FL2" && f != "XFZ") return;
          p.a[static_cast<size_t>(power)] = Real(st, 2);
          p.Valid = true;
        });
  return out;
}

}  // namespace torvacalc
