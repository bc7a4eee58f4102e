// The specification sheet as the purchaser receives it: the PDF read back
// with pdftotext holds every field of the checklist (docs/data_sheet.md)
// in both languages, the header items entered by case file survive saving
// and reopening, the promised page count holds with one and with four
// points, and the PDF file itself is well formed.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "framework/translation.h"
#include "sheet/sheet_layout.h"
#include "sheet/sheet_writers.h"
#include "sheet/text_metrics.h"
#include "shell/program_run.h"
#include "temp_folder.h"
#include "workspace/entries.h"
#include "workspace/torva_workspace.h"

namespace torvacalc {
namespace {

class Sheet : public TempFolderTest {
 protected:
  void TearDown() override {
    SetLanguage("de");
    TempFolderTest::TearDown();
  }
  // The text of a PDF file as a reader extracts it (empty without
  // pdftotext).
  std::string PdfText(const std::string& pdf) {
    if (std::system("command -v pdftotext > /dev/null") != 0) return {};
    const std::string cmd = "pdftotext -layout '" + Path(pdf) + "' -";
    std::string text;
    if (FILE* p = popen(cmd.c_str(), "r")) {
      char buf[4096];
      for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
      pclose(p);
    }
    return text;
  }
  static std::string Example(const std::string& name) { return SourceFile("examples/" + name); }
};

// Every field of the checklist, as the German and the English sheet label
// it (the IEC 60534-7 field each fills is in docs/data_sheet.md).
const std::vector<std::pair<const char*, const char*>> kChecklist = {
    {"Stellventil-Datenblatt", "Control valve specification sheet"},
    {"Kunde", "Customer"}, {"Projekt", "Project"}, {"Anlage / Standort", "Plant / site"},
    {"Messstellennummer", "Tag number"}, {"Aufgabe", "Service"}, {"R&I-Fließbild", "P&ID"},
    {"Leitungsnummer", "Line number"}, {"Dokumentnummer", "Document number"}, {"Revision", "Revision"},
    {"Datum", "Date"}, {"Erstellt", "Prepared"}, {"Geprüft", "Checked"}, {"Freigegeben", "Approved"},
    {"Seite 1 von 2", "Page 1 of 2"}, {"Berechnet mit Torvacalc", "Computed with Torvacalc"},
    {"Nennweite Eintritt / Austritt", "Line size inlet / outlet"}, {"Rohrnorm / Wanddicke", "Pipe standard / wall"},
    {"Rohrwerkstoff", "Pipe material"}, {"Isolierung", "Insulation"}, {"Medium", "Medium"}, {"Phase", "Phase"},
    {"Kritischer Druck", "Critical pressure"},
    {"Massenstrom", "Mass flow"}, {"Eintrittsdruck p1", "Inlet pressure p1"},
    {"Austrittsdruck p2", "Outlet pressure p2"},
    {"Differenzdruck", "Pressure drop"}, {"Eintrittstemperatur T1", "Inlet temperature T1"},
    {"Dichte am Eintritt", "Density at the inlet"}, {"Dampfdruck pv", "Vapour pressure pv"},
    {"Dynamische Viskosität", "Dynamic viscosity"}, {"Erforderlicher Kv", "Required Kv"},
    {"Öffnung Kv/Kvs", "Opening Kv/Kvs"}, {"Hub h/H100", "Travel h/H100"}, {"Strömungszustand", "Flow state"},
    {"Geschwindigkeit Eintrittsleitung", "Velocity in inlet pipe"},
    {"Geschwindigkeit Austrittsleitung", "Velocity in outlet pipe"},
    {"Schalldruckpegel dB(A) in 1 m", "Sound pressure level dB(A) at 1 m"},
    {"Bauform", "Style"}, {"Nenndruck (PN / Class)", "Pressure rating (PN / class)"},
    {"Anschlussart", "End connections"},
    {"Baulänge", "Face-to-face"}, {"Gehäusewerkstoff", "Body material"}, {"Oberteil", "Bonnet"},
    {"Stopfbuchse", "Packing"}, {"Garniturbauart", "Trim type"}, {"Kennlinie", "Characteristic"},
    {"Sitzdurchmesser", "Seat diameter"}, {"Nennhub", "Rated travel"}, {"Kvs-Wert", "Kvs value"},
    {"FL / xT", "FL / xT"},
    {"Garniturwerkstoff", "Trim material"}, {"Leckageklasse", "Leakage class"},
    {"Sicherheitsstellung", "Fail position"}, {"Federbereich", "Spring range"}, {"Zuluftdruck", "Air supply pressure"},
    {"Erforderliche Stellkraft", "Required thrust"}, {"Verfügbare Stellkraft", "Available thrust"},
    {"Stellungsregler", "Positioner"}, {"Eingangssignal", "Input signal"}, {"Zubehör", "Accessories"},
    {"Berechnungsverfahren", "Method"}, {"Zulässiger Schalldruckpegel", "Allowable sound pressure level"}, {"Betriebskennlinie", "Installed characteristic"},
    {"Geräuschspektrum", "Noise spectrum"}, {"Meldungen, die eine Maßnahme erfordern", "Messages that need action"},
    {"Anforderungen und Bemerkungen", "Requirements and notes"},
};

// The whitespace of pdftotext's columns is not the sheet's: compare with
// every run of blanks as one.
std::string Squeezed(const std::string& s) {
  std::string out;
  for (const char c : s) {
    const bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
    if (!blank) out += c;
    else if (out.empty() || out.back() != ' ') out += ' ';
  }
  return out;
}

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
  return s;
}

TEST_F(Sheet, PdfTextHoldsEveryChecklistFieldInBothLanguages) {
  for (const char* lang : {"de", "en"}) {
    SCOPED_TRACE(lang);
    const std::string pdf = std::string("water_") + lang + ".pdf";
    const ProgramRun run = RunOk({"sheet", Example("valve_water.case"), "-o", Path(pdf), "--lang", lang});
    const std::string text = Squeezed(PdfText(pdf));
    if (text.empty()) GTEST_SKIP() << "pdftotext is not installed";
    for (const auto& [de, en] : kChecklist) EXPECT_NE(text.find(lang[0] == 'd' ? de : en), std::string::npos) << de;
    EXPECT_NE(text.find("40 m³/h"), std::string::npos);  // the rated Kvs
    // The HTML of the same layout holds the same labels.
    ASSERT_EQ(RunProgram({"sheet", Example("valve_water.case"), "-o", Path("w.html"), "--lang", lang}).code, 0);
    const std::string html = Replaced(Read("w.html"), "&amp;", "&");
    for (const auto& [de, en] : kChecklist) EXPECT_NE(html.find(lang[0] == 'd' ? de : en), std::string::npos) << de;
  }
}

TEST_F(Sheet, HeaderItemsOfACaseFileSurviveSavingAndPrint) {
  const std::vector<std::pair<std::string, std::string>> header = {
      {"Tag", "FV-101"},          {"Project", "Fernwärme Süd"},  {"Customer", "Stadtwerke Großenhain"},
      {"Plant", "Heizwerk 3"},    {"Service", "Speisewasserregelung"}, {"LineNo", "80-FW-1012"},
      {"PID", "PID-4711"},        {"SheetNo", "7"},              {"DocumentNo", "DS-0815"},
      {"Revision", "C"},          {"SheetDate", "2026-12-07"},   {"PreparedBy", "J. Müller"},
      {"CheckedBy", "K. Weiß"},   {"ApprovedBy", "L. Öztürk"},   {"EndConnection", "Flansch B1 PN 40"},
      {"BodyMaterial", "1.0619"}, {"Positioner", "digital, HART"}, {"SheetNotes", "Prüfung nach EN 12266-1"}};
  std::ofstream(Path("fv101.case")) << "# the water example with its document header\n";
  {
    std::ofstream c(Path("fv101.case"), std::ios::app);
    for (const auto& [name, value] : header) c << name << " = " << value << "\n";
  }
  // The header alone, after the example's own entries.
  const ProgramRun saved =
      RunProgram({"run", Example("valve_water.case"), "@" + Path("fv101.case"), "-o", Path("fv101.cvc")});
  ASSERT_EQ(saved.code, 0) << saved.err;
  TTorvaWorkspace reopened;
  reopened.Load(Path("fv101.cvc"));
  for (const auto& [name, value] : header) EXPECT_EQ(ItemValueText(*reopened.Item(name, 0)), value) << name;

  ASSERT_EQ(RunProgram({"sheet", Path("fv101.cvc"), "-o", Path("out/")}).code, 0);
  const std::string text = Squeezed(PdfText("out/FV-101.pdf"));
  if (text.empty()) GTEST_SKIP() << "pdftotext is not installed";
  for (const auto& [name, value] : header) EXPECT_NE(text.find(value), std::string::npos) << name;
  EXPECT_NE(Read("out/index.csv").find("FV-101,Speisewasserregelung,DN 50 (NPS 2),40 m³/h,"), std::string::npos)
      << Read("out/index.csv");
}

// Everything drawn lies on the paper inside the margins, and the sheet has
// the pages it says it has, with one active point and with four, in both
// paper sizes.
TEST_F(Sheet, PromisedPageCountHoldsWithOneAndFourPoints) {
  const struct {
    const char* example;
    std::vector<std::string> extra;
    int points;
    bool parts = true;  // charts, messages and requirements printed
  } rows[] = {
      {"valve_water.case", {}, 4},
      {"valve_water.case", {}, 4, false},
      {"valve_water.case", {"NoOfEnteredOps=1", "UseXthOp=nein"}, 1},
      {"valve_natural_gas.case", {}, 0},
      // nineteen messages, four of two lines: page 2 of a Letter sheet nearly full
      {"valve_flashing.case", {"DN=15", "DN1=15", "p2=14", "p2Ap2=13", "p2Ap3=20", "T1=900"}, 3},
  };
  for (const auto& row : rows) {
    for (TPaper paper : {TPaper::A4, TPaper::Letter}) {
      SCOPED_TRACE(row.example + std::string(paper == TPaper::A4 ? " A4" : " Letter"));
      TTorvaWorkspace ws;
      std::vector<std::string> entries = ReadCaseFile(Example(row.example));
      entries.insert(entries.end(), row.extra.begin(), row.extra.end());
      ws.EnterAll(entries);
      TSheetOptions options{paper, "x.cvc"};
      options.charts = options.messages = options.requirements = row.parts;
      const TSheetDocument doc = LayoutSheet(ws, options);
      ASSERT_EQ(doc.pages.size(), static_cast<size_t>(kSheetPages));
      int pointColumns = 0, parts = 0;
      for (size_t p = 0; p < doc.pages.size(); ++p) {
        bool promise = false;
        for (const TSheetItem& item : doc.pages[p].items) {
          double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
          if (const auto* b = std::get_if<TSheetBox>(&item)) {
            x0 = b->x, y0 = b->y, x1 = b->x + b->w, y1 = b->y + b->h;
          } else if (const auto* t = std::get_if<TSheetText>(&item)) {
            const double w = TextWidth(t->text, t->size, t->bold);
            x0 = t->align == TAlign::Left ? t->x : t->align == TAlign::Right ? t->x - w : t->x - w / 2;
            x1 = x0 + w, y0 = t->y - t->size, y1 = t->y;
            promise = promise || t->text == "Seite " + std::to_string(p + 1) + " von 2";
            if (p == 0 && t->text.rfind("Betriebspunkt ", 0) == 0) ++pointColumns;
            for (const char* part : {"Betriebskennlinie", "Meldungen, die eine Maßnahme erfordern",
                                     "Anforderungen und Bemerkungen"})
              if (t->text == part) ++parts;
          } else {
            continue;
          }
          EXPECT_GE(x0, 27.9);
          EXPECT_GE(y0, 27.9);
          EXPECT_LE(x1, doc.size.width - 27.9);
          EXPECT_LE(y1, doc.size.height - 27.9);
        }
        EXPECT_TRUE(promise) << "page " << p + 1;
      }
      if (row.points > 0) {
        EXPECT_EQ(pointColumns, row.points);
      }
      EXPECT_EQ(parts, row.parts ? 3 : 0);
    }
  }
}

// The writer's own structure: every object where the cross-reference table
// says it is, the umlauts in Windows-1252, the text measured with the
// published widths.
TEST_F(Sheet, PdfIsWellFormedAndTextIsMeasuredWithTheFontWidths) {
  TSheetDocument doc;
  doc.title = "Prüfung";
  doc.pages.resize(2);
  TSheetText text{40, 60, 10, false, {}};
  text.text = "Straße (ä ö ü) 20 °C 3 m³/h 5 µm";
  doc.pages[0].items.push_back(text);
  doc.pages[1].items.emplace_back(TSheetBox{40, 40, 100, 20});
  const std::string pdf = PdfOfDocument(doc, false);
  EXPECT_NE(pdf.find("(Stra\\337e \\(\\344 \\366 \\374\\) 20 \\260C 3 m\\263/h 5 \\265m) Tj"), std::string::npos);
  const size_t xref = pdf.find("\nxref\n") + 1;
  EXPECT_EQ(pdf.substr(pdf.find("startxref\n") + 10, std::to_string(xref).size()), std::to_string(xref));
  const std::string table = pdf.substr(xref);
  // Each entry "0000000123 00000 n" points at its object.
  int object = 0;
  for (size_t at = table.find(" 00000 n"); at != std::string::npos; at = table.find(" 00000 n", at + 1)) {
    ++object;
    const size_t offset = std::stoul(table.substr(at - 10, 10));
    EXPECT_EQ(pdf.compare(offset, std::to_string(object).size() + 6, std::to_string(object) + " 0 obj"), 0) << object;
  }
  EXPECT_EQ(object, 9);  // catalogue, pages, two fonts, information, two pages with their contents

  // Widths of Helvetica.afm / Helvetica-Bold.afm: "Betriebspunkt" is
  // B 667 e 556 t 278 r 333 i 222 e 556 b 556 s 500 p 556 u 556 n 556 k 500 t 278.
  const struct {
    const char* text;
    bool bold;
    double width;  // at 10 pt
  } widths[] = {{"Betriebspunkt", false, 61.14}, {"Betriebspunkt", true, 67.23}, {"äöüß", false, 22.79},
                {"°C", false, 11.22}};
  for (const auto& w : widths) EXPECT_NEAR(TextWidth(w.text, 10, w.bold), w.width, 1e-9) << w.text;
  // Lines break at blanks only; a word is never split, however narrow.
  for (const std::string& line : BreakLines("Betriebspunkt Eintrittstemperatur Durchflusskennlinie", 20, 10, false))
    EXPECT_TRUE(line == "Betriebspunkt" || line == "Eintrittstemperatur" || line == "Durchflusskennlinie") << line;
}

}  // namespace
}  // namespace torvacalc
