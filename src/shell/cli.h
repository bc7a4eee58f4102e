// The command-line program's shape: global options, subcommands with their
// own help, exit codes. main() only forwards to RunMain.
#pragma once

#include <functional>
#include <optional>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/entries.h"
#include "workspace/workspace.h"

namespace torvacalc {

// Exit codes of the program.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;  // the command ran but its result is negative
inline constexpr int ExitUsage = 2;    // bad usage or bad input

// Bad usage or bad input on the command line: one line on stderr, exit 2.
class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CommandContext {
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;
};

struct Command {
  std::string name;
  std::string summary;  // one line for the command list
  std::string usage;    // the text of "torvacalc NAME --help"
  std::function<int(const std::vector<std::string>& args, CommandContext& ctx)> run;
};

// The subcommands, in the order they are listed by --help.
const std::vector<Command>& Commands();

// Runs the program with its arguments (argv[0] excluded) and returns the
// exit code. Exceptions of bad input are turned into one line on `err`.
int RunMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            bool errIsTerminal = false);

// The program's main() ends the process right after RunMain: a command may
// then hand what it built to KeepToProcessEnd, and the operating system
// takes the heap back at once instead of thousands of frees (a calculation
// holds tens of thousands of blocks). In-process callers (tests, the
// Python module) leave it off, and everything is freed as usual.
void SetProcessEndsAfterCommand(bool ends);
void KeepToProcessEnd(std::shared_ptr<void> built);

// Helpers for command implementations.
// Splits "key=value"; throws EUsage when there is no "=".
std::pair<std::string, std::string> SplitAssignment(const std::string& arg);
// Text from files and the command line as a terminal may show it: control
// characters (C0, DEL and the C1 range of UTF-8) become "\x1B" or
// "\u009B", so that a name in a file cannot move the cursor, change
// colours or retitle the window. Backslashes stay as they are.
std::string TerminalText(const std::string& text);
// The same appended to `out`, for output built in one buffer.
void AppendTerminalText(std::string& out, std::string_view text);
// The number of characters of a UTF-8 text, and the text padded with
// blanks to a width in characters, so that the columns of a table line up.
size_t Chars(std::string_view text);
std::string Pad(const std::string& text, size_t width);
// When args[i] is "--lang de|en" or "--lang=de|en": switches the language
// of texts and messages, leaves i at the option's last argument and returns
// true (EUsage for another language; a warning on `err` when its
// dictionary is missing).
bool TakeLanguageOption(const std::vector<std::string>& args, size_t& i, std::ostream& err);
// When args[i] is "--units si|us" or "--units=si|us": sets `preset`,
// leaves i at the option's last argument and returns true (EUsage for
// another preset).
bool TakeUnitsOption(const std::vector<std::string>& args, size_t& i, std::optional<TUnitPreset>& preset);
// True when args hold "--help" or "-h".
bool WantsHelp(const std::vector<std::string>& args);

}  // namespace torvacalc
