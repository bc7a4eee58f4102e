// torvacalc module: assignments with units and items, case files, the
// table and the JSON object, and bad input with exit code 2.
#include <gtest/gtest.h>

#include <sstream>

#include "program_run.h"

namespace {

TEST(ModuleCommand, SizesTheLiquidExampleAsJson) {
  const ProgramRun r = RunOk({"module", "valve", "--json", ExampleCase("liquid.case")});
  // Kv of IEC 60534-2-1 example 1 with rho0 = 1000 kg/m3: 164.92 m3/h; qm
  // kept its unit.
  for (const char* part : {"\"module\":\"TCMControlValves\"", "\"kv\":{\"kind\":\"parameter\",\"value\":164.92",
                           "\"unit\":\"t/h\"", "\"FlowState\":{\"kind\":\"switch\",\"index\":3",
                           "{\"point\":\"1\",\"no\":919,\"kind\":\"warning\",\"type\":\"cmWarning\","})
    EXPECT_NE(r.out.find(part), std::string::npos) << part << " in " << r.out.substr(0, 400);
  for (const char* bad : {"nan", "inf"}) EXPECT_EQ(r.out.find(bad), std::string::npos) << bad;
}

TEST(ModuleCommand, AssignmentsAfterTheCaseFileWin) {
  const ProgramRun r = RunProgram({"--lang", "en", "module", "valve", ExampleCase("gas.case"), "p2=1 bar(a)",
                                   "eta1=0.14665 mPa s", "LineSize=ja", "WhatToCalculate=#0"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Control valve sizing\n\n", 0), 0u);
  EXPECT_NE(r.out.find("916"), std::string::npos);  // now choked
}

// What the user assigns stays the user's; an empty assignment hands a valve
// factor back to the database's typical value of the chosen trim.
TEST(ModuleCommand, UserFactorsStayAndEmptyOnesComeFromTheDatabase) {
  const std::string liquid = ExampleCase("liquid.case");
  // Globe valve, contoured plug flow-to-close: FL 0.80 (FL2 0.64), Fd 1.00.
  const ProgramRun r = RunOk({"module", "valve", "--json", liquid, "GlobeType=#1", "fl2_75="});
  EXPECT_NE(r.out.find("\"fl2_75\":{\"kind\":\"parameter\",\"value\":0.64"), std::string::npos)
      << r.out.substr(0, 400);
  EXPECT_NE(r.out.find("\"fd_75\":{\"kind\":\"parameter\",\"value\":0.46,"), std::string::npos);  // the case's
  const size_t fl2 = r.out.find("\"fl2_75\":");
  ASSERT_NE(fl2, std::string::npos);
  const std::string item = r.out.substr(fl2, r.out.find('}', fl2) - fl2);
  EXPECT_NE(item.find("\"inputState\":1"), std::string::npos) << item;  // database
}

TEST(ModuleCommand, BadInputExitsWithTwo) {
  struct Case { std::vector<std::string> args; const char* mentions; };
  const Case cases[] = {
      {{"module", "pump"}, "pump"},
      {{"module", "valve", "nosuch=1"}, "nosuch"},
      {{"module", "valve", "qm=abc"}, "qm: [abc]"},
      {{"module", "valve", "p1=NaN"}, "p1: [NaN]"},
      {{"--lang", "en", "module", "valve", "p1=5 furlong"}, "p1: unknown unit \"furlong\" of Pressure 1 (units: bar(a), mbar(a),"},
      {{"--lang", "en", "module", "valve", "p1=680 kPa"}, "p1: \"kPa\" does not say absolute or gauge: write kPa(a) or kPa(g)"},
      {{"--lang", "en", "run", ExampleCase("valve_water.case"), "QmApX=sixty t/h"}, "QmApX: \"sixty\" is not a number"},
      {{"module", "valve", "Phase=Plasma"}, "Plasma"},
      {{"module", "valve", "Phase=#7"}, "#7"},
      {{"module", "valve", "LineSize=vielleicht"}, "vielleicht"},
      {{"module", "valve", "@/nonexistent/case"}, "/nonexistent/case"},
      {{"module", "valve", "p1"}, "p1"},
      {{"module", "valve", "-o"}, "-o needs a file name"},
      {{"module", "valve", "-o", ""}, "-o needs a file name"},
      {{"export", "valve_report", "x.cvc", "-o", ""}, "-o needs a file name"},
      {{"module", "valve", "-o", "/nonexistent/dir/x.cvc"}, "x.cvc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mentions);
    const ProgramRun r = RunProgram(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
  }
}

// Case files are shared between engineers who run the program in either
// language: switch items are read in German and English, in any case.
TEST(ModuleCommand, SwitchTextsInEitherLanguage) {
  struct Case { std::vector<std::string> lang; const char* assignment; const char* json; };
  const Case cases[] = {
      {{}, "Phase=Liquid", "\"Phase\":{\"kind\":\"switch\",\"index\":0"},
      {{}, "Phase=gas", "\"Phase\":{\"kind\":\"switch\",\"index\":2"},
      {{"--lang", "en"}, "Phase=Flüssigkeit", "\"Phase\":{\"kind\":\"switch\",\"index\":0"},
      {{}, "GlobeType=contoured plug, flow to close", "\"GlobeType\":{\"kind\":\"switch\",\"index\":1"},
      {{}, "LineSize=yes", "\"LineSize\":{\"kind\":\"switch\",\"index\":1"},
      {{}, "LineSize=No", "\"LineSize\":{\"kind\":\"switch\",\"index\":0"},
      {{"--lang", "en"}, "LineSize=ja", "\"LineSize\":{\"kind\":\"switch\",\"index\":1"},
      // The spellings without umlauts of files and keyboards that have none.
      {{}, "Phase=Fluessigkeit", "\"Phase\":{\"kind\":\"switch\",\"index\":0"},
      {{"--lang", "en"}, "GlobeType=Parabolkegel, schliessend", "\"GlobeType\":{\"kind\":\"switch\",\"index\":1"},
      {{}, "InwardFlow=SCHLIESSEND", "\"InwardFlow\":{\"kind\":\"switch\",\"index\":1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.assignment);
    std::vector<std::string> args = c.lang;
    args.insert(args.end(), {"module", "valve", "--json", ExampleCase("liquid.case"), c.assignment});
    const ProgramRun r = RunOk(args);
    EXPECT_NE(r.out.find(c.json), std::string::npos) << r.out.substr(0, 300);
  }
  // --lang en translates what it prints.
  const ProgramRun steam = RunOk({"--lang", "en", "water", "t=150", "P=1", "Liquid=no"});
  EXPECT_NE(steam.out.find("IsSteam  yes\n"), std::string::npos) << steam.out;
  const ProgramRun extension = RunProgram({"--lang", "en", "module", "valve", "-o", "/tmp/x.cvx"});
  EXPECT_EQ(extension.code, 2);
  EXPECT_EQ(extension.err, "torvacalc: Wrong extension: x.cvx is not of the format .cvc\n");
  const ProgramRun unknown = RunProgram({"--lang", "en", "module", "valve", "LineSize=maybe"});
  EXPECT_EQ(unknown.err, "torvacalc: LineSize: unknown item \"maybe\" (expected yes or no)\n");
}

// The example of the help runs as printed, quotes and all.
TEST(ModuleCommand, TheHelpExampleRunsAsTyped) {
  const ProgramRun help = RunProgram({"module", "--help"});
  const size_t at = help.out.find("Example: torvacalc ");
  ASSERT_NE(at, std::string::npos);
  const std::string line = help.out.substr(at + 19, help.out.find('\n', at) - at - 19);
  // Split as a POSIX shell would: blanks separate, single quotes group.
  std::vector<std::string> args;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : line) {
    if (c == '\'') {
      quoted = !quoted;
      inWord = true;
    } else if (c == ' ' && !quoted) {
      if (inWord) args.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) args.push_back(word);
  ASSERT_FALSE(quoted) << line;
  for (std::string& a : args)
    if (a[0] == '@') a = "@" + SourceFile(a.substr(1));
  const ProgramRun r = RunProgram(args);
  EXPECT_EQ(r.code, 0) << line << "\n" << r.err;
}

// The table for people: titled with what the module computes, columns as
// wide as their texts, rows without a value left out unless --all asks for
// them, and a message raised on several items printed once.
TEST(ModuleCommand, PlainTableIsReadable) {
  const std::string liquid = ExampleCase("liquid.case");
  const ProgramRun brief = RunProgram({"--lang", "en", "module", "valve", liquid});
  const ProgramRun all = RunProgram({"--lang", "en", "module", "valve", "--all", liquid});
  ASSERT_EQ(brief.code, 0) << brief.err;
  ASSERT_EQ(all.code, 0) << all.err;
  for (const ProgramRun* r : {&brief, &all}) {
    EXPECT_EQ(r->out.rfind("Control valve sizing\n\nCaption ", 0), 0u) << r->out.substr(0, 80);
    // Every row's name starts in the column of the heading "Name", however
    // long the caption before it.
    std::istringstream lines(r->out.substr(r->out.find("Caption ")));
    std::string line;
    std::getline(lines, line);
    const size_t nameColumn = line.find("Name");
    int rows = 0;
    while (std::getline(lines, line) && !line.empty() && line.find("left out") == std::string::npos) {
      SCOPED_TRACE(line);
      ++rows;
      // Columns count characters: "FL²" is three wide.
      std::string chars;
      for (char c : line)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) chars += (static_cast<unsigned char>(c) & 0x80) ? 'x' : c;
      ASSERT_GT(chars.size(), nameColumn);
      EXPECT_NE(chars[nameColumn], ' ');
      EXPECT_EQ(chars[nameColumn - 1], ' ');
    }
    EXPECT_GT(rows, 40);
  }
  // SigmaV has no value here and no message names it; SigmaP has none either
  // but message 974 is about it.
  EXPECT_EQ(brief.out.find(" SigmaV "), std::string::npos);
  EXPECT_NE(brief.out.find(" SigmaP "), std::string::npos);
  EXPECT_NE(brief.out.find("rows without a value or of no meaning here left out; --all shows them.\n"), std::string::npos);
  EXPECT_NE(all.out.find(" SigmaV "), std::string::npos);
  EXPECT_EQ(all.out.find("left out"), std::string::npos);
  // 919 is raised on the flow state and on kv: one line naming both.
  const std::string strong = "Warning 919: Strong cavitation: wear and noise are to be expected. [";
  const size_t at = brief.out.find(strong);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(brief.out.find(strong, at + 1), std::string::npos);
  const std::string items = brief.out.substr(at + strong.size(), brief.out.find(']', at) - at - strong.size());
  EXPECT_EQ(items, "FlowState, p1, dp, fl2, pv1, dpLimit, kv");
}

TEST(ModuleCommand, HostileNumbersPrintNoNaN) {
  for (const char* text : {"qm=0", "qm=-1", "qm=1e300", "p2=9", "rho1="}) {
    SCOPED_TRACE(text);
    const ProgramRun r = RunOk({"module", "valve", "--json", ExampleCase("liquid.case"), text});
    EXPECT_EQ(r.out.find("nan"), std::string::npos);
    EXPECT_NE(r.out.find("\"messages\":[{"), std::string::npos);
  }
}

}  // namespace
