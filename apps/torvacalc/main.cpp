#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "shell/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return torvacalc::RunMain(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
