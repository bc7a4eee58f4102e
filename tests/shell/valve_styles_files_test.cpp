// Calculation files written before the valve styles and trims came from the
// valve database open to the same style and trim, in either language, and
// with the same numbers as a calculation entered anew.
#include <gtest/gtest.h>

#include <sstream>

#include "shell/file_test.h"
#include "valves/valve_styles.h"

namespace {

class StoredValveStyles : public ProgramFileTest {
 protected:
  static std::string Stored(const char* name) {
    std::string relative = "tests/shell/data/";
    relative += name;
    return SourceFile(relative);
  }
};

// The text a plain table shows for an item: the rest of its row, after the
// item's name.
std::string Shown(const std::string& out, const std::string& item) {
  std::istringstream lines(out);
  const std::string key = " " + item + " ";
  for (std::string line; std::getline(lines, line);) {
    const auto at = line.find(key);
    if (at == std::string::npos) continue;
    std::string rest = line.substr(at + key.size());
    rest.erase(0, rest.find_first_not_of(' '));
    rest.erase(rest.find_last_not_of(' ') + 1);
    return rest;
  }
  return "<no row " + item + ">";
}

TEST_F(StoredValveStyles, OldFilesOpenToTheSameStyleAndTrim) {
  struct Case { const char* file; const char* language; const char* trimSwitch; const char* style; const char* trim; };
  const Case cases[] = {
      {"butterfly_double_offset_de.cvc", "de", "ButterflyType", "Klappe", "Doppelt exzentrisch 90 Grad"},
      {"butterfly_double_offset_de.cvc", "en", "ButterflyType", "Butterfly valve", "Double offset 90 degrees"},
      {"ball_segmented_en.cvc", "de", "BallValveType", "Kugelhahn", "Segmentkugel"},
      {"ball_segmented_en.cvc", "en", "BallValveType", "Ball valve", "Segmented ball"},
      {"rotary_flow_to_close_en.cvc", "de", "RotaryType", "Drehkegelventil",
       "Exzentrischer Kugelkegel, schließend"},
      {"rotary_flow_to_close_en.cvc", "en", "RotaryType", "Rotary plug valve",
       "Eccentric spherical plug, flow to close"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " in " + c.language);
    const ProgramRun r = RunOk({"--lang", c.language, "show", Stored(c.file)});
    EXPECT_EQ(Shown(r.out, "ValveType"), c.style);
    EXPECT_EQ(Shown(r.out, c.trimSwitch), c.trim);
  }
}

// The stored sizing computes what the same inputs give today: the typical
// factors of the stored style and trim are the same numbers.
TEST_F(StoredValveStyles, OldModuleFileComputesAsEnteredAnew) {
  const ProgramRun old = RunProgram({"--lang", "en", "show", Stored("rotary_flow_to_close_en.cvc")});
  const ProgramRun now = RunProgram({"--lang", "en", "module", "valve", ExampleCase("liquid.case"),
                                     "ValveType=Rotary plug valve", "RotaryType=#1"});
  ASSERT_EQ(old.code, 0) << old.err;
  ASSERT_EQ(now.code, 0) << now.err;
  for (const char* item : {"kv", "fl2_75", "xt_75", "fd_75", "FlowState"}) {
    SCOPED_TRACE(item);
    EXPECT_EQ(Shown(old.out, item), Shown(now.out, item));
  }
}

// Without a readable valve database the sizing still works with the factors
// given and says why no style can be chosen; a choice by number in the empty
// list is an error that says so.
TEST_F(StoredValveStyles, WithoutValveDatabaseTheModuleSaysSo) {
  struct Restore {
    ~Restore() { torvacalc::TValveStyles::SetDefault(nullptr); }
  } restore;
  torvacalc::TValveStyles::SetDefault(std::make_shared<torvacalc::TValveStyles>(Path("none.CDS")));
  const std::vector<std::string> duty = {"Phase=Flüssigkeit", "qm=347.544 t/h", "p1=6.8 bar(a)",
                                         "p2=2.2 bar(a)", "rho1=965.4", "pv1=0.701 bar(a)", "pc=221.2 bar(a)",
                                         "fl2_75=0.81", "fd_75=0.46", "DNV=150"};
  // out: in stdout, or in stderr when the code is 2.
  struct Case { const char* what; std::vector<std::string> extra; int code; const char* out; };
  const Case cases[] = {
      {"a style by name is kept as typed", {"ValveType=Klappe"}, 0, "\"no\":983"},
      {"a trim by number", {"GlobeType=#0"}, 2, "GlobeType: no item \"#0\": the list is empty (its database cannot be read)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = {"--lang", "en", "module", "valve", "--json"};
    args.insert(args.end(), duty.begin(), duty.end());
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const ProgramRun r = RunProgram(args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_NE((c.code == 2 ? r.err : r.out).find(c.out), std::string::npos) << r.out << r.err;
    if (c.code == 0) {
      EXPECT_NE(r.out.find("\"kv\":{\"kind\":\"parameter\",\"value\":164.92"), std::string::npos) << r.out;
    }
  }
}

}  // namespace
