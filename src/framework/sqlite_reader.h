// Read-only access to one of the program's SQLite databases (the catalogue
// files *.CDS built from data/*.sql): opening with the checks every reader
// needs, queries with bound parameters, and the column readers. Every
// reader of a particular table set builds on it; none opens a file itself.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "framework/basics.h"

struct sqlite3;
struct sqlite3_stmt;

namespace torvacalc {

// A database file that is missing, cannot be opened, or is not of its kind
// (lacks a marker table, or is no SQLite file at all).
class ESqliteReader : public std::runtime_error {
 public:
  enum TKind { skMissing, skUnreadable, skForeign };
  ESqliteReader(TKind kind, const std::string& text, const std::string& detail)
      : std::runtime_error(text), FKind(kind), FDetail(detail) {}
  TKind Kind() const { return FKind; }
  // SQLite's own words, where it gave any.
  const std::string& Detail() const { return FDetail; }

 private:
  TKind FKind;
  std::string FDetail;
};

// One row of a query's result.
class TSqliteRow {
 public:
  // A NULL number is NoValue, a NULL integer 0, a NULL text empty.
  Extended Real(int col) const;
  int Integer(int col) const;
  std::string Text(int col) const;
  bool IsNull(int col) const;

 private:
  friend class TSqliteReader;
  friend class TSqliteStatement;
  explicit TSqliteRow(sqlite3_stmt* st) : FSt(st) {}
  sqlite3_stmt* FSt;
};

// A bound parameter of a query (?1, ?2, ... in the order given).
using TSqliteValue = std::variant<int, std::string>;

// A reader belongs to one thread at a time: its connection takes no lock of
// its own (a database is read while a calculation is built, tens of
// thousands of column reads). Every reader of the program is opened, read
// and closed by the thread that needs it, read once inside a static
// initialisation, or kept open behind a mutex by its one owner (the
// substance database and the message catalogue, which read a substance or
// a message when first asked).
class TSqliteReader {
 public:
  using TRowReader = std::function<void(const TSqliteRow&)>;

  // Opens `path` read-only and checks that every table of `markerTables`
  // exists (another file, or a damaged one, is refused rather than read as
  // empty). `what` names the database in the error texts: "<what> nicht
  // gefunden: <path>", "<what> nicht lesbar: <path>", and for a file of
  // another kind `notOne` ("Keine <what>" when empty) + ": <path>".
  TSqliteReader(const std::string& path, const std::vector<std::string>& markerTables, const std::string& what,
                const std::string& notOne = {});
  ~TSqliteReader();
  TSqliteReader(const TSqliteReader&) = delete;
  TSqliteReader& operator=(const TSqliteReader&) = delete;

  // Runs a query and hands every row to `row`. Returns false when SQLite
  // fails (an unknown table or column, a damaged page; ErrorText says
  // which): a reader that can do with fewer rows, such as one of an older
  // file without a later table, ignores it.
  bool Query(const std::string& sql, const TRowReader& row) const { return Query(sql, {}, row); }
  bool Query(const std::string& sql, const std::vector<TSqliteValue>& params, const TRowReader& row) const;
  std::string ErrorText() const;

  const std::string& Path() const { return FPath; }

 private:
  friend class TSqliteStatement;
  sqlite3* FDb = nullptr;
  std::string FPath;
};

// A query compiled once and run again and again with other parameters: a
// look-up by key spares SQLite the parse and plan of every run. It belongs
// to its reader (which must outlive it) and to the reader's thread rules.
class TSqliteStatement {
 public:
  // Ok() is false when SQLite cannot compile `sql` (the reader's ErrorText
  // says why).
  TSqliteStatement(const TSqliteReader& db, const std::string& sql);
  ~TSqliteStatement();
  TSqliteStatement(const TSqliteStatement&) = delete;
  TSqliteStatement& operator=(const TSqliteStatement&) = delete;

  bool Ok() const { return FSt != nullptr; }
  // As TSqliteReader::Query.
  bool Run(const std::vector<TSqliteValue>& params, const TSqliteReader::TRowReader& row) const;

 private:
  sqlite3_stmt* FSt = nullptr;
};

// Opens like TSqliteReader's constructor, failing with the caller's own
// error type E (made from the same text).
template <class E>
TSqliteReader OpenSqliteReader(const std::string& path, const std::vector<std::string>& markerTables,
                               const std::string& what, const std::string& notOne = {}) {
  try {
    return TSqliteReader(path, markerTables, what, notOne);
  } catch (const ESqliteReader& e) {
    throw E(e.what());
  }
}

}  // namespace torvacalc
