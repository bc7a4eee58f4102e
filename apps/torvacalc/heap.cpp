// The program's operator new and delete, and SQLite's memory, take their
// blocks from the block heap (framework/block_heap.h), which is made for a
// process that builds one calculation and ends. Only this program does so:
// the desktop program and the Python module run for long and keep the C
// library's allocator.

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

#include "framework/block_heap.h"

namespace {

void* TakeOrThrow(std::size_t n) {
  if (void* p = torvacalc::TakeBlock(n)) return p;
  throw std::bad_alloc();
}

// SQLite reads the schemas and rows of the program's databases in some
// three thousand blocks.
void* SqliteTake(int n) { return torvacalc::TakeBlock(static_cast<std::size_t>(n)); }
void SqliteGive(void* p) { torvacalc::GiveBlock(p); }
int SqliteRoom(void* p) { return static_cast<int>(torvacalc::BlockRoom(p)); }
int SqliteRoundUp(int n) { return (n + 7) & ~7; }
int SqliteInit(void*) { return SQLITE_OK; }
void SqliteShutdown(void*) {}
void* SqliteResize(void* p, int n) {
  const auto size = static_cast<std::size_t>(n), room = torvacalc::BlockRoom(p);
  if (size <= room) return p;
  void* q = torvacalc::TakeBlock(size);
  if (q == nullptr) return nullptr;
  std::memcpy(q, p, std::min(size, room));
  torvacalc::GiveBlock(p);
  return q;
}

}  // namespace

// Before the first use of SQLite; a later call changes nothing.
void UseBlockHeapForSqlite() {
  static const sqlite3_mem_methods methods = {SqliteTake, SqliteGive,    SqliteResize,   SqliteRoom,
                                              SqliteRoundUp, SqliteInit, SqliteShutdown, nullptr};
  sqlite3_config(SQLITE_CONFIG_MALLOC, &methods);
}

void* operator new(std::size_t n) { return TakeOrThrow(n); }
void* operator new[](std::size_t n) { return TakeOrThrow(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return torvacalc::TakeBlock(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return torvacalc::TakeBlock(n); }
void operator delete(void* p) noexcept { torvacalc::GiveBlock(p); }
void operator delete[](void* p) noexcept { torvacalc::GiveBlock(p); }
void operator delete(void* p, std::size_t) noexcept { torvacalc::GiveBlock(p); }
void operator delete[](void* p, std::size_t) noexcept { torvacalc::GiveBlock(p); }
// The library's other forms call these; over-aligned blocks (none in a
// calculation) stay with the C library's aligned_alloc and free.
