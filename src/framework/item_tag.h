// What an item writes into, and reads back from, its tag of a calculation
// file. The calculation file implements these two interfaces over its tag
// stream; keeping them abstract lets items stay free of the file format.
// Names are views: an item names its attributes with literals, and a
// reader asked a dozen times per item should not copy each into a string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/basics.h"

namespace torvacalc {

class TItemTagWriter {
 public:
  virtual ~TItemTagWriter() = default;
  virtual void AddBoolean(std::string_view name, bool value) = 0;
  virtual void AddLongInt(std::string_view name, std::int32_t value) = 0;
  virtual void AddString(std::string_view name, const std::string& value) = 0;
  virtual void AddExtended(std::string_view name, Extended value) = 0;
};

class TItemTagReader {
 public:
  virtual ~TItemTagReader() = default;
  virtual bool Exists(std::string_view name) const = 0;
  virtual bool AsBoolean(std::string_view name, bool def) const = 0;
  virtual std::int64_t AsInteger(std::string_view name, std::int64_t def) const = 0;
  virtual std::string AsString(std::string_view name, const std::string& def) const = 0;
  virtual Extended AsFloat(std::string_view name, Extended def) const = 0;
};

// String lists are stored as one text, the lines ended by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace torvacalc
