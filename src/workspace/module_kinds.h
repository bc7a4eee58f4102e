// The calculation modules that exist on their own, outside a whole valve
// calculation: one row a kind (ModuleKinds), which is all a front end needs
// to create one, save it and open it again.
#pragma once

#include <functional>
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
  const char* title = "";  // what it computes, as `module --help` lists it
};

// The kinds, in the order `module --help` lists them (the noise methods
// after the resistors, from their table).
const std::vector<TModuleKind>& ModuleKinds();
const TModuleKind* ModuleKindByName(const std::string& kind);
const TModuleKind* ModuleKindByClass(const std::string& className);
// "valve, ...": the names of all kinds, for messages.
std::string ModuleKindNames();

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
  const TCalcModule& Module() const { return *FModule; }
  const TCalcMessageContainer& Messages() const { return FMessages; }

 private:
  TCalcMessageContainer FMessages;
  std::unique_ptr<TCalcModule> FModule;
};

}  // namespace torvacalc
