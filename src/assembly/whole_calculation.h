// The whole valve calculation as the command line and the file readers
// make it: one factory for a new calculation, and one that rebuilds the
// calculation a file names by its class.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "assembly/scm_substances.h"

namespace torvacalc {

// A new whole calculation of the current top layer, built, wired and
// switched on (every item at its default, computed once).
std::unique_ptr<TCustomSCMSubstances> CreateWholeCalculation();

// A new calculation of the layer `className` names (as the "ClassName" of
// a calculation file does); nullptr for a class that is no layer of a
// valve calculation.
// With `switchOn` false the calculation computes first when the values
// set next in bulk (the file read into it) switch it on.
std::unique_ptr<TCustomSCMSubstances> CreateWholeCalculationOfClass(const std::string& className,
                                                                    bool switchOn = true);

// The class names CreateWholeCalculationOfClass knows, lowest layer first.
std::vector<std::string> WholeCalculationClasses();

}  // namespace torvacalc
