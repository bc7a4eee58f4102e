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
#include <QMenu>
#include <QMessageBox>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QSpinBox>
#include <QListWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "assembly/main_items.h"
#include "assembly/scm_control_valves.h"
#include "framework/calc_switch.h"
#include "case_entries.h"
#include "files/calculation_file.h"
#include "files/hx_file.h"
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
#include "gui/choose_dialog.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/value_note.h"
#include "gui/print_dialogs.h"
#include "gui/qt_text.h"
#include "gui/startup.h"
#include "workspace/torva_workspace.h"
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

QString EditorText(TCalculationView& v, const std::string& name, int op = 0) { return v.Text(name, op); }

// The editor a click on the cell opens.
QWidget* OpenEditor(TCalculationView& v, const QModelIndex& at) {
  TCalculationTable* t = v.Table();
  t->setCurrentIndex({});  // a click on the current cell would wait for a double click
  t->scrollTo(at);
  QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualRect(at).center());
  return t->indexWidget(at);
}

// Types into a value as a user does: a click selects the text, what is
// typed replaces it, Return enters it and closes the editor.
void Type(TCalculationView& v, const std::string& name, const QString& text, int op = 0) {
  const QModelIndex at = v.Index(name, op);
  v.Table()->setRowHidden(at.row(), false);
  auto* e = qobject_cast<QLineEdit*>(OpenEditor(v, at));
  QVERIFY2(e, name.c_str());
  QVERIFY2(e->selectedText() == e->text(), name.c_str());
  if (text.isEmpty()) QTest::keyClick(e, Qt::Key_Backspace);
  QTest::keyClicks(e, text);
  QTest::keyClick(e, Qt::Key_Return);
  QCoreApplication::processEvents();
  QVERIFY2(!v.Table()->indexWidget(at), "Return leaves the editor");
}

// Chooses an entry of a list (a switch or the unit) by its text.
void Choose(TCalculationView& v, const QModelIndex& at, const QString& text) {
  auto* box = qobject_cast<QComboBox*>(OpenEditor(v, at));
  QVERIFY(box);
  const int i = box->findText(text);
  QVERIFY2(i >= 0, qPrintable(text));
  box->setCurrentIndex(i);
  emit box->activated(i);
  QCoreApplication::processEvents();
}

QModelIndex UnitCell(TCalculationView& v, const std::string& name) {
  return v.Model().index(v.Model().RowOf(name), v.Model().UnitColumn());
}

// The whole valve calculation of an example case ("NAME = TEXT" lines),
// entered as a user enters them and saved as a calculation file.
void SaveExample(const std::string& caseName, const std::string& file) {
  const TCaseEntries entries = ReadCaseEntries(Env("TORVACALC_SOURCE_DIR", ".") + "/examples/" + caseName);
  QVERIFY2(!entries.empty(), caseName.c_str());
  auto calc = CreateCalculation<TSCMTorva>();
  calc->BeginSetValues();
  for (const auto& [name, text] : entries) calc->Enter(name, text);
  calc->EndSetValues();
  calc->SaveToFile(file);
}

// Every field of every operating point, by row name and point.
std::map<std::pair<std::string, int>, QString> AllFields(TCalculationView& v, TWorkspace& calc) {
  std::map<std::pair<std::string, int>, QString> fields;
  for (const auto& page : calc.Pages())
    for (const auto& group : page.Groups)
      for (const std::string& name : group.Items)
        for (int op = 0; op < calc.OperatingPointCount(); ++op)
          if (calc.Item(name, op)) fields[{name, op}] = EditorText(v, name, op);
  return fields;
}

// The program version a calculation file names.
int FileVersion(const std::string& path) {
  THXFile file;
  file.Load(path);
  return ReadCalculationInfos(file, file.GetCalculationTag()).VersionNo;
}

// The texts of one column of the message list.
QStringList MessageColumn(TMainWindow& w, int column) {
  QStringList texts;
  for (int i = 0; i < w.MessageList()->topLevelItemCount(); ++i) texts << w.MessageList()->topLevelItem(i)->text(column);
  return texts;
}

bool IsPdf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) && f.read(5) == "%PDF-" && f.size() > 1000;
}

}  // namespace

class GuiTest : public QObject {
  Q_OBJECT

 private:
  fs::path dir_;
  std::string liquid_, gas_, water_;
  QStringList notices_;
  int askSaveAnswer_ = QMessageBox::Cancel;
  QStringList asked_;
  QString saveAs_;
  int askNewerAnswer_ = QMessageBox::No;
  bool dontAskAgain_ = false;

  std::unique_ptr<TMainWindow> Window() {
    auto w = std::make_unique<TMainWindow>();
    w->Dialogs.Notice = [this](const QString& text, const QString&) { notices_ << text; };
    w->Dialogs.AskSave = [this](const QString& q) {
      asked_ << q;
      return askSaveAnswer_;
    };
    w->Dialogs.ChooseSaveFile = [this](const QString&) { return saveAs_; };
    w->Dialogs.ChooseOpenFile = [] { return QString(); };
    w->Dialogs.AskSaveOverNewer = [this](const QString& q, bool* dontAsk) {
      asked_ << q;
      *dontAsk = dontAskAgain_;
      return askNewerAnswer_;
    };
    w->PrintPdfFolder = Q((dir_ / "pdf").string());
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w.get())) qWarning("the window did not become active");
    return w;
  }
  // A window with the file opened in it.
  std::unique_ptr<TMainWindow> Opened(const std::string& file) {
    auto w = Window();
    if (!w->OpenFile(file)) QTest::qFail(("cannot open " + file).c_str(), __FILE__, __LINE__);
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
    setenv("XDG_STATE_HOME", (dir_ / "state").c_str(), 1);  // the backups
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
    water_ = (dir_ / "water.cvc").string();
    SaveExample("valve_water.case", water_);
    QCOMPARE(CalculationClassOfFile(water_), std::string("TSCMTorva"));
  }
  void cleanupTestCase() { fs::remove_all(dir_); }
  void init() {
    notices_.clear();
    asked_.clear();
    askSaveAnswer_ = QMessageBox::Cancel;
    saveAs_.clear();
    askNewerAnswer_ = QMessageBox::No;
    dontAskAgain_ = false;
    HXOptions().Language = "de";
    SetLanguage("de");
  }

  // Every item shows the text `torvacalc show` prints for the same file.
  void windowShowsTheNumbersOfTheCommandLine() {
    for (const std::string& file : {liquid_, gas_}) {
      auto w = Opened(file);
      TCalculationView& v = *w->Current().View;
      const QJsonObject items = CliItems({"show", "--json", file});
      QVERIFY(items.size() > 50);
      // A value of no meaning here (the ball valve's trim beside a globe
      // valve) shows an empty field, unless all details are shown.
      QVERIFY(EditorText(v, "BallValveType").isEmpty());
      v.SetShowAllDetails(true);
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
    auto w = Opened(liquid_);
    TCalculationView& v = *w->Current().View;
    const QString kvBefore = EditorText(v, "kv");
    QVERIFY(!w->Action("ActionUndo")->isEnabled());
    QVERIFY(v.MessageTip("kvs", 0).isEmpty());

    Type(v, "qm", "200000 kg/h");
    const QJsonObject cli = CliItems({"module", "valve", "--json", "@" + Env("TORVACALC_SOURCE_DIR", ".") +
                                                                      "/examples/liquid.case", "qm=200000 kg/h"});
    QCOMPARE(EditorText(v, "qm"), cli["qm"].toObject()["text"].toString());
    QCOMPARE(v.UnitText("qm"), QString("kg/h"));
    QCOMPARE(EditorText(v, "kv"), cli["kv"].toObject()["text"].toString());
    QVERIFY(EditorText(v, "kv") != kvBefore);
    QVERIFY(w->Current().Changed);
    QVERIFY(w->Action("ActionUndo")->isEnabled());

    // A Kvs below the Kv now required: the alarm appears at Kvs.
    Type(v, "kvs", "50 m³/h");
    QVERIFY2(v.MessageTip("kvs", 0).contains("935"), qPrintable(v.MessageTip("kvs", 0)));
    QVERIFY(MessageColumn(*w, 1).contains("935"));
    w->JumpToNextTroubleMaker();
    QCOMPARE(v.CurrentItemName(), std::string("kvs"));  // the alarm first

    w->Undo();
    QCOMPARE(EditorText(v, "kvs"), QString("250"));
    QVERIFY(v.MessageTip("kvs", 0).isEmpty());
    w->Undo();
    QCOMPARE(EditorText(v, "kv"), kvBefore);
    QCOMPARE(v.UnitText("qm"), QString("t/h"));
    QVERIFY(!w->Action("ActionUndo")->isEnabled());
  }

  // Letters, a unit of another quantity and a pressure that does not say
  // absolute or gauge are refused, saying why; the value and the history
  // stay. (The rule itself is the workspace's, tested there row by row.)
  void badInputKeepsThePreviousValue() {
    auto w = Opened(liquid_);
    TCalculationView& v = *w->Current().View;
    TWorkspace& calc = *w->Current().Calc;
    struct Case {
      const char* typed;
      std::string error;
    };
    const Case cases[] = {
        {"6,8x", "[6,8x] ist keine Zahl"},
        {"7 bar", "[bar] sagt nicht, ob absolut oder Überdruck: bar(a) oder bar(g) schreiben"},
    };
    const size_t history = calc.Super().GetHistoryCount();
    for (const auto& c : cases) {
      Type(v, "p1", QString::fromUtf8(c.typed));
      QCOMPARE(EditorText(v, "p1") + " <- " + c.typed, QString("6.8 <- ") + c.typed);
      QVERIFY2(v.LastInputError().find(c.error) != std::string::npos, v.LastInputError().c_str());
      QCOMPARE(calc.Super().GetHistoryCount(), history);
      QVERIFY(!w->Current().Changed);
      // The reason in the message list too.
      QCOMPARE(w->MessageList()->topLevelItem(0)->text(4), Q(v.LastInputError()));
    }
    // A comma is a decimal mark like the point.
    Type(v, "p1", "7,5");
    QCOMPARE(EditorText(v, "p1"), QString("7.5"));
    QVERIFY(v.LastInputError().empty());
    QVERIFY(!MessageColumn(*w, 0).contains("Eingabe"));
  }

  // The unit chooser changes the unit, not the value; the unit moves to the
  // front of the offered units.
  void unitChooserConvertsAndRemembersTheUnit() {
    auto w = Opened(liquid_);
    TCalculationView& v = *w->Current().View;
    const Extended before = w->Current().Calc->Item("p1", 0)->AsParameter()->GetValue();
    Choose(v, UnitCell(v, "p1"), "psi(a)");
    QCOMPARE(EditorText(v, "p1"), QString("98.63"));  // 6.8 bar = 98.626 psi
    QCOMPARE(w->Current().Calc->Item("p1", 0)->AsParameter()->GetValue(), before);
    auto* units = qobject_cast<QComboBox*>(OpenEditor(v, UnitCell(v, "p1")));
    QVERIFY(units);
    QCOMPARE(units->itemText(0), QString("psi(a)"));
    QTest::keyClick(units, Qt::Key_Escape);
    w->Undo();
    QCOMPARE(EditorText(v, "p1"), QString("6.8"));
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

  // Files: save as, the lock on the saved file, recent files, reopen.
  void saveAsAndReopenKeepsTheValues() {
    const std::string copy = (dir_ / "saved.cvc").string();
    {
      auto w = Opened(liquid_);
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
    auto w = Opened(Copy(liquid_, "close.cvc"));
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
      auto w = Opened(file);
      QVERIFY(w->Current().ReadOnly);
      QCOMPARE(notices_.size(), 1);
      QVERIFY(notices_[0].contains("Die Datei [locked.cvc] ist bereits geöffnet"));
      QVERIFY(notices_[0].contains("[nur lesen]"));
      QVERIFY(!w->Action("ActionSave")->isEnabled());
      QVERIFY(!(w->Current().View->Index("p1", 0).flags() & Qt::ItemIsEditable));
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
    auto w = Opened(file);
    QVERIFY(!w->Current().ReadOnly);
    QVERIFY(w->OpenFile(file));
    QVERIFY(w->Current().ReadOnly);
  }

  // A new calculation starts from the default template and takes the
  // default units; it is untitled and has no history to undo.
  void newCalculationFromTemplateWithDefaultUnits() {
    TSettingsStore& s = TSettingsStore::Instance();
    s.WriteString("Options", "DefaultTemplate", water_);
    const TQuantity pressure = CreateWorkspace()->Item("P1", 0)->AsParameter()->GetQuantity();
    const int psi = TQuantityArray::UnitNoByName(pressure, "psi(a)");
    s.WriteInteger("DefaultUnits", "Quantity" + std::to_string(pressure), psi);
    auto w = Window();
    s.EraseSection("DefaultUnits");
    s.WriteString("Options", "DefaultTemplate", "");
    QCOMPARE(w->Count(), 1);
    QVERIFY(w->Current().FileName.empty());
    QCOMPARE(w->Current().Calc->KindName(), std::string("TSCMTorva"));
    TCalculationView& v = *w->Current().View;
    TTorvaWorkspace fromFile;
    fromFile.Load(water_);
    QCOMPARE(EditorText(v, "kv", 2), Q(FieldText(*fromFile.Item("kv", 2))));
    QCOMPARE(v.UnitText("P1"), QString("psi(a)"));
    QCOMPARE(EditorText(v, "P1"), QString("145"));     // 10 bar(a)
    QCOMPARE(EditorText(v, "P1", 1), QString("137.8"));  // 9.5 bar(a)
    QVERIFY(!w->Action("ActionUndo")->isEnabled());
    QVERIFY(!w->Current().Changed);
  }

  // A missing file, and a FIFO that may be read but not written (shared by
  // another user): each gives its notice at once and opens nothing. The
  // FIFO's open is tried in a child without root's rights, which would
  // otherwise open it for writing; an open that waits for a writer dies of
  // the alarm.
  void missingFileOrFifoGivesANotice() {
    const std::string fifo = (dir_ / "shared.cvc").string();
    QCOMPARE(::mkfifo(fifo.c_str(), 0444), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::alarm(2);
      if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
      TCalcFileHandle handle;
      ::_exit(handle.Open(fifo) == TCalcFileHandle::orNotRegular ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "the open waited or took the FIFO");
    struct Case { std::string file; const char* notice; };
    const Case cases[] = {{"no such.cvc", "Auf die Datei [no such.cvc] kann nicht zugegriffen werden."},
                          {"shared.cvc", "Die Datei [shared.cvc] ist keine gewöhnliche Datei"}};
    for (const Case& c : cases) {
      notices_.clear();
      auto w = Window();
      QVERIFY(!w->OpenFile((dir_ / c.file).string()));
      QCOMPARE(notices_.size(), 1);
      QVERIFY2(notices_[0].startsWith(QString::fromUtf8(c.notice)), qPrintable(notices_[0]));
      QCOMPARE(w->Count(), 1);
    }
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
    auto w = Opened(liquid_);
    const QString html = DataSheetHtml(*w->Current().Calc, "liquid.cvc");
    for (const char* part : {"liquid.cvc", "Stellventil-Datenblatt", "Betriebspunkt 1", "Medium", "Ventil",
                             "Geräusch", "Meldungen", "Starke Kavitation", "164.9"})
      QVERIFY2(html.contains(QString::fromUtf8(part)), part);
    const QString pdf = Q((dir_ / "sheet.pdf").string());
    QVERIFY(w->ExportPdf(0, pdf));
    QVERIFY(IsPdf(pdf));
    // The PDF dialog proposes the calculation's own folder and name.
    QString proposed;
    w->Dialogs.ChoosePdfFile = [&](const QString& suggestion) { proposed = suggestion; return QString(); };
    w->Action("ActionExportPDF")->trigger();
    QCOMPARE(proposed, Q((fs::path(liquid_).parent_path() / "liquid.pdf").string()));
  }

  void languageChangesAtRunTime() {
    auto w = Opened(liquid_);
    QCOMPARE(w->Action("ActionOpen")->text(), QString("Öffnen..."));
    w->SetProgramLanguage("en");
    QCOMPARE(w->Action("ActionOpen")->text(), QString("Open..."));
    QCOMPARE(w->Current().View->Model().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Caption"));
    QCOMPARE(EditorText(*w->Current().View, "Phase"), QString("Liquid"));
    // The messages too, and the tab a case file opened in.
    QVERIFY(w->OpenFile(Env("TORVACALC_SOURCE_DIR", ".") + "/examples/valve_water.case"));
    const QString types = MessageColumn(*w, 0).join(",") + " / " + MessageColumn(*w, 4).join(",");
    QVERIFY2(!types.contains("Kavitation"), qPrintable(types));
    QVERIFY2(MessageColumn(*w, 0).contains("Hint") && !types.contains("Hinweis"), qPrintable(types));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Cancel"));
    w->SetProgramLanguage("de");
    // Qt's own dialogs follow (Debian's Qt translations).
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Abbrechen"));
    QVERIFY(!MessageColumn(*w, 0).contains("Hint"));
    QVERIFY2(!MessageColumn(*w, 4).join(",").contains("cavitation"), qPrintable(MessageColumn(*w, 4).join(",")));
    w->SetCurrentIndex(0);
    QCOMPARE(EditorText(*w->Current().View, "Phase"), QString("Flüssigkeit"));
  }

  void significantDigitsChangeTheShownValues() {
    auto w = Opened(liquid_);
    const Extended kv = w->Current().Calc->Item("kv", 0)->AsParameter()->GetValue();
    w->ApplyDisplayDigits(6);
    QCOMPARE(EditorText(*w->Current().View, "kv"), Q(OutputText(kv, 6, true)));
    QVERIFY(EditorText(*w->Current().View, "kv").startsWith("164.") && EditorText(*w->Current().View, "kv") != "164.9");
    w->ApplyDisplayDigits(4);
    QCOMPARE(EditorText(*w->Current().View, "kv"), QString("164.9"));
  }

  // The whole valve calculation: the four operating points are columns;
  // an item with twins at the further points has a field in every column,
  // a value for all points (the valve's Kvs) in the first one only.
  void wholeCalculationShowsFourPointColumns() {
    auto w = Window();
    QCOMPARE(w->Current().Calc->KindName(), std::string("TSCMTorva"));  // a new calculation is the whole one
    QVERIFY(w->OpenFile(water_));
    TCalcEntry& e = w->Current();
    QCOMPARE(e.Calc->OperatingPointCount(), 4);
    TCalculationModel& model = e.View->Model();
    QCOMPARE(model.columnCount(), 1 + 2 * 4 + 1);
    const QStringList captions{"Betriebspunkt 1", "Betriebspunkt 2", "Betriebspunkt 3", "Betriebspunkt X"};
    for (int op = 0; op < 4; ++op) {
      QCOMPARE(model.headerData(1 + 2 * op, Qt::Horizontal, Qt::DisplayRole).toString(), captions[op]);
      QVERIFY(model.ItemAt(e.View->Index("p2", op)));
      QVERIFY(model.ItemAt(e.View->Index("Qm", op)));
      QCOMPARE(model.ItemAt(e.View->Index("kvs", op)) != nullptr, op == 0);
      QCOMPARE(model.ItemAt(e.View->Index("FluidName", op)) != nullptr, op == 0);
    }
    QCOMPARE(EditorText(*e.View, "P1", 3), QString("10"));
    QCOMPARE(EditorText(*e.View, "Qm", 2), QString("24000"));
    // Every item of the main module is on a page once (twins as columns).
    std::set<const TCalcItem*> shown;
    for (const auto& page : e.Calc->Pages())
      for (const auto& group : page.Groups)
        for (const std::string& name : group.Items)
          for (int op = 0; op < 4; ++op)
            if (const TCalcItem* item = e.Calc->Item(name, op)) QVERIFY2(shown.insert(item).second, name.c_str());
    for (const TCalcItem* item : e.Calc->Super().GetMainCalcModule()->GetCalcItems())
      QVERIFY2(shown.count(item), item->GetName().c_str());
  }

  // Every field shows the text of its item, and the items hold what the
  // same file computes when it is read on its own.
  void windowShowsTheNumbersOfTheWholeCalculation() {
    auto w = Opened(water_);
    TCalcEntry& e = w->Current();
    auto fresh = CreateCalculation<TSCMTorva>();
    fresh->ReadFromFile(water_);
    e.View->SetShowAllDetails(true);  // also the values of no meaning here
    int compared = 0;
    for (const auto& [at, text] : AllFields(*e.View, *e.Calc)) {
      const TCalcItem* item = e.Calc->Item(at.first, at.second);
      const TCalcItem* same = fresh->GetMainCalcModule()->CalcItemByName(item->GetName());
      QVERIFY2(same, item->GetName().c_str());
      QCOMPARE(text + " @" + Q(item->GetName()), Q(FieldText(*same)) + " @" + Q(item->GetName()));
      if (const TCalcParameter* p = same->AsParameter(); p && p->GetValueState() != vsUndefined) {
        QCOMPARE(text + " @" + Q(item->GetName()), Q(same->GetDisplayText()) + " @" + Q(item->GetName()));
        ++compared;
      }
    }
    QVERIFY(compared > 200);
    QVERIFY(!EditorText(*e.View, "kv", 3).isEmpty());
    QVERIFY(!EditorText(*e.View, "LpAa", 0).isEmpty());
  }

  // Kv, flow state and noise level of every point in the window are what
  // `torvacalc run` gives for the same entries: each example case opened
  // (natural gas through its GERG-2008 method), after an entry at point 2
  // (no other point's shown, rounded text goes back into the
  // calculation), after Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z; undo and redo
  // bring back the rows shown with the values.
  void casesShowWhatTheCommandLineRuns() {
    const std::string examples = Env("TORVACALC_SOURCE_DIR", ".") + "/examples/";
    struct Case {
      const char* file;
      const char* p2;  // typed at point 2
    };
    const Case cases[] = {{"valve_water.case", "5.5 bar(a)"}, {"valve_natural_gas.case", "28 bar(a)"}};
    for (const Case& c : cases) {
      auto w = Opened(examples + c.file);
      TCalculationView& v = *w->Current().View;
      const std::string edit = std::string("p2Ap2=") + c.p2;
      const auto sameAsRun = [&](const std::string& extra, TCalculationView* in = nullptr) {
        TCalculationView& shown = in ? *in : v;
        std::vector<std::string> args{"run", "--json", examples + c.file};
        if (!extra.empty()) args.push_back(extra);
        const QJsonObject run = QJsonDocument::fromJson(QByteArray::fromStdString(RunCli(args))).object();
        for (int op = 0; op < 4; ++op) {
          if (!run["activePoints"].toArray()[op].toBool()) continue;
          const QJsonObject point = run["points"].toArray()[op].toObject();
          for (const char* name : {"kv", "FlowState", "LpAa"}) {
            const QString at = QString(" @%1 %2 %3").arg(c.file).arg(name).arg(op + 1);
            QCOMPARE(EditorText(shown, name, op) + at, point[name].toObject()["text"].toString() + at);
          }
        }
      };
      const auto shownRows = [&] {
        QStringList rows;
        for (const auto& r : v.Model().Rows())
          if (!r.Name.empty() && v.RowShown(r.Name)) rows << Q(r.Name);
        return rows;
      };
      sameAsRun({});
      for (const auto& m : w->Current().Calc->ReadMessages()) QVERIFY2(m.no != 129, m.text.c_str());
      const QStringList rowsBefore = shownRows();
      Type(v, "p2", c.p2, 1);
      sameAsRun(edit);
      const QStringList rowsAfter = shownRows();
      QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
      sameAsRun({});
      QCOMPARE(shownRows(), rowsBefore);
      QTest::keyClick(w.get(), Qt::Key_Y, Qt::ControlModifier);
      sameAsRun(edit);
      QCOMPARE(shownRows(), rowsAfter);
      w->Undo();
      QVERIFY(w->Action("ActionRedo")->isEnabled());
      QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
      sameAsRun(edit);
      QVERIFY(!w->Action("ActionRedo")->isEnabled());
      // Saved and opened again as a calculation file.
      const std::string saved = (dir_ / (std::string(c.file) + ".cvc")).string();
      QVERIFY(w->SaveCalculationAs(w->CurrentIndex(), saved));
      w.reset();
      auto again = Window();
      QVERIFY(again->OpenFile(saved));
      for (const auto& m : again->Current().Calc->ReadMessages()) QVERIFY2(m.no != 129, m.text.c_str());
      sameAsRun(edit, again->Current().View);
    }
  }

  // A new calculation shows every entry an engineer must make before any
  // is made, in the order of the work (medium, pipe, operating points,
  // valve, actuator); a water duty entered there cell by cell gives the
  // Kv of three points that `torvacalc run` gives for the same entries.
  void newWaterDutyFromScratch() {
    auto w = Window();
    TCalculationView& v = *w->Current().View;
    // Before any entry the calculation asks for entries, nothing else.
    for (const auto& m : w->Current().Calc->ReadMessages())
      QVERIFY2(m.type == cmMissingParameter, qPrintable(QString::number(m.no) + " " + Q(m.text)));
    const char* order[] = {"FluidName", "Phase", "PipeClass", "DN", "P1", "T1", "p2", "Qm", "ValveType", "kvs",
                           "FailPosition"};
    int last = -1;
    for (const char* name : order) {
      QVERIFY2(v.RowShown(name), name);
      QVERIFY2(v.Model().RowOf(name) > last, name);
      last = v.Model().RowOf(name);
    }
    // Tab goes from a value to the next one, past the message icons.
    QTest::keyClick(OpenEditor(v, v.Index("P1", 0)), Qt::Key_Tab);
    QCOMPARE(v.Table()->currentIndex(), v.Index("P1", 1));
    QTest::keyClick(v.Table()->indexWidget(v.Index("P1", 1)), Qt::Key_Escape);
    struct Entry {
      const char* name;
      int op;
      const char* text;
    };
    const Entry entries[] = {
        {"FluidName", 0, "Wasser"}, {"PipeClass", 0, "EN 10220 Reihe 1, P235GH"}, {"DN", 0, "80"},
        {"P1", 0, "10"}, {"T1", 0, "20"}, {"p2", 0, "7"}, {"Qm", 0, "8000"},
        {"P1", 1, "9.5"}, {"T1", 1, "20"}, {"p2", 1, "6"}, {"Qm", 1, "16000"},
        {"P1", 2, "9"}, {"T1", 2, "20"}, {"p2", 2, "5"}, {"Qm", 2, "20000"},
        {"ValveType", 0, "Durchgangsventil"}, {"DNV", 0, "50"}, {"kvs", 0, "40"},
    };
    const fs::path caseFile = dir_ / "scratch.case";
    std::ofstream out(caseFile);
    for (const Entry& e : entries) {
      const QModelIndex at = v.Index(e.name, e.op);
      if (dynamic_cast<const TCustomCalcMultiSwitch*>(v.Model().ItemAt(at))) Choose(v, at, QString::fromUtf8(e.text));
      else Type(v, e.name, QString::fromUtf8(e.text), e.op);
      QVERIFY2(v.LastInputError().empty(), e.name);
      out << e.name << OpSuffix(e.op + 1) << " = " << e.text << "\n";
    }
    out.close();
    const QJsonObject run =
        QJsonDocument::fromJson(QByteArray::fromStdString(RunCli({"run", "--json", caseFile.string()}))).object();
    for (int op = 0; op < 3; ++op) {
      const QString kv = run["points"].toArray()[op].toObject()["kv"].toObject()["text"].toString();
      QVERIFY2(!kv.isEmpty(), qPrintable(QString::number(op)));
      QCOMPARE(EditorText(v, "kv", op), kv);
    }
    // Point X is off: no results there, not even "undetermined".
    QCOMPARE(v.Text("FlowState", 3), QString());
    QCOMPARE(v.Text("CalculatedPhase", 3), QString());
    // Only the rows that apply, by the rule of the command line and JSON,
    // whatever the calculation marks as used: no rotary trim beside a
    // globe valve, no humidity for water, also once point X is switched
    // on. Point 3 made steam (250 degC at 9 bar) shows its isentropic
    // exponent, the liquid points beside it none, and no cavitation index
    // of its own; View > Show all details shows all.
    QVERIFY(v.Model().setData(v.Index("UseXthOp", 0), Qt::Checked, Qt::CheckStateRole));
    v.Refresh();
    QVERIFY(w->Current().Calc->PointOn(3));
    for (const char* name : {"RotaryType", "PhiRel", "Kappa1"}) QVERIFY2(!v.RowShown(name), name);
    Type(v, "T1", "250", 2);
    v.Refresh();
    QVERIFY(v.RowShown("Kappa1"));
    QVERIFY(EditorText(v, "Kappa1", 0).isEmpty());
    QVERIFY(!EditorText(v, "Kappa1", 2).isEmpty());
    QVERIFY(!EditorText(v, "SigmaI", 0).isEmpty());
    QVERIFY(EditorText(v, "SigmaI", 2).isEmpty());
    v.SetShowAllDetails(true);
    QVERIFY(v.RowShown("RotaryType"));
    QVERIFY(!EditorText(v, "Kappa1", 0).isEmpty());
    v.SetShowAllDetails(false);
    QVERIFY(!v.RowShown("RotaryType"));
  }

  // A value typed with its unit at point 2 recalculates point 2 only; a
  // message appears beside a value of point 2; undo restores everything.
  void typedValueAtPointTwoChangesThatColumnOnly() {
    auto w = Opened(water_);
    TCalcEntry& e = w->Current();
    TCalculationView& v = *e.View;
    const auto before = AllFields(v, *e.Calc);
    std::map<std::pair<std::string, int>, QString> tipsBefore;
    for (const auto& [at, text] : before) tipsBefore[at] = v.MessageTip(at.first, at.second);

    Type(v, "p2", "5.5 bar(a)", 1);
    QVERIFY2(v.LastInputError().empty(), v.LastInputError().c_str());
    QCOMPARE(EditorText(v, "p2", 1), QString("5.5"));
    QCOMPARE(v.UnitText("p2"), QString("bar(a)"));
    QVERIFY(EditorText(v, "kv", 1) != before.at({"kv", 1}));
    const auto after = AllFields(v, *e.Calc);
    int changed = 0;
    for (const auto& [at, text] : after) {
      const bool perPoint = e.Calc->Item(at.first, 1) != nullptr;
      if (perPoint && at.second != 1) QCOMPARE(text + " @" + Q(at.first), before.at(at) + " @" + Q(at.first));
      if (at.second == 1 && text != before.at(at)) ++changed;
    }
    QVERIFY(changed >= 3);  // p2, dp, kv and what follows from them
    // Down to 2 bar the drop chokes the flow by cavitation at point 2: the
    // message appears beside point 2's Kv and flow state.
    QVERIFY(!v.MessageTip("kv", 1).contains("918"));
    Type(v, "p2", "2 bar(a)", 1);
    QVERIFY2(v.MessageTip("kv", 1).contains("918"), qPrintable(v.MessageTip("kv", 1)));
    QVERIFY(v.MessageTip("FlowState", 1).contains("918"));
    QCOMPARE(EditorText(v, "FlowState", 1), EditorText(v, "FlowState", 2));  // as at point 3
    QCOMPARE(v.MessageTip("kv", 0), tipsBefore.at({"kv", 0}));
    // The next trouble maker is found in its own column.
    w->JumpToNextTroubleMaker();
    QVERIFY(v.CurrentItem());
    std::string row;
    int op = -1;
    QVERIFY(e.Calc->Locate(v.CurrentItem(), &row, &op));
    QCOMPARE(v.Table()->currentIndex(), v.Index(row, op));

    w->Undo();
    QCOMPARE(EditorText(v, "p2", 1), QString("5.5"));
    w->Undo();
    QCOMPARE(AllFields(v, *e.Calc), before);
    for (const auto& [at, tip] : tipsBefore) QCOMPARE(v.MessageTip(at.first, at.second), tip);
    QVERIFY(!w->Action("ActionUndo")->isEnabled());
    // Refused input at a further point keeps its value and every other,
    // and is no step to undo.
    for (const char* typed : {"abc", "5 kg/h", "3 bar"}) {
      Type(v, "p2", typed, 2);
      QVERIFY2(!v.LastInputError().empty(), typed);
      QCOMPARE(AllFields(v, *e.Calc), before);
    }
    QVERIFY(!w->Action("ActionUndo")->isEnabled());
  }

  // "Vordruck p1" on the whole calculation: the Kv found at every point
  // becomes given, and the inlet pressure computed back from it is the one
  // that gave it.
  void inletPressureOfEveryPointFromTheFoundKv() {
    auto w = Opened(water_);
    TWorkspace& calc = *w->Current().Calc;
    QVERIFY(w->Action("ActionCalculateP1")->isEnabled());
    std::vector<std::string> kv;
    for (int op = 0; op < 4; ++op) kv.push_back(FieldText(*calc.Item("kv", op)));
    w->Action("ActionCalculateP1")->trigger();
    QCOMPARE(FieldText(*calc.Item("WhatToCalculate", 0)), Translate("Eintrittsdruck"));
    for (int op = 0; op < 4; ++op) {
      QCOMPARE(ItemLook(*calc.Item("kv", op)), TItemLook::User);
      QCOMPARE(FieldText(*calc.Item("kv", op)), kv[op]);
      if (op == 2) continue;  // choked: the inlet pressure is not unique
      const Extended given = calc.Item("P1", op)->AsParameter()->GetValue();
      const Extended back = calc.Item("p1Calc", op)->AsParameter()->GetValue();
      QVERIFY2(HasValue(back) && std::fabs(back - given) < 1e-3L * given, calc.OperatingPointCaption(op).c_str());
    }
  }

  // The whole calculation is saved and opened again as it was; a file of
  // another kind or a damaged one leaves the calculation unchanged.
  void wholeCalculationFilesRoundTrip() {
    const std::string copy = (dir_ / "water saved.cvc").string();
    {
      auto w = Opened(water_);
      Type(*w->Current().View, "Qm", "30 t/h", 3);
        QCOMPARE(w->Current().View->UnitText("Qm"), QString("t/h"));
      QCOMPARE(EditorText(*w->Current().View, "Qm", 0), QString("8"));
      QVERIFY(w->SaveCalculationAs(0, copy));
      QCOMPARE(CalculationClassOfFile(copy), std::string("TSCMTorva"));
    }
    auto w = Opened(copy);
    QCOMPARE(EditorText(*w->Current().View, "Qm", 3), QString("30"));
    QCOMPARE(w->Current().View->UnitText("Qm"), QString("t/h"));

    TTorvaWorkspace calc;
    calc.Load(water_);
    const std::string kv2 = FieldText(*calc.Item("kv", 1));
    const std::string damaged = (dir_ / "damaged.cvc").string();
    {
      std::ifstream in(water_, std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      bytes.resize(bytes.size() / 2);
      std::ofstream(damaged, std::ios::binary) << bytes;
    }
    for (const std::string& file : {liquid_, damaged}) {
      bool thrown = false;
      try {
        calc.Load(file);
      } catch (const std::exception&) {
        thrown = true;
      }
      QVERIFY2(thrown, file.c_str());
      QCOMPARE(FieldText(*calc.Item("kv", 1)), kv2);
      QCOMPARE(FieldText(*calc.Item("FluidName", 0)), std::string("Wasser"));
    }
    // The window picks the kind by the file.
    QCOMPARE(CreateWorkspaceForFile(liquid_)->KindName(), std::string("TCMControlValves"));
    QCOMPARE(CreateWorkspaceForFile(water_)->KindName(), std::string("TSCMTorva"));
    QCOMPARE(CreateWorkspaceForFile(damaged)->KindName(), std::string("TSCMTorva"));
    QVERIFY(!w->OpenFile(damaged));
    QCOMPARE(notices_.size(), 1);
  }

  // "Ventil wählen..." and "Antrieb wählen...": the catalogue's candidates
  // sort by any column, the one taken over is one undo step in the window.
  void choosingValveAndActuatorFromTheCatalogue() {
    const std::string file = (dir_ / "catalogue.cvc").string();
    SaveExample("valve_from_catalogue.case", file);
    auto w = Opened(file);
    QVERIFY(w->Action("ActionSelectValve")->isEnabled());
    QVERIFY(w->Action("ActionSelectActuator")->isEnabled());
    auto& calc = dynamic_cast<TTorvaWorkspace&>(*w->Current().Calc);
    TChooseDialog valves(calc, TChooseDialog::ckValve, w.get());
    QTableWidget* t = valves.Table();
    QVERIFY(t->rowCount() > 3);
    QVERIFY(t->selectedItems().first()->font().bold());  // the valve the calculation holds
    t->sortItems(4, Qt::DescendingOrder);                  // Kvs, largest first
    for (int r = 1; r < t->rowCount(); ++r) QVERIFY(t->item(r - 1, 4)->text().toDouble() >= t->item(r, 4)->text().toDouble());
    int pick = -1;
    for (int r = 0; r < t->rowCount() && pick < 0; ++r)
      if (t->item(r, 1)->text() == "Series G1L globe" && t->item(r, 3)->text() == "65") pick = r;
    QVERIFY(pick >= 0);
    t->selectRow(pick);
    QVERIFY(valves.TakeOver());
    w->CalcSourceAfterCalculate();
    QCOMPARE(Q(calc.Item("VSeries", 0)->GetText()), QString("Series G1L globe"));
    QCOMPARE(EditorText(*w->Current().View, "DNV"), QString("65"));
    w->Undo();
    QCOMPARE(Q(calc.Item("VSeries", 0)->GetText()), QString("Series G1 globe"));
    QCOMPARE(EditorText(*w->Current().View, "DNV"), QString("50"));
    TChooseDialog actuators(calc, TChooseDialog::ckActuator, w.get());
    QVERIFY(actuators.Table()->rowCount() > 1);
    const QString name = actuators.Table()->item(actuators.Table()->rowCount() - 1, 0)->text();
    actuators.Table()->selectRow(actuators.Table()->rowCount() - 1);
    QVERIFY(actuators.TakeOver());
    QCOMPARE(Q(calc.Item("ActuatorName", 0)->GetText()), name);
  }

  // Print options leave parts of the sheet out; a calculation saved as a
  // template is offered by "Neu..." and starts a new, unnamed calculation.
  // The sheet of the whole calculation has four point columns and the noise
  // results, and no catch-all group (its PDF: the sheet's tests).
  void printOptionsAndCompanyTemplates() {
    auto w = Opened(water_);
    TWorkspace& calc = *w->Current().Calc;
    const QString whole = DataSheetHtml(calc, "water.cvc");
    for (const QString& part : {QString("Betriebspunkt X"), QString("Medium"), QString("Ventil"),
                                QString("Schalldruckpegel"), Q(FieldText(*calc.Item("LpAa", 2))),
                                Q(FieldText(*calc.Item("kv", 3)))})
      QVERIFY2(whole.contains(part), qPrintable(part));
    QVERIFY(!whole.contains(Q(Translate("Weitere Werte"))) && !whole.contains(Q(Translate("Keine Geräuschberechnung"))));
    TPrintOptionsDialog options(w.get());
    TPrintOptions o = options.Options();
    QVERIFY(o.charts && o.messages && o.pages[0]);
    o.charts = false;
    o.pages[0] = false;
    options.SetOptions(o);
    options.accept();
    QVERIFY(!TPrintOptions::Read().charts);
    const QString html = DataSheetHtml(*w->Current().Calc, "water.cvc");
    QVERIFY(!html.contains(Q(Translate("Betriebskennlinie"))));
    QVERIFY(!html.contains(Q(Translate("Garniturbauart"))));  // page 1 left out
    QVERIFY(html.contains(Q(Translate("Erforderliche Stellkraft"))));
    TPrintOptions().Write();
    // What the print dialog sets: page 2 only, two copies.
    {
      const QString pdf = Q((dir_ / "page2.pdf").string());
      QPrinter printer(QPrinter::HighResolution);
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(pdf);
      printer.setPrintRange(QPrinter::PageRange);
      printer.setFromTo(2, 2);
      printer.setCopyCount(2);
      PrintDataSheet(*w->Current().Calc, "water.cvc", printer);
      QFile f(pdf);
      QVERIFY(f.open(QIODevice::ReadOnly));
      const int pages = static_cast<int>(f.readAll().count("/Type /Page\n") + 0);
      QCOMPARE(pages, printer.supportsMultipleCopies() ? 1 : 2);
    }
    std::string error;
    const std::string templ = SaveAsTemplate(*w->Current().Calc, "Heißwasser DN 80", &error);
    QCOMPARE(Q(templ), Q((dir_ / "config" / "templates" / "Heißwasser DN 80.cvc").string()));
    QVERIFY(SaveAsTemplate(*w->Current().Calc, " ", &error).empty());
    TNewFromTemplateDialog pick(w.get());
    QCOMPARE(pick.List()->count(), 2);  // a blank calculation and the template
    QCOMPARE(pick.ChosenFile(), std::string());
    pick.List()->setCurrentRow(1);
    QCOMPARE(pick.ChosenFile(), templ);
    w->NewCalculation(pick.ChosenFile());
    QCOMPARE(w->Count(), 2);
    QVERIFY(w->Current().FileName.empty());
    QCOMPARE(EditorText(*w->Current().View, "kv", 2), EditorText(*w->Entry(0).View, "kv", 2));
  }

  // The characteristics window draws the operating points at their stroke
  // positions, the installed characteristic through the load points, axes
  // in steps of 1, 2 or 5, and the octave spectrum (63 Hz to 16 kHz) of
  // the chosen point, whose bands add up to its level.
  void characteristicsOfTheWholeCalculation() {
    auto w = Opened(water_);
    QVERIFY(w->Action("ActionChars")->isEnabled());
    w->ShowCharacteristics(0);
    TCharacteristicsWindow* chars = w->CharacteristicsWindow(0);
    QVERIFY(chars && chars->isVisible());
    TWorkspace& calc = *w->Current().Calc;
    int points = 0;
    QLineSeries* installed = nullptr;
    for (QAbstractSeries* s : chars->CurveView()->chart()->series()) {
      if (s->name() == "Betriebskennlinie") installed = qobject_cast<QLineSeries*>(s);
      auto* scatter = qobject_cast<QScatterSeries*>(s);
      if (!scatter || scatter->name().isEmpty()) continue;  // the marks on the flow axis have no legend
      const int op = points++;
      QCOMPARE(scatter->name(), Q(calc.OperatingPointCaption(op)));
      QCOMPARE(scatter->at(0).x(), static_cast<double>(calc.Item("StrokePosition", op)->AsParameter()->GetValue()));
      QCOMPARE(scatter->at(0).y(), static_cast<double>(calc.Item("kv", op)->AsParameter()->GetDisplayValue()));
    }
    QCOMPARE(points, 4);
    QVERIFY(installed && installed->count() > 50);
    for (int op = 0; op < 2; ++op) {  // through the load points that are not choked
      const double h = static_cast<double>(calc.Item("StrokePosition", op)->AsParameter()->GetValue());
      const double q = static_cast<double>(calc.Item("Qm", op)->AsParameter()->GetDisplayValue());
      double nearest = 1e300;
      for (const QPointF& p : installed->points())
        if (std::fabs(p.y() - q) < 1e-6 * q) nearest = std::min(nearest, std::fabs(p.x() - h));
      QVERIFY2(nearest < 0.01, qPrintable(QString("point %1: %2").arg(op + 1).arg(nearest)));
    }
    for (QAbstractAxis* a : chars->CurveView()->chart()->axes()) {
      const double step = qobject_cast<QValueAxis*>(a)->tickInterval();
      const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
      QVERIFY2(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 || std::fabs(mantissa - 5) < 1e-9,
               qPrintable(QString::number(step)));
    }
    const char* bands[] = {"LpAe63", "LpAe125", "LpAe250", "LpAe500", "LpAe1k", "LpAe2k", "LpAe4k", "LpAe8k", "LpAe16k"};
    for (int op : {0, 2}) {
      chars->SpectrumPoint()->setCurrentIndex(op);
      emit chars->SpectrumPoint()->activated(op);
      const auto series = chars->SpectrumView()->chart()->series();
      QCOMPARE(series.size(), qsizetype(1));
      QBarSet* set = qobject_cast<QBarSeries*>(series[0])->barSets().at(0);
      QCOMPARE(set->count(), 9);
      double energy = 0;
      for (int i = 0; i < 9; ++i) {
        QCOMPARE(set->at(i), static_cast<double>(calc.Item(bands[i], op)->AsParameter()->GetDisplayValue()));
        energy += std::pow(10.0, set->at(i) / 10);
      }
      const double total = static_cast<double>(calc.Item("LpAa", op)->AsParameter()->GetDisplayValue());
      QVERIFY2(std::fabs(10 * std::log10(energy) - total) < 0.1, qPrintable(QString::number(total)));
    }
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

  // Work on a calculation, then the window goes without being closed (the
  // program is killed): the next start offers the changed calculation,
  // not the untouched one, back with its last values, as a changed
  // calculation of its file. Saving removes the backup, a clean close
  // leaves nothing behind.
  void backupIsOfferedBackAfterAnAbandonedSession() {
    const fs::path backups = DefaultBackupDir();
    QCOMPARE(backups, dir_ / "state" / "torvacalc" / "backup");
    fs::remove_all(backups);  // what the windows of the other tests left
    const std::string file = Copy(water_, "recover.cvc");
    double clock = 46000;  // day number
    std::map<std::pair<std::string, int>, QString> last;
    std::string firstBackup;
    {
      auto w = Opened(file);
      w->NewCalculation();
      w->SetCurrentIndex(0);
      TSuperCalcModule& calc = w->Current().Calc->Super();
      calc.Now = [&clock] { return clock; };
      firstBackup = calc.AutoSaveFileName();
      QVERIFY(!fs::exists(firstBackup));  // opened, not changed yet
      Type(*w->Current().View, "p2", "5.5 bar(a)", 1);
      QVERIFY(fs::exists(firstBackup));  // the first change at once
      clock += 31.0 / 86400;             // the next one 30 s later
      Type(*w->Current().View, "p2", "5 bar(a)", 1);
      last = AllFields(*w->Current().View, *w->Current().Calc);
    }
    auto w = Window();
    // "Später" keeps the backups for the next time.
    w->Dialogs.ChooseRecovery = [](const std::vector<TBackupFile>&) { return std::optional<std::vector<int>>(); };
    QCOMPARE(w->OfferRecovery(), 0);
    QVERIFY(fs::exists(firstBackup));
    std::vector<TBackupFile> offered;
    w->Dialogs.ChooseRecovery = [&offered](const std::vector<TBackupFile>& b) {
      offered = b;
      return std::optional<std::vector<int>>(std::vector<int>{0});
    };
    QCOMPARE(w->OfferRecovery(), 1);
    QCOMPARE(offered.size(), size_t(1));
    QCOMPARE(offered[0].FileName, file);
    QCOMPARE(offered[0].Title, std::string("recover.cvc"));
    QCOMPARE(w->Count(), 1);  // in place of the untouched new calculation
    TCalcEntry& e = w->Current();
    QVERIFY(e.Changed);
    QCOMPARE(e.FileName, file);
    QCOMPARE(EditorText(*e.View, "p2", 1), QString("5"));
    QCOMPARE(AllFields(*e.View, *e.Calc), last);
    // Backed up under its new name; the old backup is gone.
    QVERIFY(!fs::exists(firstBackup));
    QVERIFY(fs::exists(e.Calc->Super().AutoSaveFileName()));
    QVERIFY(TBackupSession(backups.string(), true).Abandoned().empty());  // a running session's are not offered
    QVERIFY(w->SaveCalculation(0));
    QVERIFY(!fs::exists(e.Calc->Super().AutoSaveFileName()));
    Type(*e.View, "p2", "6 bar(a)", 1);
    QVERIFY(fs::exists(e.Calc->Super().AutoSaveFileName()));
    askSaveAnswer_ = QMessageBox::No;
    QVERIFY(w->close());
    QVERIFY(fs::is_empty(backups));
  }

  // The program options are kept in the settings; the history size takes
  // effect in new calculations, a backup switched off writes none.
  void programOptionsAreKeptAndApplied() {
    TSettingsStore& s = TSettingsStore::Instance();
    const TDesktopOptions before = TDesktopOptions::Load(s);
    QVERIFY(before.AutoBackup && before.AskSaveOverNewerFiles && before.MaxHistoryCount == 20);
    {
      TOptionsDialog dlg(before);
      QCOMPARE(dlg.Options().BackupDir, std::string());  // the default folder stays the default
      dlg.findChild<QSpinBox*>()->setValue(3);
      for (QCheckBox* c : dlg.findChildren<QCheckBox*>()) c->setChecked(false);
      dlg.Options().Save(s);
    }
    const TDesktopOptions saved = TDesktopOptions::Load(s);
    QVERIFY(!saved.AutoBackup && !saved.NoticeOlderFiles && !saved.AskSaveOverNewerFiles);
    QCOMPARE(saved.MaxHistoryCount, 3);
    {
      auto w = Opened(water_);
      TCalcEntry& e = w->Current();
      for (const char* p2 : {"5", "5.2", "5.4", "5.6", "5.8"}) Type(*e.View, "p2", QString(p2) + " bar(a)", 1);
      QVERIFY(!fs::exists(e.Calc->Super().AutoSaveFileName()));
      int undone = 0;
      while (e.Calc->Undo()) ++undone;
      QCOMPARE(undone, 3);
      QCOMPARE(EditorText(*e.View, "p2", 1), QString("5.2"));
    }
    before.Save(s);
    before.ApplyToFiles();
  }

  // The notices of files of other program versions, as `show` gives them,
  // and the question before saving over a newer version's file: "No"
  // keeps the file, "Yes" with "do not ask again" saves and asks no more.
  void filesOfOtherVersionsGiveNoticesAndAskBeforeSaving() {
    const struct {
      int version;
      bool noticeOlder;
      const char* notice;  // nullptr: none
    } rows[] = {{900, true, "neueren Torvacalc-Version"}, {700, true, "älteren Torvacalc-Version"}, {700, false, nullptr},
                {800, true, nullptr}};
    for (const auto& r : rows) {
      const std::string file = (dir_ / ("v" + std::to_string(r.version) + ".cvc")).string();
      {
        TTorvaWorkspace calc;
        calc.EnterAll({"FluidName=Wasser", "P1=10", "p2=7", "T1=80", "Qm=8000"});
        calc.Super().VersionNo = r.version;
        calc.Save(file);
      }
      TDesktopOptions options = TDesktopOptions::Load(TSettingsStore::Instance());
      options.NoticeOlderFiles = r.noticeOlder;
      options.Save(TSettingsStore::Instance());
      notices_.clear();
      auto w = Opened(file);
      QCOMPARE(notices_.size(), r.notice ? 1 : 0);
      if (r.notice) QVERIFY2(notices_[0].contains(r.notice), qPrintable(notices_[0]));
    }
    const std::string newer = (dir_ / "v900.cvc").string();
    const std::string newer2 = Copy(newer, "v900b.cvc");
    auto w = Opened(newer);
    Type(*w->Current().View, "p2", "6 bar(a)");
    QVERIFY(!w->SaveCalculation(0));
    QCOMPARE(asked_.size(), 1);
    QVERIFY(asked_[0].contains("neueren Torvacalc-Version"));
    QCOMPARE(FileVersion(newer), 900);
    askNewerAnswer_ = QMessageBox::Yes;
    dontAskAgain_ = true;
    QVERIFY(w->SaveCalculation(0));
    QCOMPARE(FileVersion(newer), 800);
    QVERIFY(!TDesktopOptions::Load(TSettingsStore::Instance()).AskSaveOverNewerFiles);
    // Over another newer file without a question.
    QVERIFY(w->SaveCalculationAs(0, newer2));
    QCOMPARE(asked_.size(), 2);  // "No", then "Yes", then none
    TDesktopOptions options = TDesktopOptions::Load(TSettingsStore::Instance());
    options.AskSaveOverNewerFiles = options.NoticeOlderFiles = true;
    options.Save(TSettingsStore::Instance());
    options.ApplyToFiles();
  }

  // "Betriebspunkte sortieren" orders the points by flow, the entries of a
  // point moving together; undo puts the order back.
  void sortingThePointsIsUndone() {
    auto w = Opened(water_);
    TCalculationView& v = *w->Current().View;
    Type(v, "Qm", "30000");  // point 1 now carries the largest flow
    const auto before = AllFields(v, *w->Current().Calc);
    QVERIFY(w->SortOperatingPoints(0));
    for (const char* name : {"Qm", "P1", "p2"})
      for (int to = 0; to < 3; ++to)
        QCOMPARE(EditorText(v, name, to), before.at({name, (to + 1) % 3}));
    w->Undo();
    QCOMPARE(AllFields(v, *w->Current().Calc), before);
  }

  // A note entered through the context menu of a value: marked, shown as
  // its tooltip, saved with the file, removed again; each one undo step.
  void noteOnAValueFromTheContextMenu() {
    auto w = Opened(Copy(water_, "note.cvc"));
    TCalculationView& v = *w->Current().View;
    const QModelIndex at = v.Index("kvs", 0);
    v.AskNote = [](const QString&, const QString&) { return std::optional<QString>("Kvs nach Datenblatt 2024"); };
    auto run = [&](const char* action) {
      std::unique_ptr<QMenu> menu(ValueNoteMenu(v, at, nullptr));
      QVERIFY(menu);
      menu->findChild<QAction*>(action)->trigger();
    };
    QVERIFY(!at.data(TCalculationModel::kHasNoteRole).toBool());
    run("ActionNote");
    QVERIFY(at.data(TCalculationModel::kHasNoteRole).toBool());
    QVERIFY(at.data(Qt::ToolTipRole).toString().startsWith("Notiz: Kvs nach Datenblatt 2024"));
    QVERIFY(w->Current().Changed);
    QVERIFY(w->SaveCalculation(0));
    {
      auto again = Window();
      QVERIFY(again->OpenFile(Copy(w->Current().FileName, "note2.cvc")));
      QCOMPARE(ItemNote(*again->Current().Calc->Item("kvs", 0)), std::string("Kvs nach Datenblatt 2024"));
    }
    run("ActionRemoveNote");
    QVERIFY(!at.data(TCalculationModel::kHasNoteRole).toBool());
    w->Undo();
    QVERIFY(at.data(TCalculationModel::kHasNoteRole).toBool());
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
    env.insert("XDG_STATE_HOME", Q((dir_ / "race-state").string()));  // no backups to offer
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
