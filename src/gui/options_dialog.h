// The program options of the desktop program ("Programmoptionen..."): the
// database folders and the template of new calculations, the automatic
// backup, the size of the undo history and how files of other program
// versions are treated. Kept in the settings file; the backup has a
// section of its own, so that the command line, which reads the same
// file, never writes backups.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

class QCheckBox;
class QLineEdit;
class QMessageBox;
class QSpinBox;

namespace torvacalc {

class TSettingsStore;

struct TDesktopOptions {
  std::string MaterialsDBPath, ControlValvesDBPath, PropertiesDBPath, DefaultTemplate;
  bool AutoBackup = true;
  std::string BackupDir;  // empty: DefaultBackupDir()
  int MaxHistoryCount = 20;
  bool NoticeOlderFiles = true;
  // Ask before saving over a file a newer program version wrote; when
  // not asked, such a file is saved over.
  bool AskSaveOverNewerFiles = true;

  static TDesktopOptions Load(const TSettingsStore& store);
  void Save(TSettingsStore& store) const;
  // The folder the backups go to.
  std::string BackupFolder() const;
  // Hands the file options to the calculation files (notices on opening).
  void ApplyToFiles() const;
};

// $XDG_STATE_HOME/torvacalc/backup, else ~/.local/state/torvacalc/backup.
std::string DefaultBackupDir();

// The question before saving over a file of a newer program version,
// with "Nicht mehr fragen" as its check box.
std::unique_ptr<QMessageBox> NewerFileQuestion(const QString& question, QWidget* parent);

class TOptionsDialog : public QDialog {
 public:
  TOptionsDialog(const TDesktopOptions& options, QWidget* parent = nullptr);
  TDesktopOptions Options() const;

 private:
  TDesktopOptions FOptions;
  QLineEdit *FMaterials, *FValves, *FProperties, *FTemplate, *FBackupDir;
  QCheckBox *FAutoBackup, *FNoticeOlder, *FAskNewer;
  QSpinBox* FHistory;
};

}  // namespace torvacalc
