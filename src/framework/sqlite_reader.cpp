#include "framework/sqlite_reader.h"

#include <sqlite3.h>

#include <filesystem>

namespace torvacalc {

TSqliteReader::TSqliteReader(const std::string& path, const std::string& markerTable,
                             const std::string& what)
    : FPath(path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw ESqliteReader(what + " nicht gefunden: " + path);
  if (sqlite3_open_v2(path.c_str(), &FDb, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(FDb);
    FDb = nullptr;
    throw ESqliteReader(what + " nicht lesbar: " + path);
  }
  bool ok = false;
  Query("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='" + markerTable + "'",
        [&](sqlite3_stmt* st) { ok = sqlite3_column_int(st, 0) == 1; });
  if (!ok) {
    sqlite3_close(FDb);
    FDb = nullptr;
    throw ESqliteReader("Keine " + what + ": " + path);
  }
}

TSqliteReader::~TSqliteReader() { sqlite3_close(FDb); }

void TSqliteReader::Query(const std::string& sql, const std::function<void(sqlite3_stmt*)>& row) const {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(FDb, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    sqlite3_finalize(st);
    return;
  }
  while (sqlite3_step(st) == SQLITE_ROW) row(st);
  sqlite3_finalize(st);
}

Extended TSqliteReader::Real(sqlite3_stmt* st, int col) {
  return sqlite3_column_type(st, col) == SQLITE_NULL ? NoValue : sqlite3_column_double(st, col);
}

int TSqliteReader::Integer(sqlite3_stmt* st, int col) { return sqlite3_column_int(st, col); }

std::string TSqliteReader::Text(sqlite3_stmt* st, int col) {
  const unsigned char* t = sqlite3_column_text(st, col);
  return t ? reinterpret_cast<const char*>(t) : std::string();
}

}  // namespace torvacalc
