#include "framework/options.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "framework/settings.h"

#ifndef TORVACALC_DATA_DIR
#define TORVACALC_DATA_DIR "/usr/local/share/torvacalc"
#endif

namespace torvacalc {

namespace fs = std::filesystem;

TNumericOptions DefaultNumericOptions() {
  TNumericOptions o;
  o.SignificantDigits = HXOptions().SignificantDigits;
  return o;
}

THXOptions& HXOptions() {
  static THXOptions options;
  return options;
}

static std::string ExecutableDir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

// The build tree a program of one of its subfolders runs from: the
// folder above, when it holds the data and the build's cache file.
static std::string BuildTreeAbove(const std::string& exeDir) {
  if (exeDir.empty()) return {};
  const fs::path up = fs::path(exeDir).parent_path();
  std::error_code ec;
  if (fs::exists(up / "dictionary.en.tsv", ec) && fs::exists(up / "CMakeCache.txt", ec)) return up.string();
  return {};
}

std::string ProgramDataDir() {
  if (const char* env = std::getenv("TORVACALC_DATA"); env && *env) return env;
  // The build tree: the dictionary is always copied beside the program.
  const std::string exeDir = ExecutableDir();
  std::error_code ec;
  if (!exeDir.empty() && fs::exists(fs::path(exeDir) / "dictionary.en.tsv", ec)) return exeDir;
  // A program of a subfolder of the build tree (the benchmarks in
  // build/bench): the data beside the build tree's own programs.
  if (const std::string tree = BuildTreeAbove(exeDir); !tree.empty()) return tree;
  // An installation under another prefix than the configured one:
  // PREFIX/bin/torvacalc with its data in PREFIX/share/torvacalc.
  if (!exeDir.empty()) {
    const fs::path relative = fs::path(exeDir).parent_path() / "share" / "torvacalc";
    if (fs::exists(relative / "dictionary.en.tsv", ec)) return relative.string();
  }
  return TORVACALC_DATA_DIR;
}

std::string ProgramLibraryDir() {
  // A data folder named for the run (a test, another build) holds them too.
  if (const char* env = std::getenv("TORVACALC_DATA"); env && *env) return env;
  const std::string exeDir = ExecutableDir();
  std::error_code ec;
  if (const std::string tree = BuildTreeAbove(exeDir); !tree.empty()) return tree;
  if (!exeDir.empty()) {
    const fs::path relative = fs::path(exeDir).parent_path() / "lib" / "torvacalc";
    if (fs::is_directory(relative, ec)) return relative.string();
  }
  return TORVACALC_LIB_DIR;
}

void LoadProgramOptions(const TSettingsStore& store, THXOptions& options) {
  const THXOptions defaults;
  auto separator = [&](const char* key, char fallback) {
    const std::string s = store.ReadString("Options", key, std::string(1, fallback));
    return s.size() == 1 && (s[0] == '.' || s[0] == ',' || s[0] == ' ' || s[0] == '\'') ? s[0] : fallback;
  };
  options.DecimalSeparator = separator("DecimalSeparator", defaults.DecimalSeparator);
  options.ThousandSeparator = separator("ThousandSeparator", defaults.ThousandSeparator);
  if (options.DecimalSeparator != '.' && options.DecimalSeparator != ',')
    options.DecimalSeparator = defaults.DecimalSeparator;
  auto digits = [&](const char* key, int fallback) {
    const int n = store.ReadInteger("Options", key, fallback);
    return n >= 1 && n <= 21 ? n : fallback;
  };
  options.SignificantDigits = digits("SignificantDigits", defaults.SignificantDigits);
  options.DisplayDigits = digits("DisplayDigits", defaults.DisplayDigits);
  const std::string lang = store.ReadString("Options", "Language", defaults.Language);
  options.Language = lang == "de" || lang == "en" ? lang : defaults.Language;
}

void SaveProgramOptions(TSettingsStore& store, const THXOptions& options) {
  store.WriteString("Options", "DecimalSeparator", std::string(1, options.DecimalSeparator));
  store.WriteString("Options", "ThousandSeparator", std::string(1, options.ThousandSeparator));
  store.WriteInteger("Options", "SignificantDigits", options.SignificantDigits);
  store.WriteInteger("Options", "DisplayDigits", options.DisplayDigits);
  store.WriteString("Options", "Language", options.Language);
  store.Save();
}

std::string ConfigDir() {
  if (const char* env = std::getenv("TORVACALC_CONFIG_DIR"); env && *env) return env;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    return (fs::path(xdg) / "torvacalc").string();
  const char* home = std::getenv("HOME");
  return (fs::path(home && *home ? home : ".") / ".config" / "torvacalc").string();
}

}  // namespace torvacalc
