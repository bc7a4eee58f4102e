#include "gui/file_lock.h"

#include <fcntl.h>
#include <unistd.h>

namespace torvacalc {

namespace {

bool LockForWriting(int fd, short type, int command) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;  // the whole file
  return ::fcntl(fd, command, &lock) == 0;
}

}  // namespace

TCalcFileHandle::TOpenResult TCalcFileHandle::Open(const std::string& path) {
  Close();
  FPath = path;
  const int rw = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (rw >= 0) {
    if (LockForWriting(rw, F_WRLCK, F_OFD_SETLK)) {
      FFd = rw;
      FReadOnly = false;
      return orReadWrite;
    }
    ::close(rw);
  }
  const int ro = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (ro < 0) return orNoAccess;
  FFd = ro;
  FReadOnly = true;
  return orReadOnly;
}

void TCalcFileHandle::Close() {
  if (FFd >= 0) ::close(FFd);  // closing drops the lock of this description
  FFd = -1;
  FReadOnly = false;
}

bool TCalcFileHandle::IsLockedByOther(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  const bool locked = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  ::close(fd);
  return locked;
}

}  // namespace torvacalc
