// Creating a module's items: a parameter of a quantity with its caption in
// one call, as every calculation module's constructor does it.
#pragma once

#include <string>
#include <utility>

#include <vector>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"

namespace torvacalc {

template <class P>
P* AddParameter(TCalcModule& m, const std::string& name, TQuantity q, std::string caption) {
  auto* p = m.AddItem<P>(name, q);
  p->SetCaption(std::move(caption));
  return p;
}

// A list switch with its entries, the entry `chosen` selected.
inline TCalcListSwitch* AddListSwitch(TCalcModule& m, const std::string& name, std::string caption,
                                      std::vector<std::string> values, int chosen = 0) {
  auto* s = m.AddItem<TCalcListSwitch>(name);
  s->SetCaption(std::move(caption));
  s->SetValueList(std::move(values));
  s->SetSwitchStatus(chosen);
  return s;
}

// A two-state switch, on or off.
inline TCalcSwitch* AddTwoState(TCalcModule& m, const std::string& name, std::string caption, bool on = false) {
  auto* s = m.AddItem<TCalcSwitch>(name);
  s->SetCaption(std::move(caption));
  s->SetChecked(on);
  return s;
}

}  // namespace torvacalc
