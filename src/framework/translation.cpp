#include "framework/translation.h"

#include <filesystem>
#include <fstream>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

#include "framework/options.h"

namespace torvacalc {

namespace {

struct Dictionary {
  std::shared_mutex lock;
  std::unordered_map<std::string, std::string> texts;
};

Dictionary& TheDictionary() {
  static Dictionary dictionary;
  return dictionary;
}

// Dictionary files may write a tab or a line break inside a text as \t, \n.
std::string Unescape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char c = s[i + 1];
      if (c == 'n') { out += '\n'; ++i; continue; }
      if (c == 't') { out += '\t'; ++i; continue; }
      if (c == '\\') { out += '\\'; ++i; continue; }
    }
    out += s[i];
  }
  return out;
}

}  // namespace

bool LoadDictionary(const std::string& path) {
  std::ifstream in(path);
  if (!in) return false;
  std::unordered_map<std::string, std::string> texts;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto tab = line.find('\t');
    if (tab == std::string::npos || tab == 0) continue;
    texts[Unescape(line.substr(0, tab))] = Unescape(line.substr(tab + 1));
  }
  Dictionary& d = TheDictionary();
  std::unique_lock guard(d.lock);
  d.texts = std::move(texts);
  return true;
}

void ClearDictionary() {
  Dictionary& d = TheDictionary();
  std::unique_lock guard(d.lock);
  d.texts.clear();
}

bool SetLanguage(const std::string& language) {
  HXOptions().Language = language;
  if (language == "de") {
    ClearDictionary();
    return true;
  }
  const auto path = std::filesystem::path(ProgramDataDir()) / ("dictionary." + language + ".tsv");
  if (LoadDictionary(path.string())) return true;
  ClearDictionary();
  return false;
}

std::string Translate(const std::string& german) {
  Dictionary& d = TheDictionary();
  std::shared_lock guard(d.lock);
  const auto it = d.texts.find(german);
  return it == d.texts.end() ? german : it->second;
}

}  // namespace torvacalc
