// The calculation modules the command line can create on their own, and
// how a module is printed (shared by `module` and `show`).
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "framework/calc_module.h"

namespace torvacalc {

struct TModuleKind {
  const char* kind;       // the command line's name: "valve"
  const char* className;  // the module class, as calculation files name it
  const char* extension;  // of its calculation files
  std::function<std::unique_ptr<TCalcModule>()> create;
};

// The kinds, in the order `module --help` lists them (cmd_module.cpp).
const std::vector<TModuleKind>& ModuleKinds();
const TModuleKind* ModuleKindByName(const std::string& kind);
const TModuleKind* ModuleKindByClass(const std::string& className);
// "valve, ...": the names of all kinds, for messages.
std::string ModuleKindNames();

// Every item and every message of a module: a readable table, or one JSON
// object {"module", "items", "messages"}. The table is headed by `title`
// (the class name when empty); without `allRows` the rows without a value
// that no message names are left out and counted. A message raised on
// several items is one line naming them all.
void PrintModuleTable(const TCalcModule& module, const TCalcMessageContainer& messages, std::ostream& out,
                      bool allRows = true, const std::string& title = {});
void PrintModuleJson(const TCalcModule& module, const TCalcMessageContainer& messages, std::ostream& out);

// The number-plus-unit entry of the command line: EnterParameterText
// (framework/calc_item.h), its ECalcEntry turned into EUsage naming `name`.
void AssignParameter(TCalcParameter& p, const std::string& name, const std::string& text);

// The assignments of a case file, in order: one NAME=TEXT per line, blank
// lines and lines starting with # left out (EUsage for anything else, for
// a missing or oversized file).
std::vector<std::string> ReadCaseFile(const std::string& path);
// Applies one NAME=TEXT to the item NAME of `m` as a user's entry: a
// parameter takes a number with an optional unit, a switch an item text or
// #N, a text item the text. EUsage names the item for a bad name or value.
void AssignItem(TCalcModule& m, const std::string& assignment);

// The value of an item as the tables show it: a parameter's display text,
// a switch's chosen item, a text item's text ("" when there is none).
std::string ItemValueText(const TCalcItem& item);

// A module of one kind with a message container of its own. The messages
// name the module's items, so they leave the container before the module
// goes.
class TStandaloneModule {
 public:
  explicit TStandaloneModule(const TModuleKind& kind);
  ~TStandaloneModule();
  TStandaloneModule(const TStandaloneModule&) = delete;
  TStandaloneModule& operator=(const TStandaloneModule&) = delete;
  TCalcModule& Module() { return *FModule; }
  // The table (titled with the module's caption) or the JSON object.
  void Print(std::ostream& out, bool json, bool allRows = true) const;

 private:
  TCalcMessageContainer FMessages;
  std::unique_ptr<TCalcModule> FModule;
};

}  // namespace torvacalc
