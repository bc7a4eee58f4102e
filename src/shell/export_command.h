// torvacalc export: the seam through which tests interrupt a run.
#pragma once

#include <cstddef>
#include <functional>

namespace torvacalc {

// Called after each calculation an export has processed, with the number
// done so far. Tests raise SIGINT here to check that a cancelled run still
// writes its output; empty in the program.
std::function<void(std::size_t done)>& ExportProgressHook();

}  // namespace torvacalc
