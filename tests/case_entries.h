// The entries of a case file as a user types them: one "NAME = TEXT" a
// line, blank lines and lines starting with "#" left out, both sides
// trimmed. The tests that enter an example into the whole calculation read
// them here.
#pragma once

#include <fstream>
#include <string>
#include <utility>
#include <vector>

using TCaseEntries = std::vector<std::pair<std::string, std::string>>;

// Empty when the file cannot be read.
inline TCaseEntries ReadCaseEntries(const std::string& path) {
  const auto trim = [](const std::string& t) {
    const auto a = t.find_first_not_of(" \t\r"), b = t.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : t.substr(a, b - a + 1);
  };
  std::ifstream in(path);
  TCaseEntries entries;
  std::string line;
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    const auto eq = line.find('=');
    entries.emplace_back(trim(line.substr(0, eq)), trim(line.substr(eq + 1)));
  }
  return entries;
}
