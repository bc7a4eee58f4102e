// Export templates: settings files, command processing, loops, conditions,
// formatting and the template folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "output/calc_file_builder.h"
#include "files/calculation_file.h"
#include "framework/super_module.h"
#include "output/export_template.h"
#include "temp_folder.h"

using namespace torvacalc;
namespace fs = std::filesystem;

namespace {

class ExportTemplates : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    FillValveCalculation(calc_, "/plant/unit7/liquid.cvc");
    FillValveCalculation(other_, "/plant/unit7/gas.cvc", 70.96L);
  }

  std::string Run(const std::string& text, bool html = false) {
    auto t = TAsciiExpTemplate::FromText(text, html);
    t->SetCalculations({&calc_});
    t->Execute();
    EXPECT_EQ(t->Documents().size(), 1u);
    return t->Documents().empty() ? std::string() : t->Documents()[0].Text;
  }

  THXFile calc_, other_;
};

TEST_F(ExportTemplates, CommandsLoopsAndTheirResults) {
  struct Case { const char* document; const char* result; };
  const Case cases[] = {
      {"A document without commands\nstays as it is.", "A document without commands\nstays as it is."},
      {"", ""}, {"{If(1 = 2)}a{Else}b{End}", "b"},
      {"{If(1 = 1)}x{If(1 = 2)}y{Else}z{End}w{Else}v{End}", "xzw"},
      {"{If(1 = 2)}{If(1 = 1)}a{Else}b{End}c{End}d", "d"},     // inner blocks of an erased one stay erased
      {"{If(kv.hasnote and kv.value > 100)}note{End}", "note"},
      {"{If((1 + 2)}x{Else}error is false{End}", "error is false"},
      {"{If((1 = 1) and (\"a,b\" = \"A,B\"))}up to the last parenthesis{End}", "up to the last parenthesis"},
      {"{End}{Else}stray{End}", "stray"},                      // a closing command without block is ignored
      {"a/* {Param(qm, Value)} never */b", "ab"}, {"a/* unclosed comment {Param(qm, Value)}", "a"},
      {"{Param(qm, Value)} {Param(qm, Unit)}", "347.544 t/h"}, {"{param(QM, value, alRight, 10, 0.0)}|", "     347.5|"},
      {"{Param(kv, Value, alLeft, 8, 0.00)}|", "164.92  |"}, {"{Param(qm, Value, , , #,##0.0)}", "347.5"},
      {"{Param(kv, Value, , , #,##0.000 'm3/h')}", "164.921 m3/h"},
      {"{Param(kv, Caption, alLeft, 10, cut)}", "Durchfl..."},
      {"{Param(kv, Caption, alCenter, 30)}|", "   Durchflusskoeffizient Kv   |"},
      {"{Param(p1, LongLabel)}; {Param(p1, ShortLabel)}", "Eintrittsdruck [bar(a)]; p1 [bar(a)]"},
      {"{Param(Phase, Value)} {Param(Phase, Unit)}|", "Gas |"},
      {"{Param(kv, MessageType)}: {Param(kv, CalcMessage)}",
       "Warnung: Starke Kavitation: Verschleiß und Geräusch sind zu erwarten."},
      {"{Param(kv, CalcQuantity)} {Param(kv, CalcUnitNo)} {Param(kv, Utilized)} {Param(kv, ClassName)}",
       "12 0 True TInOutParameter"},
      {"[{Param(nosuch, Value)}][{Param(xt, Value, alRight, 3)}][{Frobnicate(qm)}]", "[][   ][]"},
      {"a{Param(qm, Name", "aqm"},                             // no EndMeta: the rest is one command
      {"{FileName} {FilePath} {FullFileName}", "liquid.cvc /plant/unit7/ /plant/unit7/liquid.cvc"},
      {"{FileName(alRight, 12)}|", "  liquid.cvc|"}, {"{Infos(Caption)} {Infos(ClassName)}", "liquid TCMControlValves"},
      // Parameter loops walk the items in file order; unused (xt), invisible
      // (secret) items and items without text are skipped.
      {"{Loop(Param)}{Param(Param, Name)} {End}", "qm p1 t1 kv Phase ViscosityNorm LineSize "},
      {"{Loop(Parameters, WantEmpty)}{Parameters(x)}{Param(Parameters, Name)} {End}",
       "qm p1 t1 kv Phase ViscosityNorm LineSize "},
      {"{Loop(Param, WantEmpty, WantInvisible)}{Param(Param, Name)} {End}",
       "qm p1 t1 kv xt secret Phase ViscosityNorm LineSize "},
      {"{Loop(Param, WantInvisible)}{Param(Param, Name)} {End}", "qm p1 t1 kv secret Phase ViscosityNorm LineSize "},
      {"{Loop(Param, AlphaNumOrder)}{Param(Param, Name)} {End}", "kv p1 t1 qm LineSize Phase ViscosityNorm "},
      {"{Loop(Param, InvAlphaNumOrder)}{Param(Param, Name)} {End}", "ViscosityNorm Phase LineSize qm t1 p1 kv "},
      // The loop element is "sourceparam" in conditions.
      {"{Loop(Param)}{If(sourceparam.iscalculated)}{Param(Param, Name)}={Param(Param, Value, , , 0.0)}{End}{End}",
       "kv=164.9"},
      {"{Loop(Param)}{If(sourceparam.troubletype < 8)}{Param(Param, Name)}: {Param(Param, CalcMessage)}{End}{End}",
       "kv: Starke Kavitation: Verschleiß und Geräusch sind zu erwarten."},
      // A loop without elements erases up to its End, nested commands included.
      {"A{Loop(Pages)}x{Param(qm, Value)}{If(1 = 1)}y{Else}z{End}{Loop(Param)}p{End}{End}B", "AB"},
      {"A{Loop(NoSuchKind)}x{End}B", "AB"},
      {"{Loop(Calc)}[{FileName}:{Loop(Param)}{Param(Param, Name)}{End}]{End}", "[liquid.cvc:qmp1t1kvPhaseViscosityNormLineSize]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    EXPECT_EQ(Run(c.document), c.result);
  }
}

TEST_F(ExportTemplates, AdditionalParametersPagesAndGroups) {
  AddAddParam(calc_, "Project", "THXAddDataInt", "Projekt", "Anlage 7");
  TBixBinaryTag& count = AddAddParam(calc_, "Count", "THXAddDataInt", "Anzahl", "");
  calc_.AddLongIntAttr(count, "Data", 3);
  TBixBinaryTag& ref = AddAddParam(calc_, "Flow", "THXAddDataParameter", "Durchfluss", "");
  calc_.AddStrAttr(ref, "Data", "qm");
  AddAddParam(calc_, "Empty", "THXAddDataInt", "Leer", "");
  TBixBinaryTag& structure = calc_.GetStructureTag();
  TBixBinaryTag& page = calc_.AddTag(structure, "Page1");
  calc_.AddStrAttr(page, "Caption", "Betrieb");
  TBixBinaryTag& group = calc_.AddTag(page, "Group1");
  calc_.AddStrAttr(group, "Caption", "Drucke");
  calc_.AddTag(group, "p1");
  calc_.AddTag(group, "xt");  // unused: skipped
  TBixBinaryTag& hidden = calc_.AddTag(structure, "Page2");
  calc_.AddStrAttr(hidden, "Caption", "Intern");
  calc_.AddBooleanAttr(hidden, "Visible", false);
  struct Case { const char* document; const char* result; };
  const Case cases[] = {
      {"{Loop(AddParam)}{AddParam(AddParam, Caption)}={AddParam(AddParam, Text)};{End}",
       "Projekt=Anlage 7;Anzahl=3;Durchfluss=347.5;"},
      {"{AddParam(Flow, Value, , , 0.0)} {AddParam(Flow, Unit)} {AddParam(Count, Data)}", "347.5 t/h 3"},
      {"{Loop(AddParam, WantEmpty)}{AddParam(AddParam, Name)} {End}", "Project Count Flow Empty "},
      {"{Loop(Page)}<{Param(Page, Caption)}{Loop(Group)}/{Param(Group, Caption)}:{Loop(Param)}{Param(Param, Name)}{End}{End}>{End}",
       "<Betrieb/Drucke:p1>"},
      {"{Loop(Page, WantInvisible)}{Param(Page, Caption)} {End}", "Betrieb Intern "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    EXPECT_EQ(Run(c.document), c.result);
  }
  // The pages a calculation is shown in reach its file as written on saving.
  TSuperCalcModule m;
  m.GetMainCalcModule()->AddItem<tCalcString>("Tag")->SetText("FV 101");
  SetCalculationStructure(m, {{{"Kopfdaten", true, {{"Kennung", {"Tag", "Identifier"}}}}}});
  THXFile saved;
  saved.SCMToFile(TGUID{}, "s.cvc", [&](THXFile& f, TBixBinaryTag& tag) { SuperModuleSaveToTag(m, f, tag); });
  auto t = TAsciiExpTemplate::FromText(
      "{Loop(Pages)}{Param(Pages, Caption)}{Loop(Groups)}/{Param(Groups, Caption)}:{Loop(Param)}"
      "{Param(Param, Name)}={Param(Param, DisplayText)}{End}{End}{End}");
  t->SetCalculations({&saved});
  t->Execute();
  EXPECT_EQ(t->Documents().at(0).Text, "Kopfdaten/Kennung:Tag=FV 101");
  SetCalculationStructure(m, {});
}

TEST_F(ExportTemplates, HtmlDocumentsEscapeInsertedValuesOnly) {
  TBixBinaryTag* kv = calc_.GetParameterTag("kv");
  calc_.AddStrAttr(*kv, "Caption", "Kv <Ventil> & \"Sitz\"");
  const std::string doc = "<td>{Param(kv, Caption)}</td>";
  EXPECT_EQ(Run(doc, true), "<td>Kv &lt;Ventil&gt; &amp; &quot;Sitz&quot;</td>");
  EXPECT_EQ(Run(doc, false), "<td>Kv <Ventil> & \"Sitz\"</td>");
  // The extension decides when the settings do not.
  Write("r.html", doc);
  auto t = CreateExportTemplate(Path("r.html"));
  t->SetCalculations({&calc_});
  t->Execute();
  EXPECT_EQ(t->Documents()[0].Text, "<td>Kv &lt;Ventil&gt; &amp; &quot;Sitz&quot;</td>");
}

TEST_F(ExportTemplates, SettingsFileRoundTripAndEncodings) {
  TExportTemplateSettings s;
  s.Caption = "Prüfbericht";
  s.Description = "Erste Zeile\nZweite Zeile";
  s.ID = "x.1";
  s.BeginMeta = "[[";
  s.EndMeta = "]]";
  s.Count = "MultiFile";
  s.Modules = "ControlValves, TCMOrificePlates";
  s.UseInternalGUI = true;
  s.MultiPage = "Pages";
  s.Escape = "HTML";
  for (const char* name : {"a.hxe", "a.hxe_u8"}) {
    SCOPED_TRACE(name);
    s.SaveToIni(Path(name));
    const std::string bytes = Read(name);
    EXPECT_NE(bytes.find("Description=Erste Zeile||Zweite Zeile"), std::string::npos);
    // "hxe" files are Windows-1252, "hxe_u8" files UTF-8.
    EXPECT_NE(bytes.find(std::string(name) == "a.hxe" ? "Caption=Pr\xFC" "fbericht" : "Caption=Prüfbericht"),
              std::string::npos);
    TExportTemplateSettings r;
    r.LoadFromIni(Path(name));
    EXPECT_EQ(r.Caption, s.Caption);
    EXPECT_EQ(r.Description, s.Description);
    EXPECT_EQ(r.ID, "x.1");
    EXPECT_EQ(r.BeginMeta, "[[");
    EXPECT_EQ(r.EndMeta, "]]");
    EXPECT_EQ(r.BeginComment, "/*");
    EXPECT_EQ(r.CountMode(), TExportCount::MultiFile);
    EXPECT_TRUE(r.UseInternalGUI);
    EXPECT_FALSE(r.WantIntExtSelect);
    EXPECT_EQ(r.MultiPage, "Pages");
    EXPECT_EQ(r.Escape, "HTML");
    EXPECT_TRUE(r.AcceptsModule("TCMControlValves"));
    EXPECT_TRUE(r.AcceptsModule("TCMOrificePlates"));
    EXPECT_FALSE(r.AcceptsModule("TCMResistors"));
  }
  // Missing keys keep their defaults; empty markers fall back to them.
  Write("min.hxe", "[Format]\r\nBeginMeta=\r\n; a comment\r\n[Calculations]\r\nCount=1\r\n");
  TExportTemplateSettings m;
  m.LoadFromIni(Path("min.hxe"));
  EXPECT_EQ(m.BeginMeta, "{");
  EXPECT_EQ(m.Modules, "*");
  EXPECT_EQ(m.CountMode(), TExportCount::Single);
  EXPECT_TRUE(m.AcceptsModule("TAnything"));
  EXPECT_THROW(m.LoadFromIni(Path("missing.hxe")), EExportTemplate);
  EXPECT_THROW(s.SaveToIni(Path("no/such/folder/a.hxe")), EExportTemplate);
}

TEST_F(ExportTemplates, CustomMarkersFromTheSettingsFile) {
  Write("r.txt", "{ literal braces } [[Param(qm, Value)]] <!-- [[Param(p1, Value)]] -->x");
  Write("r.hxe", "[Format]\nBeginMeta=[[\nEndMeta=]]\nBeginComment=<!--\nEndComment=-->\n");
  auto t = CreateExportTemplate(Path("r.txt"));
  EXPECT_EQ(t->SettingsFile(), Path("r.hxe"));
  t->SetCalculations({&calc_});
  t->Execute();
  EXPECT_EQ(t->Documents()[0].Text, "{ literal braces } 347.544 x");
}

TEST_F(ExportTemplates, SeveralCalculations) {
  auto run = [&](const char* count, const char* doc) {
    auto t = TAsciiExpTemplate::FromText(doc);
    t->Settings.Count = count;
    t->SetCalculations({&calc_, &other_});
    t->Execute();
    std::vector<std::string> texts;
    for (const auto& d : t->Documents()) texts.push_back(d.Text);
    return texts;
  };
  EXPECT_EQ(run("MultiFile", "{FileName};"), (std::vector<std::string>{"liquid.cvc;", "gas.cvc;"}));
  EXPECT_EQ(run("Continous", "{FileName};"), (std::vector<std::string>{"liquid.cvc;gas.cvc;"}));
  EXPECT_EQ(run("", "{FileName};"), (std::vector<std::string>{"liquid.cvc;gas.cvc;"}));
  EXPECT_EQ(run("MultiPage", "{FileName};"), (std::vector<std::string>{"liquid.cvc;\fgas.cvc;"}));
  EXPECT_EQ(run("Multi", "{FileName}:{Loop(Calculations)}{FileName}={Param(kv, Value, , , 0.0)} {End}/{FileName}"),
            (std::vector<std::string>{"liquid.cvc:liquid.cvc=164.9 gas.cvc=71.0 /liquid.cvc"}));
  auto single = TAsciiExpTemplate::FromText("x");
  single->Settings.Count = "1";
  single->SetCalculations({&calc_, &other_});
  EXPECT_THROW(single->Execute(), EExportTemplate);
  auto other = TAsciiExpTemplate::FromText("x");
  other->Settings.Modules = "OrificePlates";
  other->SetCalculations({&calc_});
  try {
    other->Execute();
    ADD_FAILURE() << "a template for other calculations must refuse this one";
  } catch (const EExportTemplate& e) {
    EXPECT_NE(std::string(e.what()).find("TCMControlValves"), std::string::npos) << e.what();
  }
}

TEST_F(ExportTemplates, ACancelledRunKeepsWhatItProduced) {
  auto t = TAsciiExpTemplate::FromText("a{FileName}b{FileName}c{FileName}d");
  int steps = 0;
  t->OnCancelQuery = [&] { return ++steps == 2; };
  std::vector<std::size_t> progress;
  t->OnProgress = [&](std::size_t done, std::size_t) { progress.push_back(done); };
  t->SetCalculations({&calc_, &other_});
  t->Execute();
  EXPECT_TRUE(t->Cancelled());
  ASSERT_EQ(t->Documents().size(), 1u);
  EXPECT_EQ(t->Documents()[0].Text, "aliquid.cvcbliquid.cvc");
  EXPECT_EQ(progress, (std::vector<std::size_t>{1}));  // the second calculation never started
}

// A field may not ask for gigabytes of padding or of digits: the template is
// refused with the field named, before anything is allocated.
TEST_F(ExportTemplates, FieldWidthsAndDigitsBeyondTheLimitsAreRefused) {
  struct Case { const char* document; const char* error; };
  const Case cases[] = {
      {"{Param(kv, Value, alRight, 2147483647)}", "field param(kv, Value, alRight, 2147483647): width 2147483647"},
      {"{Param(kv, Value, alRight, 99999999999999999999)}", "width 99999999999999999999 is more than 1000"},
      {"{FileName(alLeft, 1001)}", "field filename(alLeft, 1001)"},
      {"{Infos(Caption, alLeft, 5000)}", "field infos(Caption, alLeft, 5000)"},
      {"{Param(kv, Value, , , 0.0000000000000000000000000000000000000000000000000000000000000)}",
       "more than 60 digits"},
      {"{Param(kv, Value, , , 000000000000000000000000000000000000000000000000000000000000000000000)}",
       "more than 60 digits"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    auto t = TAsciiExpTemplate::FromText(c.document, false);
    t->SetCalculations({&calc_});
    try {
      t->Execute();
      ADD_FAILURE() << "no error";
    } catch (const EExportTemplate& e) {
      EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
    }
  }
  // At the limits the fields are laid out in full.
  EXPECT_EQ(Run("{Param(kv, Value, alRight, 1000)}").size(), 1000u);
  const std::string sixty = Run("{Param(kv, Value, , , 0.000000000000000000000000000000000000000000000000000000000000)}");
  EXPECT_EQ(sixty.size(), 4u + 60u);
  EXPECT_EQ(sixty.substr(0, 12), "164.92148329");
}

TEST_F(ExportTemplates, OfficeAndUnknownDocumentsAreRefused) {
  for (const char* name : {"r.xlsx", "r.xls", "r.docx", "r.doc", "r.pdf"}) {
    SCOPED_TRACE(name);
    Write(name, "x");
    try {
      CreateExportTemplate(Path(name));
      ADD_FAILURE();
    } catch (const EExportTemplate& e) {
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(TExportTemplFileExt("HTML"), TExportTemplKind::Text);
  EXPECT_EQ(TExportTemplFileExt(".xlsm"), TExportTemplKind::Spreadsheet);
  EXPECT_THROW(CreateExportTemplate(Path("missing.txt")), EExportTemplate);
}

TEST_F(ExportTemplates, TemplateFoldersUserBeforeProgram) {
  const fs::path user = dir_ / "xdg" / "torvacalc" / "templates";
  const fs::path program = dir_ / "data" / "templates";
  fs::create_directories(user);
  fs::create_directories(program);
  std::ofstream(user / "report.hxe") << "[Informations]\nCaption=Mein Bericht\n";
  std::ofstream(user / "report.txt") << "mine";
  std::ofstream(program / "report.hxe") << "[Informations]\nCaption=Mitgeliefert\n";
  std::ofstream(program / "report.txt") << "shipped";
  std::ofstream(program / "sheet.hxe_u8") << "[Informations]\nCaption=Tabelle\n";
  std::ofstream(program / "sheet.xlsx") << "x";
  std::ofstream(program / "orphan.hxe") << "";
  const char* oldXdg = std::getenv("XDG_DATA_HOME");
  const char* oldData = std::getenv("TORVACALC_DATA");
  const std::string savedXdg = oldXdg ? oldXdg : "", savedData = oldData ? oldData : "";
  setenv("XDG_DATA_HOME", (dir_ / "xdg").c_str(), 1);
  setenv("TORVACALC_DATA", (dir_ / "data").c_str(), 1);
  TExpTempGlobalList list;
  list.Refresh();
  if (oldXdg) setenv("XDG_DATA_HOME", savedXdg.c_str(), 1); else unsetenv("XDG_DATA_HOME");
  if (oldData) setenv("TORVACALC_DATA", savedData.c_str(), 1); else unsetenv("TORVACALC_DATA");

  ASSERT_EQ(list.Items().size(), 3u);
  const TExpTempInfo* report = list.Find("REPORT.hxe");
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->Caption, "Mein Bericht");
  EXPECT_EQ(report->DocumentFile, (user / "report.txt").string());
  ASSERT_NE(list.Find("sheet"), nullptr);
  EXPECT_EQ(list.Find("sheet")->DocumentFile, (program / "sheet.xlsx").string());
  ASSERT_NE(list.Find("orphan"), nullptr);
  EXPECT_EQ(list.Find("orphan")->DocumentFile, "");
  EXPECT_EQ(list.Find("nothing"), nullptr);
}

// The document is read into steps once and run for every calculation:
// loops jump back into it, comments and conditions stay where they are,
// and markers changed between runs read it again.
TEST_F(ExportTemplates, ADocumentReadOnceRunsTheSameForEveryCalculation) {
  const std::string doc =
      "[{FileName}]/* a {Param(kv, Value)} comment */{If(kv.value > 100)}big{Else}small{End}"
      "{Loop(Param, AlphaNumOrder)}{If(sourceparam.name = \"kv\")}<{Param(Param, Name)}>{End}{End}"
      "{Param(kv, Value, alRight, 8, 0.0)}|[[FileName]]";
  auto t = TAsciiExpTemplate::FromText(doc);
  t->Settings.Count = "MultiFile";
  t->SetCalculations({&calc_, &other_, &calc_});
  t->Execute();
  ASSERT_EQ(t->Documents().size(), 3u);
  EXPECT_EQ(t->Documents()[0].Text, "[liquid.cvc]big<kv>   164.9|[[FileName]]");
  EXPECT_EQ(t->Documents()[1].Text, "[gas.cvc]small<kv>    71.0|[[FileName]]");
  EXPECT_EQ(t->Documents()[2].Text, t->Documents()[0].Text);
  // Other markers: the same template object reads its text again.
  t->Settings.BeginMeta = "[[";
  t->Settings.EndMeta = "]]";
  t->SetCalculations({&other_});
  t->Execute();
  ASSERT_EQ(t->Documents().size(), 1u);
  const std::string& again = t->Documents()[0].Text;
  EXPECT_EQ(again.substr(again.size() - 8), "|gas.cvc");
  EXPECT_NE(again.find("{FileName}"), std::string::npos) << again;
}

// A field beyond the limits fails when it is filled, not when the document
// is read: inside a branch that is left out, it does no harm.
TEST_F(ExportTemplates, FieldsBeyondTheLimitsFailOnlyWhenFilled) {
  EXPECT_EQ(Run("a{If(kv.value < 0)}{Param(kv, Value, alRight, 5000)}{End}b"), "ab");
  EXPECT_THROW(Run("a{If(kv.value > 0)}{Param(kv, Value, alRight, 5000)}{End}b"), EExportTemplate);
}

// An owner that takes the calculations back as they are done gets each
// once, in order, after its document. Calculations asked for when the run
// reaches them come one at a time, each handed back before the next is
// asked for, except in a run that loops over all of them; the documents are
// those of calculations given at once, and a calculation of a kind the
// template does not take stops the run there.
TEST_F(ExportTemplates, CalculationsAskedForWhenTheRunReachesThemAndHandedBackWhenDone) {
  struct Case { const char* count; const char* events; };
  const Case cases[] = {{"MultiFile", "n0 d0 n1 d1 "}, {"MultiPage", "n0 d0 n1 d1 "}, {"Multi", "n0 n1 d0 d1 "}};
  const std::string text = "{Loop(Calculations)}{FileName};{End}{FileName}|{Param(kv, Value)}";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    auto given = TAsciiExpTemplate::FromText(text);
    given->Settings.Count = c.count;
    given->SetCalculations({&calc_, &other_});
    std::vector<std::size_t> done;
    given->OnCalculationDone = [&](std::size_t i) { done.push_back(i); };
    given->Execute();
    EXPECT_EQ(done, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(given->CurrentCalculation(), nullptr);

    auto asked = TAsciiExpTemplate::FromText(text);
    asked->Settings.Count = c.count;
    asked->SetCalculations({nullptr, nullptr});
    std::string events;
    asked->OnCalculationNeeded = [&](std::size_t i) -> const THXFile* {
      events += "n" + std::to_string(i) + " ";
      return i == 0 ? &calc_ : &other_;
    };
    asked->OnCalculationDone = [&](std::size_t i) { events += "d" + std::to_string(i) + " "; };
    asked->Execute();
    EXPECT_EQ(events, c.events);
    ASSERT_EQ(asked->Documents().size(), given->Documents().size());
    for (std::size_t d = 0; d < given->Documents().size(); ++d)
      EXPECT_EQ(asked->Documents()[d].Text, given->Documents()[d].Text);

    auto picky = TAsciiExpTemplate::FromText(text);
    picky->Settings.Count = c.count;
    picky->Settings.Modules = "OrificePlates";
    picky->SetCalculations({nullptr, nullptr});
    picky->OnCalculationNeeded = [&](std::size_t i) -> const THXFile* { return i == 0 ? &calc_ : &other_; };
    EXPECT_THROW(picky->Execute(), EExportTemplate);
  }
}

}  // namespace
