// Helpers of the main modules of a valve calculation: a main module shows
// the user the items of its computing modules under its own names, so each
// of its items is made of the same kind, quantity, bounds, caption and
// choices as the computing module's item it stands for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"

namespace torvacalc {

// Creates in `main` an item named `name` like `model` (parameters of the
// same class, quantity and bounds; switches with the same value list and
// choice; texts). Returns the new item.
TCalcItem* MirrorItem(TAncestorCalcModule& main, const TCalcItem& model, const std::string& name);

// The items of `module` named in `names`, in that order (missing names are
// a programming error: EHXInternal).
std::vector<TCalcItem*> ItemsByName(const TAncestorCalcModule& module, const std::vector<std::string>& names);
// The one item of `module` named `name` (missing: EHXInternal).
TCalcItem& ItemByName(const TAncestorCalcModule& module, std::string_view name);

// Switches a computing module on (it computes at once) or off (it keeps no
// results and no messages); nothing happens when it already is so.
void EnableModule(TCalcModule* module, bool on);

// The items of the whole calculation that say what it is for and what a
// purchaser's specification sheet carries beside the computed values: the
// document header (tag, project, customer, ...) and the construction the
// engineer specifies (end connections, materials, accessories). Plain
// texts, saved with the calculation, one value for all operating points.
struct TSheetField {
  const char* name;     // the item's name (as a case file names it)
  const char* caption;  // German caption
};
const std::vector<TSheetField>& HeaderItems();
const std::vector<TSheetField>& SpecificationItems();
// Creates the items of both lists in `main`.
void AddSheetItems(TAncestorCalcModule& main);

// The suffix of an operating point: "" for point 1, "Ap2", "Ap3", "ApX".
const char* OpSuffix(int point);

}  // namespace torvacalc
