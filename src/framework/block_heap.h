#pragma once

#include <cstddef>

namespace torvacalc {

// Small blocks for a short-lived program.
//
// A command builds a calculation of some twenty thousand small blocks
// (item names, items, connection lists) and frees few of them before the
// process ends. The C library's allocator spends about two hundred
// instructions on each such block, because a block that misses its
// per-thread cache goes through the bins first; with the frees that was a
// tenth of a `torvacalc show`. Here the blocks of up to 1 kB are cut one
// after the other from chunks of a reserved range (as the C library's heap
// would place them), and a freed block waits on a list of its size for the
// next request of that size: taking is moving a pointer or popping a list,
// giving back is pushing on it.
//
// Each thread cuts its own chunks and keeps its own lists (a batch
// calculates on several threads); a block freed on another thread than the
// one that took it joins the freeing thread's list. Memory is never given
// back to the system before the process ends, which suits a command and
// not a long-running program. Larger blocks, and all blocks once the range
// is used up, come from malloc; GiveBlock hands those back to free.
//
// The command-line program routes operator new and delete here (not in
// sanitizer builds, whose allocator watches the heap).
void* TakeBlock(std::size_t size) noexcept;  // nullptr only when malloc fails
void GiveBlock(void* block) noexcept;         // a block of TakeBlock, or nullptr
std::size_t BlockRoom(const void* block) noexcept;  // what a block of TakeBlock can hold, at least its size

}  // namespace torvacalc
