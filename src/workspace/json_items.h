// The JSON form of a calculation, for every front end that gives one
// (the command line's `module`, `run`, `show`, the Python module), written
// one way: the schema is docs/json.md.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "framework/calc_item.h"
#include "framework/calc_message.h"
#include "workspace/json_writer.h"
#include "workspace/module_kinds.h"
#include "workspace/points_layout.h"

namespace torvacalc {

// The object of one item: {"kind", and for a parameter "value", "unit",
// "basic", "si", "text", "state", "inputState", "utilized", "approximated",
// "inBounds"; for a switch "index", "text"; for a text "text"; for every
// kind "relevant" (whether the item means anything for the medium, the
// valve style and the options chosen: workspace/relevance.h)}.
void WriteJsonItem(TJsonWriter& w, const TCalcItem& item, bool relevant = true);

// The object of one message: {"point" ("1", "2", "3", "X" or null for the
// calculation as a whole), "no", "kind" (error, warning, hint), "type"
// (cmWarning ...), "typeText", "text", "item" (the item it is shown at, or
// null), "items", "priority"}. `first` is the message (its first copy).
void WriteJsonMessage(TJsonWriter& w, const char* point, const TCalcMessage& first, tCalcMessageType type,
                      const std::string& typeText, const std::vector<std::string>& items);

// A module on its own as one JSON object {"module", "items", "messages"}
// (a number raised at several items is one message naming them all).
void PrintModuleJson(const TCalcModule& module, const TCalcMessageContainer& messages, std::ostream& out);
// One JSON object: "calculation", "title", "activePoints", "constants",
// "points" (four objects, item name at point 1 -> value and unit),
// "messages" (each with its point: "1", "2", "3", "X" or null).
void PrintPointsJson(const TCustomSCMSubstances& calc, std::ostream& out);
// The same with the calculation's layout at hand (TTorvaWorkspace::Layout).
void PrintPointsJson(const TCustomSCMSubstances& calc, const TPointsLayout& layout, std::ostream& out);

}  // namespace torvacalc
