// The desktop program, headless: the main window on the valve examples,
// typing values with units, refused input, undo, files and their locks,
// macro lines that open and print, and the single-instance race of two
// real program starts.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/calculation_file.h"
#include "framework/number_text.h"
#include "framework/options.h"
#include "framework/settings.h"
#include "framework/translation.h"
#include "framework/units.h"
#include "gui/batch_export.h"
#include "gui/calculation_view.h"
#include "gui/characteristics_window.h"
#include "gui/data_sheet.h"
#include "gui/file_lock.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"
#include "gui/startup.h"
#include "shell/cli.h"
#include "valves/cm_control_valves.h"

using namespace torvacalc;
namespace fs = std::filesystem;

namespace {

std::string Env(const char* name, const char* def = "") {
  const char* v = std::getenv(name);
  return v ? v : def;
}

// The output of the command-line program for the same input.
std::string RunCli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunMain(args, out, err);
  if (code != 0) qWarning("torvacalc %s: %s", args[0].c_str(), err.str().c_str());
  return out.str();
}

QJsonObject CliItems(const std::vector<std::string>& args) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(RunCli(args))).object()["items"].toObject();
}

QString EditorText(TCalculationView& v, const std::string& name) {
  QWidget* w = v.ValueEditor(name, 0);
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
  if (auto* c = qobject_cast<QCheckBox*>(w)) return Q(Translate(c->isChecked() ? "ja" : "nein"));
  return "<no editor>";
}

// Types into a parameter's field as a user does: select all, type, Return.
void Type(TCalculationView& v, const std::string& name, const QString& text) {
  auto* e = qobject_cast<QLineEdit*>(v.ValueEditor(name, 0));
  QVERIFY2(e, name.c_str());
  e->setFocus();
  e->selectAll();
  QTest::keyClick(e, Qt::Key_Backspace);
  QTest::keyClicks(e, text);
  QTest::keyClick(e, Qt::Key_Return);
}

bool IsPdf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) && f.read(5) == "%PDF-" && f.size() > 1000;
}

// Four operating points side by side, as the whole valve calculation will
// have them: four valve modules in one super module.
class TFourPoints : public TGuiCalculation {
 public:
  TFourPoints() : FSuper(std::make_unique<TSuperCalcModule>("SCMFour")) {
    for (int op = 0; op < 4; ++op)
      FValves[op] = FSuper->CreateModule<TCMControlValves>("CMControlValves" + std::to_string(op + 1));
    FPages = {{"Betriebsdaten", {{"Betriebspunkt", {"qm", "p1", "p2", "kv", "kvs", "WhatToCalculate"}}}}};
    FSuper->SetActive(true);
    RestartHistory();
  }
  ~TFourPoints() override { FSuper->GetCalcMessageContainer()->RemoveAllMessages(); }
  std::string KindName() const override { return "TFourPoints"; }
  std::string FileExtension() const override { return "four"; }
  int OperatingPointCount() const override { return 4; }
  const std::vector<TGuiPage>& Pages() const override { return FPages; }
  TCalcItem* Item(const std::string& name, int op) const override { return FValves[op]->CalcItemByName(name); }
  TSuperCalcModule& Super() override { return *FSuper; }
  void Load(const std::string&) override {}
  void Save(const std::string&) override {}

 private:
  std::unique_ptr<TSuperCalcModule> FSuper;
  TCMControlValves* FValves[4] = {};
  std::vector<TGuiPage> FPages;
};

}  // namespace

class GuiTest : public QObject {
  Q_OBJECT

 private:
  fs::path dir_;
  std::string liquid_, gas_;
  QStringList notices_;
  int askSaveAnswer_ = QMessageBox::Cancel;
  QStringList asked_;
  QString saveAs_;

  std::unique_ptr<TMainWindow> Window() {
    auto w = std::make_unique<TMainWindow>();
    w->Dialogs.Notice = [this](const QString& text, const QString&) { notices_ << text; };
    w->Dialogs.AskSave = [this](const QString& q) {
      asked_ << q;
      return askSaveAnswer_;
    };
    w->Dialogs.ChooseSaveFile = [this](const QString&) { return saveAs_; };
    w->Dialogs.ChooseOpenFile = [] { return QString(); };
    w->PrintPdfFolder = Q((dir_ / "pdf").string());
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w.get())) qWarning("the window did not become active");
    return w;
  }
  std::string Copy(const std::string& from, const std::string& name) {
    const std::string to = (dir_ / name).string();
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    return to;
  }

 private slots:
  void initTestCase() {
    dir_ = fs::temp_directory_path() / ("torvacalc-gui-test-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "config");
    setenv("TORVACALC_CONFIG_DIR", (dir_ / "config").c_str(), 1);
    TSettingsStore::ResetInstance();
    ResetUnitOptions();
    TSettingsStore::Instance().WriteBool("Print", "ToPdf", true);
    TSettingsStore::Instance().Save();
    RegisterCalculationFiles();
    const std::string src = Env("TORVACALC_SOURCE_DIR", ".");
    liquid_ = (dir_ / "liquid.cvc").string();
    gas_ = (dir_ / "gas.cvc").string();
    RunCli({"module", "valve", "@" + src + "/examples/liquid.case", "-o", liquid_});
    RunCli({"module", "valve", "@" + src + "/examples/gas.case", "-o", gas_});
    QVERIFY(fs::exists(liquid_) && fs::exists(gas_));
  }
  void cleanupTestCase() { fs::remove_all(dir_); }
  void init() {
    notices_.clear();
    asked_.clear();
    askSaveAnswer_ = QMessageBox::Cancel;
    saveAs_.clear();
    HXOptions().Language = "de";
    SetLanguage("de");
  }

  // Every item shows the text `torvacalc show` prints for the same file.
  void windowShowsTheNumbersOfTheCommandLine() {
    for (const std::string& file : {liquid_, gas_}) {
      auto w = Window();
      QVERIFY(w->OpenFile(file));
      TCalculationView& v = *w->Current().View;
      const QJsonObject items = CliItems({"show", "--json", file});
      QVERIFY(items.size() > 50);
      int compared = 0;
      for (auto it = items.begin(); it != items.end(); ++it) {
        const QJsonObject o = it.value().toObject();
        const bool undefined = o["kind"] == "parameter" && o["state"] == "vsUndefined";
        const QString expected = undefined ? QString() : o["text"].toString();
        QCOMPARE(EditorText(v, S(it.key())) + " @" + it.key(), expected + " @" + it.key());
        ++compared;
      }
      QCOMPARE(compared, static_cast<int>(items.size()));
    }
  }

  // A value typed with its unit recalculates the module; the result is the
  // one the command line computes, and the new message shows beside the
  // value it concerns. Undo brings everything back.
  void typedValueWithUnitRecalculatesAndUndoRestores() {
    auto w = Window();
    QVERIFY(w->OpenFile(liquid_));
    TCalculationView& v = *w->Current().View;
    const QString kvBefore = EditorText(v, "kv");
    QVERIFY(!w->Action("ActionUndo")->isEnabled());
    QVERIFY(v.MessageTip("kvs", 0).isEmpty());

    Type(v, "qm", "200000 kg/h");
    const QJsonObject cli = CliItems({"module", "valve", "--json", "@" + Env("TORVACALC_SOURCE_DIR", ".") +
                                                                      "/examples/liquid.case", "qm=200000 kg/h"});
    QCOMPARE(EditorText(v, "qm"), cli["qm"].toObject()["text"].toString());
    QCOMPARE(v.UnitChooser("qm")->currentText(), QString("kg/h"));
    QCOMPARE(EditorText(v, "kv"), cli["kv"].toObject()["text"].toString());
    QVERIFY(EditorText(v, "kv") != kvBefore);
    QVERIFY(w->Current().Changed);
    QVERIFY(w->Action("ActionUndo")->isEnabled());

    // A Kvs below the Kv now required: the alarm appears at Kvs.
    Type(v, "kvs", "50 m³/h");
    QVERIFY2(v.MessageTip("kvs", 0).contains("935"), qPrintable(v.MessageTip("kvs", 0)));
    bool listed = false;
    for (int i = 0; i < w->MessageList()->topLevelItemCount(); ++i)
      listed = listed || w->MessageList()->topLevelItem(i)->text(1) == "935";
    QVERIFY(listed);

    w->Undo();
    QCOMPARE(EditorText(v, "kvs"), QString("250"));
    QVERIFY(v.MessageTip("kvs", 0).isEmpty());
    w->Undo();
    QCOMPARE(EditorText(v, "kv"), kvBefore);
    QCOMPARE(v.UnitChooser("qm")->currentText(), QString("t/h"));
    QVERIFY(!w->Action("ActionUndo")->isEnabled());
  }

  // Letters, a unit of another quantity and values out of bounds are
  // refused with the framework's message; the value and the history stay.
  void badInputKeepsThePreviousValue() {
    auto w = Window();
    QVERIFY(w->OpenFile(liquid_));
    TCalculationView& v = *w->Current().View;
    TGuiCalculation& calc = *w->Current().Calc;
    const auto* p1 = calc.Item("p1", 0)->AsParameter();
    const std::string range = FormatMessageText(TDataModuleMessages::Instance().Find(120, "de")->Text,
                                                {p1->ConvertToUnitString(p1->GetLowerBound()),
                                                 p1->ConvertToUnitString(p1->GetUpperBound())});
    struct Case {
      const char* typed;
      std::string error;
    };
    const Case cases[] = {
        {"abc", range},
        {"6,8x", range},
        {"-5", range},
        {"1E30", range},
        {"7 kg/h", FormatMessageText(Translate("Die Einheit [%s] gehoert nicht zur Groesse [%s]."),
                                     {"kg/h", p1->GetQuantityName()})},
        {"7 furlong", FormatMessageText(Translate("Die Einheit [%s] gehoert nicht zur Groesse [%s]."),
                                        {"furlong", p1->GetQuantityName()})},
    };
    const size_t history = calc.Super().GetHistoryCount();
    for (const auto& c : cases) {
      Type(v, "p1", QString::fromUtf8(c.typed));
      QCOMPARE(EditorText(v, "p1") + " <- " + c.typed, QString("6.8 <- ") + c.typed);
      QCOMPARE(v.LastInputError(), c.error);
      QCOMPARE(calc.Super().GetHistoryCount(), history);
      QVERIFY(!w->Current().Changed);
    }
    // A comma is a decimal mark like the point.
    Type(v, "p1", "7,5");
    QCOMPARE(EditorText(v, "p1"), QString("7.5"));
    QVERIFY(v.LastInputError().empty());
  }

  // The unit chooser changes the unit, not the value; the unit moves to the
  // front of the offered units.
  void unitChooserConvertsAndRemembersTheUnit() {
    auto w = Window();
    QVERIFY(w->OpenFile(liquid_));
    TCalculationView& v = *w->Current().View;
    QComboBox* units = v.UnitChooser("p1");
    const Extended before = w->Current().Calc->Item("p1", 0)->AsParameter()->GetValue();
    const int psi = units->findText("psi(a)");
    QVERIFY(psi >= 0);
    units->setCurrentIndex(psi);
    emit units->activated(psi);
    QCOMPARE(EditorText(v, "p1"), QString("98.63"));  // 6.8 bar = 98.626 psi
    QCOMPARE(w->Current().Calc->Item("p1", 0)->AsParameter()->GetValue(), before);
    QCOMPARE(v.UnitChooser("p1")->itemText(0), QString("psi(a)"));
    w->Undo();
    QCOMPARE(EditorText(v, "p1"), QString("6.8"));
  }

  // "Vordruck p1": the Kv found becomes given and the inlet pressure is
  // computed from it.
  void inletPressureFromTheFoundKv() {
    auto w = Window();
    QVERIFY(w->OpenFile(liquid_));
    TCalculationView& v = *w->Current().View;
    auto* what = qobject_cast<QComboBox*>(v.ValueEditor("WhatToCalculate", 0));
    QVERIFY(what);
    QVERIFY(w->Action("ActionCalculateP1")->isEnabled());
    w->Action("ActionCalculateP1")->trigger();
    QCOMPARE(what->currentIndex(), 2);  // "Eintrittsdruck"
    QCOMPARE(ItemLook(*w->Current().Calc->Item("p1", 0)), TItemLook::Calculated);
    QCOMPARE(ItemLook(*w->Current().Calc->Item("kv", 0)), TItemLook::User);
    QCOMPARE(EditorText(v, "p1"), QString("6.8"));  // back from the Kv that 6.8 bar(a) gave
  }

  // "Vordruck p1" needs p2, Kv and a flow; a new calculation has no Kv.
  void inletPressureCommandFollowsTheResults() {
    auto w = Window();
    QCOMPARE(w->Count(), 1);
    QVERIFY(!w->Action("ActionCalculateP1")->isEnabled());
    QVERIFY(!w->Action("ActionChars")->isEnabled());
    QVERIFY(w->OpenFile(liquid_));
    QCOMPARE(w->Count(), 1);  // the untouched new calculation gave way
    QVERIFY(w->Action("ActionCalculateP1")->isEnabled());
    QVERIFY(w->Action("ActionChars")->isEnabled());
    Type(*w->Current().View, "p2", "");  // no p2: no Kv
    QVERIFY(!w->Action("ActionCalculateP1")->isEnabled());
  }

  void troubleMakerJumpVisitsTheBlamedItems() {
    auto w = Window();
    QVERIFY(w->OpenFile(liquid_));
    Type(*w->Current().View, "kvs", "100");
    w->JumpToNextTroubleMaker();
    QCOMPARE(w->Current().View->CurrentItemName(), std::string("kvs"));  // the alarm first
  }

  // Files: save as, the lock on the saved file, recent files, reopen.
  void saveAsAndReopenKeepsTheValues() {
    const std::string copy = (dir_ / "saved.cvc").string();
    {
      auto w = Window();
      QVERIFY(w->OpenFile(liquid_));
      Type(*w->Current().View, "p2", "3 bar(a)");
      QVERIFY(w->SaveCalculationAs(0, copy));
      QVERIFY(!w->Current().Changed);
      QVERIFY(TCalcFileHandle::IsLockedByOther(copy));
      QCOMPARE(w->RecentFiles().front(), copy);
      QCOMPARE(CalculationClassOfFile(copy), std::string("TCMControlValves"));
    }
    QVERIFY(!TCalcFileHandle::IsLockedByOther(copy));
    auto w = Window();
    QCOMPARE(w->RecentFiles().front(), copy);
    QVERIFY(w->OpenFile(copy));
    QCOMPARE(EditorText(*w->Current().View, "p2"), QString("3"));
    QVERIFY(!w->Action("ActionUndo")->isEnabled());  // a fresh history
  }

  // "'%s' speichern?": Cancel keeps the calculation, No drops the change,
  // Yes saves; the window always keeps one calculation.
  void closingAChangedCalculationAsks() {
    auto w = Window();
    QVERIFY(w->OpenFile(Copy(liquid_, "close.cvc")));
    Type(*w->Current().View, "p2", "3");
    askSaveAnswer_ = QMessageBox::Cancel;
    QVERIFY(!w->CloseCalculation(0));
    QCOMPARE(asked_.size(), 1);
    QVERIFY(asked_[0].endsWith("speichern?"));
    QCOMPARE(w->Count(), 1);
    askSaveAnswer_ = QMessageBox::Yes;
    QVERIFY(w->CloseCalculation(0));
    QCOMPARE(w->Count(), 1);
    QVERIFY(w->Current().FileName.empty());
    QVERIFY(w->OpenFile((dir_ / "close.cvc").string()));
    QCOMPARE(EditorText(*w->Current().View, "p2"), QString("3"));
    w->NewCalculation();
    QCOMPARE(w->Count(), 2);
    askSaveAnswer_ = QMessageBox::No;
    QVERIFY(w->CloseAll());
    QCOMPARE(w->Count(), 1);
  }

  // A file another process holds opens read-only with the notice; saving
  // under its name is refused, saving under another name works.
  void lockedFileOpensReadOnly() {
    const std::string file = Copy(liquid_, "locked.cvc");
    int ready[2], release[2];
    QVERIFY(::pipe(ready) == 0 && ::pipe(release) == 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
      ::close(release[1]);
      TCalcFileHandle h;
      const char c = h.Open(file) == TCalcFileHandle::orReadWrite ? 'y' : 'n';
      if (::write(ready[1], &c, 1) != 1) _exit(1);
      char x;
      (void)!::read(release[0], &x, 1);  // until the parent closes its end
      _exit(0);
    }
    ::close(release[0]);
    char c = 0;
    QCOMPARE(::read(ready[0], &c, 1), static_cast<ssize_t>(1));
    QCOMPARE(c, 'y');
    {
      auto w = Window();
      QVERIFY(w->OpenFile(file));
      QVERIFY(w->Current().ReadOnly);
      QCOMPARE(notices_.size(), 1);
      QVERIFY(notices_[0].contains("Die Datei [locked.cvc] ist bereits geoeffnet"));
      QVERIFY(notices_[0].contains("[nur lesen]"));
      QVERIFY(!w->Action("ActionSave")->isEnabled());
      QVERIFY(qobject_cast<QLineEdit*>(w->Current().View->ValueEditor("p1", 0))->isReadOnly());
      saveAs_.clear();
      QVERIFY(!w->SaveCalculation(0));  // asks for another name; none given
      QVERIFY(!w->SaveCalculationAs(0, file));
      saveAs_ = Q((dir_ / "unlocked copy.cvc").string());
      QVERIFY(w->SaveCalculation(0));
      QVERIFY(!w->Current().ReadOnly);
    }
    ::close(release[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    // The same file twice in one window: the second is read-only.
    auto w = Window();
    QVERIFY(w->OpenFile(file));
    QVERIFY(!w->Current().ReadOnly);
    QVERIFY(w->OpenFile(file));
    QVERIFY(w->Current().ReadOnly);
  }

  // A new calculation starts from the default template and takes the
  // default units; it is untitled and has no history to undo.
  void newCalculationFromTemplateWithDefaultUnits() {
    TSettingsStore& s = TSettingsStore::Instance();
    s.WriteString("Options", "DefaultTemplate", liquid_);
    const TQuantity pressure = CreateGuiCalculation()->Item("p1", 0)->AsParameter()->GetQuantity();
    const int psi = TQuantityArray::UnitNoByName(pressure, "psi(a)");
    s.WriteInteger("DefaultUnits", "Quantity" + std::to_string(pressure), psi);
    auto w = Window();
    s.EraseSection("DefaultUnits");
    s.WriteString("Options", "DefaultTemplate", "");
    QCOMPARE(w->Count(), 1);
    QVERIFY(w->Current().FileName.empty());
    TCalculationView& v = *w->Current().View;
    QCOMPARE(EditorText(v, "kv"), QString("164.9"));
    QCOMPARE(v.UnitChooser("p1")->currentText(), QString("psi(a)"));
    QCOMPARE(EditorText(v, "p1"), QString("98.63"));
    QVERIFY(!w->Action("ActionUndo")->isEnabled());
    QVERIFY(!w->Current().Changed);
  }

  void missingFileGivesTheAccessNotice() {
    auto w = Window();
    QVERIFY(!w->OpenFile((dir_ / "no such.cvc").string()));
    QCOMPARE(notices_.size(), 1);
    QVERIFY(notices_[0].startsWith("Auf die Datei [no such.cvc] kann nicht zugegriffen werden."));
    QCOMPARE(w->Count(), 1);
  }

  // Macro lines that arrive before the window has its handler are replayed
  // in order: open one file, print another to PDF and close it again.
  void macroLinesOpenAndPrint() {
    fs::remove_all(dir_ / "pdf");
    TMacroQueue queue;
    queue.ExecuteMacro({MacroLine(TMacroKind::Open, liquid_), "[FileClose(\"x\")]", "no macro",
                        MacroLine(TMacroKind::Print, gas_)});
    auto w = Window();
    queue.SetOnExecuteMacro([&](const std::vector<std::string>& lines) { w->ExecuteMacroLines(lines); });
    QCOMPARE(w->Count(), 1);
    QCOMPARE(w->Current().FileName, liquid_);
    QVERIFY(IsPdf(Q((dir_ / "pdf" / "gas.pdf").string())));
    QVERIFY(!fs::exists(dir_ / "pdf" / "liquid.pdf"));
    QVERIFY(w->IndexOfFile(gas_) < 0);
  }

  void dataSheetHoldsHeaderValuesAndMessages() {
    auto w = Window();
    QVERIFY(w->OpenFile(liquid_));
    const QString html = DataSheetHtml(*w->Current().Calc, "liquid.cvc");
    for (const char* part : {"liquid.cvc", "Regelventil-Datenblatt", "Betriebspunkt 1", "Medium", "Ventil",
                             "Geraeusch", "Meldungen", "Starke Kavitation", "164.9"})
      QVERIFY2(html.contains(QString::fromUtf8(part)), part);
    const QString pdf = Q((dir_ / "sheet.pdf").string());
    QVERIFY(w->ExportPdf(0, pdf));
    QVERIFY(IsPdf(pdf));
  }

  void languageChangesAtRunTime() {
    auto w = Window();
    QVERIFY(w->OpenFile(liquid_));
    QCOMPARE(w->Action("ActionOpen")->text(), QString("Oeffnen..."));
    w->SetProgramLanguage("en");
    QCOMPARE(w->Action("ActionOpen")->text(), QString("Open..."));
    QCOMPARE(w->Action("ActionUndo")->text(), QString("Undo"));
    QCOMPARE(EditorText(*w->Current().View, "Phase"), QString("Liquid"));
    w->SetProgramLanguage("de");
    QCOMPARE(EditorText(*w->Current().View, "Phase"), QString("Fluessigkeit"));
  }

  void significantDigitsChangeTheShownValues() {
    auto w = Window();
    QVERIFY(w->OpenFile(liquid_));
    const Extended kv = w->Current().Calc->Item("kv", 0)->AsParameter()->GetValue();
    w->ApplyDisplayDigits(6);
    QCOMPARE(EditorText(*w->Current().View, "kv"), Q(OutputText(kv, 6, true)));
    QVERIFY(EditorText(*w->Current().View, "kv").startsWith("164.") && EditorText(*w->Current().View, "kv") != "164.9");
    w->ApplyDisplayDigits(4);
    QCOMPARE(EditorText(*w->Current().View, "kv"), QString("164.9"));
  }

  // The editor shows one value column per operating point; an entry in one
  // column changes that operating point only.
  void fourOperatingPointsAsColumns() {
    TFourPoints calc;
    TCalculationView v(calc);
    v.show();
    QCOMPARE(v.Table()->columnCount(), 1 + 2 * 4 + 1);
    for (int op = 0; op < 4; ++op) QVERIFY(qobject_cast<QLineEdit*>(v.ValueEditor("p1", op)));
    auto* third = qobject_cast<QLineEdit*>(v.ValueEditor("p1", 2));
    third->setText("5 bar(a)");
    emit third->editingFinished();
    for (int op = 0; op < 4; ++op)
      QCOMPARE(qobject_cast<QLineEdit*>(v.ValueEditor("p1", op))->text(), op == 2 ? QString("5") : QString());
    QVERIFY(calc.CanUndo());
    calc.Undo();
    v.Refresh();
    QCOMPARE(third->text(), QString());
  }

  void characteristicsWindowOpens() {
    auto w = Window();
    QVERIFY(w->OpenFile(liquid_));
    w->ShowCharacteristics(0);
    QVERIFY(w->CharacteristicsWindow(0));
    QVERIFY(w->CharacteristicsWindow(0)->isVisible());
  }

  // The batch export writes what it did before cancel was pressed.
  void batchExportRunsAndCancels() {
    const QString tmpl = Q(Env("TORVACALC_SOURCE_DIR", ".") + "/templates/valve_report.txt");
    const QStringList files{Q(liquid_), Q(gas_), Q(liquid_)};
    const QString out = Q((dir_ / "batch.txt").string());
    TBatchResult r = RunBatchExport(tmpl, files, out, nullptr);
    QVERIFY2(r.Ok, qPrintable(r.Error));
    QCOMPARE(r.Done, 3);
    QVERIFY(!r.Cancelled);
    QVERIFY(QFileInfo(out).size() > 100);
    BatchProgressHook() = [](QProgressDialog& d, int done) {
      if (done == 1) d.cancel();
    };
    r = RunBatchExport(tmpl, files, out, nullptr);
    BatchProgressHook() = nullptr;
    QVERIFY(r.Ok);
    QVERIFY(r.Cancelled);
    QVERIFY(r.Done < 3);
  }

  void databasesLoadWhereTheyAre() {
    const std::vector<TDatabaseStatus> dbs = LoadDataBases();
    QCOMPARE(dbs.size(), size_t(3));
    QVERIFY2(dbs[1].Loaded, dbs[1].Error.c_str());  // the valve database of the build
    QCOMPARE(TSettingsStore::Instance().ReadString("Options", "ControlValvesDBPath", ""), dbs[1].Folder);
    QVERIFY2(dbs[0].Loaded, dbs[0].Error.c_str());  // materials
    QVERIFY2(dbs[2].Loaded, dbs[2].Error.c_str());  // substances
  }

  // Two program starts at the same moment: exactly one keeps running and
  // prints both files (its own and the one handed over); the other ends.
  void twoProgramStartsGiveOneInstance() {
    const QString program = Q(Env("TORVACALC_BINARY_DIR", ".") + "/torvacalc-gui");
    QVERIFY(QFileInfo(program).isExecutable());
    const fs::path run = dir_ / "xdg", config = dir_ / "race-config", pdf = dir_ / "race-pdf";
    fs::create_directories(run);
    fs::permissions(run, fs::perms::owner_all, fs::perm_options::replace);
    fs::create_directories(config);
    {
      TSettingsStore s((config / "settings.ini").string());
      s.WriteBool("Print", "ToPdf", true);
      s.WriteString("Print", "PdfFolder", pdf.string());
      QVERIFY(s.Save());
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", Q(run.string()));
    env.insert("TORVACALC_CONFIG_DIR", Q(config.string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess a, b;
    for (QProcess* p : {&a, &b}) {
      p->setProcessEnvironment(env);
      p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    a.start(program, {"/p", Q(liquid_)});
    b.start(program, {"/p", Q(gas_)});
    QVERIFY(a.waitForStarted() && b.waitForStarted());
    const QString liquidPdf = Q((pdf / "liquid.pdf").string()), gasPdf = Q((pdf / "gas.pdf").string());
    QTRY_VERIFY_WITH_TIMEOUT(IsPdf(liquidPdf) && IsPdf(gasPdf), 60000);
    QTRY_VERIFY_WITH_TIMEOUT((a.state() == QProcess::NotRunning) != (b.state() == QProcess::NotRunning), 30000);
    QProcess& ended = a.state() == QProcess::NotRunning ? a : b;
    QProcess& running = &ended == &a ? b : a;
    QCOMPARE(ended.exitStatus(), QProcess::NormalExit);
    QCOMPARE(ended.exitCode(), 0);
    QTest::qWait(300);
    QCOMPARE(running.state(), QProcess::Running);
    running.kill();  // the instance this test started
    running.waitForFinished();
  }
};

QTEST_MAIN(GuiTest)
#include "gui_test.moc"
