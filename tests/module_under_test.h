// A calculation module under test on its own, with a message container of
// its own: items set by text, values and messages read back; and a
// calculation-file tag in memory for its items' round trip.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "framework/calc_module.h"
#include "framework/item_tag.h"

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

// A calculation-file tag in memory.
struct MemoryTag : TItemTagWriter, TItemTagReader {
  void AddBoolean(std::string_view n, bool v) override { m[std::string(n)] = v ? 1.0L : 0.0L; }
  void AddLongInt(std::string_view n, std::int32_t v) override { m[std::string(n)] = static_cast<Extended>(v); }
  void AddString(std::string_view n, const std::string& v) override { m[std::string(n)] = v; }
  void AddExtended(std::string_view n, Extended v) override { m[std::string(n)] = v; }
  bool Exists(std::string_view n) const override { return m.count(n) > 0; }
  bool AsBoolean(std::string_view n, bool def) const override { return Exists(n) ? Num(n) != 0 : def; }
  std::int64_t AsInteger(std::string_view n, std::int64_t def) const override {
    return Exists(n) ? static_cast<std::int64_t>(Num(n)) : def;
  }
  std::string AsString(std::string_view n, const std::string& def) const override {
    return Exists(n) ? std::get<std::string>(m.find(n)->second) : def;
  }
  Extended AsFloat(std::string_view n, Extended def) const override { return Exists(n) ? Num(n) : def; }
  Extended Num(std::string_view n) const { return std::get<Extended>(m.find(n)->second); }
  std::map<std::string, std::variant<Extended, std::string>, std::less<>> m;
};

}  // namespace torvacalc::test
