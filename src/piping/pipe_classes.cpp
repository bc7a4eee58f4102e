#include "piping/pipe_classes.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "framework/options.h"

namespace torvacalc {

namespace {

void Query(sqlite3* db, const char* sql, const std::function<void(sqlite3_stmt*)>& row) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
    sqlite3_finalize(st);
    throw EPipeDatabase(std::string("Rohrklassen nicht lesbar: ") + sqlite3_errmsg(db));
  }
  while (sqlite3_step(st) == SQLITE_ROW) row(st);
  sqlite3_finalize(st);
}

std::string Text(sqlite3_stmt* st, int col) {
  const unsigned char* t = sqlite3_column_text(st, col);
  return t ? reinterpret_cast<const char*>(t) : std::string();
}

Extended Real(sqlite3_stmt* st, int col) {
  return sqlite3_column_type(st, col) == SQLITE_NULL ? NoValue : sqlite3_column_double(st, col);
}

}  // namespace

bool TPipeClass::HasPNValues() const {
  return std::any_of(Ratings.begin(), Ratings.end(), [](const TPipeRating& r) { return HasValue(r.PN); });
}

TPipeDatabase::TPipeDatabase(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw EPipeDatabase("Rohrklassen nicht gefunden: " + path);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw EPipeDatabase("Rohrklassen nicht lesbar: " + path);
  }
  // Closes the file on every way out, also when a query throws.
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> guard(db, sqlite3_close);
  Query(db, "SELECT ID, Name, NameEn, Source FROM PipeClass ORDER BY ID", [&](sqlite3_stmt* st) {
    TPipeClass c;
    c.Id = sqlite3_column_int(st, 0);
    c.Name = Text(st, 1);
    c.NameEn = Text(st, 2);
    c.Source = Text(st, 3);
    FClasses.push_back(std::move(c));
  });
  for (TPipeClass& c : FClasses) {
    const std::string id = std::to_string(c.Id);
    Query(db, ("SELECT Label, PN FROM PipeRating WHERE ClassID = " + id + " ORDER BY Ord").c_str(),
          [&](sqlite3_stmt* st) { c.Ratings.push_back({Text(st, 0), Real(st, 1)}); });
    Query(db, ("SELECT DISTINCT DN FROM Pipe WHERE ClassID = " + id + " ORDER BY DN").c_str(),
          [&](sqlite3_stmt* st) { c.DNs.push_back(sqlite3_column_int(st, 0)); });
  }
  Query(db, "SELECT ClassID, DN, Rating, Da, t FROM Pipe", [&](sqlite3_stmt* st) {
    FRows.push_back({sqlite3_column_int(st, 0), sqlite3_column_int(st, 1), Text(st, 2), {Real(st, 3), Real(st, 4)}});
  });
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
