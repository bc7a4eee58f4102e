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
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(::fdopen(fd, "rb"), std::fclose);
  if (!f) {
    const int e = errno;
    ::close(fd);
    return fail(std::strerror(e));
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return fail("not a regular file");
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return fail("file too large", TReadFileResult::TooLarge);
  data.resize(static_cast<std::size_t>(st.st_size));
  const std::size_t n = data.empty() ? 0 : std::fread(data.data(), 1, data.size(), f.get());
  if (n != data.size()) {
    data.clear();
    return fail(std::ferror(f.get()) ? std::strerror(errno) : "file changed while reading");
  }
  return TReadFileResult::Ok;
}

}  // namespace torvacalc
