// Builds an SQLite database file from SQL text files, atomically: the
// database is written under a temporary name and renamed when complete, so a
// failed build never leaves a half-filled database behind.
//
//   torvacalc_sqlbuild OUTPUT.db INPUT.sql [INPUT.sql ...]
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: torvacalc_sqlbuild OUTPUT INPUT.sql...\n";
    return 2;
  }
  const std::string out = argv[1];
  const std::string tmp = out + ".tmp";
  std::remove(tmp.c_str());
  sqlite3* db = nullptr;
  if (sqlite3_open(tmp.c_str(), &db) != SQLITE_OK) {
    std::cerr << "cannot create " << tmp << "\n";
    return 1;
  }
  int rc = 0;
  for (int i = 2; i < argc && rc == 0; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::cerr << "cannot read " << argv[i] << "\n";
      rc = 1;
      break;
    }
    std::stringstream text;
    text << in.rdbuf();
    char* err = nullptr;
    if (sqlite3_exec(db, text.str().c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::cerr << argv[i] << ": " << (err ? err : "error") << "\n";
      sqlite3_free(err);
      rc = 1;
    }
  }
  sqlite3_close(db);
  if (rc == 0 && std::rename(tmp.c_str(), out.c_str()) != 0) {
    std::cerr << "cannot rename " << tmp << " to " << out << "\n";
    rc = 1;
  }
  if (rc != 0) std::remove(tmp.c_str());
  return rc;
}
