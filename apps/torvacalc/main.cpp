#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "shell/cli.h"

#if TORVACALC_BLOCK_HEAP
void UseBlockHeapForSqlite();  // heap.cpp
#endif

int main(int argc, char** argv) {
#if TORVACALC_BLOCK_HEAP
  UseBlockHeapForSqlite();
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
