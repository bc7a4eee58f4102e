// torvacalc info: the summary of a calculation file, read without
// rebuilding the calculation.
#include <cstdio>
#include <ostream>

#include "files/hx_file.h"
#include "shell/commands.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc info FILE\n\n"
    "Shows what a calculation file holds without rebuilding its calculation:\n"
    "the program version that saved it, how often and when it was saved, the\n"
    "file format and flags, the number of items and the summary that file\n"
    "lists show (valve, medium, author, ...).\n\n"
    "A file that is missing, unreadable or not a good calculation file ends\n"
    "with one line on stderr and exit code 2.\n";

std::string FlagsText(std::uint32_t flags) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", flags);
  std::string names;
  const auto add = [&](std::uint32_t bit, const char* name) {
    if ((flags & bit) == 0) return;
    names += names.empty() ? "" : ", ";
    names += name;
  };
  add(HXFlagCompressed, "compressed");
  add(HXFlagAttributeSection, "attribute section");
  add(HXFlagOmitEmptyValues, "empty values omitted");
  add(HXFlagChecksum, "checksum");
  return std::string(hex) + " (" + (names.empty() ? "none" : names) + ")";
}

// The item tags of the calculation, found without creating any tag.
std::size_t ItemCount(const THXFile& f) {
  const TBixBinaryTag* t = f.Document().FindFirstTag("Calculations");
  if (t) t = t->FindFirstTag("Calculation");
  if (t) t = t->FindFirstTag("Items");
  return t ? t->TagCount() : 0;
}

int RunInfo(const std::vector<std::string>& args, CommandContext& ctx) {
  if (args.size() != 1) throw EUsage("info takes one FILE (see torvacalc info --help)");
  const std::string& path = args[0];
  RequireRegularFile(path);
  THXFile f;
  try {
    f.Load(path);
  } catch (const EHXFileReadError& e) {
    throw EUsage(path + ": " + e.what());
  } catch (const EHXFileOpenError& e) {
    throw EUsage(e.what());
  }
  std::ostream& out = ctx.out;
  const auto row = [&](const char* label, const std::string& value) {
    out << label << std::string(14 - std::string(label).size(), ' ') << TerminalText(value) << "\n";
  };
  row("File:", path);
  row("Format:", "version " + std::to_string(f.GetLoadedVersion()) + ", flags " +
                     FlagsText(f.GetLoadedFlags()));
  if (const TBixBinaryTag* info = f.Document().FindFirstTag("Infos")) {
    row("HXVersion:", info->AttributeAsString("HXVersion", "(none)"));
    row("SaveCounter:", info->AttributeAsString("SaveCounter", "(none)"));
    row("FileName:", info->AttributeAsString("FileName", "(none)"));
    const TBixBinaryAttribute* date = info->AttributeByName("SaveDate");
    row("SaveDate:", date && !date->IsNull ? DateTimeToText(info->AttributeAsDateTime("SaveDate"))
                                           : "(none)");
  } else {
    row("Infos:", "(none)");
  }
  row("Items:", std::to_string(ItemCount(f)));
  row("Size:", std::to_string(f.GetFileSize()) + " bytes, " +
                   std::to_string(f.GetCompressedFileSize()) + " bytes in the file");
  if (const std::string id = f.GetIdentifier(); !id.empty()) row("Identifier:", id);
  const auto& lines = f.FileInfos().Lines;
  if (!lines.empty()) {
    out << "\nSummary:\n";
    for (const auto& line : lines) out << "  " << TerminalText(line) << "\n";
  }
  return ExitOk;
}

}  // namespace

Command InfoCommand() {
  return {"info", "show the summary of a calculation file", kUsage, RunInfo};
}

}  // namespace torvacalc
