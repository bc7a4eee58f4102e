// Runs the torvacalc program in-process, as the shell would, and keeps what
// it printed; and the files of the source tree the runs read.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "shell/cli.h"

struct ProgramRun { int code; std::string out, err; };

inline ProgramRun RunProgram(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = torvacalc::RunMain(args, out, err);
  return {code, out.str(), err.str()};
}

// A run that must succeed.
inline ProgramRun RunOk(const std::vector<std::string>& args) {
  ProgramRun r = RunProgram(args);
  EXPECT_EQ(r.code, 0) << r.err;
  return r;
}

// A file of the source tree, given relative to its root.
// (Appended in place: GCC 12 warns of a chain of string operator+ it has
// inlined, wrongly, with -Warray-bounds.)
inline std::string SourceFile(const std::string& relative) {
  std::string path = TORVACALC_SOURCE_DIR;
  path += '/';
  path += relative;
  return path;
}

// "@.../examples/NAME": an example case file as the command line takes it.
inline std::string ExampleCase(const std::string& name) { return "@" + SourceFile("examples/" + name); }
