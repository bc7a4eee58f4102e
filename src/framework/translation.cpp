#include "framework/translation.h"

#include <atomic>
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
  std::atomic<unsigned> generation{0};
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

static bool ReadDictionary(const std::string& path, std::unordered_map<std::string, std::string>& texts) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto tab = line.find('\t');
    if (tab == std::string::npos || tab == 0) continue;
    texts[Unescape(line.substr(0, tab))] = Unescape(line.substr(tab + 1));
  }
  return true;
}

bool LoadDictionary(const std::string& path) {
  std::unordered_map<std::string, std::string> texts;
  if (!ReadDictionary(path, texts)) return false;
  Dictionary& d = TheDictionary();
  std::unique_lock guard(d.lock);
  d.texts = std::move(texts);
  ++d.generation;
  return true;
}

void ClearDictionary() {
  Dictionary& d = TheDictionary();
  std::unique_lock guard(d.lock);
  d.texts.clear();
  ++d.generation;
}

unsigned DictionaryGeneration() { return TheDictionary().generation.load(std::memory_order_acquire); }

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

std::string TranslateInto(const std::string& german, const std::string& language) {
  if (language == "de") return german;
  static std::mutex lock;
  static std::unordered_map<std::string, std::unordered_map<std::string, std::string>> dictionaries;
  std::lock_guard guard(lock);
  auto it = dictionaries.find(language);
  if (it == dictionaries.end()) {
    std::unordered_map<std::string, std::string> texts;
    ReadDictionary((std::filesystem::path(ProgramDataDir()) / ("dictionary." + language + ".tsv")).string(), texts);
    it = dictionaries.emplace(language, std::move(texts)).first;
  }
  const auto found = it->second.find(german);
  return found == it->second.end() ? german : found->second;
}

std::string Translate(const std::string& german) {
  Dictionary& d = TheDictionary();
  std::shared_lock guard(d.lock);
  const auto it = d.texts.find(german);
  return it == d.texts.end() ? german : it->second;
}

bool IsTranslation(const std::string& german, const std::string& text) {
  Dictionary& d = TheDictionary();
  std::shared_lock guard(d.lock);
  const auto it = d.texts.find(german);
  return (it == d.texts.end() ? german : it->second) == text;
}

}  // namespace torvacalc
