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

const std::vector<TModuleKind>& ModuleKinds();
const TModuleKind* ModuleKindByName(const std::string& kind);
const TModuleKind* ModuleKindByClass(const std::string& className);

// Every item and every message of a module: a readable table, or one JSON
// object {"module", "items", "messages"}.
void PrintModuleTable(const TCalcModule& module, const TCalcMessageContainer& messages, std::ostream& out);
void PrintModuleJson(const TCalcModule& module, const TCalcMessageContainer& messages, std::ostream& out);

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
  void Print(std::ostream& out, bool json) const;

 private:
  TCalcMessageContainer FMessages;
  std::unique_ptr<TCalcModule> FModule;
};

}  // namespace torvacalc
