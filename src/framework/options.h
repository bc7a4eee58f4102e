// Process-wide options that affect how numbers are read and shown, and the
// folders the program takes its data and settings from; and the numerical
// options each calculation keeps for itself.
#pragma once

#include <string>

namespace torvacalc {

// What the numerics of one calculation read. Each calculation (its super
// module) keeps its own, so two open calculations may differ in them and
// one never changes the other's results; a new calculation starts with the
// program's (THXOptions::SignificantDigits), a module on its own reads the
// program's.
struct TNumericOptions {
  // Significant digits to which iterations converge (the end test of the
  // sizing's Kv, of an inlet pressure solved for).
  int SignificantDigits = 11;
};

struct THXOptions {
  // Number text: independent of the C locale.
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  // The significant digits a new calculation starts with (see
  // TNumericOptions); changing it changes no open calculation.
  int SignificantDigits = 11;
  // Significant digits of displayed values.
  int DisplayDigits = 4;
  // "de" shows the texts as they stand; any other language translates them
  // through the dictionary of that language.
  std::string Language = "de";
};

// The single options object of the process.
THXOptions& HXOptions();
// The numerical options a new calculation starts with: the program's.
TNumericOptions DefaultNumericOptions();

class TSettingsStore;
// Reads the options from the section "Options" of the settings; values
// that are missing or out of range keep their defaults.
void LoadProgramOptions(const TSettingsStore& store, THXOptions& options);
void SaveProgramOptions(TSettingsStore& store, const THXOptions& options);

// The folder holding the databases and dictionaries: $TORVACALC_DATA when
// set, else the program's own folder when it holds the data (the build
// tree), else the installed data folder.
std::string ProgramDataDir();
// The folder of the architecture-dependent files an installation keeps
// apart from the data (the natural-gas property libraries):
// $TORVACALC_DATA when set, PREFIX/lib/torvacalc beside the program's
// PREFIX/bin, else the
// configured one. The build tree keeps them beside the program.
std::string ProgramLibraryDir();

// The folder of the settings file: $TORVACALC_CONFIG_DIR when set, else
// $XDG_CONFIG_HOME/torvacalc, else ~/.config/torvacalc.
std::string ConfigDir();

}  // namespace torvacalc
