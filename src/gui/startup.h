// The start of the desktop program, in this order: the single-instance
// check (a process that handed its command line over ends there), the
// application and its title, the splash window with status texts, the
// databases, the main window, then the macros that arrived meanwhile.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace torvacalc {

// One database the program loads at start.
struct TDatabaseStatus {
  std::string Caption;  // German
  std::string OptionKey;  // settings "Options" key of its folder
  std::string FileName;
  bool Loaded = false;
  std::string Folder;  // where it was found (or looked for)
  std::string Error;
};

// Loads the materials, control valve and property databases: each is
// looked for in the folder of its option, else in the data folder; a
// database that loads stores its folder in the option. One that does not
// load leaves the program usable and its option unchanged.
std::vector<TDatabaseStatus> LoadDataBases(const std::function<void(const std::string&)>& status = {});

// main() of torvacalc-gui: returns the exit code.
int RunDesktop(int argc, char** argv);

}  // namespace torvacalc
