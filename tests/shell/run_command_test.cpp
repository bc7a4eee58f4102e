// torvacalc run: the whole calculation from a case file with the operating
// points side by side, saved with -o and printed again by show, and bad
// input answered as torvacalc module answers it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "shell/file_test.h"

namespace fs = std::filesystem;

namespace {

std::string PointsCase() { return SourceFile("examples/points.case"); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

// The byte offset of each character of a UTF-8 line (and of its end): the
// table pads to characters, not bytes.
std::vector<size_t> CharStarts(const std::string& s) {
  std::vector<size_t> at;
  for (size_t i = 0; i < s.size(); ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) at.push_back(i);
  at.push_back(s.size());
  return at;
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// The four point cells and the unit of the row NAME of the points table,
// cut at the columns of its header. Empty when there is no such row.
std::vector<std::string> Row(const std::string& out, const std::string& name, const char* point = "Betriebspunkt",
                             const char* unit = "Einheit") {
  const auto lines = Lines(out);
  const std::string first = std::string(point) + " 1";
  const auto header = std::find_if(lines.begin(), lines.end(),
                                   [&](const std::string& l) { return l.find(first) != std::string::npos; });
  if (header == lines.end()) return {};
  // Column starts in characters.
  const auto hs = CharStarts(*header);
  auto at = [&](const std::string& text) {
    const size_t byte = header->find(text);
    return static_cast<size_t>(std::lower_bound(hs.begin(), hs.end(), byte) - hs.begin());
  };
  const size_t cut[] = {at("Name"), at(first), at(std::string(point) + " 2"), at(std::string(point) + " 3"),
                        at(std::string(point) + " X"), at(unit), std::string::npos};
  for (auto line = header + 1; line != lines.end() && !line->empty(); ++line) {
    const auto cs = CharStarts(*line);
    const size_t chars = cs.size() - 1;
    auto cell = [&](int i) {
      if (chars <= cut[i]) return std::string();
      const size_t from = cs[cut[i]], to = cs[std::min(cut[i + 1], chars)];
      return Trim(line->substr(from, to - from));
    };
    if (cell(0) == name) return {cell(1), cell(2), cell(3), cell(4), cell(5)};
  }
  return {};
}

// Two runs are two calculations, created at their own moments.
std::string WithoutCreationDate(const std::string& out) {
  std::string kept;
  for (const std::string& l : Lines(out))
    if (l.find("WhenCreated") == std::string::npos) kept += l + "\n";
  return kept;
}

std::vector<std::string> RunArgs(std::vector<std::string> extra) {
  std::vector<std::string> args = {"run", PointsCase()};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

class RunCommand : public ProgramFileTest {};

TEST_F(RunCommand, PrintsThePointsSideBySideWithTheirUnits) {
  const ProgramRun r = RunOk(RunArgs({}));
  EXPECT_EQ(r.out.rfind("Torvacalc (TSCMTorva)", 0), 0u) << r.out.substr(0, 80);
  using R = std::vector<std::string>;
  EXPECT_EQ(Row(r.out, "P1"), (R{"6", "5.5", "5", "", "bar(a)"}));
  EXPECT_EQ(Row(r.out, "T1"), (R{"20", "40", "60", "", "°C"}));
  EXPECT_EQ(Row(r.out, "Qm"), (R{"20", "60", "100", "", "t/h"}));
  // Water at 20, 40 and 60 degC (IAPWS-IF97): 998.4, 992.4, 983.4 kg/m3.
  EXPECT_EQ(Row(r.out, "Rho1"), (R{"998.4", "992.4", "983.4", "", "kg/m³"}));
  EXPECT_NE(r.out.find("Betriebspunkt X (aus)"), std::string::npos);
  // The medium and the pipe serve every point: they stand above the points.
  const size_t fluid = r.out.find("FluidName"), pipe = r.out.find("PipeClass"),
               points = r.out.find("Betriebspunkt 1");
  EXPECT_LT(fluid, points);
  EXPECT_LT(pipe, points);
  EXPECT_EQ(Row(r.out, "FluidName"), R{});
  // Sorted by flow, each point's entries move with its flow.
  const ProgramRun sorted = RunOk(RunArgs({"QmAp2=10 t/h", "--sort-points"}));
  EXPECT_EQ(Row(sorted.out, "Qm"), (R{"10", "20", "100", "", "t/h"}));
  EXPECT_EQ(Row(sorted.out, "P1"), (R{"5.5", "6", "5", "", "bar(a)"}));

  const ProgramRun en = RunOk({"--lang", "en", "run", PointsCase()});
  EXPECT_EQ(Row(en.out, "P1", "Point", "Unit"), (R{"6", "5.5", "5", "", "bar(a)"}));
  EXPECT_NE(en.out.find("Point X (off)"), std::string::npos);
  // The language may also follow the command.
  const ProgramRun after = RunProgram({"run", PointsCase(), "--lang", "en"});
  EXPECT_EQ(WithoutCreationDate(after.out), WithoutCreationDate(en.out));
  EXPECT_EQ(RunProgram({"run", PointsCase(), "--lang=fr"}).code, 2);
}

TEST_F(RunCommand, PointsThatAreOffHaveEmptyColumns) {
  using R = std::vector<std::string>;
  for (const char* n : {"NoOfEnteredOps=1", "NoOfEnteredOps= 1 "}) {
    SCOPED_TRACE(n);
    const ProgramRun r = RunOk(RunArgs({n}));
    EXPECT_EQ(Row(r.out, "T1"), (R{"20", "", "", "", "°C"}));
    EXPECT_NE(r.out.find("Betriebspunkt 2 (aus)  Betriebspunkt 3 (aus)"), std::string::npos);
    const ProgramRun json = RunProgram({"run", "--json", PointsCase(), n});
    EXPECT_NE(json.out.find("\"activePoints\":[true,false,false,false]"), std::string::npos);
  }
  const ProgramRun two = RunProgram(RunArgs({"NoOfEnteredOps=2", "UseXthOp=ja", "T1ApX=30", "P1ApX=4 bar(a)"}));
  EXPECT_EQ(Row(two.out, "T1"), (R{"20", "40", "", "30", "°C"}));
}

TEST_F(RunCommand, MessagesStandUnderThePointTheyConcern) {
  // Liquid water at 60 degC and 0.1 bar(a) cannot be: point 3 only.
  const ProgramRun r = RunOk(RunArgs({"P1Ap3=0.1 bar(a)"}));
  const size_t group = r.out.find("  Betriebspunkt 3:\n");
  ASSERT_NE(group, std::string::npos) << r.out;
  const size_t next = r.out.find("  Betriebspunkt X:\n", group);
  // 60 degC lies above the boiling temperature at 0.1 bar(a): one message
  // says that the liquid boils (111), not a second that the state
  // contradicts the phase (110).
  const size_t at = r.out.find("Alarm 111: ");
  EXPECT_GT(at, group);
  EXPECT_LT(at, next);  // not under another point
  EXPECT_EQ(r.out.find("Alarm 111: ", at + 1), std::string::npos);  // once
  EXPECT_EQ(r.out.find("Alarm 110: "), std::string::npos);
  EXPECT_NE(r.out.find("[T1Ap3, Tv1Ap3, P1Ap3, Pv1Ap3]"), std::string::npos);  // named as the user knows them
  // Swapped pressures at point 3: the text names them as the user knows
  // them too, not as a computing module does ("p2v").
  const ProgramRun swapped = RunProgram({"--lang", "en", "run", PointsCase(), "p2Ap3=7 bar(a)"});
  EXPECT_NE(swapped.out.find("Inconsistent values: p2Ap3 must be smaller than P1Ap3."), std::string::npos)
      << swapped.out;
  EXPECT_EQ(swapped.out.find("p2v"), std::string::npos);

  // A pipe without its material: the pipe serves every point.
  Write("no-material.case", "FluidName=Wasser\nT1=20\nP1=6 bar(a)\nPipeClass=EN 10220 Reihe 1, P235GH\nDN=100\n");
  const ProgramRun missing = RunProgram({"run", Path("no-material.case")});
  const size_t all = missing.out.find("  Alle Betriebspunkte:\n");
  const size_t material = missing.out.find("    Fehlende Eingabe 101: Die Eingabe fehlt. [EN13480Name");
  ASSERT_NE(all, std::string::npos) << missing.out;
  EXPECT_GT(material, all);
  EXPECT_LT(material, missing.out.find("  Betriebspunkt 1:\n"));

  // What point 3 finds is steam: 10 kPa and 60 degC, v = 15.34 m3/kg in
  // the IAPWS-IF97 steam tables. Point X is off: nothing is written for it.
  const ProgramRun json = RunProgram({"run", "--json", PointsCase(), "P1Ap3=0.1 bar(a)"});
  for (const char* part : {"{\"point\":\"3\",\"no\":111,\"kind\":\"warning\"",
                           "\"P1\":{\"kind\":\"parameter\",\"value\":0.1,\"unit\":\"bar(a)\",\"basic\":0.1", "\"Rho1\":{\"kind\":\"parameter\",\"value\":0.0652",
                           "}},{}],\"messages\":["})
    EXPECT_NE(json.out.find(part), std::string::npos) << part << " in " << json.out;
}

TEST_F(RunCommand, SavedCalculationShowsByteForByte) {
  const std::vector<std::vector<std::string>> forms = {{}, {"--json"}, {"--all"}};
  for (const auto& lang : {"de", "en"}) {
    for (const auto& form : forms) {
      SCOPED_TRACE(std::string(lang) + (form.empty() ? "" : " " + form[0]));
      // Notes on a value of point 3 and on a constant travel with the file.
      std::vector<std::string> run = {"--lang", lang, "run", PointsCase(), "P1Ap2=5.25 bar(a)", "QmAp3=90 t/h",
                                      "QmAp3.note=from the pump curve", "FluidName.note=Kühlwasser", "-o",
                                      Path("w.cvc")};
      run.insert(run.begin() + 3, form.begin(), form.end());
      const ProgramRun saved = RunOk(run);
      std::vector<std::string> show = {"--lang", lang, "show", Path("w.cvc")};
      show.insert(show.begin() + 3, form.begin(), form.end());
      const ProgramRun shown = RunOk(show);
      EXPECT_EQ(shown.out, saved.out);
      const bool json = !form.empty() && form[0] == "--json";
      EXPECT_NE(saved.out.find(json ? "\"note\":\"from the pump curve\"" : "): from the pump curve\n"),
                std::string::npos);
    }
  }
  // Every example of the whole calculation shows, saved and opened again,
  // what its run showed; saved in one language and opened in the other,
  // what a run in the other language shows (every choice read back from
  // its text in the language of the file).
  const auto undated = [](std::string text) {
    for (const char* stamp : {"WhenCreated", "WhenModified"}) {
      const size_t at = text.find(stamp);
      if (at == std::string::npos) continue;
      const size_t line = text.rfind('\n', at) + 1;
      text.erase(line, text.find('\n', at) + 1 - line);
    }
    return text;
  };
  // A valve picked by hand from the catalogue stays picked.
  const std::pair<const char*, const char*> examples[] = {
      {"valve_water.case", nullptr},         {"valve_steam_noise.case", nullptr}, {"valve_natural_gas.case", nullptr},
      {"valve_flashing.case", nullptr},      {"valve_from_catalogue.case", nullptr}, {"points.case", nullptr},
      {"valve_from_catalogue.case", "AllValves=DN 80, Kvs 100, PN 16"}};
  for (const auto& [example, entry] : examples) {
    std::vector<std::string> run = {"run", SourceFile(std::string("examples/") + example)};
    if (entry) run.push_back(entry);
    for (const auto& [saveIn, showIn] : {std::pair{"de", "en"}, std::pair{"en", "de"}}) {
      SCOPED_TRACE(std::string(example) + " " + (entry ? entry : "") + " " + saveIn);
      std::vector<std::string> save = {"--lang", saveIn};
      save.insert(save.end(), run.begin(), run.end());
      save.insert(save.end(), {"-o", Path("e.cvc")});
      const ProgramRun saved = RunOk(save);
      EXPECT_EQ(RunProgram({"--lang", saveIn, "show", Path("e.cvc")}).out, saved.out);
      std::vector<std::string> other = {"--lang", showIn};
      other.insert(other.end(), run.begin(), run.end());
      other.insert(other.end(), {"-o", Path("other.cvc")});  // saved too: its save time is a row as well
      EXPECT_EQ(undated(RunProgram({"--lang", showIn, "show", Path("e.cvc")}).out), undated(RunProgram(other).out));
    }
  }
  // A batch in one process: a line of JSON a case, what a run of the case
  // alone prints, each saved; a case that cannot run is a null line, the
  // rest run on.
  Write("broken.case", "T1 20\n");
  const std::vector<std::string> batch = {"valve_water.case", "broken.case", "valve_natural_gas.case"};
  std::vector<std::string> args = {"run", "--batch", "--json", "--out-dir", Path("")};
  for (const std::string& c : batch) args.push_back(c == "broken.case" ? Path(c) : SourceFile("examples/" + c));
  const ProgramRun many = RunProgram(args);
  EXPECT_EQ(many.code, 2);
  EXPECT_NE(many.err.find("broken.case:1: expected NAME=TEXT"), std::string::npos) << many.err;
  const auto lines = Lines(many.out);
  ASSERT_EQ(lines.size(), batch.size());
  EXPECT_EQ(lines[1], "null");
  const auto created = [](std::string json) {  // each calculation has its own moments; a saved one its save's
    for (const char* when : {"\"WhenCreated\"", "\"WhenModified\""})
      if (const size_t at = json.find(when); at != std::string::npos) json.erase(at, json.find('}', at) - at);
    return json;
  };
  for (size_t i : {0u, 2u}) {
    SCOPED_TRACE(batch[i]);
    EXPECT_EQ(created(lines[i] + "\n"), created(RunProgram({"run", "--json", SourceFile("examples/" + batch[i])}).out));
    EXPECT_TRUE(fs::exists(Path(fs::path(batch[i]).stem().string() + ".cvc")));
  }
  // Several cases at once: every example (some stop at an entry the whole
  // calculation does not take), on one worker and on two, prints the same
  // lines and the same complaints in the order given.
  std::vector<std::string> caseFiles;
  for (const auto& e : fs::directory_iterator(SourceFile("examples")))
    if (e.path().extension() == ".case") caseFiles.push_back(e.path().string());
  std::sort(caseFiles.begin(), caseFiles.end());
  std::vector<ProgramRun> byJobs;
  for (const char* jobs : {"1", "2"}) {
    std::vector<std::string> run = {"run", "--batch", "--json", "--jobs", jobs};
    run.insert(run.end(), caseFiles.begin(), caseFiles.end());
    byJobs.push_back(RunProgram(run));
  }
  EXPECT_EQ(byJobs[1].err, byJobs[0].err);
  const auto one = Lines(byJobs[0].out), two = Lines(byJobs[1].out);
  ASSERT_EQ(one.size(), caseFiles.size());
  ASSERT_EQ(two.size(), caseFiles.size());
  for (size_t i = 0; i < caseFiles.size(); ++i) EXPECT_EQ(created(two[i]), created(one[i])) << caseFiles[i];
  // Saved in US customary units, opened in them: 6 bar(a) = 87.02 psi(a).
  const ProgramRun us = RunProgram({"run", PointsCase(), "--units", "us", "-o", Path("us.cvc")});
  EXPECT_EQ(Row(us.out, "P1"), (std::vector<std::string>{"87.02", "79.77", "72.52", "", "psi(a)"}));
  EXPECT_EQ(RunProgram({"show", Path("us.cvc")}).out, us.out);
  // What the user entered into items the main module reads through (the
  // medium's temperature, the flows, the pipe size) came back with it.
  const ProgramRun shown = RunProgram({"show", Path("w.cvc")});
  EXPECT_EQ(Row(shown.out, "Qm"), (std::vector<std::string>{"20", "60", "90", "", "t/h"}));
  EXPECT_NE(shown.out.find("DN                    100"), std::string::npos);
}

// Damaged saved files: see the show command's tests.
TEST_F(RunCommand, BadInputIsAnsweredAsModuleAnswersIt) {
  // The same entry into the medium on its own and into the whole
  // calculation: the same line on stderr, exit code 2, nothing printed.
  for (const char* entry : {"FluidName=Unobtainium", "T1=20 degX", "Phase=Plasma", "UseExtFluid=vielleicht",
                            "P1=5 bar"}) {
    SCOPED_TRACE(entry);
    const ProgramRun whole = RunProgram(RunArgs({entry}));
    const ProgramRun alone = RunProgram({"module", "substances", entry});
    EXPECT_EQ(whole.code, 2);
    EXPECT_EQ(whole.out, "");
    if (std::string(entry).rfind("P1", 0) == 0) {  // the medium module calls it p1
      EXPECT_EQ(whole.err.substr(whole.err.find(':', 11)), alone.err.substr(alone.err.find(':', 11)));
    } else {
      EXPECT_EQ(whole.err, alone.err);
    }
  }
  Write("broken.case", "# a case\nFluidName = Wasser\nT1 20\n");
  Write("bytes.case", "FluidName = Wasser\nIdentifier = a\xFF\xFE" "b\n");
  // Paths that are no regular files are refused at once, never waited on.
  ASSERT_EQ(::mkfifo(Path("pipe.cvc").c_str(), 0644), 0);
  struct Case { std::vector<std::string> args; const char* message; };
  const Case cases[] = {
      {RunArgs({"Nonsense=1"}), "unknown item \"Nonsense\" of "},
      {{"run", Path("broken.case")}, "broken.case:3: expected NAME=TEXT, got \"T1 20\""},
      // Texts are UTF-8, in every command, from a file or the command line.
      {{"run", Path("bytes.case")}, "bytes.case:2: not valid UTF-8 text"},
      {RunArgs({"Identifier=a\xFF\xFE" "b"}), "Identifier: not valid UTF-8 text"},
      {{"module", "substances", "FluidName=Wasser\xC3"}, "FluidName: not valid UTF-8 text"},
      // A count of points is a whole number from 1 to 3.
      {RunArgs({"NoOfEnteredOps=4"}), "NoOfEnteredOps: eine ganze Zahl von 1 bis 3 erwartet, nicht [4]"},
      {RunArgs({"NoOfEnteredOps=1e308"}), "NoOfEnteredOps: eine ganze Zahl"},
      {RunArgs({"NoOfEnteredOps=1.5"}), "NoOfEnteredOps: eine ganze Zahl"},
      {RunArgs({"NoOfEnteredOps=0"}), "NoOfEnteredOps: eine ganze Zahl"},
      {{"run", Path("pipe.cvc")}, "not a regular file"},
      {{"show", Path("pipe.cvc")}, "not a regular file"},
      {RunArgs({"-o", Path("pipe.cvc")}), "not a regular file"},
      {RunArgs({"-o", Path("no folder/w.cvc")}), "Die Datei [w.cvc] kann nicht gespeichert werden. (cannot save"},
      {{"run", Path("missing.case")}, "no such file"},
      {{"run"}, ""}, {RunArgs({"--fast"}), ""}, {RunArgs({"-o"}), ""},
      {RunArgs({"-o", Path("w.txt")}), "Falsche Endung: w.txt ist nicht vom Format .cvc"},
      {RunArgs({"--units", "metric"}), "unknown units \"metric\" (expected si or us)"},
      {RunArgs({"PN=17"}), "PN: unknown item \"17\"; items: PN 10, PN 16, PN 25,"},
      {{"choose", "pump", PointsCase()}, "choose valve or choose actuator"},
      {{"choose", "valve"}, "choose needs a CASE file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    const ProgramRun r = RunProgram(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(Path("w.txt")));
  EXPECT_TRUE(fs::is_fifo(Path("pipe.cvc"))) << "-o replaced the FIFO";
}

// torvacalc choose: the catalogue's valves for the duty, the one the
// calculation holds marked (the numbers are checked by hand in the
// workspace tests), and the actuators with their margin.
TEST_F(RunCommand, ChooseListsWhatTheCataloguesOffer) {
  const std::string example = SourceFile("examples/valve_from_catalogue.case");
  const ProgramRun valves = RunOk({"choose", "valve", example});
  const std::vector<std::string> rows = Lines(valves.out);
  const auto held = std::find_if(rows.begin(), rows.end(), [](const std::string& l) { return l.rfind("*", 0) == 0; });
  ASSERT_NE(held, rows.end());
  EXPECT_NE(held->find("Series G1 globe  "), std::string::npos) << *held;
  EXPECT_NE(held->find("57.2"), std::string::npos) << *held;  // travel at point 1
  const ProgramRun actuators = RunOk({"choose", "actuator", example, "--json"});
  EXPECT_NE(actuators.out.find("\"name\":\"SD 1000/60 0.2-1.0 FC\""), std::string::npos);
  EXPECT_NE(actuators.out.find("\"entries\":[\"WantedActuator=SD 1000/60 0.2-1.0 FC\"]"), std::string::npos);
}

TEST_F(RunCommand, CaseFileBlanksAroundTheEqualsSignAndLaterEntriesWin) {
  Write("spaced.case", "\xEF\xBB\xBF# water\n  FluidName   =   Wasser  \nT1 = 30\nP1\t=\t3 bar(a)\nT1 = 35\n");
  const ProgramRun r = RunOk({"run", Path("spaced.case"), "P1=4 bar(a)"});
  EXPECT_EQ(Row(r.out, "T1").at(0), "35");
  EXPECT_EQ(Row(r.out, "P1").at(0), "4");
  EXPECT_NE(r.out.find("Wasser"), std::string::npos);
  // A switch changed back and forth costs no more than an entry: the
  // phase rewires the calculation once, when it is switched on again.
  std::string switches, entries;
  for (int i = 0; i < 2000; ++i) {
    switches += i % 2 ? "Phase = Gasförmig\n" : "Phase = Flüssig\n";
    entries += i % 2 ? "T1 = 21\n" : "T1 = 20\n";
  }
  Write("switches.case", switches);
  Write("entries.case", entries);
  const auto cpu = [&](const char* file) {
    timespec t0{}, t1{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t0);
    EXPECT_EQ(RunProgram({"run", Path(file)}).code, 0);
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t1);
    return double(t1.tv_sec - t0.tv_sec) + 1e-9 * double(t1.tv_nsec - t0.tv_nsec);
  };
  const double entered = cpu("entries.case"), switched = cpu("switches.case");
  EXPECT_LT(switched, 10 * entered) << switched << " s against " << entered << " s";
  // An assignment before the case file is still an assignment.
  const ProgramRun before = RunProgram({"run", "P1=4 bar(a)", Path("spaced.case")});
  EXPECT_EQ(WithoutCreationDate(before.out), WithoutCreationDate(r.out)) << before.err;
}

}  // namespace
