#include "valves/valve_database.h"

#include <algorithm>
#include <filesystem>

#include "framework/options.h"

namespace torvacalc {

namespace {

teCvInwardFlow Direction(const std::string& s) {
  if (s == "open") return ifOpening;
  if (s == "close") return ifClosing;
  return ifAny;
}

}  // namespace

TValveDatabase::TValveDatabase(const std::string& path)
    : file_(OpenSqliteReader<EValveDatabase>(path, {"ValveStyle"}, "Ventildatenbank")) {}

std::unique_ptr<TValveDatabase> TValveDatabase::OpenDefault() {
  return std::make_unique<TValveDatabase>(
      (std::filesystem::path(ProgramDataDir()) / FileName).string());
}

std::vector<TValveStyle> TValveDatabase::Styles() const {
  std::vector<TValveStyle> out;
  file_.Query("SELECT ID, Name, NameEn, EquivalentID FROM ValveStyle ORDER BY ID",
        [&](const TSqliteRow& r) {
          out.push_back({r.Integer(0), r.Text(1), r.Text(2), r.Integer(3)});
        });
  return out;
}

namespace {
#define TRIM_COLUMNS "SELECT StyleID, TrimNo, Name, Direction, FL, XT, Fd, Kc, PerforatedPlug, Source, NameEn FROM TrimStyle"
const char* kTrimSql =
    TRIM_COLUMNS " WHERE (?1 = 0 OR StyleID = ?1) AND (?2 < 0 OR TrimNo = ?2) ORDER BY StyleID, TrimNo";
// Every trim: no terms for SQLite to plan around, and no order, which
// would read the table through its index a row at a time (sorted here).
const char* kAllTrimsSql = TRIM_COLUMNS;
#undef TRIM_COLUMNS

TTrimStyle ReadTrim(const TSqliteRow& r) {
  TTrimStyle t;
  t.StyleId = r.Integer(0);
  t.TrimNo = r.Integer(1);
  t.Name = r.Text(2);
  t.Direction = Direction(r.Text(3));
  t.FL = r.Real(4);
  t.xT = r.Real(5);
  t.Fd = r.Real(6);
  t.Kc = r.Real(7);
  t.PerforatedPlug = r.Integer(8) != 0;
  t.Source = r.Text(9);
  t.NameEn = r.Text(10);
  return t;
}
}  // namespace

std::vector<TTrimStyle> TValveDatabase::Trims(int styleId) const {
  std::vector<TTrimStyle> out;
  const auto keep = [&](const TSqliteRow& r) { out.push_back(ReadTrim(r)); };
  if (styleId == 0) {
    file_.Query(kAllTrimsSql, keep);
    // By style and number; a file written in that order needs no sort.
    const auto before = [](const TTrimStyle& a, const TTrimStyle& b) {
      return a.StyleId != b.StyleId ? a.StyleId < b.StyleId : a.TrimNo < b.TrimNo;
    };
    if (!std::is_sorted(out.begin(), out.end(), before)) std::stable_sort(out.begin(), out.end(), before);
  } else
    file_.Query(kTrimSql, {styleId, -1}, keep);
  return out;
}

std::optional<TTrimStyle> TValveDatabase::Trim(int styleId, int trimNo) const {
  std::optional<TTrimStyle> out;
  if (styleId < 1) return out;
  file_.Query(kTrimSql,
        {styleId, trimNo},
        [&](const TSqliteRow& r) { out = ReadTrim(r); });
  return out;
}

std::vector<TValveSeries> TValveDatabase::Series(int styleId) const {
  std::vector<TValveSeries> out;
  file_.Query(
        "SELECT s.ID, m.Name, s.Name, s.StyleID, s.TrimNo, s.Characteristic FROM ValveSeries s "
        "JOIN Manufacturer m ON m.ID = s.ManufacturerID WHERE ?1 = 0 OR s.StyleID = ?1 "
        "ORDER BY m.Name, s.Name",
        {styleId},
        [&](const TSqliteRow& r) {
          TValveSeries s;
          s.Id = r.Integer(0);
          s.Manufacturer = r.Text(1);
          s.Name = r.Text(2);
          s.StyleId = r.Integer(3);
          s.TrimNo = r.Integer(4);
          const int c = r.Integer(5);
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
        {seriesId},
        [&](const TSqliteRow& r) {
          TValveSize s;
          s.SeriesId = r.Integer(0);
          s.DN = r.Real(1);
          s.DNV1 = r.Real(2);
          s.Seat = r.Real(3);
          s.Kvs = r.Real(4);
          s.Travel = r.Real(5);
          s.DescriptionId = r.Integer(6);
          s.FL = r.Real(7);
          s.xT = r.Real(8);
          s.Fd = r.Real(9);
          s.Kc = r.Real(10);
          s.Zy = r.Real(11);
          out.push_back(s);
        });
  return out;
}

std::vector<int> TValveDatabase::DescriptionIds() const {
  std::vector<int> out;
  file_.Query("SELECT ID FROM ValveDescription ORDER BY ID",
        [&](const TSqliteRow& r) { out.push_back(r.Integer(0)); });
  return out;
}

std::optional<tValveDescription> TValveDatabase::Description(int id) const {
  std::optional<tValveDescription> out;
  file_.Query(
        "SELECT ID, Name, StyleID, TrimNo, PerforatedPlug, cvr, pr, dr, aPSE, bSSE "
        "FROM ValveDescription WHERE ID = ?1",
        {id},
        [&](const TSqliteRow& r) {
          tValveDescription d;
          d.Id = r.Integer(0);
          d.Name = r.Text(1);
          d.ValveType = r.Integer(2) - 1;
          d.TrimType = r.Integer(3);
          d.PerforatedPlug = r.Integer(4) != 0;
          d.cvr = r.Real(5);
          d.pr = r.Real(6);
          d.dr = r.Real(7);
          d.aPSE = r.Real(8);
          d.bSSE = r.Real(9);
          out = d;
        });
  if (!out) return out;
  file_.Query(
        "SELECT Factor, KvKvs, Value FROM ValveCurve WHERE DescriptionID = ?1 "
        "ORDER BY Factor, KvKvs",
        {id},
        [&](const TSqliteRow& r) {
          const std::string f = r.Text(0);
          TCurvePoint p{r.Real(1), r.Real(2)};
          if (f == "FL") out->Fl.Points.push_back(p);
          else if (f == "XT") out->Xt.Points.push_back(p);
          else if (f == "ZY") out->Zy.Points.push_back(p);
        });
  file_.Query(
        "SELECT Factor, Power, Coefficient FROM ValvePolynomial WHERE DescriptionID = ?1",
        {id},
        [&](const TSqliteRow& r) {
          const std::string f = r.Text(0);
          const int power = r.Integer(1);
          if (power < 0 || power > 9) return;
          TFactorPolynomial& p = f == "FL2" ? out->Fl2Poly : out->XfzPoly;
          if (f != "FL2" && f != "XFZ") return;
          p.a[static_cast<size_t>(power)] = r.Real(2);
          p.Valid = true;
        });
  return out;
}

}  // namespace torvacalc
