// Read-only access to one of the program's SQLite databases (the catalogue
// files *.CDS built from data/*.sql): opening with the checks every reader
// needs, and a query loop. A reader of a particular table set builds on it
// instead of opening the file itself.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "framework/basics.h"

struct sqlite3;
struct sqlite3_stmt;

namespace torvacalc {

// A database file that cannot be opened, or that lacks its marker table.
class ESqliteReader : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TSqliteReader {
 public:
  // Opens `path` read-only and checks that the table `markerTable` exists
  // (another file, or a damaged one, is refused rather than read as
  // empty). `what` names the database in the error texts.
  TSqliteReader(const std::string& path, const std::string& markerTable, const std::string& what);
  ~TSqliteReader();
  TSqliteReader(const TSqliteReader&) = delete;
  TSqliteReader& operator=(const TSqliteReader&) = delete;

  // Runs a query and hands every row to `row`; an SQLite error ends the
  // reading quietly (the caller sees fewer or no rows).
  void Query(const std::string& sql, const std::function<void(sqlite3_stmt*)>& row) const;

  // Column readers: a NULL number is NoValue, a NULL text is empty.
  static Extended Real(sqlite3_stmt* st, int col);
  static int Integer(sqlite3_stmt* st, int col);
  static std::string Text(sqlite3_stmt* st, int col);

  const std::string& Path() const { return FPath; }

 private:
  sqlite3* FDb = nullptr;
  std::string FPath;
};

}  // namespace torvacalc
