// Counts every heap allocation of the benchmark program that includes this
// header (in one translation unit: it replaces the global operator new), so
// that a benchmark can report how many one operation takes.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace bench {
inline std::atomic<std::size_t> gAllocations{0};
inline std::size_t Allocations() { return gAllocations.load(std::memory_order_relaxed); }
}  // namespace bench

// (Not inlined: the compiler would otherwise pair a new it inlined with a
// delete it did not and warn of a mismatch.)
[[gnu::noinline]] void* operator new(std::size_t size) {
  bench::gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
