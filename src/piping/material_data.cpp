#include "piping/material_data.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "framework/options.h"
#include "framework/sqlite_reader.h"

namespace torvacalc {

// ------------------------------------------------------------ description

Extended tMatPoly::GetPolyValue(Extended t, bool& approximated) const {
  if (!Valid || IsNoValue(t)) return NoValue;
  Extended y = 0;
  for (size_t i = k.size(); i-- > 0;) y = y * t + k[i];
  if ((HasValue(Tmin) && t < Tmin) || (HasValue(Tmax) && t > Tmax)) approximated = true;
  return y;
}

void tEN13480Description::SetValues(std::vector<tMatValueRow> rows) {
  rows.erase(std::remove_if(rows.begin(), rows.end(), [](const tMatValueRow& r) { return IsNoValue(r.T); }),
             rows.end());
  std::stable_sort(rows.begin(), rows.end(), [](const tMatValueRow& a, const tMatValueRow& b) { return a.T < b.T; });
  if (rows.size() > MaxRows) rows.resize(MaxRows);
  FValues = std::move(rows);
}

namespace {

// The value of column `c` of a row (the columns of the strength tables).
Extended& Cell(tMatValueRow& r, int c) {
  switch (c) {
    case mcAl: return r.Al;
    case mcAt: return r.At;
    case mcBeta20: return r.Beta20;
    case mcEM: return r.EM;
    case mcLambda: return r.Lambda;
    case mcRm: return r.Rm;
    case mcRp02: return r.Rp02;
    case mcRp10: return r.Rp10;
    case mcSRt: return r.SRt;
    default: return r.Cp;
  }
}

}  // namespace

Extended tEN13480Description::Column(const tMatValueRow& r, teMatColumn c) {
  return Cell(const_cast<tMatValueRow&>(r), c);
}

const tMatPoly* tEN13480Description::PolyOf(teMatColumn c) const {
  switch (c) {
    case mcLambda: return &LambdaPoly;
    case mcBeta20: return &beta20Poly;
    case mcCp: return &cpPoly;
    case mcEM: return &emPoly;
    default: return nullptr;
  }
}

Extended tEN13480Description::LinearInterpolation(teMatColumn column, Extended t, bool& approximated) const {
  if (IsNoValue(t)) return NoValue;
  std::vector<std::pair<Extended, Extended>> pts;
  for (const tMatValueRow& r : FValues)
    if (const Extended v = Column(r, column); HasValue(v)) pts.emplace_back(r.T, v);
  // 1. Inside the rows: a straight line between the enclosing two.
  if (!pts.empty() && t >= pts.front().first && t <= pts.back().first) {
    for (size_t i = 0; i + 1 < pts.size(); ++i)
      if (t <= pts[i + 1].first) {
        const auto [t0, y0] = pts[i];
        const auto [t1, y1] = pts[i + 1];
        return t1 == t0 ? y0 : y0 + (y1 - y0) * (t - t0) / (t1 - t0);
      }
    return pts.back().second;  // a single row at exactly t
  }
  // 2. The polynomial where it is valid.
  const tMatPoly* poly = PolyOf(column);
  if (poly && poly->Valid) {
    bool outside = false;
    const Extended y = poly->GetPolyValue(t, outside);
    if (!outside || pts.empty()) {
      approximated = approximated || outside;
      return y;
    }
  }
  if (pts.empty()) return NoValue;
  // 3. Extrapolated, and said so.
  approximated = true;
  if (t < pts.front().first || pts.size() == 1) return t < pts.front().first ? pts.front().second : pts.back().second;
  const auto [t0, y0] = pts[pts.size() - 2];
  const auto [t1, y1] = pts.back();
  const Extended y = y1 + (y1 - y0) * (t - t1) / (t1 - t0);
  return y > 0 ? y : NoValue;
}

Extended tEN13480Description::CalculateBeta20t(Extended t, bool& approximated) const {
  const Extended b = LinearInterpolation(mcBeta20, t, approximated);
  return HasValue(b) ? b * 1E-6L : NoValue;
}

Extended tEN13480Description::CalculateRhot(Extended t, bool& approximated) const {
  if (!Available(t, Matrho20)) return NoValue;
  bool betaApprox = false;
  const Extended beta = CalculateBeta20t(t, betaApprox);
  if (IsNoValue(beta)) {
    // Steels change their density by about 1 % per 300 K: near room
    // temperature rho20 stands for the density.
    if (t > 50 || t < 0) approximated = true;
    return Matrho20;
  }
  // Near room temperature the expansion term is below 0.1 %: an
  // extrapolated coefficient does not make the density uncertain there.
  approximated = approximated || (betaApprox && (t > 50 || t < 0));
  const Extended l = 1 + beta * (t - 20);
  return l > 0 ? Matrho20 / (l * l * l) : NoValue;
}

Extended tEN13480Description::CalculateEt(Extended t, bool& approximated) const {
  const Extended e = LinearInterpolation(mcEM, t, approximated);
  return HasValue(e) ? e * 1000 : NoValue;
}

Extended tEN13480Description::CalculateLambdat(Extended t, bool& approximated) const {
  return LinearInterpolation(mcLambda, t, approximated);
}

Extended tEN13480Description::CalculateCpt(Extended t, bool& approximated) const {
  const Extended cp = LinearInterpolation(mcCp, t, approximated);
  if (HasValue(cp) || IsNoValue(MatCf) || IsNoValue(t)) return cp;
  if (t != 20) approximated = true;
  return MatCf;
}

Extended tEN13480Description::CalculateRm(Extended t, bool& approximated) const {
  return LinearInterpolation(mcRm, t, approximated);
}
Extended tEN13480Description::CalculateRp02(Extended t, bool& approximated) const {
  return LinearInterpolation(mcRp02, t, approximated);
}
Extended tEN13480Description::CalculateRp10(Extended t, bool& approximated) const {
  return LinearInterpolation(mcRp10, t, approximated);
}
Extended tEN13480Description::CalculateSRt(Extended t, bool& approximated) const {
  return LinearInterpolation(mcSRt, t, approximated);
}
Extended tEN13480Description::CalculateAl(Extended t, bool& approximated) const {
  bool tableApprox = false;
  const Extended a = LinearInterpolation(mcAl, t, tableApprox);
  if (HasValue(a)) {
    approximated = approximated || tableApprox;
    return a;
  }
  // The true coefficient is the slope of the elongation from 20 degC,
  // d/dt [beta20,t (t - 20)], here over one kelvin on either side.
  if (IsNoValue(t)) return NoValue;
  bool a1 = false, a2 = false;
  const Extended b1 = LinearInterpolation(mcBeta20, t - 1, a1), b2 = LinearInterpolation(mcBeta20, t + 1, a2);
  if (!Available(b1, b2)) return MatAl;
  approximated = approximated || a1 || a2;
  return (b2 * (t + 1 - 20) - b1 * (t - 1 - 20)) / 2;
}

Extended tEN13480Description::CalculateAt(Extended t, bool& approximated) const {
  bool tableApprox = false;
  const Extended at = LinearInterpolation(mcAt, t, tableApprox);
  if (HasValue(at)) {
    approximated = approximated || tableApprox;
    return at;
  }
  const Extended beta = CalculateBeta20t(t, approximated);
  return HasValue(beta) ? beta * (t - 20) * 1000 : MatAt;
}

teSteelType tEN13480Description::CalculateSteelType() const {
  switch (MatFlag) {
    case 1: return stAustenitic;
    case 2: return stNonFerrous;
    default: return stFerritic;
  }
}

namespace {

const char* const kColumnNames[] = {"Al", "At", "Beta20", "EM", "Lambda", "Rm", "Rp02", "Rp10", "SRt", "Cp"};

void SavePoly(TItemTagWriter& tag, const std::string& name, const tMatPoly& p) {
  tag.AddBoolean(name + "Valid", p.Valid);
  if (!p.Valid) return;
  for (size_t i = 0; i < p.k.size(); ++i) tag.AddExtended(name + "K" + std::to_string(i), p.k[i]);
  tag.AddExtended(name + "Tmin", p.Tmin);
  tag.AddExtended(name + "Tmax", p.Tmax);
}

void LoadPoly(const TItemTagReader& tag, const std::string& name, tMatPoly& p) {
  p = {};
  p.Valid = tag.AsBoolean(name + "Valid", false);
  if (!p.Valid) return;
  for (size_t i = 0; i < p.k.size(); ++i) p.k[i] = tag.AsFloat(name + "K" + std::to_string(i), 0);
  p.Tmin = tag.AsFloat(name + "Tmin", NoValue);
  p.Tmax = tag.AsFloat(name + "Tmax", NoValue);
}

}  // namespace

void tEN13480Description::SaveToTag(TItemTagWriter& tag) const {
  tag.AddString("MatDinNo", MatDinNo);
  tag.AddString("MatName", MatName);
  tag.AddExtended("MatSmax", MatSmax);
  tag.AddExtended("Matrho20", Matrho20);
  tag.AddExtended("MatAt", MatAt);
  tag.AddExtended("MatAl", MatAl);
  tag.AddExtended("MatCf", MatCf);
  tag.AddLongInt("MatFlag", MatFlag);
  tag.AddBoolean("MatModified", MatModified);
  tag.AddExtended("MatMinT", MatMinT);
  tag.AddExtended("MatMaxT", MatMaxT);
  tag.AddExtended("MatMinWarnT", MatMinWarnT);
  tag.AddString("MatGroupName", MatGroupName);
  tag.AddString("MatGroupInfoE", MatGroupInfoE);
  tag.AddString("MatGroupInfoD", MatGroupInfoD);
  tag.AddExtended("ft", ft);
  tag.AddExtended("h", h);
  SavePoly(tag, "LambdaPoly", LambdaPoly);
  SavePoly(tag, "beta20Poly", beta20Poly);
  SavePoly(tag, "cpPoly", cpPoly);
  SavePoly(tag, "emPoly", emPoly);
  tag.AddLongInt("RowCount", static_cast<std::int32_t>(FValues.size()));
  for (size_t i = 0; i < FValues.size(); ++i) {
    tMatValueRow r = FValues[i];
    const std::string row = "Row" + std::to_string(i);
    tag.AddExtended(row + "T", r.T);
    for (int c = 0; c <= mcCp; ++c) tag.AddExtended(row + kColumnNames[c], Cell(r, c));
  }
}

void tEN13480Description::LoadFromTag(const TItemTagReader& tag) {
  MatDinNo = tag.AsString("MatDinNo", "");
  MatName = tag.AsString("MatName", "");
  MatSmax = tag.AsFloat("MatSmax", NoValue);
  Matrho20 = tag.AsFloat("Matrho20", NoValue);
  MatAt = tag.AsFloat("MatAt", NoValue);
  MatAl = tag.AsFloat("MatAl", NoValue);
  MatCf = tag.AsFloat("MatCf", NoValue);
  MatFlag = static_cast<int>(tag.AsInteger("MatFlag", 0));
  MatModified = tag.AsBoolean("MatModified", false);
  MatMinT = tag.AsFloat("MatMinT", NoValue);
  MatMaxT = tag.AsFloat("MatMaxT", NoValue);
  MatMinWarnT = tag.AsFloat("MatMinWarnT", NoValue);
  MatGroupName = tag.AsString("MatGroupName", "");
  MatGroupInfoE = tag.AsString("MatGroupInfoE", "");
  MatGroupInfoD = tag.AsString("MatGroupInfoD", "");
  ft = tag.AsFloat("ft", 20);
  h = tag.AsFloat("h", 200000);
  LoadPoly(tag, "LambdaPoly", LambdaPoly);
  LoadPoly(tag, "beta20Poly", beta20Poly);
  LoadPoly(tag, "cpPoly", cpPoly);
  LoadPoly(tag, "emPoly", emPoly);
  // A damaged count must not make the reader allocate without bound.
  const std::int64_t n = std::clamp<std::int64_t>(tag.AsInteger("RowCount", 0), 0, MaxRows);
  std::vector<tMatValueRow> rows(static_cast<size_t>(n));
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string row = "Row" + std::to_string(i);
    rows[i].T = tag.AsFloat(row + "T", NoValue);
    for (int c = 0; c <= mcCp; ++c) Cell(rows[i], c) = tag.AsFloat(row + kColumnNames[c], NoValue);
  }
  SetValues(std::move(rows));
}

// --------------------------------------------------------------- database

namespace {

// Every table read at the start is needed: a query that fails means a
// damaged file.
void Query(const TSqliteReader& db, const std::string& sql, const TSqliteReader::TRowReader& row) {
  if (!db.Query(sql, row)) throw EMaterialDatabase("Werkstoffdatenbank nicht lesbar: " + db.ErrorText());
}

// The rows of one key by a statement compiled at its first use and kept.
// A statement that cannot be compiled, or a read that fails part way (a
// damaged page), gives no rows: the material then has no values, rather
// than some of them.
template <class T>
std::vector<T> Lookup(const TSqliteReader& db, std::unique_ptr<TSqliteStatement>& st, const char* sql,
                      const TSqliteValue& key, const std::function<T(const TSqliteRow&)>& row) {
  if (!st) st = std::make_unique<TSqliteStatement>(db, sql);
  std::vector<T> out;
  if (!st->Ok() || !st->Run({key}, [&](const TSqliteRow& r) { out.push_back(row(r)); })) out.clear();
  return out;
}

// Joins two tables over temperature: a row for every temperature of either.
std::vector<tMatValueRow> Merge(const std::vector<tMatValueRow>& a, const std::vector<tMatValueRow>& b) {
  std::vector<tMatValueRow> out = a;
  for (const tMatValueRow& r : b) {
    auto it = std::find_if(out.begin(), out.end(), [&](const tMatValueRow& o) { return o.T == r.T; });
    if (it == out.end()) {
      out.push_back(r);
      continue;
    }
    tMatValueRow add = r;
    for (int c = 0; c <= mcCp; ++c)
      if (IsNoValue(Cell(*it, c))) Cell(*it, c) = Cell(add, c);
  }
  return out;
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

}  // namespace

TMaterialDatabase::TMaterialDatabase(const std::string& path) {
  try {
    FDb = std::make_unique<TSqliteReader>(path, std::vector<std::string>{"Material"}, "Werkstoffdatenbank");
  } catch (const ESqliteReader& e) {
    throw EMaterialDatabase(e.what());
  }
  const TSqliteReader& db = *FDb;

  Query(db, "SELECT ID, Name, Rho20 FROM ExpansionClass ORDER BY ID", [&](const TSqliteRow& r) {
    TClassData& c = FClasses.emplace_back();
    c.Id = r.Integer(0);
    c.Rho20 = r.Real(2);
    FClassNames.push_back(r.Text(1));
  });
  struct TGroup {
    std::string Name, InfoD, InfoE;
    int SteelType;
  };
  std::map<int, TGroup> groups;
  Query(db, "SELECT ID, Name, InfoD, InfoE, SteelType FROM MaterialGroup ORDER BY ID", [&](const TSqliteRow& r) {
    groups[r.Integer(0)] = {r.Text(1), r.Text(2), r.Text(3), r.Integer(4)};
    FGroupNames.push_back(r.Text(2));
  });
  Query(db,
        "SELECT No, Name, Standard, GroupID, ClassID, Condition, Smax, Rho20, MinT, MinWarnT, MaxT, Source "
        "FROM Material ORDER BY rowid",
        [&](const TSqliteRow& r) {
          auto d = std::make_unique<tEN13480Description>();
          d->MatDinNo = r.Text(0);
          d->MatName = r.Text(1);
          d->Standard = r.Text(2);
          const TGroup& g = groups[r.Integer(3)];
          d->MatGroupName = g.Name;
          d->MatGroupInfoD = g.InfoD;
          d->MatGroupInfoE = g.InfoE;
          d->MatFlag = g.SteelType;
          const int classId = r.Integer(4);
          const TClassData* c = ClassOf(classId);
          d->ExpansionClassName = c ? FClassNames[static_cast<size_t>(c - FClasses.data())] : std::string();
          d->Condition = r.Text(5);
          d->MatSmax = r.Real(6);
          d->Matrho20 = r.Real(7);
          d->MatMinT = r.Real(8);
          d->MatMinWarnT = r.Real(9);
          d->MatMaxT = r.Real(10);
          d->Source = r.Text(11);
          FEntries.push_back({d->MatDinNo, d->MatName, d->Standard, d->Condition, g.InfoD, d->ExpansionClassName,
                              classId});
          FDescriptions.push_back(std::move(d));
        });
  if (FDescriptions.empty()) throw EMaterialDatabase("Keine Werkstoffe: " + path);
  FFilled.assign(FDescriptions.size(), false);
  FClassDescriptions.resize(FClasses.size());
}

TMaterialDatabase::~TMaterialDatabase() = default;

TMaterialDatabase::TClassData* TMaterialDatabase::ClassOf(int id) const {
  for (TClassData& c : FClasses)
    if (c.Id == id) return &c;
  return nullptr;
}

// The rows ordered by temperature as SetValues keeps them; the
// polynomials by property.
void TMaterialDatabase::ReadClass(TClassData& c) const {
  if (c.Read) return;
  c.Read = true;
  c.Rows = Lookup<tMatValueRow>(*FDb, FPhysical,
                                "SELECT T, EM, Beta20, Lambda, Cp FROM PhysicalValue WHERE ClassID = ?1 ORDER BY T",
                                c.Id, [](const TSqliteRow& r) {
                                  tMatValueRow v;
                                  v.T = r.Real(0);
                                  v.EM = r.Real(1);
                                  v.Beta20 = r.Real(2);
                                  v.Lambda = r.Real(3);
                                  v.Cp = r.Real(4);
                                  return v;
                                });
  const auto polys = Lookup<std::pair<std::string, tMatPoly>>(
      *FDb, FPolys, "SELECT Property, k0, k1, k2, k3, k4, Tmin, Tmax FROM PhysicalPoly WHERE ClassID = ?1", c.Id,
      [](const TSqliteRow& r) {
        tMatPoly p;
        p.Valid = true;
        for (int i = 0; i < 5; ++i) p.k[static_cast<size_t>(i)] = r.Real(1 + i);
        p.Tmin = r.Real(6);
        p.Tmax = r.Real(7);
        return std::pair(r.Text(0), p);
      });
  for (const auto& [property, p] : polys) c.Polys[property] = p;
}

void TMaterialDatabase::ApplyClass(tEN13480Description& d, TClassData& c) const {
  ReadClass(c);
  const auto poly = [&](const char* name) {
    const auto it = c.Polys.find(name);
    return it == c.Polys.end() ? tMatPoly{} : it->second;
  };
  d.LambdaPoly = poly("Lambda");
  d.beta20Poly = poly("Beta20");
  d.cpPoly = poly("Cp");
  d.emPoly = poly("EM");
}

// The description of a material with its values, read at the first call.
const tEN13480Description* TMaterialDatabase::Filled(size_t material) const {
  std::lock_guard guard(FLock);
  tEN13480Description& d = *FDescriptions[material];
  if (FFilled[material]) return &d;
  FFilled[material] = true;
  TClassData* c = ClassOf(FEntries[material].ClassId);
  if (c) ApplyClass(d, *c);
  // One row a temperature (the table's key): SetValues orders them.
  const auto strength = Lookup<tMatValueRow>(*FDb, FStrength,
                                             "SELECT T, Rm, Rp02, Rp10, SRt FROM StrengthValue WHERE No = ?1",
                                             d.MatDinNo, [](const TSqliteRow& r) {
                                               tMatValueRow v;
                                               v.T = r.Real(0);
                                               v.Rm = r.Real(1);
                                               v.Rp02 = r.Real(2);
                                               v.Rp10 = r.Real(3);
                                               v.SRt = r.Real(4);
                                               return v;
                                             });
  d.SetValues(c ? Merge(strength, c->Rows) : strength);
  return &d;
}

const TMaterialDatabase* TMaterialDatabase::Default() {
  static const std::unique_ptr<TMaterialDatabase> db = []() -> std::unique_ptr<TMaterialDatabase> {
    try {
      return std::make_unique<TMaterialDatabase>((std::filesystem::path(ProgramDataDir()) / FileName).string());
    } catch (const EMaterialDatabase&) {
      return nullptr;
    }
  }();
  return db.get();
}

std::vector<std::string> TMaterialDatabase::Conditions() const {
  std::vector<std::string> out;
  for (const TMaterialEntry& e : FEntries)
    if (std::find(out.begin(), out.end(), e.Condition) == out.end()) out.push_back(e.Condition);
  return out;
}

const tEN13480Description* TMaterialDatabase::ByNo(const std::string& no) const {
  for (size_t i = 0; i < FEntries.size(); ++i)
    if (SameText(FEntries[i].No, no)) return Filled(i);
  return nullptr;
}

const tEN13480Description* TMaterialDatabase::ByName(const std::string& name) const {
  for (size_t i = 0; i < FEntries.size(); ++i)
    if (SameText(FEntries[i].Name, name)) return Filled(i);
  return nullptr;
}

const tEN13480Description* TMaterialDatabase::ByExpansionClass(const std::string& name) const {
  for (size_t i = 0; i < FClassNames.size(); ++i) {
    if (!SameText(FClassNames[i], name)) continue;
    std::lock_guard guard(FLock);
    std::unique_ptr<tEN13480Description>& d = FClassDescriptions[i];
    if (!d) {
      d = std::make_unique<tEN13480Description>();
      d->MatName = FClassNames[i];
      d->Matrho20 = FClasses[i].Rho20;
      d->ExpansionClassName = FClassNames[i];
      ApplyClass(*d, FClasses[i]);
      d->SetValues(FClasses[i].Rows);
    }
    return d.get();
  }
  return nullptr;
}

}  // namespace torvacalc
