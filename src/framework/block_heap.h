#pragma once

#include <cstddef>

namespace torvacalc {

// Memory for a short-lived program.
//
// A command builds a calculation of some twenty thousand small blocks
// (item names, items, connection lists) and frees few of them before the
// process ends. The C library's allocator spends about two hundred
// instructions on each such block, because a block that misses its
// per-thread cache goes through the bins first; with the frees that was a
// tenth of a `torvacalc show`. Here blocks are cut one after the other from
// chunks of a reserved range (as the C library's heap would place them),
// and a freed block waits on a list of its size class for the next request
// of that class: taking is moving a pointer or popping a list, giving back
// is pushing on it. Classes go in 16-byte steps up to 1 kB and in eighths
// of a power of two above, up to 64 MB.
//
// The range asks for transparent huge pages before anything is written to
// it, so the eight or so megabytes a calculation touches cost a few 2 MB
// page faults instead of thousands of 4 kB ones.
//
// Each thread cuts its own chunks and keeps its own lists (a batch
// calculates on several threads); a block freed on another thread than the
// one that took it joins the freeing thread's list. Memory is never given
// back to the system before the process ends, which suits a command and
// not a long-running program. Blocks above 64 MB, and all blocks if the
// range cannot be reserved or is used up, come from malloc; GiveBlock
// hands those back to free.
//
// The command-line program routes operator new and delete and SQLite here
// (not in sanitizer builds, whose allocator watches the heap).
void* TakeBlock(std::size_t size) noexcept;  // nullptr only when malloc fails
void GiveBlock(void* block) noexcept;         // a block of TakeBlock, or nullptr
std::size_t BlockRoom(const void* block) noexcept;  // what a block of TakeBlock can hold, at least its size

}  // namespace torvacalc
