#include "shell/commands.h"

namespace torvacalc {

const std::vector<Command>& Commands() {
  static const std::vector<Command> list = {
      UnitsCommand(),
      WaterCommand(),
      GasCommand(),
      InfoCommand(),
      ModuleCommand(),
      RunCommand(),
      ShowCommand(),
      EvalCommand(),
      ExportCommand(),
      SheetCommand(),
      ChooseCommand(),
  };
  return list;
}

}  // namespace torvacalc
