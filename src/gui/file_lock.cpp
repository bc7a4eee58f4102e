#include "gui/file_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvacalc {

namespace {

bool LockForWriting(int fd, short type, int command) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;  // the whole file
  return ::fcntl(fd, command, &lock) == 0;
}

// Opens without blocking (a FIFO without a writer would wait for one) and
// keeps the descriptor only for a regular file; `notRegular` tells why a
// descriptor was refused.
int OpenRegular(const std::string& path, int flags, bool& notRegular) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    notRegular = true;
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

}  // namespace

TCalcFileHandle::TOpenResult TCalcFileHandle::Open(const std::string& path) {
  Close();
  FPath = path;
  bool notRegular = false;
  const int rw = OpenRegular(path, O_RDWR, notRegular);
  if (notRegular) return orNotRegular;
  if (rw >= 0) {
    if (LockForWriting(rw, F_WRLCK, F_OFD_SETLK)) {
      FFd = rw;
      FReadOnly = false;
      return orReadWrite;
    }
    ::close(rw);
  }
  const int ro = OpenRegular(path, O_RDONLY, notRegular);
  if (ro < 0) return notRegular ? orNotRegular : orNoAccess;
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
  bool notRegular = false;
  const int fd = OpenRegular(path, O_RDONLY, notRegular);
  if (fd < 0) return false;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  const bool locked = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  ::close(fd);
  return locked;
}

}  // namespace torvacalc
