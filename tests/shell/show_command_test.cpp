// A calculation saved by `module -o` and opened again by `show`.
#include <gtest/gtest.h>

#include <chrono>

#include "shell/file_test.h"

namespace {

class ShowCommand : public ProgramFileTest {};

TEST_F(ShowCommand, ReopenedCalculationPrintsTheSameValues) {
  for (const char* example : {"liquid.case", "gas.case"}) {
    SCOPED_TRACE(example);
    for (const bool json : {false, true}) {
      std::vector<std::string> args = {"module", "valve", ExampleCase(example), "p1=7.5 bar(g)", "-o", Path("x.cvc")};
      if (json) args.insert(args.begin() + 2, "--json");
      const ProgramRun saved = RunOk(args);
      std::vector<std::string> show = {"show", Path("x.cvc")};
      if (json) show.insert(show.begin() + 1, "--json");
      const ProgramRun shown = RunOk(show);
      EXPECT_EQ(shown.out, saved.out);
    }
  }
  const ProgramRun info = RunOk({"info", Path("x.cvc")});
  EXPECT_NE(info.out.find("SaveCounter:  1"), std::string::npos);
}

TEST_F(ShowCommand, BadFilesAndBadUsageEndQuicklyWithExitCode2) {
  ASSERT_EQ(RunProgram({"module", "valve", ExampleCase("liquid.case"), "-o", Path("good.cvc")}).code, 0);
  const std::string good = Read("good.cvc");
  std::string absurd = good.substr(0, 21);  // header of an uncompressed file ...
  absurd[17] = 0;                              // flags: not compressed
  absurd += std::string("\x14TBixBinaryStreamData\x01\x00\x00\x00\x06HXFile\xff\xff\xff\x7f", 36);
  const std::pair<const char*, std::string> cases[] = {
      {"signature.cvc", "HYDRIXbyQUENX" + good.substr(13)},
      {"version.cvc", good.substr(0, 13) + std::string("\x02\x00\x00\x00", 4) + good.substr(17)},
      {"truncated.cvc", good.substr(0, good.size() / 2)},
      {"blocktype.cvc", good.substr(0, 21) + static_cast<char>(good[21] | 0x06) + good.substr(22)},
      {"absurd.cvc", absurd},
      {"empty.cvc", ""},
      {"header.cvc", good.substr(0, 21)},
      {"lastbyte.cvc", good.substr(0, good.size() - 1)},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    Write(name, bytes);
    const auto start = std::chrono::steady_clock::now();
    const ProgramRun r = RunProgram({"show", Path(name)});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("File Error!"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
  }
  const ProgramRun missing = RunProgram({"show", Path("missing.cvc")});
  EXPECT_EQ(missing.code, 2);
  EXPECT_NE(missing.err.find("no such file"), std::string::npos);
  EXPECT_EQ(RunProgram({"show"}).code, 2);
  EXPECT_EQ(RunProgram({"show", "a", "b"}).code, 2);
}

}  // namespace
