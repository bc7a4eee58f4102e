// A test of the program with a folder of its own for the files it writes
// (TempFolderTest), and the example case files of the repository.
#pragma once

#include <filesystem>
#include <string>

#include "temp_folder.h"

class ProgramFileTest : public TempFolderTest {
 protected:
  // "@.../examples/NAME": an example case file as the command line takes it.
  static std::string Case(const char* name) {
    return "@" + (std::filesystem::path(TORVACALC_SOURCE_DIR) / "examples" / name).string();
  }
};
