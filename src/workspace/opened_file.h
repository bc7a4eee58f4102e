// A calculation file opened to be read (the command line's `show`, the
// Python module's open()): the whole valve calculation in a workspace, or
// the module of one kind on its own, recomputed once. And a module on its
// own made from assignments (`module`, Python's module()).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "workspace/module_kinds.h"
#include "workspace/torva_workspace.h"

namespace torvacalc {

struct TOpenedCalculation {
  std::unique_ptr<TTorvaWorkspace> whole;       // a whole calculation (no undo history)
  std::unique_ptr<TStandaloneModule> module;    // or a module on its own
  std::vector<std::string> notices;             // a file of another program version
};

// ECalcEntry "PATH: why" for a missing or unreadable file, or one of a
// calculation this program cannot rebuild.
TOpenedCalculation OpenCalculationFile(const std::string& path);

// A module of `kind` with the NAME=TEXT assignments entered in order while
// it is inactive: it computes once, with all of them, when switched on.
// ECalcEntry for an assignment it cannot take.
std::unique_ptr<TStandaloneModule> StandaloneWith(const TModuleKind& kind, const std::vector<std::string>& assignments);

}  // namespace torvacalc
