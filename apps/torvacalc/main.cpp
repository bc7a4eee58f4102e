#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#endif

#include "shell/cli.h"

#if TORVACALC_SMALL_BLOCKS
void UseSmallBlocksForSqlite();  // small_blocks.cpp
#endif

namespace {

// A command builds a calculation of tens of thousands of small blocks and
// touches some 8 MB of heap, which the kernel would map one 4 kB page
// fault at a time (a fifth of the time of a show). The heap grows here in
// one step, is not given back before the end, and asks for transparent huge
// pages: a few 2 MB faults instead of thousands.
void PrepareHeap() {
#if defined(__GLIBC__)
  constexpr std::size_t kHeap = std::size_t{32} << 20;
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  // The large blocks (the 256 kB pieces of a document read) come from the
  // heap as well, and nothing is trimmed back to the system.
  if (mallopt(M_MMAP_THRESHOLD, static_cast<int>(kHeap)) == 0 ||
      mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * kHeap)) == 0 || mallopt(M_TOP_PAD, static_cast<int>(kHeap)) == 0)
    return;
  // The break first moves up to a 2 MB boundary. The heap starts wherever
  // the loader left it, and the part below the first boundary (a megabyte
  // on average) would be mapped page by page; the skipped gap is address
  // space that is never touched.
  const auto start = reinterpret_cast<std::uintptr_t>(sbrk(0));
  const std::uintptr_t gap = ((start + kHuge - 1) & ~(kHuge - 1)) - start;
  if (gap > 0 && sbrk(static_cast<intptr_t>(gap)) == reinterpret_cast<void*>(-1)) return;
  const auto from = reinterpret_cast<std::uintptr_t>(sbrk(0));
  // The heap grows by the pad once (volatile: the pair is not optimised away).
  void* volatile grow = malloc(std::size_t{1} << 20);
  free(grow);
  const auto to = reinterpret_cast<std::uintptr_t>(sbrk(0));
  const std::uintptr_t first = (from + kHuge - 1) & ~(kHuge - 1), last = to & ~(kHuge - 1);
  if (last <= first) return;
  madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  // Growing wrote the allocator's block headers into the first 2 MB, so
  // that frame already has small pages and would stay so: it is collapsed
  // into a huge page now (Linux 6.1 and later; older kernels refuse, which
  // costs only those faults).
  constexpr int kMadvCollapse = 25;
  madvise(reinterpret_cast<void*>(first), kHuge, kMadvCollapse);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  PrepareHeap();
#if TORVACALC_SMALL_BLOCKS
  UseSmallBlocksForSqlite();
#endif
  std::vector<std::string> args(argv + 1, argv + argc);
  torvacalc::SetProcessEndsAfterCommand(true);
  const int code = torvacalc::RunMain(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
  // Nothing is left to do but write the output: the calculation and the
  // databases read for it go back to the system with the process, unfreed.
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  _exit(code);
}
