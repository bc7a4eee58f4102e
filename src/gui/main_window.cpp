#include "gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTableWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <set>
#include <tuple>

#include "files/calculation_file.h"
#include "framework/calc_switch.h"
#include "framework/options.h"
#include "framework/settings.h"
#include "framework/translation.h"
#include "gui/batch_export.h"
#include "gui/calculation_view.h"
#include "gui/characteristics_window.h"
#include "gui/choose_dialog.h"
#include "gui/print_dialogs.h"
#include "gui/data_sheet.h"
#include "gui/options_dialog.h"
#include "gui/qt_text.h"
#include "gui/startup.h"
#include "output/export_template.h"
#include "workspace/entries.h"
#include "workspace/torva_workspace.h"

namespace torvacalc {

namespace {

const char* kWindowSection = "Windows\\TFormHydrixMainControlValves";
constexpr int kMaxRecent = 10;

std::string BaseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

QString Fill(const std::string& german, const std::string& arg) {
  return Q(FormatMessageText(Translate(german), {arg}));
}

bool Available(TWorkspace& calc, const char* name) {
  for (int op = 0; op < calc.OperatingPointCount(); ++op)
    if (const TCalcItem* item = calc.Item(name, op))
      if (const TCalcParameter* p = item->AsParameter(); p && HasValue(p->GetCalcValue())) return true;
  return false;
}

}  // namespace

TMainWindow::TMainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName("TFormHydrixMainControlValves");
  Dialogs.Notice = [this](const QString& text, const QString& key) {
    TSettingsStore& s = TSettingsStore::Instance();
    if (!key.isEmpty() && s.ReadBool("DontShow", S(key), false)) return;
    QMessageBox box(QMessageBox::Information, Q(Translate("Torvacalc")), text, QMessageBox::Ok, this);
    QCheckBox* dont = nullptr;
    if (!key.isEmpty()) {
      dont = new QCheckBox(Q(Translate("Diesen Dialog nicht mehr anzeigen")));
      box.setCheckBox(dont);
    }
    box.exec();
    if (dont && dont->isChecked()) {
      s.WriteBool("DontShow", S(key), true);
      s.Save();
    }
  };
  Dialogs.AskSave = [this](const QString& question) {
    return QMessageBox::question(this, Q(Translate("Torvacalc")), question,
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  };
  Dialogs.ChooseOpenFile = [this] {
    return QFileDialog::getOpenFileName(this, Q(Translate("Öffnen...")), QString(),
                                        Q(Translate("Regelventilberechnungen")) + " (*.cvc *.case);;" +
                                            Q(Translate("Alle Dateien")) + " (*)");
  };
  Dialogs.ChooseSaveFile = [this](const QString& suggestion) {
    return QFileDialog::getSaveFileName(this, Q(Translate("Speichern unter...")), suggestion,
                                        Q(Translate("Regelventilberechnungen")) + " (*.cvc)");
  };
  Dialogs.ChoosePdfFile = [this](const QString& suggestion) {
    return QFileDialog::getSaveFileName(this, Q(Translate("Adobe Acrobat Format...")), suggestion, "PDF (*.pdf)");
  };
  Dialogs.ChooseRecovery = [this](const std::vector<TBackupFile>& backups) { return AskRecovery(backups, this); };
  Dialogs.AskSaveOverNewer = [this](const QString& question, bool* dontAskAgain) {
    const auto box = NewerFileQuestion(question, this);
    const int answer = box->exec();
    *dontAskAgain = box->checkBox()->isChecked();
    return answer;
  };
  {
    const TDesktopOptions options = TDesktopOptions::Load(TSettingsStore::Instance());
    options.ApplyToFiles();
    FBackup = std::make_unique<TBackupSession>(options.BackupFolder(), options.AutoBackup);
  }
  PrintPdfFolder = Q(TSettingsStore::Instance().ReadString(
      "Print", "PdfFolder", S(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))));

  FTabs = new QTabWidget(this);
  FTabs->setTabsClosable(true);
  FTabs->setDocumentMode(true);
  setCentralWidget(FTabs);
  QObject::connect(FTabs, &QTabWidget::tabCloseRequested, this, [this](int i) { CloseCalculation(i); });
  QObject::connect(FTabs, &QTabWidget::currentChanged, this, [this](int) {
    if (!FEntries.empty()) CalcSourceAfterCalculate();
  });

  FMessageDock = new QDockWidget(this);
  FMessageDock->setObjectName("MessageDock");
  FMessageList = new QTreeWidget(FMessageDock);
  FMessageList->setRootIsDecorated(false);
  FMessageList->setColumnCount(5);
  FMessageDock->setWidget(FMessageList);
  addDockWidget(Qt::BottomDockWidgetArea, FMessageDock);
  QObject::connect(FMessageList, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* it) {
    const std::string name = S(it->data(0, Qt::UserRole).toString());
    if (!name.empty()) Current().View->FocusItem(name, it->data(1, Qt::UserRole).toInt());
  });

  BuildMenus();
  {
    const TSettingsStore& s = TSettingsStore::Instance();
    for (int i = 0; i < kMaxRecent; ++i) {
      const std::string f = s.ReadString("RecentFiles", "File" + std::to_string(i), "");
      if (!f.empty()) FRecent.push_back(f);
    }
  }
  RebuildRecentMenu();
  NewCalculation();
  LoadWindowSettings();
  Retranslate();
}

TMainWindow::~TMainWindow() {
  // The views refer to the calculations: they go first.
  FTabs->blockSignals(true);
  while (FTabs->count() > 0) delete FTabs->widget(0);
  for (auto& e : FEntries) delete e->Characteristics;
  FEntries.clear();
}

QAction* TMainWindow::AddAction(const std::string& name, const std::string& caption, const QKeySequence& key,
                                std::function<void()> run) {
  auto* a = new QAction(this);
  a->setObjectName(Q(name));
  a->setShortcut(key);
  QObject::connect(a, &QAction::triggered, this, [run = std::move(run)] { run(); });
  FActions[name] = a;
  FCaptions[name] = caption;
  return a;
}

QAction* TMainWindow::Action(const std::string& name) const {
  const auto it = FActions.find(name);
  return it == FActions.end() ? nullptr : it->second;
}

void TMainWindow::BuildMenus() {
  auto menu = [this](const std::string& caption) {
    QMenu* m = menuBar()->addMenu(QString());
    FMenus.push_back(m);
    FMenuCaptions.push_back(caption);
    return m;
  };
  QMenu* file = menu("Datei");
  file->addAction(AddAction("ActionNew", "Neu", QKeySequence::New, [this] { NewCalculation(); }));
  file->addAction(AddAction("ActionNewDlg", "Neu...", {}, [this] {
    TNewFromTemplateDialog dlg(this);
    if (dlg.exec() == QDialog::Accepted) NewCalculation(dlg.ChosenFile());
  }));
  file->addAction(AddAction("ActionOpen", "Öffnen...", QKeySequence::Open, [this] {
    const QString f = Dialogs.ChooseOpenFile();
    if (!f.isEmpty()) OpenFile(S(f));
  }));
  FRecentMenu = file->addMenu(QString());
  FRecentMenu->menuAction()->setObjectName("ActionReOpen");
  FActions["ActionReOpen"] = FRecentMenu->menuAction();
  FCaptions["ActionReOpen"] = "Zuletzt geöffnete Berechnungen";
  file->addSeparator();
  file->addAction(AddAction("ActionSave", "Speichern", QKeySequence::Save, [this] { SaveCalculation(CurrentIndex()); }));
  file->addAction(AddAction("ActionSaveAs", "Speichern unter...", QKeySequence::SaveAs,
                            [this] { SaveCalculationAs(CurrentIndex()); }));
  file->addAction(AddAction("ActionSaveTemp", "Als Vorlage speichern...", {}, [this] {
    bool ok = false;
    const QString name = QInputDialog::getText(this, Q(Translate("Als Vorlage speichern...")), Q(Translate("Name der Vorlage")),
                                               QLineEdit::Normal, Q(std::filesystem::path(TitleOf(Current())).stem().string()), &ok);
    std::string error;
    if (ok && SaveAsTemplate(*Current().Calc, S(name), &error).empty()) Notice(Q(error));
  }));
  file->addAction(AddAction("ActionSaveAndClose", "Speichern und schließen", {}, [this] { SaveAndClose(CurrentIndex()); }));
  file->addAction(AddAction("ActionClose", "Schließen", QKeySequence::Close, [this] { CloseCalculation(CurrentIndex()); }));
  file->addAction(AddAction("ActionCloseAll", "Alle schließen", {}, [this] { CloseAll(); }));
  file->addSeparator();
  file->addAction(AddAction("ActionPreview", "Druckansicht", {}, [this] { ShowPrintPreview(CurrentIndex()); }));
  file->addAction(AddAction("ActionPreviewDlg", "Druckansicht...", {}, [this] {
    // The print options first, then the preview with them.
    TPrintOptionsDialog options(this);
    if (options.exec() == QDialog::Accepted) ShowPrintPreview(CurrentIndex());
  }));
  file->addAction(AddAction("ActionPrint", "Drucken", QKeySequence::Print, [this] { PrintCalculation(CurrentIndex()); }));
  file->addAction(AddAction("ActionPrintDlg", "Drucken...", {}, [this] {
    PrintWithDialog(*Current().Calc, Q(TitleOf(Current())), this);
  }));
  file->addAction(AddAction("ActionExportPDF", "Adobe Acrobat Format...", {}, [this] {
    // Beside the calculation file; a calculation not yet saved goes to the
    // folder the printer's PDFs go to.
    const TCalcEntry& e = Current();
    const std::filesystem::path folder =
        e.FileName.empty() ? std::filesystem::path(S(PrintPdfFolder)) : std::filesystem::path(e.FileName).parent_path();
    const QString suggestion = Q((folder / (std::filesystem::path(TitleOf(e)).stem().string() + ".pdf")).string());
    const QString f = Dialogs.ChoosePdfFile(suggestion);
    if (!f.isEmpty()) ExportPdf(CurrentIndex(), f);
  }));
  file->addAction(AddAction("ActionExportExcel", "Mehrere Dateien verarbeiten ...", {}, [this] { BatchExport(); }));
  file->addSeparator();
  file->addAction(AddAction("ActionExit", "Beenden", QKeySequence::Quit, [this] { close(); }));

  QMenu* edit = menu("Bearbeiten");
  edit->addAction(AddAction("ActionUndo", "Rückgängig", QKeySequence::Undo, [this] { Undo(); }));
  edit->addAction(AddAction("ActionRedo", "Wiederherstellen", QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { Redo(); }));
  Action("ActionRedo")->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  edit->addAction(AddAction("ActionCopy", "Kopieren", QKeySequence::Copy, [this] {
    if (auto* w = QApplication::focusWidget())
      if (auto* e = qobject_cast<QLineEdit*>(w)) e->copy();
  }));

  QMenu* calc = menu("Berechnung");
  calc->addAction(AddAction("ActionCalculateP1", "Vordruck p1", {}, [this] {
    TWorkspace& c = *Current().Calc;
    if (auto* what = dynamic_cast<TCustomCalcMultiSwitch*>(c.Item("WhatToCalculate", 0))) {
      // The Kv found so far becomes the engineer's given value, from which
      // the inlet pressure is computed.
      c.Super().BeginUpdate();
      for (int op = 0; op < c.OperatingPointCount(); ++op)
        if (TCalcItem* kv = c.Item("kv", op); kv && kv->GetInputState() == isCalculated) kv->IsNotLongerCalculated();
      ChooseSwitch(c, *what, what->IndexOfText("Eintrittsdruck"));
      c.Super().EndUpdate(true);
      MarkChanged(Current());
    }
  }));
  // Valve and actuator from the catalogues (gui/choose_dialog.h): the
  // dialog takes the chosen one over as one undo step.
  for (const auto& [name, caption, kind] : {std::tuple{"ActionSelectValve", "Ventil wählen...", TChooseDialog::ckValve},
                                           std::tuple{"ActionSelectActuator", "Antrieb wählen...", TChooseDialog::ckActuator}})
    calc->addAction(AddAction(name, caption, {}, [this, kind = kind] {
      auto* torva = dynamic_cast<TTorvaWorkspace*>(Current().Calc.get());
      if (!torva) return;
      TChooseDialog dlg(*torva, kind, this);
      if (dlg.exec() != QDialog::Accepted) return;
      Current().Changed = true;
      CalcSourceAfterCalculate();
    }));
  calc->addAction(AddAction("ActionChars", "Kennlinien", {}, [this] { ShowCharacteristics(CurrentIndex()); }));
  calc->addAction(AddAction("ActionSortAps", "Betriebspunkte sortieren", {}, [this] { SortOperatingPoints(CurrentIndex()); }));
  calc->addAction(AddAction("ActionTroublemaker", "Zum nächsten Fehlerverursacher", QKeySequence(Qt::Key_F8),
                            [this] { JumpToNextTroubleMaker(); }));

  QMenu* view = menu("Ansicht");
  QAction* tree = AddAction("ActionViewTree", "Baumübersicht", {}, [this] {
    for (auto& e : FEntries) e->View->SetTreeVisible(Action("ActionViewTree")->isChecked());
  });
  tree->setCheckable(true);
  tree->setChecked(true);
  view->addAction(tree);
  QAction* errors = FMessageDock->toggleViewAction();
  errors->setObjectName("ActionViewErrorList");
  FActions["ActionViewErrorList"] = errors;
  FCaptions["ActionViewErrorList"] = "Fehlerliste";
  view->addAction(errors);
  view->addSeparator();
  view->addAction(AddAction("ActionViewDetails", "Alle Details anzeigen", {}, [this] {
    FAllDetails = true;
    for (auto& e : FEntries) e->View->SetShowAllDetails(true);
  }));
  view->addAction(AddAction("ActionViewNoDetails", "Wenig Details anzeigen", {}, [this] {
    FAllDetails = false;
    for (auto& e : FEntries) e->View->SetShowAllDetails(false);
  }));

  QMenu* options = menu("Optionen");
  options->addAction(AddAction("ActionViewUnits", "Voreingestellte Einheiten...", {}, [this] { ShowDefaultUnitsDialog(); }));
  options->addAction(AddAction("ActionViewSignis", "Signifikante Stellen...", {}, [this] { ShowDigitsDialog(); }));
  options->addAction(AddAction("ActionLanguange", "Sprache...", {}, [this] { ShowLanguageDialog(); }));
  options->addAction(AddAction("ActionPrintOptions", "Druckoptionen...", {}, [this] {
    TPrintOptionsDialog dlg(this);
    dlg.exec();
  }));
  options->addAction(AddAction("ActionProgramOptions", "Programmoptionen...", {}, [this] { ShowProgramOptions(); }));
  options->addAction(AddAction("ActionLoadDataBases", "Datenbanken laden", {}, [this] { ReloadDataBases(true); }));

  QMenu* help = menu("Hilfe");
  help->addAction(AddAction("ActionUserGuide", "Benutzerhandbuch", QKeySequence::HelpContents, [this] { ShowUserGuide(); }));
  help->addAction(AddAction("ActionAbout", "Über Torvacalc...", {}, [this] {
    QMessageBox::about(this, Q(Translate("Über Torvacalc...")),
                       "<h3>Torvacalc " TORVACALC_VERSION "</h3><p>" + Q(Translate("Regelventil-Auslegung")) +
                           "</p><p>Qt " + QString(qVersion()) + "</p>");
  }));

  QToolBar* bar = addToolBar(QString());
  bar->setObjectName("ToolBar");
  for (const char* n : {"ActionNew", "ActionOpen", "ActionSave", "ActionUndo", "ActionRedo", "ActionPrint", "ActionChars",
                        "ActionTroublemaker"})
    bar->addAction(Action(n));
  QStyle* st = style();
  Action("ActionNew")->setIcon(st->standardIcon(QStyle::SP_FileIcon));
  Action("ActionOpen")->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
  Action("ActionSave")->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
  Action("ActionUndo")->setIcon(st->standardIcon(QStyle::SP_ArrowBack));
  Action("ActionRedo")->setIcon(st->standardIcon(QStyle::SP_ArrowForward));
  Action("ActionPrint")->setIcon(st->standardIcon(QStyle::SP_FileDialogDetailedView));
  Action("ActionChars")->setIcon(st->standardIcon(QStyle::SP_FileDialogContentsView));
  Action("ActionTroublemaker")->setIcon(st->standardIcon(QStyle::SP_MessageBoxWarning));
}

void TMainWindow::Retranslate() {
  setWindowTitle(Q(Translate("Torvacalc")));
  for (size_t i = 0; i < FMenus.size(); ++i) FMenus[i]->setTitle(Q(Translate(FMenuCaptions[i])));
  for (auto& [name, action] : FActions) action->setText(Q(Translate(FCaptions[name])));
  FMessageDock->setWindowTitle(Q(Translate("Fehlerliste")));
  FMessageList->setHeaderLabels({Q(Translate("Typ")), Q(Translate("Nr.")), Q(Translate("Punkt")),
                                 Q(Translate("Bezeichnung")), Q(Translate("Meldung"))});
  for (auto& e : FEntries) e->View->Rebuild();
  for (int i = 0; i < Count(); ++i) UpdateTabTitle(i);
  if (!FEntries.empty()) CalcSourceAfterCalculate();
}

std::string TMainWindow::TitleOf(const TCalcEntry& e) const {
  return e.FileName.empty() ? e.Title : BaseName(e.FileName);
}

int TMainWindow::CurrentIndex() const {
  const int i = FTabs->currentIndex();
  return i < 0 ? 0 : i;
}

void TMainWindow::SetCurrentIndex(int index) { FTabs->setCurrentIndex(index); }

int TMainWindow::IndexOfFile(const std::string& fileName) const {
  for (int i = 0; i < Count(); ++i)
    if (!FEntries[i]->FileName.empty() && FEntries[i]->FileName == fileName) return i;
  return -1;
}

TCalcEntry& TMainWindow::AddEntry(std::unique_ptr<TWorkspace> calc) {
  auto entry = std::make_unique<TCalcEntry>();
  entry->Calc = std::move(calc);
  entry->GUID = NewGUIDText();
  entry->Calc->Super().SetGUIDAsStr(entry->GUID);
  entry->View = new TCalculationView(*entry->Calc);
  entry->View->SetShowAllDetails(FAllDetails);
  entry->View->SetTreeVisible(!Action("ActionViewTree") || Action("ActionViewTree")->isChecked());
  TCalcEntry* raw = entry.get();
  entry->View->OnChanged = [this, raw] { MarkChanged(*raw); };
  FBackup->Attach(entry->Calc->Super(), [this, raw] { return std::make_pair(raw->FileName, TitleOf(*raw)); }, false);
  entry->View->OnInputError = [this](const std::string& error) {
    statusBar()->showMessage(Q(error), 10000);
    ReloadMessages();
  };
  FEntries.push_back(std::move(entry));
  FTabs->addTab(raw->View, QString());
  return *raw;
}

void TMainWindow::RemoveEntry(int index) {
  std::unique_ptr<TCalcEntry> e = std::move(FEntries[index]);
  FEntries.erase(FEntries.begin() + index);
  FTabs->blockSignals(true);
  FTabs->removeTab(index);
  FTabs->blockSignals(false);
  delete e->View;
  delete e->Characteristics;
  e->Handle->Close();
  FBackup->Forget(e->Calc->Super());
}

void TMainWindow::UpdateTabTitle(int index) {
  TCalcEntry& e = Entry(index);
  QString title = Q(TitleOf(e));
  if (e.ReadOnly) title += " [" + Q(Translate("nur lesen")) + "]";
  if (e.Changed) title += " *";
  FTabs->setTabText(index, title);
  FTabs->setTabToolTip(index, Q(e.FileName));
}

void TMainWindow::ApplyDefaultUnits(TWorkspace& calc) {
  const TSettingsStore& s = TSettingsStore::Instance();
  calc.Super().BeginSetValues();
  for (const auto& page : calc.Pages())
    for (const auto& group : page.Groups)
      for (const auto& name : group.Items)
        for (int op = 0; op < calc.OperatingPointCount(); ++op)
          if (TCalcItem* item = calc.Item(name, op))
            if (TCalcParameter* p = item->AsParameter()) {
              const int unit = s.ReadInteger("DefaultUnits", "Quantity" + std::to_string(p->GetQuantity()), -1);
              if (unit >= 0) SetShownUnit(*p, unit);
            }
  calc.Super().EndSetValues();
}

void TMainWindow::NewCalculation() {
  // A new calculation starts from the default template when there is one.
  NewCalculation(TSettingsStore::Instance().ReadString("Options", "DefaultTemplate", ""));
}

void TMainWindow::NewCalculation(const std::string& templ) {
  auto calc = CreateWorkspace();
  calc->Super().UseHistory = false;
  std::error_code ec;
  if (!templ.empty() && std::filesystem::is_regular_file(templ, ec)) {
    try {
      calc->Load(templ);
    } catch (const std::exception& e) {
      statusBar()->showMessage(Q(e.what()), 10000);
    }
  }
  ApplyDefaultUnits(*calc);
  calc->Super().UseHistory = true;
  calc->RestartHistory();
  TCalcEntry& e = AddEntry(std::move(calc));
  e.Title = Translate("Berechnung") + std::to_string(++FNewCount);
  UpdateTabTitle(Count() - 1);
  SetCurrentIndex(Count() - 1);
  CalcSourceAfterCalculate();
}

bool TMainWindow::OpenFile(const std::string& fileNameIn) {
  const std::string fileName = std::filesystem::absolute(fileNameIn).lexically_normal().string();
  const std::string base = BaseName(fileName);
  auto handle = std::make_unique<TCalcFileHandle>();
  const auto opened = handle->Open(fileName);
  if (opened == TCalcFileHandle::orNotRegular) {
    Notice(Fill("Die Datei [%s] ist keine gewöhnliche Datei (eine Pipe, ein Gerät oder ein Ordner) und wird nicht "
                "geöffnet.",
                base));
    return false;
  }
  if (opened == TCalcFileHandle::orNoAccess) {
    Notice(Fill("Auf die Datei [%s] kann nicht zugegriffen werden.", base) + "\n" +
           Q(Translate("Prüfen Sie bitte, ob der Dateiname korrekt ist und Sie ausreichende Zugriffsrechte besitzen")));
    return false;
  }
  // A case file (NAME = TEXT lines, as `torvacalc run` reads them) becomes
  // a new calculation with its entries; a calculation file opens as it was
  // saved.
  const bool isCase = std::filesystem::path(fileName).extension() == ".case";
  std::unique_ptr<TWorkspace> calc;
  std::vector<std::string> notices;  // a file of another program version
  try {
    if (isCase) {
      calc = CreateWorkspace();
      calc->EnterAll(ReadCaseFile(fileName));
    } else {
      calc = OpenWorkspace(fileName, &notices);
    }
  } catch (const std::exception& e) {
    Notice(Q(base) + ": " + Q(e.what()));
    return false;
  }
  if (isCase) {
    handle->Close();
    const bool replace = Count() == 1 && Entry(0).FileName.empty() && !Entry(0).Changed;
    TCalcEntry& e = AddEntry(std::move(calc));
    e.Title = std::filesystem::path(fileName).stem().string();
    if (replace) RemoveEntry(0);
    UpdateTabTitle(Count() - 1);
    SetCurrentIndex(Count() - 1);
    CalcSourceAfterCalculate();
    return true;
  }
  // A single untouched new calculation gives way to the opened one.
  const bool replaceNew = Count() == 1 && Entry(0).FileName.empty() && !Entry(0).Changed;
  TCalcEntry& e = AddEntry(std::move(calc));
  e.FileName = fileName;
  e.ReadOnly = opened == TCalcFileHandle::orReadOnly;
  e.Handle = std::move(handle);
  e.View->SetReadOnly(e.ReadOnly);
  if (replaceNew) RemoveEntry(0);
  UpdateTabTitle(Count() - 1);
  SetCurrentIndex(Count() - 1);
  AddRecent(fileName);
  CalcSourceAfterCalculate();
  for (const std::string& n : notices) Notice(Q(n));
  if (e.ReadOnly)
    Notice(Fill("Die Datei [%s] ist bereits geöffnet, ist schreibgeschützt oder wird von einer anderen Anwendung gesperrt.",
                base) +
               "\n" +
               Q(Translate("Die Berechnung wird im Modus [nur lesen] geöffnet, kann aber unter einem anderen Namen gespeichert werden.")),
           "ReadOnlyNotice");
  return true;
}

bool TMainWindow::SaveCalculation(int index) {
  TCalcEntry& e = Entry(index);
  if (e.FileName.empty() || e.ReadOnly) return SaveCalculationAs(index);
  return SaveCalculationAs(index, e.FileName);
}

bool TMainWindow::SaveCalculationAs(int index, const std::string& fileNameIn) {
  TCalcEntry& e = Entry(index);
  std::string fileName = fileNameIn;
  if (fileName.empty()) {
    const QString chosen = Dialogs.ChooseSaveFile(Q(e.FileName.empty() ? TitleOf(e) + ".cvc" : e.FileName));
    if (chosen.isEmpty()) return false;
    fileName = S(chosen);
    if (std::filesystem::path(fileName).extension() != "." + e.Calc->FileExtension())
      fileName += "." + e.Calc->FileExtension();
  }
  fileName = std::filesystem::absolute(fileName).lexically_normal().string();
  const bool sameFile = fileName == e.FileName;
  if ((sameFile && e.ReadOnly) || (!sameFile && TCalcFileHandle::IsLockedByOther(fileName))) {
    Notice(Fill("Die Datei [%s] ist bereits geöffnet, ist schreibgeschützt oder wird von einer anderen Anwendung gesperrt.",
                BaseName(fileName)));
    return false;
  }
  if (!MaySaveOverNewer(e, fileName)) return false;
  try {
    // Asked above: the file is this version's from now on.
    TSuperCalcModule& super = e.Calc->Super();
    super.LoadedVersionNo = std::min(super.LoadedVersionNo, super.VersionNo);
    e.Calc->Save(fileName);
  } catch (const std::exception& ex) {
    Notice(Q(BaseName(fileName)) + ": " + Q(ex.what()));
    return false;
  }
  FBackup->Saved(e.Calc->Super());
  // The save replaced the file: the lock goes to the new one.
  e.FileName = fileName;
  e.ReadOnly = e.Handle->Open(fileName) != TCalcFileHandle::orReadWrite;
  e.View->SetReadOnly(e.ReadOnly);
  e.Changed = false;
  AddRecent(fileName);
  UpdateTabTitle(index);
  if (index == CurrentIndex()) setWindowTitle(Q(Translate("Torvacalc")) + " - " + Q(TitleOf(e)));
  statusBar()->showMessage(Fill("Gespeichert: %s", fileName), 5000);
  return true;
}

bool TMainWindow::SaveAndClose(int index) {
  if (!SaveCalculation(index)) return false;
  return CloseCalculation(index);
}

bool TMainWindow::CloseCalculation(int index) {
  if (index < 0 || index >= Count()) return false;
  TCalcEntry& e = Entry(index);
  if (e.Changed) {
    SetCurrentIndex(index);
    const std::string id = e.Calc->Super().Identifier()->GetDisplayText();
    const int answer = Dialogs.AskSave(Fill("'%s' speichern?", id.empty() ? TitleOf(e) : id));
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::Yes && !SaveCalculation(index)) return false;
  }
  RemoveEntry(index);
  // The window always holds at least one calculation.
  if (FEntries.empty()) NewCalculation();
  CalcSourceAfterCalculate();
  return true;
}

bool TMainWindow::CloseAll() {
  while (Count() > 1 || Entry(0).Changed || !Entry(0).FileName.empty())
    if (!CloseCalculation(Count() - 1)) return false;
  return true;
}

void TMainWindow::Undo() {
  TCalcEntry& e = Current();
  if (e.Calc->Undo()) MarkChanged(e);
}

void TMainWindow::Redo() {
  TCalcEntry& e = Current();
  if (e.Calc->Redo()) MarkChanged(e);
}

void TMainWindow::MarkChanged(TCalcEntry& e) {
  e.Changed = true;
  FBackup->Changed(e.Calc->Super());
  CalcSourceAfterCalculate();
}

bool TMainWindow::SortOperatingPoints(int index) {
  TCalcEntry& e = Entry(index);
  auto* whole = dynamic_cast<TTorvaWorkspace*>(e.Calc.get());
  if (!whole || e.ReadOnly || !whole->SortOperatingPoints()) return false;
  MarkChanged(e);
  return true;
}

bool TMainWindow::MaySaveOverNewer(TCalcEntry& e, const std::string& fileName) {
  // A calculation read from a newer version's file, or a newer version's
  // file in the way: what that version stored beyond this one is lost.
  const TSuperCalcModule& super = e.Calc->Super();
  std::string notice = NewerFileNotice(super, fileName);
  if (notice.empty() && super.LoadedVersionNo > super.VersionNo)
    notice = S(Fill("Die Datei [%s] stammt von einer neueren Torvacalc-Version.", BaseName(fileName))) + " " +
             Translate("Wenn Sie die Berechnung speichern, gehen eventuell Informationen verloren.");
  if (notice.empty()) return true;
  TSettingsStore& s = TSettingsStore::Instance();
  TDesktopOptions options = TDesktopOptions::Load(s);
  if (!options.AskSaveOverNewerFiles) return true;
  bool dontAsk = false;
  const int answer = Dialogs.AskSaveOverNewer(Q(notice) + "\n\n" + Q(Translate("Trotzdem speichern?")), &dontAsk);
  if (answer != QMessageBox::Yes) return false;
  if (dontAsk) {
    options.AskSaveOverNewerFiles = false;
    options.Save(s);
  }
  return true;
}

int TMainWindow::OfferRecovery() {
  const std::vector<TBackupFile> found = FBackup->Abandoned();
  if (found.empty() || !Dialogs.ChooseRecovery) return 0;
  const std::optional<std::vector<int>> chosen = Dialogs.ChooseRecovery(found);
  if (!chosen) return 0;  // later
  int restored = 0;
  for (int i = 0; i < static_cast<int>(found.size()); ++i) {
    if (std::find(chosen->begin(), chosen->end(), i) == chosen->end())
      TBackupSession::Discard(found[i]);
    else if (RestoreBackup(found[i]))
      ++restored;
  }
  return restored;
}

bool TMainWindow::RestoreBackup(const TBackupFile& b) {
  std::unique_ptr<TWorkspace> calc;
  try {
    calc = OpenWorkspace(b.Path, nullptr);
  } catch (const std::exception& ex) {
    Notice(Q(b.Title) + ": " + Q(ex.what()));
    return false;  // the backup stays for another try
  }
  const bool replaceNew = Count() == 1 && Entry(0).FileName.empty() && !Entry(0).Changed;
  TCalcEntry& e = AddEntry(std::move(calc));
  e.Title = b.Title.empty() ? Translate("Berechnung") + std::to_string(++FNewCount) : b.Title;
  // The calculation belongs to its file again, when that is still there.
  std::error_code ec;
  if (!b.FileName.empty() && std::filesystem::is_regular_file(b.FileName, ec)) {
    const auto opened = e.Handle->Open(b.FileName);
    if (opened != TCalcFileHandle::orNoAccess && opened != TCalcFileHandle::orNotRegular) {
      e.FileName = b.FileName;
      e.ReadOnly = opened == TCalcFileHandle::orReadOnly;
      e.View->SetReadOnly(e.ReadOnly);
    }
  }
  if (replaceNew) RemoveEntry(0);
  SetCurrentIndex(Count() - 1);
  // A changed calculation, backed up under its new name before the old
  // backup goes.
  MarkChanged(e);
  TBackupSession::Discard(b);
  return true;
}

void TMainWindow::CalcSourceAfterCalculate() {
  if (FEntries.empty()) return;
  try {
    TCalcEntry& e = Current();
    TWorkspace& calc = *e.Calc;
    e.View->Refresh();
    Action("ActionUndo")->setEnabled(calc.CanUndo());
    Action("ActionRedo")->setEnabled(calc.CanRedo());
    Action("ActionSave")->setEnabled(!e.ReadOnly);
    Action("ActionSaveAndClose")->setEnabled(!e.ReadOnly);
    // "Vordruck p1" is offered when the calculation can compute the inlet
    // pressure and has what it needs: p2, Kv and a flow.
    const bool canP1 = calc.Item("WhatToCalculate", 0) != nullptr;
    Action("ActionCalculateP1")->setVisible(canP1);
    Action("ActionCalculateP1")->setEnabled(canP1 && !e.ReadOnly && Available(calc, "p2") && Available(calc, "kv") &&
                                            Available(calc, "qm"));
    // Characteristics need the travel of an operating point (or, for the
    // valve module on its own, a flow coefficient to place and the Kvs).
    const bool hasStroke = calc.Item("StrokePosition", 0) != nullptr;
    Action("ActionChars")->setEnabled(hasStroke ? Available(calc, "StrokePosition") && Available(calc, "kvs")
                                                : Available(calc, "kv") && Available(calc, "kvs"));
    Action("ActionSortAps")->setEnabled(!e.ReadOnly && dynamic_cast<TTorvaWorkspace*>(&calc));
    // Choosing from the catalogues: the valve for a whole valve
    // calculation; the actuator once the valve came from the catalogue.
    const bool torva = dynamic_cast<TTorvaWorkspace*>(&calc) && calc.Item("ValveFromDatabase", 0);
    const auto* fromCatalogue = dynamic_cast<const TCalcSwitch*>(calc.Item("ValveFromDatabase", 0));
    Action("ActionSelectValve")->setEnabled(torva && !e.ReadOnly);
    Action("ActionSelectActuator")->setEnabled(torva && !e.ReadOnly && fromCatalogue && fromCatalogue->GetChecked());
    for (int i = 0; i < Count(); ++i) UpdateTabTitle(i);
    ReloadMessages();
    if (e.Characteristics) e.Characteristics->Refresh();
    setWindowTitle(Q(Translate("Torvacalc")) + " - " + Q(TitleOf(e)));
  } catch (const std::exception& ex) {
    statusBar()->showMessage(Q(FormatMessageText(Translate("Fehler beim Anzeigen der Berechnung: %s"),
                                                 {std::string(ex.what())})));
  }
}

void TMainWindow::ShowUserGuide() {
  // The user guide, the usage of the README and the account of the valve
  // calculation, from the documentation folder of the installation or of
  // the source the program was built from.
  QString text;
  QString folder;
  for (const QString& dir : {QString::fromLocal8Bit(qgetenv("TORVACALC_DOC_DIR")),
                             Q(ProgramDataDir()) + "/doc", QString(TORVACALC_DOC_DIR)}) {
    if (dir.isEmpty() || !QFileInfo::exists(dir + "/user_guide.md")) continue;
    folder = dir;
    break;
  }
  const auto read = [](const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  };
  if (!folder.isEmpty()) {
    text = read(folder + "/user_guide.md");
    const QString readme = read(folder + "/../README.md");
    const qsizetype usage = readme.indexOf("\n## Usage");
    if (usage >= 0) {
      const qsizetype next = readme.indexOf("\n## ", usage + 5);
      text += "\n" + readme.mid(usage, next < 0 ? -1 : next - usage);
    }
    text += "\n" + read(folder + "/valve_calculation.md");
  } else {
    text = Q(Translate("nicht gefunden")) + ": user_guide.md";
  }
  auto* guide = new QTextBrowser;
  guide->setAttribute(Qt::WA_DeleteOnClose);
  guide->setWindowTitle(Q(Translate("Benutzerhandbuch")) + " - Torvacalc");
  guide->setSearchPaths({folder});
  guide->setOpenExternalLinks(true);
  guide->setMarkdown(text);
  guide->resize(900, 760);
  guide->show();
}

void TMainWindow::ReloadMessages() {
  FMessageList->clear();
  TCalcEntry& e = Current();
  // Entries that were refused, with the reason, until they are corrected.
  for (const auto& [at, error] : e.View->Model().Refused()) {
    auto* it = new QTreeWidgetItem(FMessageList);
    it->setText(0, Q(Translate("Eingabe")));
    static const char* kPoints[] = {"1", "2", "3", "X"};
    it->setText(2, e.Calc->OperatingPointCount() == 1 ? QString() : kPoints[at.second % 4]);
    const TCalcItem* item = e.Calc->Item(at.first, at.second);
    it->setText(3, item ? Q(item->GetCaption()) : Q(at.first));
    it->setText(4, Q(error));
    it->setToolTip(4, Q(error));
    it->setData(0, Qt::UserRole, Q(at.first));
    it->setData(1, Qt::UserRole, at.second);
    it->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxCritical));
  }
  // Each fact once, as the workspace reads them (docs/messages.md).
  for (const TPointMessage& f : e.Calc->ReadMessages()) {
    const TCalcMessage* m = f.first;
    auto* it = new QTreeWidgetItem(FMessageList);
    it->setText(0, Q(f.typeText));
    it->setText(1, QString::number(f.no));
    // The point the message concerns, by the rule every front end uses.
    static const char* kPoints[] = {"1", "2", "3", "X"};
    it->setText(2, f.point < 0 ? Q(Translate("alle")) : e.Calc->OperatingPointCount() == 1 ? QString() : kPoints[f.point]);
    it->setText(3, m->CalcItem ? Q(m->CalcItem->GetCaption()) : QString());
    it->setText(4, Q(f.text));
    it->setToolTip(4, Q(f.text));
    // The row and the operating point the message belongs to.
    std::string row;
    int op = 0;
    if (!e.Calc->Locate(m->CalcItem, &row, &op) && m->CalcItem) {
      row = m->CalcItem->GetName();
      op = std::max(f.point, 0);
    }
    it->setData(0, Qt::UserRole, Q(row));
    it->setData(1, Qt::UserRole, op);
    const bool severe = f.type <= cmFatalWarning;
    it->setIcon(0, style()->standardIcon(severe ? QStyle::SP_MessageBoxCritical
                                                : f.type <= cmWarning ? QStyle::SP_MessageBoxWarning
                                                                              : QStyle::SP_MessageBoxInformation));
  }
  FMessageList->resizeColumnToContents(0);
  FMessageList->resizeColumnToContents(1);
  FMessageList->resizeColumnToContents(2);
  FMessageList->resizeColumnToContents(3);
}

void TMainWindow::JumpToNextTroubleMaker() {
  TCalcEntry& e = Current();
  TCalcItem* next = NextTroubleMaker(e.Calc->Messages(), e.View->CurrentItem());
  std::string row;
  int op = 0;
  if (next && e.Calc->Locate(next, &row, &op)) e.View->FocusItem(row, op);
}

bool TMainWindow::ExportPdf(int index, const QString& pdfPath) {
  TCalcEntry& e = Entry(index);
  QString error;
  if (!ExportDataSheetPdf(*e.Calc, Q(TitleOf(e)), pdfPath, &error)) {
    Notice(error);
    return false;
  }
  statusBar()->showMessage(Q(Translate("PDF geschrieben")) + ": " + pdfPath, 5000);
  return true;
}

bool TMainWindow::PrintCalculation(int index) {
  TCalcEntry& e = Entry(index);
  const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
  const bool toPdf = printer.isNull() || TSettingsStore::Instance().ReadBool("Print", "ToPdf", false);
  if (toPdf) {
    // Without a printer the sheet goes to a PDF file named after the
    // calculation.
    QDir().mkpath(PrintPdfFolder);
    const QString pdf = QDir(PrintPdfFolder).filePath(Q(std::filesystem::path(TitleOf(e)).stem().string() + ".pdf"));
    return ExportPdf(index, pdf);
  }
  QPrinter p(printer, QPrinter::HighResolution);
  PrintDataSheet(*e.Calc, Q(TitleOf(e)), p);
  return true;
}

void TMainWindow::ShowPrintPreview(int index) {
  TCalcEntry& e = Entry(index);
  QPrinter printer(QPrinter::HighResolution);
  QPrintPreviewDialog preview(&printer, this);
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                   [&](QPrinter* p) { PrintDataSheet(*e.Calc, Q(TitleOf(e)), *p); });
  preview.exec();
}

void TMainWindow::ShowCharacteristics(int index) {
  TCalcEntry& e = Entry(index);
  if (!e.Characteristics) e.Characteristics = new TCharacteristicsWindow(*e.Calc, Q(TitleOf(e)), this);
  e.Characteristics->Refresh();
  e.Characteristics->show();
  e.Characteristics->raise();
}

void TMainWindow::BatchExport() {
  TExpTempGlobalList list;
  list.Refresh();
  QStringList names;
  for (const auto& t : list.Items())
    if (!t.DocumentFile.empty()) names << Q(t.Name);
  if (names.isEmpty()) {
    Notice(Q(Translate("Keine Exportvorlage gefunden")));
    return;
  }
  bool ok = false;
  const QString name = QInputDialog::getItem(this, Q(Translate("Mehrere Dateien verarbeiten ...")),
                                             Q(Translate("Exportvorlage")), names, 0, false, &ok);
  if (!ok) return;
  const QStringList files = QFileDialog::getOpenFileNames(this, Q(Translate("Berechnungen")), QString(),
                                                          Q(Translate("Regelventilberechnungen")) + " (*.cvc)");
  if (files.isEmpty()) return;
  const TExpTempInfo* info = list.Find(S(name));
  const QString ext = QFileInfo(Q(info->DocumentFile)).suffix();
  const QString out = QFileDialog::getSaveFileName(this, Q(Translate("Ergebnis")), "export." + ext);
  if (out.isEmpty()) return;
  const TBatchResult r = RunBatchExport(Q(info->DocumentFile), files, out, this);
  if (!r.Ok)
    Notice(r.Error);
  else
    statusBar()->showMessage(Q(Translate("Verarbeitet")) + ": " + QString::number(r.Done) + "/" +
                                 QString::number(files.size()),
                             10000);
}

void TMainWindow::ExecuteMacroLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    const TMacroCommand cmd = ParseMacroLine(line);
    if (cmd.Kind == TMacroKind::Open) ProcessParams(cmd.FileName, "");
    if (cmd.Kind == TMacroKind::Print) ProcessParams(cmd.FileName, "/p");
  }
}

void TMainWindow::ProcessParams(const std::string& fileName, const std::string& option) {
  if (fileName.empty()) return;
  show();
  raise();
  activateWindow();
  const int previous = CurrentIndex();
  const int before = Count();
  if (!OpenFile(fileName)) return;
  if (option != "/p") return;
  const int index = CurrentIndex();
  PrintCalculation(index);
  Entry(index).Changed = false;
  CloseCalculation(index);
  // The calculation that was current before becomes current again (the
  // opened one may have replaced an untouched new calculation).
  if (Count() >= before) SetCurrentIndex(std::min(previous, Count() - 1));
}

void LoadQtTranslations(const std::string& language) {
  // Qt's own dialogs (file, print, message boxes) in the program's
  // language, where the system has Qt's translations.
  static QTranslator* installed = nullptr;
  if (installed) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
  }
  auto* t = new QTranslator;
  if (t->load(QLocale(Q(language)), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(t);
    installed = t;
  } else {
    delete t;
  }
}

void TMainWindow::SetProgramLanguage(const std::string& language) {
  HXOptions().Language = language;
  if (!SetLanguage(language)) statusBar()->showMessage("No dictionary for \"" + Q(language) + "\"", 10000);
  LoadQtTranslations(language);
  // The messages are worded when they are raised: every calculation
  // raises them again in the new language (no step of history, no change).
  for (auto& e : FEntries) e->Calc->LanguageChanged();
  TSettingsStore& s = TSettingsStore::Instance();
  SaveProgramOptions(s, HXOptions());
  s.Save();
  Retranslate();
}

void TMainWindow::ApplyDisplayDigits(int digits) {
  HXOptions().DisplayDigits = std::clamp(digits, 1, 11);
  TSettingsStore& s = TSettingsStore::Instance();
  SaveProgramOptions(s, HXOptions());
  s.Save();
  for (auto& e : FEntries) e->View->Refresh();
}

void TMainWindow::ShowDigitsDialog() {
  bool ok = false;
  const int d = QInputDialog::getInt(this, Q(Translate("Signifikante Stellen...")), Q(Translate("Signifikante Stellen")),
                                     HXOptions().DisplayDigits, 1, 11, 1, &ok);
  if (ok) ApplyDisplayDigits(d);
}

void TMainWindow::ShowLanguageDialog() {
  bool ok = false;
  const QStringList langs{"Deutsch", "English"};
  const QString l = QInputDialog::getItem(this, Q(Translate("Sprache...")), Q(Translate("Sprache")), langs,
                                          HXOptions().Language == "en" ? 1 : 0, false, &ok);
  if (ok) SetProgramLanguage(l == "English" ? "en" : "de");
}

void TMainWindow::ShowDefaultUnitsDialog() {
  // The quantities of the current calculation, each with the unit new
  // calculations start with.
  TWorkspace& calc = *Current().Calc;
  std::map<int, const TCalcParameter*> quantities;
  for (const auto& page : calc.Pages())
    for (const auto& group : page.Groups)
      for (const auto& name : group.Items)
        if (const TCalcItem* item = calc.Item(name, 0))
          if (const TCalcParameter* p = item->AsParameter(); p && p->CalcUnits().GetCount() > 1)
            quantities.emplace(p->GetQuantity(), p);
  QDialog dlg(this);
  dlg.setWindowTitle(Q(Translate("Voreingestellte Einheiten...")));
  auto* form = new QFormLayout(&dlg);
  TSettingsStore& s = TSettingsStore::Instance();
  std::map<int, QComboBox*> boxes;
  for (const auto& [q, p] : quantities) {
    auto* box = new QComboBox;
    for (int u = 0; u < p->CalcUnits().GetCount(); ++u) box->addItem(Q(TQuantityArray::GetUnitName(p->GetQuantity(), u)), u);
    box->setCurrentIndex(std::max(0, s.ReadInteger("DefaultUnits", "Quantity" + std::to_string(q), 0)));
    form->addRow(Q(p->GetQuantityName()), box);
    boxes[q] = box;
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  if (dlg.exec() != QDialog::Accepted) return;
  for (const auto& [q, box] : boxes) s.WriteInteger("DefaultUnits", "Quantity" + std::to_string(q), box->currentData().toInt());
  s.Save();
}

void TMainWindow::ShowProgramOptions() {
  TSettingsStore& s = TSettingsStore::Instance();
  TOptionsDialog dlg(TDesktopOptions::Load(s), this);
  if (dlg.exec() != QDialog::Accepted) return;
  const TDesktopOptions options = dlg.Options();
  options.Save(s);
  options.ApplyToFiles();
  FBackup->SetOptions(options.BackupFolder(), options.AutoBackup);
  for (auto& e : FEntries) {
    TSuperCalcModule& calc = e->Calc->Super();
    calc.MaxHistoryCount = options.MaxHistoryCount;
    FBackup->Forget(calc);
    TCalcEntry* raw = e.get();
    FBackup->Attach(calc, [this, raw] { return std::make_pair(raw->FileName, TitleOf(*raw)); }, e->Changed);
  }
}

void TMainWindow::ReloadDataBases(bool askOptions) {
  const QString previous = statusBar()->currentMessage();
  const std::vector<TDatabaseStatus> dbs =
      LoadDataBases([this](const std::string& text) { statusBar()->showMessage(Q(text)); });
  std::string missing;
  for (const auto& db : dbs)
    if (!db.Loaded) missing += (missing.empty() ? "" : ", ") + Translate(db.Caption);
  // The materials database is the one without which a valve cannot be
  // checked: its folder is asked for.
  if (askOptions && !dbs.front().Loaded) ShowProgramOptions();
  for (auto& e : FEntries) e->View->Refresh();
  statusBar()->showMessage(missing.empty() ? previous : Q(Translate("Nicht geladen") + ": " + missing));
}

void TMainWindow::Notice(const QString& text, const QString& dontShowKey) {
  statusBar()->showMessage(text.section('\n', 0, 0), 10000);
  if (Dialogs.Notice) Dialogs.Notice(text, dontShowKey);
}

void TMainWindow::AddRecent(const std::string& fileName) {
  std::erase(FRecent, fileName);
  FRecent.insert(FRecent.begin(), fileName);
  if (FRecent.size() > kMaxRecent) FRecent.resize(kMaxRecent);
  TSettingsStore& s = TSettingsStore::Instance();
  s.EraseSection("RecentFiles");
  for (size_t i = 0; i < FRecent.size(); ++i) s.WriteString("RecentFiles", "File" + std::to_string(i), FRecent[i]);
  s.Save();
  RebuildRecentMenu();
}

void TMainWindow::RebuildRecentMenu() {
  FRecentMenu->clear();
  for (size_t i = 0; i < FRecent.size(); ++i) {
    const std::string f = FRecent[i];
    QAction* a = FRecentMenu->addAction(QString("&%1 %2").arg(i + 1).arg(Q(f)));
    QObject::connect(a, &QAction::triggered, this, [this, f] {
      const int open = IndexOfFile(f);
      if (open >= 0)
        SetCurrentIndex(open);
      else
        OpenFile(f);
    });
  }
  FRecentMenu->setEnabled(!FRecent.empty());
}

void TMainWindow::LoadWindowSettings() {
  const TSettingsStore& s = TSettingsStore::Instance();
  // By default wide enough for the tree, the four points and the unit column.
  const int w = s.ReadInteger(kWindowSection, "Width", 1300), h = s.ReadInteger(kWindowSection, "Height", 800);
  resize(std::max(400, w), std::max(300, h));
  if (s.ValueExists(kWindowSection, "Left"))
    move(s.ReadInteger(kWindowSection, "Left", 0), s.ReadInteger(kWindowSection, "Top", 0));
  FMessageDock->setVisible(s.ReadBool(kWindowSection, "MessagePanel", true));
  const bool tree = s.ReadBool(kWindowSection, "Tree", true);
  Action("ActionViewTree")->setChecked(tree);
  FAllDetails = s.ReadInteger(kWindowSection, "DetailLevel", 0) == 1;
  for (auto& e : FEntries) {
    e->View->SetTreeVisible(tree);
    e->View->SetShowAllDetails(FAllDetails);
    e->View->Splitter()->setSizes({s.ReadInteger(kWindowSection, "TreeWidth", 170), 1100});
  }
  resizeDocks({FMessageDock}, {s.ReadInteger(kWindowSection, "MessageHeight", 82) + 40}, Qt::Vertical);
}

void TMainWindow::SaveWindowSettings() {
  TSettingsStore& s = TSettingsStore::Instance();
  s.WriteInteger(kWindowSection, "Left", x());
  s.WriteInteger(kWindowSection, "Top", y());
  s.WriteInteger(kWindowSection, "Width", width());
  s.WriteInteger(kWindowSection, "Height", height());
  s.WriteBool(kWindowSection, "MessagePanel", FMessageDock->isVisible());
  s.WriteBool(kWindowSection, "Tree", Action("ActionViewTree")->isChecked());
  s.WriteInteger(kWindowSection, "DetailLevel", FAllDetails ? 1 : 0);
  if (!FEntries.empty()) s.WriteInteger(kWindowSection, "TreeWidth", Current().View->Splitter()->sizes().value(0, 180));
  s.WriteInteger(kWindowSection, "MessageHeight", std::max(0, FMessageDock->height() - 40));
  s.Save();
}

void TMainWindow::closeEvent(QCloseEvent* event) {
  for (int i = Count() - 1; i >= 0; --i) {
    if (!Entry(i).Changed) continue;
    if (!CloseCalculation(i)) {
      event->ignore();
      return;
    }
  }
  SaveWindowSettings();
  FBackup->EndCleanly();
  event->accept();
}

}  // namespace torvacalc
