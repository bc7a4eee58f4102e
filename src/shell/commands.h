// Subcommands of the torvacalc program. Each lives in its own cmd_*.cpp and
// is listed in commands.cpp.
#pragma once

#include "shell/cli.h"

namespace torvacalc {

Command UnitsCommand();
Command WaterCommand();
Command GasCommand();
Command InfoCommand();
Command ModuleCommand();
Command EvalCommand();
Command ShowCommand();
Command ExportCommand();
Command RunCommand();
Command SheetCommand();
Command ChooseCommand();

}  // namespace torvacalc
