#include "framework/options.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#ifndef TORVACALC_DATA_DIR
#define TORVACALC_DATA_DIR "/usr/local/share/torvacalc"
#endif

namespace torvacalc {

namespace fs = std::filesystem;

THXOptions& HXOptions() {
  static THXOptions options;
  return options;
}

static std::string ExecutableDir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

std::string ProgramDataDir() {
  if (const char* env = std::getenv("TORVACALC_DATA"); env && *env) return env;
  // The build tree: the dictionary is always copied beside the program.
  const std::string exeDir = ExecutableDir();
  std::error_code ec;
  if (!exeDir.empty() && fs::exists(fs::path(exeDir) / "dictionary.en.tsv", ec)) return exeDir;
  return TORVACALC_DATA_DIR;
}

std::string ConfigDir() {
  if (const char* env = std::getenv("TORVACALC_CONFIG_DIR"); env && *env) return env;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    return (fs::path(xdg) / "torvacalc").string();
  const char* home = std::getenv("HOME");
  return (fs::path(home && *home ? home : ".") / ".config" / "torvacalc").string();
}

}  // namespace torvacalc
