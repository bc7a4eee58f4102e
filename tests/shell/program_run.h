// Runs the torvacalc program in-process, as the shell would, and keeps what
// it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "shell/cli.h"

struct ProgramRun {
  int code;
  std::string out, err;
};

inline ProgramRun RunProgram(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = torvacalc::RunMain(args, out, err);
  return {code, out.str(), err.str()};
}
