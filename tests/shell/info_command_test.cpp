// torvacalc info: the summary of a calculation file, and bad files.
#include <gtest/gtest.h>

#include "files/hx_file.h"
#include "shell/file_test.h"

using namespace torvacalc;

namespace {

class InfoCommand : public ProgramFileTest {
 protected:
  // A file with two items, one of them the identifier, saved twice.
  std::string WriteGoodFile(bool compressed) {
    THXFile f;
    f.Compressed = compressed;
    f.UseAttributeSection = !compressed;
    f.SCMToFile(f.GetGUID(), "", [](THXFile& file, TBixBinaryTag& calc) {
      TBixBinaryTag& items = *calc.FindFirstTag("Items", 0, true, true);
      TBixBinaryTag& id = items.AddTag("Identifier");
      file.AddBooleanAttr(id, "Utilized", true);
      file.AddStrAttr(id, "DisplayText", "FV-101");
      TBixBinaryTag& author = items.AddTag("Author");
      file.AddBooleanAttr(author, "Utilized", true);
      file.AddStrAttr(author, "Caption", "Bearbeiter");
      file.AddStrAttr(author, "DisplayText", "M. Muster");
    });
    const std::string path = Path(compressed ? "good.hx" : "plain.hx");
    f.SaveToFile(path);
    f.SaveToFile(path);
    return path;
  }
};

}  // namespace

TEST_F(InfoCommand, ShowsTheSummaryOfAGoodFile) {
  for (const bool compressed : {true, false}) {
    SCOPED_TRACE(compressed ? "compressed" : "plain");
    const std::string path = WriteGoodFile(compressed);
    const ProgramRun r = RunProgram({"info", path});
    EXPECT_EQ(r.code, ExitOk);
    EXPECT_EQ(r.err, "");
    for (const std::string& line :
         {"File:         " + path + "\n",
          std::string(compressed ? "Format:       version 1, flags 0x00000011 (compressed, checksum)\n"
                                 : "Format:       version 1, flags 0x00000014 (attribute section, checksum)\n"),
          "HXVersion:    " + THXFile::ProgramVersionText() + "\n", std::string("SaveCounter:  2\n"),
          "FileName:     " + path + "\n", std::string("Items:        2\n"),
          std::string("Identifier:   FV-101\n"),
          std::string("\nSummary:\n  Bearbeiter: M. Muster\n")})
      EXPECT_NE(r.out.find(line), std::string::npos) << line << "in\n" << r.out;
    EXPECT_NE(r.out.find("SaveDate:     20"), std::string::npos) << r.out;
  }
}

TEST_F(InfoCommand, BadFilesAndBadUsageEndWithExitCode2) {
  WriteGoodFile(true);
  const std::string bytes = Read("good.hx");
  Write("truncated.hx", bytes.substr(0, bytes.size() - 10));
  Write("notes.txt", "not a calculation\n");
  // Missing files and folders: see the input-file tests of every command.
  for (const char* name : {"truncated.hx", "notes.txt"}) {
    const ProgramRun r = RunProgram({"info", Path(name)});
    EXPECT_EQ(r.code, ExitUsage);
    EXPECT_EQ(r.err, "torvacalc: " + Path(name) + ": File Error!\n");
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(RunProgram({"info"}).code, ExitUsage);
  EXPECT_EQ(RunProgram({"info", "a", "b"}).code, ExitUsage);
  const ProgramRun help = RunProgram({"info", "--help"});
  EXPECT_EQ(help.code, ExitOk);
  EXPECT_EQ(help.out.rfind("Usage: torvacalc info FILE", 0), 0u);
}
