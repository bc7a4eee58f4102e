#include "framework/sqlite_reader.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace torvacalc {

TSqliteReader::TSqliteReader(const std::string& path, const std::vector<std::string>& markerTables,
                             const std::string& what, const std::string& notOne)
    : FPath(path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    throw ESqliteReader(ESqliteReader::skMissing, what + " nicht gefunden: " + path, "not found");
  if (sqlite3_open_v2(path.c_str(), &FDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    const std::string detail = FDb ? sqlite3_errmsg(FDb) : "cannot open";
    sqlite3_close(FDb);
    FDb = nullptr;
    throw ESqliteReader(ESqliteReader::skUnreadable, what + " nicht lesbar: " + path, detail);
  }
  // SQLite opens any file lazily; the first read of the schema tells a
  // database of this kind from another file; its tables are read in one
  // query, whatever the number of markers.
  std::vector<std::string> tables;
  const bool read = Query("SELECT type, name FROM sqlite_master", [&](const TSqliteRow& r) {
    if (r.Text(0) == "table") tables.push_back(r.Text(1));
  });
  for (const std::string& table : markerTables.empty() ? std::vector<std::string>{""} : markerTables) {
    const bool ok = table.empty() || std::find(tables.begin(), tables.end(), table) != tables.end();
    if (!read || !ok) {
      const std::string detail = ErrorText();
      sqlite3_close(FDb);
      FDb = nullptr;
      throw ESqliteReader(ESqliteReader::skForeign, (notOne.empty() ? "Keine " + what : notOne) + ": " + path,
                          read ? "no table " + table : detail);
    }
  }
}

TSqliteReader::~TSqliteReader() { sqlite3_close(FDb); }

bool TSqliteReader::Query(const std::string& sql, const std::vector<TSqliteValue>& params,
                          const TRowReader& row) const {
  sqlite3_stmt* st = nullptr;
  const int prepared = sqlite3_prepare_v2(FDb, sql.c_str(), -1, &st, nullptr);
  // Finished on every way out, also when a row reader throws.
  const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
  if (prepared != SQLITE_OK) return false;
  for (size_t i = 0; i < params.size(); ++i) {
    const int at = static_cast<int>(i) + 1;
    if (const int* n = std::get_if<int>(&params[i]))
      sqlite3_bind_int(st, at, *n);
    else
      sqlite3_bind_text(st, at, std::get<std::string>(params[i]).c_str(), -1, SQLITE_TRANSIENT);
  }
  int rc;
  const TSqliteRow r(st);
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) row(r);
  return rc == SQLITE_DONE;
}

std::string TSqliteReader::ErrorText() const { return FDb ? sqlite3_errmsg(FDb) : "not open"; }

Extended TSqliteRow::Real(int col) const {
  return sqlite3_column_type(FSt, col) == SQLITE_NULL ? NoValue : sqlite3_column_double(FSt, col);
}

int TSqliteRow::Integer(int col) const { return sqlite3_column_int(FSt, col); }

std::string TSqliteRow::Text(int col) const {
  const unsigned char* t = sqlite3_column_text(FSt, col);
  return t ? reinterpret_cast<const char*>(t) : std::string();
}

bool TSqliteRow::IsNull(int col) const { return sqlite3_column_type(FSt, col) == SQLITE_NULL; }

}  // namespace torvacalc
