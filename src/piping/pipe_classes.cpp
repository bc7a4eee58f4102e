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
  try {
    FDb = std::make_unique<TSqliteReader>(path, std::vector<std::string>{"PipeClass"}, "Rohrklassen",
                                          "Keine Rohrklassen");
  } catch (const ESqliteReader& e) {
    throw EPipeDatabase(e.what());
  }
  const TSqliteReader& db = *FDb;
  Query(db, "SELECT ID, Name, NameEn, Source FROM PipeClass ORDER BY ID", {}, [&](const TSqliteRow& r) {
    TPipeClass c;
    c.Id = r.Integer(0);
    c.Name = r.Text(1);
    c.NameEn = r.Text(2);
    c.Source = r.Text(3);
    FClasses.push_back(std::move(c));
  });
  const auto classOf = [&](int id) -> TPipeClass* {
    for (TPipeClass& c : FClasses)
      if (c.Id == id) return &c;
    return nullptr;
  };
  Query(db, "SELECT ClassID, Label, PN FROM PipeRating ORDER BY ClassID, Ord", {}, [&](const TSqliteRow& r) {
    if (TPipeClass* c = classOf(r.Integer(0))) c->Ratings.push_back({r.Text(1), r.Real(2)});
  });
  for (const TPipeClass& c : FClasses) FClassNames.push_back(c.Name);
  FSizesRead.assign(FClasses.size(), false);
  if (FClasses.empty()) throw EPipeDatabase("Keine Rohrklassen: " + path);
}

TPipeDatabase::~TPipeDatabase() = default;

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

// A class's nominal sizes are those of its pipes, from the table's key
// alone. A statement that cannot be compiled, or a read that fails part
// way (a damaged page), leaves the class without sizes.
void TPipeDatabase::ReadSizes(size_t index) const {
  if (FSizesRead[index]) return;
  FSizesRead[index] = true;
  if (!FSizes)
    FSizes = std::make_unique<TSqliteStatement>(*FDb, "SELECT DISTINCT DN FROM Pipe WHERE ClassID = ?1 ORDER BY DN");
  std::vector<int>& DNs = FClasses[index].DNs;
  if (!FSizes->Ok() || !FSizes->Run({FClasses[index].Id}, [&](const TSqliteRow& r) { DNs.push_back(r.Integer(0)); }))
    DNs.clear();
}

const std::vector<TPipeClass>& TPipeDatabase::Classes() const {
  std::lock_guard guard(FLock);
  for (size_t i = 0; i < FClasses.size(); ++i) ReadSizes(i);
  return FClasses;
}

const TPipeClass& TPipeDatabase::ClassAt(size_t index) const {
  std::lock_guard guard(FLock);
  ReadSizes(index);
  return FClasses[index];
}

const TPipeClass* TPipeDatabase::ClassByName(const std::string& name) const {
  for (size_t i = 0; i < FClasses.size(); ++i) {
    if (FClasses[i].Name != name && FClasses[i].NameEn != name) continue;
    std::lock_guard guard(FLock);
    ReadSizes(i);
    return &FClasses[i];
  }
  return nullptr;
}

// Each pipe asked for is read once, by a statement compiled once.
TPipeDimensions TPipeDatabase::Dimensions(int classId, int DN, const std::string& rating) const {
  std::lock_guard guard(FLock);
  const auto found = FDimensions.try_emplace({classId, DN, rating});
  TPipeDimensions& dimensions = found.first->second;
  if (found.second) {
    if (!FPipe)
      FPipe = std::make_unique<TSqliteStatement>(
          *FDb, "SELECT Da, t FROM Pipe WHERE ClassID = ?1 AND DN = ?2 AND Rating = ?3");
    if (FPipe->Ok())
      FPipe->Run({classId, DN, rating}, [&](const TSqliteRow& r) { dimensions = {r.Real(0), r.Real(1)}; });
  }
  return dimensions;
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
