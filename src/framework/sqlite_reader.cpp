#include "framework/sqlite_reader.h"

#include <sqlite3.h>

#include <filesystem>
#include <memory>

namespace torvacalc {

namespace {

// SQLite counts every allocation under a global mutex for its memory
// statistics, which nothing here asks for (a database read makes thousands
// of small allocations). Set once before SQLite starts; where a host program
// started it already, SQLite refuses and keeps its own setting.
void ConfigureSqlite() {
  static const int configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  (void)configured;
}

// `path` as an SQLite URI that opens the file immutable: the program's
// databases do not change while it runs, so SQLite takes no file lock and
// looks for no journal before each statement. A URI's path escapes '%',
// '?' and '#'; "file://" with an empty authority takes an absolute path.
std::string ImmutableUri(const std::string& path) {
  std::string uri = path.starts_with('/') ? "file://" : "file:";
  for (const char c : path) {
    if (c == '%' || c == '?' || c == '#') {
      static const char hex[] = "0123456789ABCDEF";
      uri += '%';
      uri += hex[static_cast<unsigned char>(c) >> 4];
      uri += hex[c & 15];
    } else {
      uri += c;
    }
  }
  return uri + "?immutable=1";
}

}  // namespace

TSqliteReader::TSqliteReader(const std::string& path, const std::vector<std::string>& markerTables,
                             const std::string& what, const std::string& notOne)
    : FPath(path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    throw ESqliteReader(ESqliteReader::skMissing, what + " nicht gefunden: " + path, "not found");
  ConfigureSqlite();
  if (sqlite3_open_v2(ImmutableUri(path).c_str(), &FDb, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI,
                      nullptr) != SQLITE_OK) {
    const std::string detail = FDb ? sqlite3_errmsg(FDb) : "cannot open";
    sqlite3_close(FDb);
    FDb = nullptr;
    throw ESqliteReader(ESqliteReader::skUnreadable, what + " nicht lesbar: " + path, detail);
  }
  // SQLite opens any file lazily; the first read of the schema tells a
  // database of this kind from another file. Asking for a table reads the
  // schema and looks the name up among the tables (not views) without
  // compiling a statement; sqlite_master itself stands for "any database".
  const auto refuse = [&](const std::string& detail) {
    sqlite3_close(FDb);
    FDb = nullptr;
    throw ESqliteReader(ESqliteReader::skForeign, (notOne.empty() ? "Keine " + what : notOne) + ": " + path, detail);
  };
  const auto find = [&](const char* table) {
    return sqlite3_table_column_metadata(FDb, "main", table, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  };
  if (find("sqlite_master") != SQLITE_OK) refuse(ErrorText());
  for (const std::string& table : markerTables)
    if (!table.empty() && find(table.c_str()) != SQLITE_OK) refuse("no table " + table);
}

TSqliteReader::~TSqliteReader() { sqlite3_close(FDb); }

bool TSqliteReader::Query(const std::string& sql, const std::vector<TSqliteValue>& params,
                          const TRowReader& row) const {
  const TSqliteStatement st(*this, sql);
  return st.Ok() && st.Run(params, row);
}

TSqliteStatement::TSqliteStatement(const TSqliteReader& db, const std::string& sql) {
  if (sqlite3_prepare_v2(db.FDb, sql.c_str(), -1, &FSt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(FSt);
    FSt = nullptr;
  }
}

TSqliteStatement::~TSqliteStatement() { sqlite3_finalize(FSt); }

bool TSqliteStatement::Run(const std::vector<TSqliteValue>& params, const TSqliteReader::TRowReader& row) const {
  if (!FSt) return false;
  // Ready for the next run on every way out, also when a row reader throws.
  const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(FSt, sqlite3_reset);
  for (size_t i = 0; i < params.size(); ++i) {
    const int at = static_cast<int>(i) + 1;
    if (const int* n = std::get_if<int>(&params[i]))
      sqlite3_bind_int(FSt, at, *n);
    else
      sqlite3_bind_text(FSt, at, std::get<std::string>(params[i]).c_str(), -1, SQLITE_TRANSIENT);
  }
  int rc;
  const TSqliteRow r(FSt);
  while ((rc = sqlite3_step(FSt)) == SQLITE_ROW) row(r);
  return rc == SQLITE_DONE;
}

std::string TSqliteReader::ErrorText() const { return FDb ? sqlite3_errmsg(FDb) : "not open"; }

Extended TSqliteRow::Real(int col) const {
  // A NULL reads as 0.0: only a zero needs the second look at the type.
  const double v = sqlite3_column_double(FSt, col);
  return v == 0 && sqlite3_column_type(FSt, col) == SQLITE_NULL ? NoValue : v;
}

int TSqliteRow::Integer(int col) const { return sqlite3_column_int(FSt, col); }

std::string TSqliteRow::Text(int col) const {
  const unsigned char* t = sqlite3_column_text(FSt, col);
  return t ? reinterpret_cast<const char*>(t) : std::string();
}

bool TSqliteRow::IsNull(int col) const { return sqlite3_column_type(FSt, col) == SQLITE_NULL; }

}  // namespace torvacalc
