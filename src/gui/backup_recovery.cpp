#include "gui/backup_recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "framework/options.h"
#include "framework/settings.h"
#include "framework/super_module.h"
#include "framework/translation.h"
#include "gui/qt_text.h"

namespace torvacalc {

namespace fs = std::filesystem;

namespace {

const char* kSection = "Backup";

std::string Description(const std::string& backup) { return backup + ".ini"; }
std::string Marker(const std::string& folder, const std::string& session) {
  return (fs::path(folder) / ("session-" + session + ".lock")).string();
}

// Whether a running session holds the marker: its lock cannot be taken.
bool Running(const std::string& marker) {
  const int fd = ::open(marker.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return held;
}

}  // namespace

TBackupSession::TBackupSession(std::string folder, bool enabled) : FFolder(std::move(folder)), FEnabled(enabled) {
  // A name of its own for every session, never the one of a process id
  // that the system may hand out again.
  std::string guid = NewGUIDText();
  std::erase_if(guid, [](char c) { return c == '{' || c == '}'; });
  FSession = guid;
}

TBackupSession::~TBackupSession() { Unlock(); }

void TBackupSession::Lock() {
  if (FLockFd >= 0) return;
  std::error_code ec;
  fs::create_directories(FFolder, ec);
  FLockFd = ::open(Marker(FFolder, FSession).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (FLockFd >= 0 && ::flock(FLockFd, LOCK_EX | LOCK_NB) != 0) {
    ::close(FLockFd);
    FLockFd = -1;
  }
}

void TBackupSession::Unlock() {
  if (FLockFd >= 0) ::close(FLockFd);
  FLockFd = -1;
}

void TBackupSession::SetOptions(std::string folder, bool enabled) {
  if (folder != FFolder) {
    EndCleanly();
    FFolder = std::move(folder);
  }
  FEnabled = enabled;
}

void TBackupSession::Attach(TSuperCalcModule& calc, TDescribe describe, bool changed) {
  calc.AutoBackup = FEnabled;
  calc.BackupDir = FFolder;
  calc.SuppressAutoBackup = !changed;
  calc.WriteBackup = [this, describe = std::move(describe)](TSuperCalcModule& m, const std::string& path) {
    // The marker first: a backup is never without the session that owns it.
    Lock();
    GetCalculationFiles()->WriteBackup(m, path);
    const auto [fileName, title] = describe();
    TSettingsStore d(Description(path));
    d.WriteString(kSection, "FileName", fileName);
    d.WriteString(kSection, "Title", title);
    d.WriteString(kSection, "Session", FSession);
    d.Save();
  };
  if (changed) Changed(calc);
}

void TBackupSession::Changed(TSuperCalcModule& calc) {
  if (!calc.AutoBackup) return;
  calc.SuppressAutoBackup = false;
  // The first change since the calculation was opened or saved is backed
  // up at once, the later ones at most every 30 s.
  std::error_code ec;
  if (!fs::exists(calc.AutoSaveFileName(), ec))
    calc.AutoSave();
  else
    calc.CheckAutoSave();
}

void TBackupSession::Saved(TSuperCalcModule& calc) {
  Forget(calc);
  calc.SuppressAutoBackup = true;
}

void TBackupSession::Forget(TSuperCalcModule& calc) {
  const std::string path = calc.AutoSaveFileName();
  if (path.empty()) return;
  std::error_code ec;
  fs::remove(path, ec);
  fs::remove(Description(path), ec);
}

void TBackupSession::EndCleanly() {
  std::error_code ec;
  for (const auto& f : fs::directory_iterator(FFolder, ec)) {
    if (f.path().extension() != ".ini") continue;
    const TSettingsStore d(f.path().string());
    if (d.ReadString(kSection, "Session", "") != FSession) continue;
    std::error_code ignored;
    fs::remove(f.path().parent_path() / f.path().stem(), ignored);  // GUID.EXT.ini describes GUID.EXT
    fs::remove(f.path(), ignored);
  }
  Unlock();
  fs::remove(Marker(FFolder, FSession), ec);
}

std::vector<TBackupFile> TBackupSession::Abandoned() const {
  std::vector<TBackupFile> found;
  std::error_code ec;
  for (const auto& f : fs::directory_iterator(FFolder, ec)) {
    const fs::path desc = f.path();
    const fs::path backup = desc.parent_path() / desc.stem();
    std::error_code e2;
    if (desc.extension() != ".ini" || !fs::is_regular_file(backup, e2)) continue;
    const TSettingsStore d(desc.string());
    const std::string session = d.ReadString(kSection, "Session", "");
    if (session == FSession || Running(Marker(FFolder, session))) continue;
    TBackupFile b;
    b.Path = backup.string();
    b.FileName = d.ReadString(kSection, "FileName", "");
    b.Title = d.ReadString(kSection, "Title", "");
    b.Time = QFileInfo(Q(b.Path)).lastModified();
    found.push_back(std::move(b));
  }
  std::sort(found.begin(), found.end(), [](const TBackupFile& a, const TBackupFile& b) { return a.Time > b.Time; });
  // Markers of ended sessions that own no backup any more go.
  for (const auto& f : fs::directory_iterator(FFolder, ec)) {
    const std::string name = f.path().filename().string();
    if (name.rfind("session-", 0) != 0 || name == fs::path(Marker(FFolder, FSession)).filename().string()) continue;
    const std::string session = name.substr(8, name.size() - 8 - 5);
    const bool owns = std::any_of(found.begin(), found.end(), [&](const TBackupFile& b) {
      return TSettingsStore(Description(b.Path)).ReadString(kSection, "Session", "") == session;
    });
    std::error_code ignored;
    if (!owns && !Running(f.path().string())) fs::remove(f.path(), ignored);
  }
  return found;
}

void TBackupSession::Discard(const TBackupFile& backup) {
  std::error_code ec;
  fs::remove(backup.Path, ec);
  fs::remove(Description(backup.Path), ec);
}

// --- the dialog --------------------------------------------------------------

TRecoveryDialog::TRecoveryDialog(const std::vector<TBackupFile>& backups, QWidget* parent) : QDialog(parent) {
  setWindowTitle(Q(Translate("Berechnungen wiederherstellen")));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(Q(Translate("Diese Berechnungen wurden beim letzten Mal nicht geschlossen. Die gewählten "
                                      "werden mit ihren zuletzt gesicherten Werten geöffnet, die anderen gelöscht.")));
  text->setWordWrap(true);
  layout->addWidget(text);
  FList = new QTreeWidget;
  FList->setRootIsDecorated(false);
  FList->setHeaderLabels({Q(Translate("Berechnung")), Q(Translate("Datei")), Q(Translate("Gesichert am"))});
  for (const TBackupFile& b : backups) {
    auto* it = new QTreeWidgetItem(FList);
    it->setText(0, Q(b.Title));
    it->setText(1, b.FileName.empty() ? Q(Translate("(nicht gespeichert)")) : Q(b.FileName));
    it->setText(2, QLocale(HXOptions().Language == "de" ? QLocale::German : QLocale::English).toString(b.Time, QLocale::ShortFormat));
    it->setCheckState(0, Qt::Checked);
  }
  for (int c = 0; c < 3; ++c) FList->resizeColumnToContents(c);
  FList->setMinimumWidth(620);
  // As high as a few rows need, scrolling beyond ten.
  const int rows = std::clamp(static_cast<int>(backups.size()), 3, 10);
  const int rowHeight = FList->fontMetrics().height() + 6;
  FList->setMaximumHeight(FList->header()->sizeHint().height() + rows * rowHeight + 2 * FList->frameWidth() + 4);
  layout->addWidget(FList);
  auto* buttons = new QDialogButtonBox;
  QPushButton* open = buttons->addButton(Q(Translate("Gewählte öffnen")), QDialogButtonBox::AcceptRole);
  QPushButton* discard = buttons->addButton(Q(Translate("Alle verwerfen")), QDialogButtonBox::DestructiveRole);
  buttons->addButton(Q(Translate("Später")), QDialogButtonBox::RejectRole);
  open->setDefault(true);
  layout->addWidget(buttons);
  QObject::connect(open, &QPushButton::clicked, this, &QDialog::accept);
  QObject::connect(discard, &QPushButton::clicked, this, [this] {
    for (int i = 0; i < FList->topLevelItemCount(); ++i) FList->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
    accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::vector<int> TRecoveryDialog::Chosen() const {
  std::vector<int> chosen;
  for (int i = 0; i < FList->topLevelItemCount(); ++i)
    if (FList->topLevelItem(i)->checkState(0) == Qt::Checked) chosen.push_back(i);
  return chosen;
}

std::optional<std::vector<int>> AskRecovery(const std::vector<TBackupFile>& backups, QWidget* parent) {
  TRecoveryDialog dlg(backups, parent);
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.Chosen();
}

}  // namespace torvacalc
