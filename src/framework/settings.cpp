#include "framework/settings.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string_view>

#include "framework/basics.h"
#include "framework/options.h"

namespace torvacalc {

namespace fs = std::filesystem;

namespace {

// Values may hold line breaks and backslashes; they are escaped in the file.
std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

std::string Unescape(std::string_view s) {
  // Most values have nothing escaped.
  if (s.find('\\') == std::string_view::npos) return std::string(s);
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char c = s[++i];
      out += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    } else {
      out += s[i];
    }
  }
  return out;
}

// A line or a part of it without the blanks around it.
std::string_view Trimmed(std::string_view s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::unique_ptr<TSettingsStore>& InstanceSlot() {
  static std::unique_ptr<TSettingsStore> store;
  return store;
}

std::mutex& InstanceLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

bool TSettingsStore::NoCase::operator()(const std::string& a, const std::string& b) const {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    // Most names share a long prefix ("Quantity1", "Quantity10"): equal
    // bytes need no folding. ASCII letters only, so that the order of the
    // names cannot change with a locale a host program sets meanwhile.
    if (a[i] == b[i]) continue;
    const unsigned char ca = static_cast<unsigned char>(LowerAscii(a[i]));
    const unsigned char cb = static_cast<unsigned char>(LowerAscii(b[i]));
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

TSettingsStore::TSettingsStore(std::string path) : path_(std::move(path)) { Reload(); }

TSettingsStore& TSettingsStore::Instance() {
  std::lock_guard guard(InstanceLock());
  auto& slot = InstanceSlot();
  if (!slot) slot = std::make_unique<TSettingsStore>((fs::path(ConfigDir()) / "settings.ini").string());
  return *slot;
}

void TSettingsStore::ResetInstance() {
  std::lock_guard guard(InstanceLock());
  InstanceSlot().reset();
}

bool TSettingsStore::Reload() {
  std::lock_guard guard(lock_);
  sections_.clear();
  std::ifstream in(path_, std::ios::binary);
  if (!in) return !fs::exists(path_);
  // The whole file at once (a few kilobytes), then its lines in place.
  std::string text;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) text.append(chunk, static_cast<size_t>(in.gcount()));
  std::string_view section;
  bool inSection = false;
  // The section the keys below the last header go to, made with its first
  // key; Save writes the keys in order, so each goes in at the end.
  auto current = sections_.end();
  for (size_t from = 0; from < text.size();) {
    size_t to = text.find('\n', from);
    if (to == std::string::npos) to = text.size();
    const std::string_view t = Trimmed(std::string_view(text).substr(from, to - from));
    from = to + 1;
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t.front() == '[') {
      // A damaged header drops the keys below it rather than filing them
      // under the wrong section.
      inSection = t.back() == ']' && t.size() > 2;
      if (inSection) {
        section = t.substr(1, t.size() - 2);
        current = sections_.end();
      }
      continue;
    }
    const auto eq = t.find('=');
    if (!inSection || eq == std::string_view::npos || eq == 0) continue;
    if (current == sections_.end()) current = sections_.try_emplace(std::string(section)).first;
    auto& keys = current->second;
    keys.insert_or_assign(keys.end(), std::string(Trimmed(t.substr(0, eq))), Unescape(Trimmed(t.substr(eq + 1))));
  }
  return !in.bad();
}

std::string TSettingsStore::ReadString(const std::string& section, const std::string& key,
                                       const std::string& defaultValue) const {
  std::lock_guard guard(lock_);
  const auto s = sections_.find(section);
  if (s == sections_.end()) return defaultValue;
  const auto v = s->second.find(key);
  return v == s->second.end() ? defaultValue : v->second;
}

int TSettingsStore::ReadInteger(const std::string& section, const std::string& key,
                                int defaultValue) const {
  const std::string text = ReadString(section, key, {});
  if (text.empty()) return defaultValue;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return defaultValue;
  return static_cast<int>(v);
}

bool TSettingsStore::ReadBool(const std::string& section, const std::string& key,
                              bool defaultValue) const {
  const std::string text = ReadString(section, key, {});
  if (text == "1" || text == "true") return true;
  if (text == "0" || text == "false") return false;
  return defaultValue;
}

bool TSettingsStore::ValueExists(const std::string& section, const std::string& key) const {
  std::lock_guard guard(lock_);
  const auto s = sections_.find(section);
  return s != sections_.end() && s->second.count(key) > 0;
}

void TSettingsStore::WriteString(const std::string& section, const std::string& key,
                                 const std::string& value) {
  std::lock_guard guard(lock_);
  sections_[section][key] = value;
}

void TSettingsStore::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TSettingsStore::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TSettingsStore::EraseSection(const std::string& section) {
  std::lock_guard guard(lock_);
  sections_.erase(section);
}

bool TSettingsStore::Save() {
  std::ostringstream text;
  {
    std::lock_guard guard(lock_);
    for (const auto& [section, values] : sections_) {
      text << '[' << section << "]\n";
      for (const auto& [key, value] : values) text << key << '=' << Escape(value) << '\n';
      text << '\n';
    }
  }
  std::error_code ec;
  fs::create_directories(fs::path(path_).parent_path(), ec);
  return WriteFileAtomically(path_, text.str());
}

namespace {

// The temporary files being written right now, for the signal handler: a
// fixed table of fixed buffers, because a handler may only call
// async-signal-safe functions (unlink, sigaction, raise) and read memory
// that is not being allocated.
constexpr int kTemporarySlots = 8;
struct TTemporarySlot {
  std::atomic<bool> used{false};
  char path[4096] = {};
};
TTemporarySlot gTemporaries[kTemporarySlots];
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RemoveTemporariesAndDie(int signal) {
  for (TTemporarySlot& slot : gTemporaries)
    if (slot.used.load()) ::unlink(slot.path);
  // Die of the signal as the default action would, so that the parent sees
  // the real cause.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  ::sigemptyset(&dfl.sa_mask);
  ::sigaction(signal, &dfl, nullptr);
  ::raise(signal);
}

// Installs the handler once for the signals that still have their default
// action; a program that handles or ignores a signal itself keeps it so.
void InstallTemporaryCleanup() {
  static const bool installed = [] {
    for (int signal : kCleanupSignals) {
      struct sigaction old {};
      if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
      struct sigaction handler {};
      handler.sa_handler = RemoveTemporariesAndDie;
      ::sigemptyset(&handler.sa_mask);
      ::sigaction(signal, &handler, nullptr);
    }
    return true;
  }();
  (void)installed;
}

// A temporary file registered for removal on a fatal signal while it lives.
class TTemporaryGuard {
 public:
  explicit TTemporaryGuard(const std::string& path) {
    if (path.size() >= sizeof(TTemporarySlot::path)) return;
    for (TTemporarySlot& slot : gTemporaries) {
      bool expected = false;
      if (slot.used.load() || !slot.used.compare_exchange_strong(expected, true)) continue;
      // The caller holds the fatal signals while the path is copied.
      std::memcpy(slot.path, path.c_str(), path.size() + 1);
      FSlot = &slot;
      return;
    }
  }
  ~TTemporaryGuard() {
    if (FSlot) FSlot->used.store(false);
  }
  TTemporaryGuard(const TTemporaryGuard&) = delete;
  TTemporaryGuard& operator=(const TTemporaryGuard&) = delete;

 private:
  TTemporarySlot* FSlot = nullptr;
};

// True when `name` is a temporary ".NAME.XXXXXX" of a save of `fileName`.
bool IsTemporaryOf(const std::string& name, const std::string& fileName) {
  const std::size_t prefix = fileName.size() + 2;
  if (name.size() != prefix + 6 || name[0] != '.' || name[prefix - 1] != '.' ||
      name.compare(1, fileName.size(), fileName) != 0)
    return false;
  return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix), name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// A temporary is left over only when no save writes it any more: every
// save holds an exclusive flock on its temporary from creation to rename,
// and a temporary younger than this may be one whose lock is not yet taken
// (between mkstemp and flock). Anything else beside the file may belong to
// another process saving the same file at this moment.
constexpr auto kStaleTemporaryAge = std::chrono::seconds(60);

// Removes `path` when it is a regular file older than kStaleTemporaryAge
// that no save holds.
void RemoveIfStale(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st {};
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
      std::chrono::seconds(st.st_mtim.tv_sec) + kStaleTemporaryAge < now &&
      ::flock(fd, LOCK_EX | LOCK_NB) == 0)
    ::unlink(path.c_str());  // still locked by us: no save can take it meanwhile
  ::close(fd);
}

// Temporaries ".NAME.XXXXXX" of an earlier save of the same file that was
// killed outright (SIGKILL, a power cut) before it could remove them.
void RemoveStaleTemporaries(const fs::path& dir, const std::string& fileName) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (IsTemporaryOf(it->path().filename().string(), fileName)) RemoveIfStale(it->path());
}

}  // namespace

namespace {

// `flush`: the temporary is flushed to disk before the rename (a batch
// flushes all its files at its end instead). `sweep`: temporaries an
// earlier killed save left beside the file are removed first (a batch
// sweeps each folder once, not once per file).
bool WriteAtomically(const std::string& path, const std::string& contents, std::string* error, bool flush,
                     bool sweep = true) {
  const fs::path target(path);
  if (path.empty() || !target.has_filename()) {
    if (error) *error = "no file name to write to";
    return false;
  }
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string pattern = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  auto fail = [&](const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
  };
  // A FIFO, a device or a folder is not replaced by a file.
  if (struct stat existing {}; ::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
    if (error) *error = "not a regular file";
    errno = EINVAL;
    return false;
  }
  InstallTemporaryCleanup();
  if (sweep) RemoveStaleTemporaries(dir, target.filename().string());
  // Signals are held while the temporary is created and registered, so
  // that none can strike between the two and leave it behind.
  sigset_t fatal, previous;
  ::sigemptyset(&fatal);
  for (int signal : kCleanupSignals) ::sigaddset(&fatal, signal);
  ::pthread_sigmask(SIG_BLOCK, &fatal, &previous);
  const int fd = mkstemp(pattern.data());
  std::optional<TTemporaryGuard> guard;
  if (fd >= 0) guard.emplace(pattern);
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (fd < 0) return fail("cannot create a temporary file in " + dir.string());
  // Held while the temporary is written, so that a save of the same file
  // by another process does not take it for a leftover (from the close to
  // the rename it is younger than kStaleTemporaryAge).
  ::flock(fd, LOCK_EX | LOCK_NB);
  const char* p = contents.data();
  size_t left = contents.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int saved = errno;
      ::close(fd);
      ::unlink(pattern.c_str());
      errno = saved;
      return fail("cannot write " + pattern);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  // Keep the permissions of the file being replaced; a new file gets the
  // usual 0644 less the umask rather than mkstemp's 0600.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    ::fchmod(fd, st.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  if ((flush && ::fsync(fd) != 0) || ::close(fd) != 0) {
    const int saved = errno;
    ::unlink(pattern.c_str());
    errno = saved;
    return fail("cannot flush " + pattern);
  }
  if (::rename(pattern.c_str(), path.c_str()) != 0) {
    const int saved = errno;
    ::unlink(pattern.c_str());
    errno = saved;
    return fail("cannot replace " + path);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const fs::path target(path);
  return target.has_parent_path() ? target.parent_path().string() : std::string(".");
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string* error) {
  return WriteAtomically(path, contents, error, true);
}

bool TAtomicFileBatch::Write(const std::string& path, const std::string& contents, std::string* error) {
  const std::string folder = FolderOf(path);
  auto known = std::find_if(folders_.begin(), folders_.end(), [&](const TFolder& f) { return f.path == folder; });
  TFolder listed;
  if (known == folders_.end()) {
    // A folder is listed once per batch, not once per file: the dot files
    // that may be temporaries of killed saves are kept, and each file
    // written removes those of its own name, as a single save does.
    listed.path = folder;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      std::string name = it->path().filename().string();
      if (name.size() > 8 && name[0] == '.') listed.dotFiles.push_back(std::move(name));
    }
  }
  const TFolder& f = known == folders_.end() ? listed : *known;
  const std::string fileName = fs::path(path).filename().string();
  for (const std::string& name : f.dotFiles)
    if (IsTemporaryOf(name, fileName)) RemoveIfStale(fs::path(folder) / name);
  if (!WriteAtomically(path, contents, error, false, false)) return false;
  // Only folders that received a file are flushed.
  if (known == folders_.end()) folders_.push_back(std::move(listed));
  return true;
}

bool TAtomicFileBatch::Finish(std::string* error) {
  bool ok = true;
  // One flush for the whole batch: syncfs writes back every file of the
  // folder's file system and commits the journal once, which makes the
  // data of all files and their renames durable together. An fsync per
  // file would commit the journal once per file. syncfs reports a write
  // error of any file written since the last flush (Linux 5.8 and later).
  for (const TFolder& folder : folders_) {
    const int fd = ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::syncfs(fd) != 0) {
      if (ok && error) *error = "cannot flush " + folder.path + ": " + std::strerror(errno);
      ok = false;
    }
    if (fd >= 0) ::close(fd);
  }
  folders_.clear();
  return ok;
}

}  // namespace torvacalc
