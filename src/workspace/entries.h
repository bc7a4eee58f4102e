// What a user enters, the same for every front end: the text typed into
// a parameter, a switch or a text item, the NAME=TEXT assignments of case
// files and command lines, and how an item's value reads as text.
#pragma once

#include <string>
#include <vector>

#include "framework/calc_item.h"
#include "framework/calc_module.h"

namespace torvacalc {

// One entry of the user's into `item`: a parameter takes a number with an
// optional unit (EnterParameterText: its units follow in `sameRow`), a
// switch an item text in either language, #N (counted from 0; two-state
// switches ja/nein or #0/#1) or words of exactly one item's text ("16"
// for "PN 16"), a text item the text. Throws ECalcEntry "NAME: what was
// wrong", before anything changes, for an entry that cannot be taken; an
// unknown or ambiguous switch item lists the items it could be.
void EnterItem(TCalcItem& item, const std::string& text, const std::vector<TCalcParameter*>& sameRow = {});

// "NAME=TEXT" (blanks around NAME and TEXT allowed) entered into the item
// NAME of `m`; ECalcEntry for a missing "=" or an unknown NAME as well.
void AssignItem(TCalcModule& m, const std::string& assignment);

// The assignments of a case file, in order: one NAME=TEXT per line, blank
// lines and lines starting with # left out, a UTF-8 byte-order mark
// skipped. ECalcEntry for anything else, for a missing, unreadable,
// oversized or special file (a FIFO would never end).
std::vector<std::string> ReadCaseFile(const std::string& path);

// Refuses a path that is not an existing regular file with one line:
// "PATH: no such file", "PATH: a directory, not a regular file" and so on.
void RequireRegularFile(const std::string& path);

// A plain number written with "." or "," as decimal mark (a command
// line's or a script's argument); ECalcEntry "WHAT: "TEXT" is not a
// number" otherwise.
long double ParseNumberArg(const std::string& text, const std::string& what);

// The value of an item as the tables show it: a parameter's display text,
// a switch's chosen item, a text item's text ("" when there is none).
std::string ItemValueText(const TCalcItem& item);

}  // namespace torvacalc
