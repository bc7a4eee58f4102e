// A calculation module under test on its own, with a message container of
// its own: items set by text, values and messages read back.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/calc_module.h"

namespace torvacalc::test {

template <class M>
struct ModuleUnderTest {
  TCalcMessageContainer messages;
  M m;
  ModuleUnderTest() { m.SetCalcMessageContainer(&messages); }
  ~ModuleUnderTest() { m.SetCalcMessageContainer(nullptr); }
  void Set(const char* name, const std::string& text) {
    TCalcItem* item = m.CalcItemByName(name);
    ASSERT_NE(item, nullptr) << name;
    item->SetText(text);
  }
  void Set(const std::vector<std::pair<const char*, const char*>>& values) {
    for (const auto& [n, v] : values) Set(n, v);
  }
  Extended Value(const char* name) { return m.CalcItemByName(name)->AsParameter()->GetValue(); }
  std::string Text(const char* name) { return m.CalcItemByName(name)->GetText(); }
  bool Approx(const char* name) { return m.CalcItemByName(name)->AsParameter()->GetIsApproximated(); }
  // The numbers of the messages raised, at `item` only when one is named.
  std::set<int> Numbers(const char* item = nullptr) const {
    std::set<int> r;
    for (const auto& msg : messages.Messages())
      if (!item || (msg->CalcItem && msg->CalcItem->GetName() == item)) r.insert(msg->MsgNo);
    return r;
  }
  bool Has(int no, const char* item = nullptr) const { return Numbers(item).count(no) > 0; }
  // No value of the module is NaN: a failure is NoValue and a message.
  void ExpectNoNaN() {
    for (TCalcItem* i : m.GetCalcItems())
      if (auto* p = i->AsParameter()) {
        EXPECT_FALSE(std::isnan(static_cast<double>(p->GetValue()))) << p->GetName();
      }
  }
};

}  // namespace torvacalc::test
