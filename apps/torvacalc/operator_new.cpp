// The program's operator new and delete take small blocks from the block
// heap (framework/block_heap.h), which is made for a process that builds
// one calculation and ends. Only this program does so: the desktop program
// and the Python module run for long and keep the C library's allocator.

#include <cstddef>
#include <new>

#include "framework/block_heap.h"

namespace {

void* TakeOrThrow(std::size_t n) {
  if (void* p = torvacalc::TakeBlock(n)) return p;
  throw std::bad_alloc();
}

}  // namespace

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
