#include "framework/block_heap.h"

#include <malloc.h>
#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace torvacalc {

namespace {

constexpr std::size_t kGrain = 16;                   // blocks are multiples of this, header included
constexpr std::size_t kLargest = 1024;               // larger blocks go to malloc
constexpr std::size_t kClasses = (kLargest + 8) / kGrain + 2;
constexpr std::size_t kChunk = std::size_t{1} << 20;  // what a thread takes from the range at a time
constexpr std::size_t kReserved = std::size_t{1} << 34;

struct TRange {
  std::atomic<std::uintptr_t> base{0};  // 0 while the range is not reserved (or could not be)
  std::atomic<std::size_t> used{0};
};

constinit TRange gRange;

// Reserved when the first chunk is needed; the address space is only backed
// where blocks are handed out, in huge pages where the kernel has them.
bool ReserveRange() {
  constexpr std::size_t kHuge = std::size_t{2} << 20;
  void* p = mmap(nullptr, kReserved + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) return false;
  const std::uintptr_t base = (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
  madvise(reinterpret_cast<void*>(base), kReserved, MADV_HUGEPAGE);
  gRange.base.store(base, std::memory_order_release);
  return true;
}

// A block is 8 bytes holding its size in grains, then what the caller asked
// for, starting on a 16-byte boundary. Blocks follow each other in the
// order they are taken, as they would in the C library's heap.
struct TThreadBlocks {
  void* freed[kClasses] = {};
  std::uintptr_t next = 0;
  std::uintptr_t end = 0;
};

thread_local TThreadBlocks tBlocks;

[[gnu::noinline]] bool NewChunk(TThreadBlocks& t) {
  static const bool reserved = ReserveRange();
  if (!reserved) return false;
  const std::size_t at = gRange.used.fetch_add(kChunk, std::memory_order_relaxed);
  if (at >= kReserved) return false;
  t.next = gRange.base.load(std::memory_order_relaxed) + at + 8;
  t.end = t.next - 8 + kChunk;
  return true;
}

}  // namespace

void* TakeBlock(std::size_t n) noexcept {
  if (n > kLargest) return std::malloc(n);
  const std::size_t cls = (n + 8 + kGrain - 1) / kGrain;
  TThreadBlocks& t = tBlocks;
  if (void* p = t.freed[cls]) {
    t.freed[cls] = *static_cast<void**>(p);
    return p;
  }
  if (t.next + cls * kGrain > t.end && !NewChunk(t)) return std::malloc(n);
  const std::uintptr_t h = t.next;
  t.next = h + cls * kGrain;
  *reinterpret_cast<std::uint64_t*>(h) = cls;
  return reinterpret_cast<void*>(h + 8);
}

namespace {

bool InRange(const void* p) {
  const std::uintptr_t base = gRange.base.load(std::memory_order_relaxed);
  return base != 0 && reinterpret_cast<std::uintptr_t>(p) - base < kReserved;
}

std::size_t ClassOf(const void* p) { return *reinterpret_cast<const std::uint64_t*>(static_cast<const char*>(p) - 8); }

}  // namespace

std::size_t BlockRoom(const void* p) noexcept {
  return InRange(p) ? ClassOf(p) * kGrain - 8 : malloc_usable_size(const_cast<void*>(p));
}

void GiveBlock(void* p) noexcept {
  if (!InRange(p)) {
    std::free(p);
    return;
  }
  const std::size_t cls = ClassOf(p);
  TThreadBlocks& t = tBlocks;
  *static_cast<void**>(p) = t.freed[cls];
  t.freed[cls] = p;
}

}  // namespace torvacalc
