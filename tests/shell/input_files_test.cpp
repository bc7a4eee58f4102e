// Files the commands read: case files and calculation files that cannot be
// read, that are not regular files (a folder, a FIFO, a device) or that are
// far too large end with one line on stderr and exit code 2, never with a
// hang, an endless read or a quiet success.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "file_test.h"
#include "files/hx_file.h"

namespace {

class InputFiles : public ProgramFileTest {};

TEST_F(InputFiles, WhatIsNotARegularFileIsRefusedByEveryCommand) {
  const std::string fifo = Path("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = dir_.string();
  struct Case { std::vector<std::string> args; std::string error; };
  const Case cases[] = {
      {{"module", "valve", "@" + folder}, folder + ": a directory, not a regular file"},
      {{"module", "valve", "@" + fifo}, fifo + ": a FIFO, not a regular file"},
      {{"module", "valve", "@/dev/zero"}, "/dev/zero: a character device, not a regular file"},
      {{"module", "valve", "@" + Path("missing.case")}, Path("missing.case") + ": no such file"},
      {{"show", folder}, folder + ": a directory, not a regular file"},
      {{"show", fifo}, fifo + ": a FIFO, not a regular file"},
      {{"info", fifo}, fifo + ": a FIFO, not a regular file"},
      {{"info", folder}, folder + ": a directory, not a regular file"},
      {{"info", Path("missing.cvc")}, Path("missing.cvc") + ": no such file"},
      {{"eval", "--source", fifo, "1"}, fifo + ": a FIFO, not a regular file"},
      {{"eval", "--dest", folder, "1"}, folder + ": a directory, not a regular file"},
      {{"export", "valve_report", fifo}, fifo + ": a FIFO, not a regular file"},
      {{"export", fifo, fifo}, fifo + ": a FIFO, not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const ProgramRun r = RunProgram(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "torvacalc: " + c.error + "\n");
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(InputFiles, CaseFilesAreBoundedAndMayStartWithAByteOrderMark) {
  Write("bom.case", "\xEF\xBB\xBFqm=300 t/h\r\n# a comment\n\np1=6.8 bar(a)\n");
  const ProgramRun bom = RunOk({"module", "valve", "--json", "@" + Path("bom.case")});
  EXPECT_NE(bom.out.find("\"qm\":{\"kind\":\"parameter\",\"value\":300,\"unit\":\"t/h\""), std::string::npos);
  EXPECT_NE(bom.out.find("\"p1\":{\"kind\":\"parameter\",\"value\":6.8,"), std::string::npos);

  Write("huge.case", std::string(2 << 20, '#'));
  const ProgramRun huge = RunProgram({"module", "valve", "@" + Path("huge.case")});
  EXPECT_EQ(huge.code, 2);
  EXPECT_EQ(huge.err, "torvacalc: " + Path("huge.case") + ": a case file of more than 1024 KiB cannot be one\n");

  // Unreadable for its owner (root reads anything, so only where it applies).
  Write("locked.case", "qm=1\n");
  ::chmod(Path("locked.case").c_str(), 0);
  if (::access(Path("locked.case").c_str(), R_OK) != 0) {
    const ProgramRun locked = RunProgram({"module", "valve", "@" + Path("locked.case")});
    EXPECT_EQ(locked.code, 2);
    EXPECT_NE(locked.err.find("cannot read case file"), std::string::npos) << locked.err;
  }
}

// An entry beyond the range of values is kept as typed, reported out of
// bounds (not missing), and comes back so from a saved calculation.
TEST_F(InputFiles, EntriesBeyondTheRangeAreKeptAndReported) {
  const std::string saved = Path("overflow.cvc");
  const ProgramRun r = RunProgram(
      {"--lang", "en", "module", "valve", ExampleCase("liquid.case"), "qm=1e4000", "eta1=1e4000", "-o", saved});
  ASSERT_EQ(r.code, 0) << r.err;
  const ProgramRun shown = RunOk({"--lang", "en", "show", saved});
  for (const ProgramRun* run : {&r, &shown}) {
    for (const char* part : {"qm                  1e4000", "eta1                1e4000",
                             "Error 120: The value lies outside the permitted range from 1E-23 t/h to 1E17 t/h. [qm]",
                             "to 1E23 mPa s. [eta1]"})
      EXPECT_NE(run->out.find(part), std::string::npos) << part << " in " << run->out;
    EXPECT_EQ(run->out.find("Missing input 101"), std::string::npos);
  }
}

// Texts from a file reach the terminal with their control characters
// escaped: an ESC sequence in a name must not recolour or retitle it.
TEST_F(InputFiles, ControlCharactersFromFilesAreEscaped) {
  torvacalc::THXFile f;
  f.SCMToFile(f.GetGUID(), "", [](torvacalc::THXFile& file, torvacalc::TBixBinaryTag& calc) {
    torvacalc::TBixBinaryTag& infos = *calc.FindFirstTag("Infos", 0, true, true);
    file.AddAnsiStrAttr(infos, "ClassName", "TEvil\x1b]0;owned\x07");
    torvacalc::TBixBinaryTag& items = *calc.FindFirstTag("Items", 0, true, true);
    torvacalc::TBixBinaryTag& id = items.AddTag("Identifier");
    file.AddBooleanAttr(id, "Utilized", true);
    file.AddStrAttr(id, "DisplayText", "FV\x1b[31m-101");
  });
  const std::string path = Path("evil.cvc");
  f.SaveToFile(path);
  const ProgramRun info = RunOk({"info", path});
  EXPECT_NE(info.out.find("Identifier:   FV\\x1B[31m-101\n"), std::string::npos) << info.out;
  const ProgramRun eval = RunProgram({"eval", "--source", path, "Identifier.value"});
  const ProgramRun show = RunProgram({"show", path});
  EXPECT_EQ(show.code, 2);
  EXPECT_NE(show.err.find("TEvil\\x1B]0;owned\\x07"), std::string::npos) << show.err;
  for (const ProgramRun* r : {&info, &eval, &show}) {
    EXPECT_EQ(r->out.find('\x1b'), std::string::npos);
    EXPECT_EQ(r->err.find('\x1b'), std::string::npos);
  }
  struct Case { const char* text; const char* shown; };
  const Case cases[] = {
      {"plain \\ text, m\xc2\xb3/h", "plain \\ text, m\xc2\xb3/h"},
      {"bell\x07", "bell\\x07"},
      {"\ttab\r\n", "\\x09tab\\x0D\\x0A"},
      {"del\x7f", "del\\x7F"},
      {"csi\xc2\x9b" "2J", "csi\\u009B2J"},
      {"cut\xc2", "cut\xc2"},
      {"sixteen plain ch\x1b[0m and del\x7f", "sixteen plain ch\\x1B[0m and del\\x7F"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    EXPECT_EQ(torvacalc::TerminalText(c.text), c.shown);
  }
}

}  // namespace
