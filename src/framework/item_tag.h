// What an item writes into, and reads back from, its tag of a calculation
// file. The calculation file implements these two interfaces over its tag
// stream; keeping them abstract lets items stay free of the file format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/basics.h"

namespace torvacalc {

class TItemTagWriter {
 public:
  virtual ~TItemTagWriter() = default;
  virtual void AddBoolean(const std::string& name, bool value) = 0;
  virtual void AddLongInt(const std::string& name, std::int32_t value) = 0;
  virtual void AddString(const std::string& name, const std::string& value) = 0;
  virtual void AddExtended(const std::string& name, Extended value) = 0;
};

class TItemTagReader {
 public:
  virtual ~TItemTagReader() = default;
  virtual bool Exists(const std::string& name) const = 0;
  virtual bool AsBoolean(const std::string& name, bool def) const = 0;
  virtual std::int64_t AsInteger(const std::string& name, std::int64_t def) const = 0;
  virtual std::string AsString(const std::string& name, const std::string& def) const = 0;
  virtual Extended AsFloat(const std::string& name, Extended def) const = 0;
};

// String lists are stored as one text, the lines ended by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace torvacalc
