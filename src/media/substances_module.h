// The substances calculation module as the command line creates it, without
// the media headers (whose enumerations the valve layer spells out too).
#pragma once

#include <memory>

#include "framework/calc_module.h"

namespace torvacalc {

// A TCMSubstances on the substance database of the program's data folder.
std::unique_ptr<TCalcModule> CreateSubstancesModule();

}  // namespace torvacalc
