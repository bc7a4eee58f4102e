// How a whole valve calculation is printed by `run` and `show`: the block
// of what serves every point, the operating points side by side, and the
// messages grouped by the point they concern (the model itself:
// workspace/points_layout.h).
#pragma once

#include <iosfwd>

#include "workspace/json_items.h"
#include "workspace/points_layout.h"

namespace torvacalc {

// The readable form; without `allRows` the rows without any value (that no
// message names) are left out and counted. `layout` is the calculation's
// (its workspace keeps it).
void PrintPointsTable(const TCustomSCMSubstances& calc, const TPointsLayout& layout, std::ostream& out,
                      bool allRows);

}  // namespace torvacalc
