#include "gui/options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cstdlib>
#include <filesystem>

#include "files/calculation_file.h"
#include "framework/settings.h"
#include "framework/translation.h"
#include "gui/qt_text.h"

namespace torvacalc {

namespace {
const char* kOptions = "Options";
const char* kBackup = "Backup";
QString T(const char* german) { return Q(Translate(german)); }
}  // namespace

std::string DefaultBackupDir() {
  namespace fs = std::filesystem;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg) return (fs::path(xdg) / "torvacalc" / "backup").string();
  const char* home = std::getenv("HOME");
  return (fs::path(home && *home ? home : ".") / ".local" / "state" / "torvacalc" / "backup").string();
}

TDesktopOptions TDesktopOptions::Load(const TSettingsStore& s) {
  TDesktopOptions o;
  o.MaterialsDBPath = s.ReadString(kOptions, "MaterialsDBPath", "");
  o.ControlValvesDBPath = s.ReadString(kOptions, "ControlValvesDBPath", "");
  o.PropertiesDBPath = s.ReadString(kOptions, "PropertiesDBPath", "");
  o.DefaultTemplate = s.ReadString(kOptions, "DefaultTemplate", "");
  o.AutoBackup = s.ReadBool(kBackup, "Enabled", o.AutoBackup);
  o.BackupDir = s.ReadString(kBackup, "Folder", "");
  // The range the calculations accept (TCalculationOptions).
  const int n = s.ReadInteger(kOptions, "MaxHistoryCount", o.MaxHistoryCount);
  o.MaxHistoryCount = n >= 1 && n <= 1000 ? n : o.MaxHistoryCount;
  o.NoticeOlderFiles = s.ReadBool(kOptions, "NoticeOlderFiles", o.NoticeOlderFiles);
  o.AskSaveOverNewerFiles = s.ReadBool(kOptions, "AskSaveOverNewerFiles", o.AskSaveOverNewerFiles);
  return o;
}

void TDesktopOptions::Save(TSettingsStore& s) const {
  s.WriteString(kOptions, "MaterialsDBPath", MaterialsDBPath);
  s.WriteString(kOptions, "ControlValvesDBPath", ControlValvesDBPath);
  s.WriteString(kOptions, "PropertiesDBPath", PropertiesDBPath);
  s.WriteString(kOptions, "DefaultTemplate", DefaultTemplate);
  s.WriteBool(kBackup, "Enabled", AutoBackup);
  s.WriteString(kBackup, "Folder", BackupDir);
  s.WriteInteger(kOptions, "MaxHistoryCount", MaxHistoryCount);
  s.WriteBool(kOptions, "NoticeOlderFiles", NoticeOlderFiles);
  s.WriteBool(kOptions, "AskSaveOverNewerFiles", AskSaveOverNewerFiles);
  s.Save();
}

std::string TDesktopOptions::BackupFolder() const { return BackupDir.empty() ? DefaultBackupDir() : BackupDir; }

void TDesktopOptions::ApplyToFiles() const { CalculationFileOptions().NoticeOlderFiles = NoticeOlderFiles; }

std::unique_ptr<QMessageBox> NewerFileQuestion(const QString& question, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Question, T("Torvacalc"), question,
                                           QMessageBox::Yes | QMessageBox::No, parent);
  box->setDefaultButton(QMessageBox::No);
  box->setCheckBox(new QCheckBox(T("Nicht mehr fragen")));
  return box;
}

TOptionsDialog::TOptionsDialog(const TDesktopOptions& options, QWidget* parent) : QDialog(parent), FOptions(options) {
  setWindowTitle(T("Programmoptionen..."));
  auto* layout = new QVBoxLayout(this);
  auto line = [](const std::string& text) {
    auto* e = new QLineEdit(Q(text));
    e->setMinimumWidth(360);
    return e;
  };

  auto* folders = new QGroupBox(T("Datenbanken"));
  auto* ff = new QFormLayout(folders);
  ff->addRow(T("Ordner der Werkstoffdatenbank"), FMaterials = line(options.MaterialsDBPath));
  ff->addRow(T("Ordner der Ventildatenbank"), FValves = line(options.ControlValvesDBPath));
  ff->addRow(T("Ordner der Stoffdatenbank"), FProperties = line(options.PropertiesDBPath));
  ff->addRow(T("Vorlage neuer Berechnungen"), FTemplate = line(options.DefaultTemplate));
  layout->addWidget(folders);

  auto* backup = new QGroupBox(T("Sicherung und Rückgängig"));
  auto* bf = new QFormLayout(backup);
  FAutoBackup = new QCheckBox(T("Geänderte Berechnungen alle 30 s automatisch sichern"));
  FAutoBackup->setChecked(options.AutoBackup);
  bf->addRow(FAutoBackup);
  auto* dirRow = new QHBoxLayout;
  FBackupDir = line(options.BackupFolder());
  auto* browse = new QPushButton(T("Durchsuchen..."));
  QObject::connect(browse, &QPushButton::clicked, this, [this] {
    const QString d = QFileDialog::getExistingDirectory(this, T("Ordner der Sicherungen"), FBackupDir->text());
    if (!d.isEmpty()) FBackupDir->setText(d);
  });
  dirRow->addWidget(FBackupDir);
  dirRow->addWidget(browse);
  bf->addRow(T("Ordner der Sicherungen"), dirRow);
  FHistory = new QSpinBox;
  FHistory->setRange(1, 1000);
  FHistory->setValue(options.MaxHistoryCount);
  bf->addRow(T("Schritte zum Rückgängigmachen"), FHistory);
  layout->addWidget(backup);

  auto* files = new QGroupBox(T("Dateien anderer Programmversionen"));
  auto* fl = new QVBoxLayout(files);
  FNoticeOlder = new QCheckBox(T("Beim Öffnen älterer Dateien darauf hinweisen"));
  FNoticeOlder->setChecked(options.NoticeOlderFiles);
  FAskNewer = new QCheckBox(T("Vor dem Speichern über Dateien neuerer Versionen fragen"));
  FAskNewer->setChecked(options.AskSaveOverNewerFiles);
  fl->addWidget(FNoticeOlder);
  fl->addWidget(FAskNewer);
  layout->addWidget(files);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

TDesktopOptions TOptionsDialog::Options() const {
  TDesktopOptions o = FOptions;
  o.MaterialsDBPath = S(FMaterials->text());
  o.ControlValvesDBPath = S(FValves->text());
  o.PropertiesDBPath = S(FProperties->text());
  o.DefaultTemplate = S(FTemplate->text());
  o.AutoBackup = FAutoBackup->isChecked();
  // The default folder stays the default (it follows $XDG_STATE_HOME).
  const std::string dir = S(FBackupDir->text().trimmed());
  o.BackupDir = dir == DefaultBackupDir() ? std::string() : dir;
  o.MaxHistoryCount = FHistory->value();
  o.NoticeOlderFiles = FNoticeOlder->isChecked();
  o.AskSaveOverNewerFiles = FAskNewer->isChecked();
  return o;
}

}  // namespace torvacalc
