#include "files/byte_stream.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <sys/stat.h>

namespace torvacalc {

TReadFileResult ReadFileBytes(const std::string& path, std::size_t maxBytes, std::string& data,
                              std::string* error) {
  const auto fail = [&](const std::string& what, TReadFileResult result = TReadFileResult::CannotRead) {
    if (error) *error = what;
    return result;
  };
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!f) return fail(std::strerror(errno));
  struct stat st {};
  if (::fstat(::fileno(f.get()), &st) != 0) return fail(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return fail("not a regular file");
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
