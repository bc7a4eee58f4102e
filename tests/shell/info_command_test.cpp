#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/hx_file.h"
#include "shell/cli.h"
#include "temp_folder.h"

using namespace torvacalc;
namespace fs = std::filesystem;

namespace {

struct Result {
  int code;
  std::string out, err;
};

Result RunCli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunMain(args, out, err);
  return {code, out.str(), err.str()};
}

class InfoCommand : public TempFolderTest {
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
    const Result r = RunCli({"info", path});
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

TEST_F(InfoCommand, BadAndMissingFilesEndWithOneLineAndExitCode2) {
  const std::string good = WriteGoodFile(true);
  std::string bytes;
  {
    std::ifstream in(good, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::string truncated = Path("truncated.hx");
  std::ofstream(truncated, std::ios::binary) << bytes.substr(0, bytes.size() - 10);
  const std::string text = Path("notes.txt");
  std::ofstream(text) << "not a calculation\n";

  for (const std::string& path : {truncated, text}) {
    const Result r = RunCli({"info", path});
    EXPECT_EQ(r.code, ExitUsage);
    EXPECT_EQ(r.err, "torvacalc: " + path + ": File Error!\n");
    EXPECT_EQ(r.out, "");
  }
  const Result missing = RunCli({"info", Path("missing.hx")});
  EXPECT_EQ(missing.code, ExitUsage);
  EXPECT_EQ(missing.err, "torvacalc: " + Path("missing.hx") + ": no such file\n");
  const Result folder = RunCli({"info", Path("")});
  EXPECT_EQ(folder.code, ExitUsage);
  EXPECT_EQ(std::count(folder.err.begin(), folder.err.end(), '\n'), 1);

  EXPECT_EQ(RunCli({"info"}).code, ExitUsage);
  EXPECT_EQ(RunCli({"info", "a", "b"}).code, ExitUsage);
  const Result help = RunCli({"info", "--help"});
  EXPECT_EQ(help.code, ExitOk);
  EXPECT_EQ(help.out.rfind("Usage: torvacalc info FILE", 0), 0u);
}
