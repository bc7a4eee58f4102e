// What the tests of the media library share: the module under test, and a
// calculation-file tag in memory.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "framework/item_tag.h"
#include "module_under_test.h"

namespace torvacalc::test {

// A calculation-file tag in memory.
struct MemoryTag : TItemTagWriter, TItemTagReader {
  void AddBoolean(const std::string& n, bool v) override { m[n] = v ? 1.0L : 0.0L; }
  void AddLongInt(const std::string& n, std::int32_t v) override { m[n] = static_cast<Extended>(v); }
  void AddString(const std::string& n, const std::string& v) override { m[n] = v; }
  void AddExtended(const std::string& n, Extended v) override { m[n] = v; }
  bool Exists(const std::string& n) const override { return m.count(n) > 0; }
  bool AsBoolean(const std::string& n, bool def) const override { return Exists(n) ? Num(n) != 0 : def; }
  std::int64_t AsInteger(const std::string& n, std::int64_t def) const override {
    return Exists(n) ? static_cast<std::int64_t>(Num(n)) : def;
  }
  std::string AsString(const std::string& n, const std::string& def) const override {
    return Exists(n) ? std::get<std::string>(m.at(n)) : def;
  }
  Extended AsFloat(const std::string& n, Extended def) const override { return Exists(n) ? Num(n) : def; }
  Extended Num(const std::string& n) const { return std::get<Extended>(m.at(n)); }
  std::map<std::string, std::variant<Extended, std::string>> m;
};

}  // namespace torvacalc::test
