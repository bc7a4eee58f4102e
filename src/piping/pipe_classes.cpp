#include "piping/pipe_classes.h"

#include <algorithm>
#include <filesystem>

#include "framework/options.h"
#include "framework/sqlite_reader.h"

namespace torvacalc {

namespace {

// Every table is needed: a query that fails means a damaged file.
void Query(const TSqliteReader& db, const std::string& sql, const std::vector<TSqliteValue>& params,
           const TSqliteReader::TRowReader& row) {
  if (!db.Query(sql, params, row)) throw EPipeDatabase("Rohrklassen nicht lesbar: " + db.ErrorText());
}

}  // namespace

bool TPipeClass::HasPNValues() const {
  return std::any_of(Ratings.begin(), Ratings.end(), [](const TPipeRating& r) { return HasValue(r.PN); });
}

TPipeDatabase::TPipeDatabase(const std::string& path) {
  const TSqliteReader db =
      OpenSqliteReader<EPipeDatabase>(path, {"PipeClass"}, "Rohrklassen", "Keine Rohrklassen");
  Query(db, "SELECT ID, Name, NameEn, Source FROM PipeClass ORDER BY ID", {}, [&](const TSqliteRow& r) {
    TPipeClass c;
    c.Id = r.Integer(0);
    c.Name = r.Text(1);
    c.NameEn = r.Text(2);
    c.Source = r.Text(3);
    FClasses.push_back(std::move(c));
  });
  // Each table in one read; a class's nominal sizes are those of its pipes.
  const auto classOf = [&](int id) -> TPipeClass* {
    for (TPipeClass& c : FClasses)
      if (c.Id == id) return &c;
    return nullptr;
  };
  Query(db, "SELECT ClassID, Label, PN FROM PipeRating ORDER BY ClassID, Ord", {}, [&](const TSqliteRow& r) {
    if (TPipeClass* c = classOf(r.Integer(0))) c->Ratings.push_back({r.Text(1), r.Real(2)});
  });
  Query(db, "SELECT ClassID, DN, Rating, Da, t FROM Pipe", {}, [&](const TSqliteRow& r) {
    FRows.push_back({r.Integer(0), r.Integer(1), r.Text(2), {r.Real(3), r.Real(4)}});
    if (TPipeClass* c = classOf(r.Integer(0))) c->DNs.push_back(r.Integer(1));
  });
  for (TPipeClass& c : FClasses) {
    std::sort(c.DNs.begin(), c.DNs.end());
    c.DNs.erase(std::unique(c.DNs.begin(), c.DNs.end()), c.DNs.end());
  }
  if (FClasses.empty()) throw EPipeDatabase("Keine Rohrklassen: " + path);
}

const TPipeDatabase* TPipeDatabase::Default() {
  static const std::unique_ptr<TPipeDatabase> db = []() -> std::unique_ptr<TPipeDatabase> {
    try {
      return std::make_unique<TPipeDatabase>((std::filesystem::path(ProgramDataDir()) / FileName).string());
    } catch (const EPipeDatabase&) {
      return nullptr;
    }
  }();
  return db.get();
}

const TPipeClass* TPipeDatabase::ClassByName(const std::string& name) const {
  for (const TPipeClass& c : FClasses)
    if (c.Name == name || c.NameEn == name) return &c;
  return nullptr;
}

TPipeDimensions TPipeDatabase::Dimensions(int classId, int DN, const std::string& rating) const {
  for (const TRow& r : FRows)
    if (r.ClassId == classId && r.DN == DN && r.Rating == rating) return r.Dim;
  return {};
}

Extended TPipeGeometry::InnerDiameter(Extended Da, Extended t) {
  if (!Available(Da, t) || Da <= 0 || t < 0 || 2 * t >= Da) return NoValue;
  return Da - 2 * t;
}

Extended TPipeGeometry::WallThickness(Extended Da, Extended Di) {
  if (!Available(Da, Di) || Di <= 0 || Di >= Da) return NoValue;
  return (Da - Di) / 2;
}

bool TPipeGeometry::ExceedsPN(Extended PN, Extended p1) {
  if (!Available(PN, p1)) return false;
  return PN + 1 < p1 + 0.5L;
}

int TPipeGeometry::RatingIndexByPressure(const std::vector<TPipeRating>& ratings, Extended p1) {
  if (IsNoValue(p1)) return -1;
  for (size_t i = 0; i < ratings.size(); ++i)
    if (HasValue(ratings[i].PN) && !ExceedsPN(ratings[i].PN, p1)) return static_cast<int>(i);
  return -1;
}

int TPipeGeometry::DNIndexForValve(const std::vector<int>& DNs, Extended DNV) {
  if (IsNoValue(DNV) || DNV <= 0) return -1;
  for (size_t i = 0; i < DNs.size(); ++i)
    // Half a millimetre: a DNV typed as 99.9 means DN 100.
    if (DNs[i] + 0.5L >= DNV) return static_cast<int>(i);
  return -1;
}

}  // namespace torvacalc
