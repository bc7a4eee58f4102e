#include "shell/commands.h"

namespace torvacalc {

const std::vector<Command>& Commands() {
  static const std::vector<Command> list = {
      UnitsCommand(),
      WaterCommand(),
      EvalCommand(),
  };
  return list;
}

}  // namespace torvacalc
