// The file of an open calculation, held open with an advisory write lock
// for as long as the calculation is open, so that a second program (or a
// second window of this one) that opens the same file gets it read-only and
// two engineers cannot overwrite each other's work unnoticed.
//
// The lock is an open-file-description lock (fcntl F_OFD_SETLK), so it also
// separates two opens inside one process and vanishes with the process.
// Saving replaces the file atomically (a new inode), so the handle takes the
// lock on the new file afterwards (Reopen).
#pragma once

#include <string>

namespace torvacalc {

class TCalcFileHandle {
 public:
  // orNotRegular: a FIFO, a device or a folder, which is never read (a
  // FIFO without a writer would block the program for good).
  enum TOpenResult { orReadWrite, orReadOnly, orNoAccess, orNotRegular };

  TCalcFileHandle() = default;
  ~TCalcFileHandle() { Close(); }
  TCalcFileHandle(const TCalcFileHandle&) = delete;
  TCalcFileHandle& operator=(const TCalcFileHandle&) = delete;

  // Opens for reading and writing with the lock; when the file cannot be
  // written or another holds the lock, opens it for reading only (no lock);
  // when it cannot be read either, or is not a regular file, holds nothing.
  // Never blocks: both opens are non-blocking and the kind of file is
  // checked on the open descriptor.
  TOpenResult Open(const std::string& path);
  // Releases the lock and the file.
  void Close();
  // Opens the same path again (after it was replaced by a save).
  TOpenResult Reopen() { return Open(FPath); }

  bool IsOpen() const { return FFd >= 0; }
  bool ReadOnly() const { return FReadOnly; }
  const std::string& Path() const { return FPath; }

  // True when another open file description holds a lock on `path`.
  static bool IsLockedByOther(const std::string& path);

 private:
  int FFd = -1;
  bool FReadOnly = false;
  std::string FPath;
};

}  // namespace torvacalc
