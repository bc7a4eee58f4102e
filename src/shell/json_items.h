// The items and messages of every command that prints JSON (`module`,
// `run`, `show`), written one way: the schema is docs/json.md.
#pragma once

#include <string>
#include <vector>

#include "framework/calc_item.h"
#include "framework/calc_message.h"
#include "shell/json_writer.h"

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

}  // namespace torvacalc
