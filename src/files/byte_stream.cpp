#include "files/byte_stream.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvacalc {

TReadFileResult ReadFileBytes(const std::string& path, std::size_t maxBytes, std::string& data,
                              std::string* error) {
  const auto fail = [&](const std::string& what, TReadFileResult result = TReadFileResult::CannotRead) {
    if (error) *error = what;
    return result;
  };
  // Opened without blocking, so that a FIFO without a writer is refused as
  // not a regular file instead of waiting for one forever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(std::strerror(errno));
  // Read with plain read(2): a stdio stream would allocate its own buffer
  // for every file and copy everything through it once more.
  struct TCloser {
    int fd;
    ~TCloser() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return fail("not a regular file");
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return fail("file too large", TReadFileResult::TooLarge);
  data.resize(static_cast<std::size_t>(st.st_size));
  std::size_t n = 0;
  while (n < data.size()) {
    const ssize_t got = ::read(fd, data.data() + n, data.size() - n);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int e = errno;
      data.clear();
      return fail(std::strerror(e));
    }
    if (got == 0) break;
    n += static_cast<std::size_t>(got);
  }
  if (n != data.size()) {
    data.clear();
    return fail("file changed while reading");
  }
  return TReadFileResult::Ok;
}

}  // namespace torvacalc
