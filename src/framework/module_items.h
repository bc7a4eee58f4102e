// Creating a module's items: a parameter of a quantity with its caption in
// one call, as every calculation module's constructor does it.
#pragma once

#include <string>

#include "framework/calc_module.h"

namespace torvacalc {

template <class P>
P* AddParameter(TCalcModule& m, const std::string& name, TQuantity q, const std::string& caption) {
  auto* p = m.AddItem<P>(name, q);
  p->SetCaption(caption);
  return p;
}

}  // namespace torvacalc
