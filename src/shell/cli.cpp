#include "shell/cli.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ostream>

#include <sys/stat.h>

#include "files/calculation_file.h"
#include "framework/options.h"
#include "framework/plain_text.h"
#include "framework/settings.h"
#include "framework/translation.h"

namespace torvacalc {

namespace {

void PrintHelp(std::ostream& out) {
  out << "Usage: torvacalc [--lang de|en] COMMAND [ARGS...]\n"
         "       torvacalc --help | --version\n\n"
         "Control valve sizing workbench.\n\nCommands:\n";
  size_t width = 0;
  for (const auto& c : Commands()) width = std::max(width, c.name.size());
  for (const auto& c : Commands())
    out << "  " << c.name << std::string(width - c.name.size() + 2, ' ') << c.summary << "\n";
  out << "\nGlobal options:\n"
         "  --lang de|en  language of texts and messages (default de)\n"
         "  --help        this text; COMMAND --help describes one command\n"
         "  --version     the program version\n\n"
         "Exit codes: 0 success, 1 negative result, 2 bad usage or bad input.\n";
}

}  // namespace

bool WantsHelp(const std::vector<std::string>& args) {
  return std::any_of(args.begin(), args.end(),
                     [](const std::string& a) { return a == "--help" || a == "-h"; });
}

std::pair<std::string, std::string> SplitAssignment(const std::string& arg) {
  const auto eq = arg.find('=');
  if (eq == std::string::npos || eq == 0)
    throw EUsage("expected NAME=VALUE, got \"" + arg + "\"");
  return {arg.substr(0, eq), arg.substr(eq + 1)};
}

size_t Chars(std::string_view text) {
  // Every byte but the continuation bytes of UTF-8 (10xxxxxx) begins a
  // character; eight bytes are looked at together.
  constexpr std::uint64_t kHigh = 0x8080808080808080u;
  size_t continuations = 0, i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, text.data() + i, 8);
    continuations += static_cast<size_t>(std::popcount(w & ~(w << 1) & kHigh));
  }
  for (; i < text.size(); ++i) continuations += (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
  return text.size() - continuations;
}

std::string Pad(const std::string& text, size_t width) {
  const size_t chars = Chars(text);
  return chars >= width ? text : text + std::string(width - chars, ' ');
}

void AppendTerminalText(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  // Runs of plain characters are copied as they are; most texts are one.
  // Eight bytes at a time first: a byte below 0x20, DEL or 0xC2 (which
  // begins a C1 control) ends the fast part; from its eight on, byte by
  // byte.
  std::size_t i = PlainBlocks(text, 0x7F, 0xC2);
  std::size_t plain = 0;
  for (; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool c0 = c < 0x20 || c == 0x7F;
    const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (!c0 && !c1) continue;
    out.append(text, plain, i - plain);
    const unsigned char shown = c1 ? static_cast<unsigned char>(text[++i]) : c;
    out += c1 ? "\\u00" : "\\x";
    out += kHex[shown >> 4];
    out += kHex[shown & 0xF];
    plain = i + 1;
  }
  out.append(text, plain, text.size() - plain);
}

std::string TerminalText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  AppendTerminalText(out, text);
  return out;
}

bool TakeLanguageOption(const std::vector<std::string>& args, size_t& i, std::ostream& err) {
  const std::string& a = args[i];
  if (a != "--lang" && a.rfind("--lang=", 0) != 0) return false;
  std::string lang;
  if (a == "--lang") {
    if (i + 1 >= args.size()) throw EUsage("--lang needs a language (de or en)");
    lang = args[++i];
  } else {
    lang = a.substr(7);
  }
  if (lang != "de" && lang != "en") throw EUsage("unknown language \"" + lang + "\" (expected de or en)");
  if (!SetLanguage(lang))
    err << "torvacalc: warning: no dictionary for \"" << lang << "\" found; texts are shown in German\n";
  return true;
}

bool TakeUnitsOption(const std::vector<std::string>& args, size_t& i, std::optional<TUnitPreset>& preset) {
  const std::string& a = args[i];
  if (a != "--units" && a.rfind("--units=", 0) != 0) return false;
  std::string name;
  if (a == "--units") {
    if (i + 1 >= args.size()) throw EUsage("--units needs a preset (si or us)");
    name = args[++i];
  } else {
    name = a.substr(8);
  }
  preset = UnitPresetByName(name);
  if (!preset) throw EUsage("unknown units \"" + name + "\" (expected si or us)");
  return true;
}

namespace {
bool processEndsAfterCommand = false;
}  // namespace

void SetProcessEndsAfterCommand(bool ends) { processEndsAfterCommand = ends; }

void KeepToProcessEnd(std::shared_ptr<void> built) {
  if (!processEndsAfterCommand) return;
  // Held from a global, so that a leak checker sees it as still in use.
  static auto* kept = new std::vector<std::shared_ptr<void>>;
  kept->push_back(std::move(built));
}

int RunMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            bool errIsTerminal) {
  try {
    // Super modules save and open calculation files through the files
    // library, and their automatic backups are calculation files.
    RegisterCalculationFiles();
    // The user's options first; the command line overrides them.
    LoadProgramOptions(TSettingsStore::Instance(), HXOptions());
    // Always set, so that a run in-process after another starts from the
    // configured language ("de" clears a dictionary an earlier run loaded).
    if (!SetLanguage(HXOptions().Language))
      err << "torvacalc: warning: no dictionary for \"" << HXOptions().Language
          << "\" found; texts are shown in German\n";
    size_t i = 0;
    while (i < args.size() && args[i].size() > 1 && args[i][0] == '-') {
      const std::string& a = args[i];
      if (a == "--help" || a == "-h") {
        PrintHelp(out);
        return ExitOk;
      }
      if (a == "--version") {
        out << "torvacalc " << TORVACALC_VERSION << "\n";
        return ExitOk;
      }
      if (TakeLanguageOption(args, i, err)) {
        ++i;
        continue;
      }
      throw EUsage("unknown option \"" + a + "\" (see torvacalc --help)");
    }
    if (i >= args.size()) {
      PrintHelp(err);
      return ExitUsage;
    }
    const std::string& name = args[i];
    const auto& list = Commands();
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const Command& c) { return c.name == name; });
    if (it == list.end()) throw EUsage("unknown command \"" + name + "\" (see torvacalc --help)");
    const std::vector<std::string> rest(args.begin() + static_cast<long>(i) + 1, args.end());
    if (WantsHelp(rest)) {
      out << it->usage;
      return ExitOk;
    }
    CommandContext ctx{out, err, errIsTerminal};
    return it->run(rest, ctx);
  } catch (const EUsage& e) {
    err << "torvacalc: " << TerminalText(e.what()) << "\n";
    return ExitUsage;
  } catch (const std::exception& e) {
    err << "torvacalc: " << TerminalText(e.what()) << "\n";
    return ExitUsage;
  }
}

}  // namespace torvacalc
