// How a calculation module on its own is printed (shared by `module` and
// `show`): a readable table or one JSON object.
#pragma once

#include <iosfwd>
#include <string>

#include "workspace/json_items.h"
#include "workspace/module_kinds.h"

namespace torvacalc {

// Every item and every message of a module: a readable table, or one JSON
// object {"module", "items", "messages"}. The table is headed by `title`
// (the class name when empty); without `allRows` the rows without a value
// that no message names are left out and counted. A message raised on
// several items is one line naming them all.
void PrintModuleTable(const TCalcModule& module, const TCalcMessageContainer& messages, std::ostream& out,
                      bool allRows = true, const std::string& title = {});
// A module on its own: the table (titled with the module's caption) or the
// JSON object.
void PrintStandalone(const TStandaloneModule& standalone, std::ostream& out, bool json, bool allRows = true);

}  // namespace torvacalc
