// The main window of the desktop program: the open calculations as tabs,
// each a TCalculationView; the message list; the file, print, view and
// option commands; the macro handler that opens and prints files handed
// over by other processes.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/backup_recovery.h"
#include "gui/file_lock.h"
#include "workspace/workspace.h"
#include "gui/single_instance.h"

class QAction;
class QDockWidget;
class QMenu;
class QTabWidget;
class QTreeWidget;

namespace torvacalc {

class TCalculationView;
class TCharacteristicsWindow;

// Installs Qt's own translations of its dialogs for `language` ("de",
// "en"), where the system has them; the previous ones go.
void LoadQtTranslations(const std::string& language);

// One open calculation.
struct TCalcEntry {
  std::unique_ptr<TWorkspace> Calc;
  std::string FileName;  // empty until saved
  std::string Title;     // shown on the tab
  std::string GUID;
  std::unique_ptr<TCalcFileHandle> Handle = std::make_unique<TCalcFileHandle>();
  bool ReadOnly = false;
  bool Changed = false;
  TCalculationView* View = nullptr;
  TCharacteristicsWindow* Characteristics = nullptr;
};

// The dialogs the window asks; tests replace them.
struct TWindowDialogs {
  // A notice; `dontShowKey` names the option that switches it off ("" when
  // it cannot be switched off).
  std::function<void(const QString& text, const QString& dontShowKey)> Notice;
  // "'%s' speichern?": QMessageBox::Yes, No or Cancel.
  std::function<int(const QString& question)> AskSave;
  std::function<QString()> ChooseOpenFile;
  std::function<QString(const QString& suggestion)> ChooseSaveFile;
  std::function<QString(const QString& suggestion)> ChoosePdfFile;
  // The backups to restore (indices), nothing to keep them for later.
  std::function<std::optional<std::vector<int>>(const std::vector<TBackupFile>&)> ChooseRecovery;
  // Saving over a file of a newer program version: QMessageBox::Yes or No;
  // `dontAskAgain` set when the user wants no more such questions.
  std::function<int(const QString& question, bool* dontAskAgain)> AskSaveOverNewer;
};

class TMainWindow : public QMainWindow {
 public:
  explicit TMainWindow(QWidget* parent = nullptr);
  ~TMainWindow() override;

  TWindowDialogs Dialogs;
  // Where "Drucken" writes the PDF when no printer is installed (or the
  // print options ask for PDF).
  QString PrintPdfFolder;

  // The calculations.
  int Count() const { return static_cast<int>(FEntries.size()); }
  int CurrentIndex() const;
  void SetCurrentIndex(int index);
  TCalcEntry& Entry(int index) { return *FEntries.at(index); }
  TCalcEntry& Current() { return Entry(CurrentIndex()); }
  int IndexOfFile(const std::string& fileName) const;

  // The commands; false when the user cancelled or it failed (the reason
  // was shown).
  void NewCalculation();
  // A new calculation from the calculation file `templ` ("" or a missing
  // file: from the module's defaults).
  void NewCalculation(const std::string& templ);
  bool OpenFile(const std::string& fileName);
  bool SaveCalculation(int index);
  bool SaveCalculationAs(int index, const std::string& fileName = {});
  bool SaveAndClose(int index);
  bool CloseCalculation(int index);
  bool CloseAll();
  void Undo();
  void Redo();
  bool PrintCalculation(int index);
  bool ExportPdf(int index, const QString& pdfPath);
  void ShowPrintPreview(int index);
  void ShowCharacteristics(int index);
  void JumpToNextTroubleMaker();
  void BatchExport();
  // Points 1 to 3 in the order of their flow ("Betriebspunkte sortieren").
  bool SortOperatingPoints(int index);
  // Offers the backups of calculations that were not closed cleanly;
  // returns how many were restored (each as a changed calculation).
  int OfferRecovery();
  bool RestoreBackup(const TBackupFile& backup);
  TBackupSession& Backup() { return *FBackup; }
  // The user guide in a window of its own.
  void ShowUserGuide();
  // Loads the databases again; with `askOptions` the program options open
  // when the materials database does not load, so that its folder can be
  // set.
  void ReloadDataBases(bool askOptions);

  // Macro lines ([FileOpen("...")], [FilePrint("...")]) and the command
  // that acts on one file ("/p": print and close again).
  void ExecuteMacroLines(const std::vector<std::string>& lines);
  void ProcessParams(const std::string& fileName, const std::string& option);

  // Language at run time ("de" or "en").
  void SetProgramLanguage(const std::string& language);
  void ApplyDisplayDigits(int digits);

  // After every change of the current calculation: captions, command
  // availability, messages.
  void CalcSourceAfterCalculate();

  QAction* Action(const std::string& name) const;
  QTreeWidget* MessageList() const { return FMessageList; }
  const std::vector<std::string>& RecentFiles() const { return FRecent; }
  TCharacteristicsWindow* CharacteristicsWindow(int index) { return Entry(index).Characteristics; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QAction* AddAction(const std::string& name, const std::string& caption, const QKeySequence& key,
                     std::function<void()> run);
  void BuildMenus();
  void Retranslate();
  TCalcEntry& AddEntry(std::unique_ptr<TWorkspace> calc);
  void RemoveEntry(int index);
  void UpdateTabTitle(int index);
  void ReloadMessages();
  void AddRecent(const std::string& fileName);
  void RebuildRecentMenu();
  void LoadWindowSettings();
  void SaveWindowSettings();
  void ApplyDefaultUnits(TWorkspace& calc);
  void ShowDefaultUnitsDialog();
  void ShowDigitsDialog();
  void ShowLanguageDialog();
  void ShowProgramOptions();
  void Notice(const QString& text, const QString& dontShowKey = {});
  // Every change of a calculation goes through here (backup, tab title).
  void MarkChanged(TCalcEntry& e);
  bool MaySaveOverNewer(TCalcEntry& e, const std::string& fileName);
  std::string TitleOf(const TCalcEntry& e) const;

  std::vector<std::unique_ptr<TCalcEntry>> FEntries;
  QTabWidget* FTabs;
  QDockWidget* FMessageDock;
  QTreeWidget* FMessageList;
  QMenu* FRecentMenu = nullptr;
  std::map<std::string, QAction*> FActions;
  std::map<std::string, std::string> FCaptions;  // German, by action name
  std::vector<QMenu*> FMenus;
  std::vector<std::string> FMenuCaptions;
  std::vector<std::string> FRecent;
  bool FAllDetails = false;
  int FNewCount = 0;
  std::unique_ptr<TBackupSession> FBackup;
};

}  // namespace torvacalc
