// torvacalc export: saved calculations through the shipped templates and
// through templates of the test, as the program runs them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "files/hx_file.h"
#include "shell/export_command.h"
#include "shell/file_test.h"
#include "shell/program_run.h"

namespace fs = std::filesystem;

namespace {

class ExportCommand : public ProgramFileTest {
 protected:
  void TearDown() override {
    ProgramFileTest::TearDown();
    torvacalc::ExportProgressHook() = nullptr;
  }
  // Saves an example calculation with `module valve ... -o`.
  std::string Save(const char* example, const std::string& name) const {
    const ProgramRun r = RunOk({"module", "valve", ExampleCase(example), "-o", Path(name)});
    return Path(name);
  }
};

// The end of one line of the text report: symbol (20 columns), value
// right-aligned in 12 columns, unit.
std::string Row(const std::string& symbol, const std::string& value, const std::string& unit) {
  return symbol + std::string(20 - symbol.size(), ' ') + std::string(12 - value.size(), ' ') + value + " " + unit +
         "\n";
}

// The names of the elements of an HTML text, "/name" for end tags.
std::vector<std::string> Tags(const std::string& html) {
  std::vector<std::string> tags;
  for (std::size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
    std::size_t end = at + 1;
    while (end < html.size() && (std::isalnum(static_cast<unsigned char>(html[end])) || html[end] == '/' ||
                                 html[end] == '!'))
      ++end;
    tags.push_back(html.substr(at + 1, end - at - 1));
  }
  return tags;
}

// IEC 60534-2-1 Annex E example 1 (water, 360 m3/h, 680 -> 220 kPa): the
// sizing core gives Kv 164.9 m3/h in the choked regime of this valve; the
// report shows the values the calculation saved, with their units.
TEST_F(ExportCommand, TextReportOfTheSavedLiquidCalculation) {
  const std::string file = Save("liquid.case", "liquid.cvc");
  const ProgramRun r = RunOk({"export", "valve_report", file});
  EXPECT_EQ(r.err, "");
  const std::string& out = r.out;
  EXPECT_EQ(out.rfind("STELLVENTILBERECHNUNG\n", 0), 0u) << out;
  EXPECT_NE(out.find("Datei:        " + fs::absolute(file).lexically_normal().string()), std::string::npos);
  struct Expected { const char* symbol; const char* value; const char* unit; };
  const Expected rows[] = {
      {"qm", "347.5", "t/h"},   {"p1", "6.8", "bar(a)"},  {"p2", "2.2", "bar(a)"},
      {"t1", "90", "°C"},       {"rho1", "965.4", "kg/m³"}, {"pv1", "0.701", "bar(a)"},
      {"eta1", "0.3147", "mPa s"}, {"DNV", "150", "mm"},  {"kvs", "250", "m³/h"},
      {"kv", "164.9", "m³/h"},  {"KvKvs", "65.97", "%"},  {"dpLimit", "3.48", "bar"},
  };
  for (const auto& e : rows) {
    SCOPED_TRACE(e.symbol);
    EXPECT_NE(out.find(Row(e.symbol, e.value, e.unit)), std::string::npos) << out;
  }
  EXPECT_NE(out.find("FlowState           starke Kavitation"), std::string::npos);
  // Messages as saved with the items, with their kind.
  EXPECT_NE(out.find("  Warnung          kv              Starke Kavitation: Verschleiß und Geräusch sind zu erwarten."),
            std::string::npos) << out;
  EXPECT_NE(out.find("  Hinweis          Sigma           Sigma des Betriebspunkts liegt unter Sigma id"), std::string::npos);
  // Unused values (xT of a liquid) are left out.
  EXPECT_EQ(out.find(" xt_75 "), std::string::npos);
}

// A whole calculation saved by `run`: point 1 as the valve module's
// report, then a block for each further point that is on (X by its switch).
TEST_F(ExportCommand, ReportOfAWholeCalculationShowsThePointsThatAreOn) {
  struct Case {
    const char* switchX;
    std::vector<std::string> found, absent;
  };
  const Case cases[] = {
      {"UseXthOp=ja", {Row("kv", "4.687", "m³/h"), "\nBetriebspunkt 3\n", Row("kvAp3", "9.283", "m³/h"),
                       "\nBetriebspunkt X\n", Row("kvApX", "8.51", "m³/h")}, {}},
      {"UseXthOp=nein", {"\nBetriebspunkt 2\n", "\nBetriebspunkt 3\n"}, {"\nBetriebspunkt X\n", "kvApX"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.switchX);
    const ProgramRun saved = RunOk({"run", ExampleCase("valve_water.case"), c.switchX, "-o", Path("whole.cvc")});
    for (const char* kind : {"valve_report", "valve_report_html"}) {
      const ProgramRun r = RunProgram({"export", kind, Path("whole.cvc")});
      ASSERT_EQ(r.code, 0) << kind << ": " << r.err;
      if (kind == std::string("valve_report_html")) continue;
      for (const std::string& part : c.found) EXPECT_NE(r.out.find(part), std::string::npos) << part << r.out;
      for (const std::string& part : c.absent) EXPECT_EQ(r.out.find(part), std::string::npos) << part;
    }
  }
}

TEST_F(ExportCommand, HtmlReportOfTheSavedGasCalculationIsEscapedAndWellFormed) {
  const std::string file = Save("gas.case", "gas.cvc");
  // A note typed by the engineer with characters that mean markup.
  torvacalc::THXFile f;
  f.Load(file);
  torvacalc::TBixBinaryTag* kv = f.GetParameterTag("kv");
  ASSERT_NE(kv, nullptr);
  f.AddStrAttr(*kv, "NotesList", "Kv < Kvs & <b>Reserve</b> prüfen\r\n");
  f.SaveToFile();
  const ProgramRun r = RunOk({"export", "valve_report_html", file, "-o", Path("gas.html")});
  EXPECT_EQ(r.out, "");
  const std::string html = Read("gas.html");
  EXPECT_EQ(html.rfind("<!DOCTYPE html>\n<html lang=\"de\">", 0), 0u);
  for (const char* part : {"<td class=\"sym\">kv</td><td class=\"num\">70.96</td><td>m³/h</td>",
                           "<td class=\"sym\">qm</td><td class=\"num\">7461.33</td><td>kg/h</td>",
                           "<td class=\"sym\">kappa1</td><td class=\"num\">1.3</td><td>-</td>",
                           "Kv &lt; Kvs &amp; &lt;b&gt;Reserve&lt;/b&gt; prüfen",
                           "body { font-family: sans-serif;",  // style sheet braces kept
                           "<li class=\"msg6\"><strong>Korrekt</strong>"})
    EXPECT_NE(html.find(part), std::string::npos) << part << " in " << html;
  EXPECT_EQ(html.find("<b>Reserve"), std::string::npos);
  // Every element opened is closed in order (void elements aside).
  std::vector<std::string> open;
  for (const std::string& name : Tags(html)) {
    if (name == "meta" || name == "!DOCTYPE") continue;
    if (name[0] != '/') {
      open.push_back(name);
    } else {
      ASSERT_FALSE(open.empty()) << "<" << name << "> without its start";
      ASSERT_EQ("/" + open.back(), name);
      open.pop_back();
    }
  }
  EXPECT_TRUE(open.empty());
}

TEST_F(ExportCommand, TemplatesByPathSettingsFileAndSeveralFiles) {
  const std::string a = Save("liquid.case", "a.cvc");
  const std::string b = Save("gas.case", "b.cvc");
  Write("t.txt", "{FileName}: kv = {Param(kv, Value, alRight, 8, 0.00)} {Param(kv, Unit)}\n");
  Write("t.hxe", "[Calculations]\nCount=MultiFile\n");
  const ProgramRun byPath = RunOk({"export", Path("t.txt"), a, b});
  EXPECT_EQ(byPath.out, "a.cvc: kv =   164.92 m³/h\nb.cvc: kv =    70.96 m³/h\n");
  const ProgramRun bySettings = RunOk({"export", Path("t.hxe"), a, b, "-o", Path("out")});
  EXPECT_EQ(Read("out/a.txt"), "a.cvc: kv =   164.92 m³/h\n");
  EXPECT_EQ(Read("out/b.txt"), "b.cvc: kv =    70.96 m³/h\n");
  const ProgramRun one = RunOk({"export", Path("t.txt"), b, "-o", Path("one.txt")});
  EXPECT_EQ(Read("one.txt"), "b.cvc: kv =    70.96 m³/h\n");
}

TEST_F(ExportCommand, BadTemplatesAndFilesEndWithExitCode2) {
  const std::string good = Save("liquid.case", "good.cvc");
  Write("bad.cvc", "HYDRIXbyQUENX and more");
  Write("sheet.xlsx", "x");
  Write("t.txt", "{FileName}");
  Write("other.txt", "{FileName}");
  Write("other.hxe", "[Calculations]\nModules=OrificePlates\n");
  struct Case { std::vector<std::string> args; std::string message; };
  const Case cases[] = {
      {{"export", "no_such_template", good}, "no_such_template"},
      {{"export", Path("sheet.xlsx"), good}, "sheet.xlsx"},
      {{"export", Path("t.txt"), Path("bad.cvc")}, "bad.cvc: File Error!"},
      {{"export", Path("t.txt"), Path("missing.cvc")}, "missing.cvc"},
      {{"export", Path("other.txt"), good}, "TCMControlValves"},
      {{"export", Path("t.txt")}, "at least one calculation FILE"},
      {{"export", "--frob"}, "unknown option"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const ProgramRun r = RunProgram(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

// Many files are read on several threads: the documents come in the order
// the files were given, one per file in a folder, and among several bad
// files the first one given is the one reported.
TEST_F(ExportCommand, ManyFilesKeepTheirOrderAndTheFirstBadOneIsReported) {
  const std::string liquid = Save("liquid.case", "liquid.cvc"), gas = Save("gas.case", "gas.cvc");
  Write("bad.cvc", "HYDRIXbyQUENX");
  Write("t.txt", "{FileName};");
  std::vector<std::string> args = {"export", Path("t.txt")};
  std::string expected;
  for (int i = 0; i < 100; ++i) {
    const std::string name = "c" + std::to_string(i) + ".cvc";
    fs::copy_file(i % 3 == 0 ? gas : liquid, Path(name));
    args.push_back(Path(name));
    expected += name + ";";
  }
  ProgramRun r = RunOk(args);
  EXPECT_EQ(r.out, expected);

  std::vector<std::string> folder = args;
  folder.insert(folder.end(), {"-o", Path("out") + "/"});
  Write("m.txt", "{FileName}");
  Write("m.hxe", "[Calculations]\nCount=MultiFile\n");
  folder[1] = Path("m.txt");
  r = RunProgram(folder);
  EXPECT_EQ(r.code, 0) << r.err;
  for (int i : {0, 57, 99}) EXPECT_EQ(Read("out/c" + std::to_string(i) + ".txt"), "c" + std::to_string(i) + ".cvc");

  // One document from a loop over all of them: every file is there when
  // the loop starts.
  std::vector<std::string> loop = args;
  Write("l.txt", "{Loop(Calculations)}{FileName};{End}");
  Write("l.hxe", "[Calculations]\nCount=Multi\n");
  loop[1] = Path("l.txt");
  r = RunProgram(loop);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, expected);

  // A calculation of a kind the template does not take, far down the list,
  // ends the run before anything is written.
  const ProgramRun orifice =
      RunProgram({"module", "resistor", ExampleCase("orifice.case"), "-o", Path("orifice.rsc")});
  ASSERT_EQ(orifice.code, 0) << orifice.err;
  Write("k.txt", "{FileName};");
  Write("k.hxe", "[Calculations]\nModules=ControlValves\n");
  std::vector<std::string> kinds = args;
  kinds[1] = Path("k.txt");
  kinds.insert(kinds.begin() + 75, Path("orifice.rsc"));
  kinds.insert(kinds.end(), {"-o", Path("k.out")});
  r = RunProgram(kinds);
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("orifice.rsc: the template does not accept calculations of the kind \"TCMResistor\""),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(Path("k.out")));

  args.insert(args.begin() + 80, Path("missing.cvc"));
  args.insert(args.begin() + 40, Path("bad.cvc"));
  r = RunProgram(args);
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("bad.cvc: File Error!"), std::string::npos) << r.err;
}

TEST_F(ExportCommand, ProgressBarOnlyOnATerminalAndForMoreThanAFewFiles) {
  const std::string file = Save("liquid.case", "x.cvc");
  Write("t.txt", "{FileName}\n");
  auto run = [&](int files, bool terminal) {
    std::vector<std::string> args = {"export", Path("t.txt")};
    for (int i = 0; i < files; ++i) args.push_back(file);
    std::ostringstream out, err;
    EXPECT_EQ(torvacalc::RunMain(args, out, err, terminal), 0) << err.str();
    return err.str();
  };
  const std::string bar = run(5, true);
  EXPECT_NE(bar.find("\rexport ["), std::string::npos);
  EXPECT_NE(bar.find("] 5/5\n"), std::string::npos) << bar;
  EXPECT_EQ(run(3, true), "");
  EXPECT_EQ(run(5, false), "");
}

extern "C" void TestSigIntHandler(int) {}

// Ctrl+C after the second of four calculations: the two reports made so far
// are written, the run says it was cancelled, and the handler that was in
// place before the run is back.
TEST_F(ExportCommand, InterruptedRunWritesWhatItProduced) {
  const std::string file = Save("liquid.case", "x.cvc");
  Write("t.txt", "[{FileName}]");
  struct sigaction mine {}, before {}, after {};
  mine.sa_handler = TestSigIntHandler;
  sigemptyset(&mine.sa_mask);
  ASSERT_EQ(sigaction(SIGINT, &mine, &before), 0);
  torvacalc::ExportProgressHook() = [](std::size_t done) {
    if (done == 2) std::raise(SIGINT);
  };
  const ProgramRun r = RunProgram({"export", Path("t.txt"), file, file, file, file, "-o", Path("out.txt")});
  sigaction(SIGINT, &before, &after);
  EXPECT_EQ(after.sa_handler, TestSigIntHandler);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cancelled after 2 of 4"), std::string::npos) << r.err;
  EXPECT_EQ(Read("out.txt"), "[x.cvc][x.cvc]");
}

// The text and HTML reports of a committed calculation file, byte for
// byte as this program has always made them (tests/shell/data/README.md
// says how they were made); once for the file alone and once as one of a
// run over many files, where files are read while the template works.
TEST_F(ExportCommand, ReportsOfACommittedFileStayByteIdentical) {
  const fs::path data = fs::path(TORVACALC_SOURCE_DIR) / "tests" / "shell" / "data";
  const std::string source = (data / "rotary_flow_to_close_en.cvc").string();
  const std::string liquid = Save("liquid.case", "liquid.cvc");
  for (const char* kind : {"txt", "html"}) {
    SCOPED_TRACE(kind);
    std::ifstream in(data / (std::string("rotary_flow_to_close_en.report.") + kind), std::ios::binary);
    std::string expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(expected.empty());
    const std::string templateName = kind == std::string("txt") ? "valve_report" : "valve_report_html";
    // A copy under the same name: the report names the calculation after it.
    fs::create_directories(Path(kind));
    const std::string copy = Path(std::string(kind) + "/rotary_flow_to_close_en.cvc");
    fs::copy_file(source, copy);
    expected.replace(expected.find("@FILE@"), 6, fs::absolute(copy).lexically_normal().string());

    ProgramRun r = RunOk({"export", templateName, copy});
    EXPECT_EQ(r.out, expected);

    // The same file among 99 others: the text report is one document with
    // a form feed between calculations, the HTML report one document per
    // file in a folder.
    std::vector<std::string> args = {"export", templateName};
    for (int i = 0; i < 100; ++i) {
      if (i == 61) {
        args.push_back(copy);
        continue;
      }
      const std::string name = Path("f" + std::to_string(i) + ".cvc");
      if (!fs::exists(name)) fs::copy_file(liquid, name);
      args.push_back(name);
    }
    if (kind == std::string("txt")) {
      r = RunProgram(args);
      ASSERT_EQ(r.code, 0) << r.err;
      std::vector<std::string> pages(1);
      for (char c : r.out) {
        if (c == '\f') pages.emplace_back();
        else pages.back() += c;
      }
      ASSERT_EQ(pages.size(), 100u);
      EXPECT_EQ(pages[61], expected);
    } else {
      args.insert(args.end(), {"-o", Path("out") + "/"});
      r = RunProgram(args);
      ASSERT_EQ(r.code, 0) << r.err;
      EXPECT_EQ(Read("out/rotary_flow_to_close_en.html"), expected);
    }
  }
}

TEST_F(ExportCommand, ListShowsTheShippedTemplates) {
  const ProgramRun r = RunOk({"export", "--list"});
  EXPECT_NE(r.out.find("valve_report  Stellventil - Berechnungsbericht (Text)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("valve_report_html  "), std::string::npos);
  const ProgramRun en = RunProgram({"--lang", "en", "export", "--list"});
  EXPECT_NE(en.out.find("valve_report  Control valve - calculation report (text)"), std::string::npos) << en.out;
}

}  // namespace
