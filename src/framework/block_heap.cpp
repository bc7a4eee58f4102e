#include "framework/block_heap.h"

#include <malloc.h>
#include <sys/mman.h>

#include <atomic>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <mutex>

namespace torvacalc {

namespace {

// A block is 8 bytes holding its size class, then what the caller asked
// for, starting on a 16-byte boundary. Blocks up to 1 kB (header included)
// come in steps of 16 bytes; larger ones in eight steps per power of two,
// so that a block wastes at most an eighth of itself.
constexpr std::size_t kHeader = 8;
constexpr std::size_t kGrain = 16;
constexpr std::size_t kSmall = 1024;                  // largest block of the 16-byte steps
constexpr unsigned kSmallClasses = kSmall / kGrain;   // classes 1 .. 64
constexpr unsigned kLog2Small = 10;
constexpr unsigned kLog2Largest = 26;                 // blocks up to 64 MB; larger ones from malloc
constexpr unsigned kClasses = kSmallClasses + 8 * (kLog2Largest - kLog2Small) + 1;
constexpr std::size_t kChunk = std::size_t{1} << 20;  // what a thread cuts its blocks from
constexpr std::size_t kOwnRun = std::size_t{64} << 10;  // larger blocks get their own run of the range
constexpr std::size_t kPage = 4096;
constexpr std::size_t kReserved = std::size_t{1} << 34;

constexpr std::size_t SizeOfClass(unsigned cls) {
  if (cls <= kSmallClasses) return cls * kGrain;
  const unsigned j = cls - kSmallClasses - 1, k = kLog2Small + j / 8;
  return (std::size_t{1} << k) + (j % 8 + 1) * (std::size_t{1} << (k - 3));
}

// The class of a block of `total` bytes, header included (at most 64 MB).
unsigned ClassOfSize(std::size_t total) {
  if (total <= kSmall) return static_cast<unsigned>((total + kGrain - 1) / kGrain);
  const unsigned k = static_cast<unsigned>(std::bit_width(total - 1)) - 1;  // 2^k < total <= 2^(k+1)
  const std::size_t step = std::size_t{1} << (k - 3);
  const auto s = static_cast<unsigned>((total - (std::size_t{1} << k) + step - 1) / step);  // 1 .. 8
  return kSmallClasses + (k - kLog2Small) * 8 + s;
}

// Blocks up to this class wait on their thread's lists; larger ones on
// shared lists.
constexpr unsigned kLastThreadClass = kSmallClasses + 8 * (16 - kLog2Small);  // 64 kB

static_assert(SizeOfClass(kSmallClasses) == kSmall && SizeOfClass(kSmallClasses + 1) == 1152);
static_assert(SizeOfClass(kLastThreadClass) == kOwnRun && SizeOfClass(kClasses - 1) == std::size_t{1} << kLog2Largest);

struct TRange {
  std::atomic<std::uintptr_t> base{0};  // 0 while the range is not reserved (or could not be)
  std::atomic<std::size_t> used{0};
};

constinit TRange gRange;

// Reserved when the first block is needed. The address space is only backed
// where blocks are handed out, in huge pages where the kernel has them,
// and asked for them before anything is written, so that no frame is first
// mapped in small pages.
bool ReserveRange() {
  constexpr std::size_t kHuge = std::size_t{2} << 20;
  void* p = mmap(nullptr, kReserved + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                 -1, 0);
  if (p == MAP_FAILED) return false;
  const std::uintptr_t base = (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
  madvise(reinterpret_cast<void*>(base), kReserved, MADV_HUGEPAGE);
  gRange.base.store(base, std::memory_order_release);
  return true;
}

// The start of `size` fresh bytes of the range (page-aligned), or 0.
std::uintptr_t Carve(std::size_t size) {
  static const bool reserved = ReserveRange();
  if (!reserved) return 0;
  const std::size_t at = gRange.used.fetch_add(size, std::memory_order_relaxed);
  if (at + size > kReserved) return 0;
  return gRange.base.load(std::memory_order_relaxed) + at;
}

// Blocks follow each other in the order they are taken, as they would in
// the C library's heap. The largest ones (file buffers, a batch's results)
// each get a run of their own and, once freed, wait on lists shared by all
// threads: a batch's workers fill results that the main thread frees.
struct TSharedBlocks {
  std::mutex lock;
  void* freed[kClasses] = {};
};

constinit TSharedBlocks gShared;

struct TThreadBlocks {
  void* freed[kClasses] = {};
  std::uintptr_t next = 0;
  std::uintptr_t end = 0;
};

thread_local TThreadBlocks tBlocks;

// A new block of `size` bytes (header included) at a header position.
[[gnu::noinline]] std::uintptr_t NewBlock(TThreadBlocks& t, std::size_t size) {
  if (size > kOwnRun) {
    const std::uintptr_t run = Carve((size + kHeader + kPage - 1) / kPage * kPage);
    return run == 0 ? 0 : run + kHeader;
  }
  const std::uintptr_t chunk = Carve(kChunk);
  if (chunk == 0) return 0;
  t.next = chunk + kHeader + size;
  t.end = chunk + kChunk;
  return chunk + kHeader;
}

bool InRange(const void* p) {
  const std::uintptr_t base = gRange.base.load(std::memory_order_relaxed);
  return base != 0 && reinterpret_cast<std::uintptr_t>(p) - base < kReserved;
}

void* Stamp(std::uintptr_t header, unsigned cls) {
  *reinterpret_cast<std::uint64_t*>(header) = cls;
  return reinterpret_cast<void*>(header + kHeader);
}

[[gnu::noinline]] void* TakeShared(TThreadBlocks& t, unsigned cls) {
  {
    const std::lock_guard hold(gShared.lock);
    if (void* p = gShared.freed[cls]) {
      gShared.freed[cls] = *static_cast<void**>(p);
      return p;
    }
  }
  const std::size_t size = SizeOfClass(cls);
  const std::uintptr_t h = NewBlock(t, size);
  return h == 0 ? std::malloc(size - kHeader) : Stamp(h, cls);
}

unsigned ClassOf(const void* p) {
  return static_cast<unsigned>(*reinterpret_cast<const std::uint64_t*>(static_cast<const char*>(p) - kHeader));
}

}  // namespace

void* TakeBlock(std::size_t n) noexcept {
  if (n > (std::size_t{1} << kLog2Largest) - kHeader) return std::malloc(n);
  const unsigned cls = ClassOfSize(n + kHeader);
  TThreadBlocks& t = tBlocks;
  if (cls > kLastThreadClass) return TakeShared(t, cls);
  if (void* p = t.freed[cls]) {
    t.freed[cls] = *static_cast<void**>(p);
    return p;
  }
  const std::size_t size = SizeOfClass(cls);
  std::uintptr_t h = t.next;
  if (h + size <= t.end)
    t.next = h + size;
  else if ((h = NewBlock(t, size)) == 0)
    return std::malloc(n);
  return Stamp(h, cls);
}

std::size_t BlockRoom(const void* p) noexcept {
  return InRange(p) ? SizeOfClass(ClassOf(p)) - kHeader : malloc_usable_size(const_cast<void*>(p));
}

void GiveBlock(void* p) noexcept {
  if (!InRange(p)) {
    std::free(p);
    return;
  }
  const unsigned cls = ClassOf(p);
  if (cls > kLastThreadClass) {
    const std::lock_guard hold(gShared.lock);
    *static_cast<void**>(p) = gShared.freed[cls];
    gShared.freed[cls] = p;
    return;
  }
  TThreadBlocks& t = tBlocks;
  *static_cast<void**>(p) = t.freed[cls];
  t.freed[cls] = p;
}

}  // namespace torvacalc
