// The automatic backup of the open calculations and their recovery after
// a session that did not end cleanly.
//
// A changed calculation is written at most every 30 s (the super module's
// automatic backup) into the backup folder as GUID.EXT, beside it
// GUID.EXT.ini with the calculation's file name, its title and the
// session that wrote it. A session holds an exclusive lock on its marker
// session-ID.lock while it runs (the kernel drops it when the process
// dies); a clean end removes the session's backups and its marker. So at
// the next start every backup whose session is not running any more
// belongs to work that was not closed cleanly, and is offered back.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QTreeWidget;

namespace torvacalc {

class TSuperCalcModule;

// One backup of a calculation that was not closed cleanly.
struct TBackupFile {
  std::string Path;      // the calculation file of the backup
  std::string FileName;  // the calculation's own file ("" when it was never saved)
  std::string Title;     // its tab title
  QDateTime Time;        // when the backup was written
};

class TBackupSession {
 public:
  TBackupSession(std::string folder, bool enabled);
  // Lets go of the lock; the files stay (only a clean end removes them).
  ~TBackupSession();
  TBackupSession(const TBackupSession&) = delete;
  TBackupSession& operator=(const TBackupSession&) = delete;

  const std::string& Folder() const { return FFolder; }
  bool Enabled() const { return FEnabled; }
  // Other options: the calculations' backups move with them when they are
  // attached again.
  void SetOptions(std::string folder, bool enabled);

  // The file name and the title of a calculation at the time of a backup.
  using TDescribe = std::function<std::pair<std::string, std::string>()>;
  // Switches the backup of `calc` on; an unchanged calculation is backed
  // up from its first change on.
  void Attach(TSuperCalcModule& calc, TDescribe describe, bool changed);
  // After a change of `calc`: its first change is backed up at once.
  void Changed(TSuperCalcModule& calc);
  // Saved (its backup goes until the next change) or closed.
  void Saved(TSuperCalcModule& calc);
  void Forget(TSuperCalcModule& calc);
  // The clean end of the session: its backups and its marker go.
  void EndCleanly();

  // The backups of sessions that are not running any more, newest first.
  std::vector<TBackupFile> Abandoned() const;
  // Deletes a backup and its description.
  static void Discard(const TBackupFile& backup);

 private:
  void Lock();
  void Unlock();
  std::string FFolder;
  bool FEnabled;
  std::string FSession;
  int FLockFd = -1;
};

// "Berechnungen wiederherstellen": the backups with title, file and time,
// each to be checked. Accepted: the checked ones are restored, the others
// discarded; "Später" keeps them all for the next start.
class TRecoveryDialog : public QDialog {
 public:
  TRecoveryDialog(const std::vector<TBackupFile>& backups, QWidget* parent = nullptr);
  // The indices of the checked backups.
  std::vector<int> Chosen() const;

 private:
  QTreeWidget* FList;
};

// Shows the dialog: the indices to restore, or nothing for "Später".
std::optional<std::vector<int>> AskRecovery(const std::vector<TBackupFile>& backups, QWidget* parent);

}  // namespace torvacalc
