// Byte strings for layout tests: written as hex pairs, shown as hex pairs.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace torvacalc::test {

// "01 0a ff" (spaces optional) to bytes; a quoted part 'abc' is taken as text.
inline std::string Bytes(std::string_view pattern) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (c == ' ') {
      ++i;
    } else if (c == '\'') {
      const std::size_t end = pattern.find('\'', i + 1);
      out.append(pattern.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      out.push_back(static_cast<char>(std::stoi(std::string(pattern.substr(i, 2)), nullptr, 16)));
      i += 2;
    }
  }
  return out;
}

inline std::string Hex(std::string_view bytes) {
  std::string out;
  char buf[4];
  for (char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02x ", static_cast<unsigned char>(c));
    out += buf;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

}  // namespace torvacalc::test
