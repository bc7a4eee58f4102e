#include "gui/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <thread>

namespace torvacalc {

namespace {

using Clock = std::chrono::steady_clock;

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Reads or writes exactly n bytes before the deadline.
bool ReadAll(int fd, void* data, size_t n, Clock::time_point deadline) {
  auto* p = static_cast<char*>(data);
  while (n > 0) {
    pollfd pfd{fd, POLLIN, 0};
    const int r = ::poll(&pfd, 1, MsLeft(deadline));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    const ssize_t got = ::read(fd, p, n);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

bool WriteAll(int fd, const void* data, size_t n) {
  const auto* p = static_cast<const char*>(data);
  while (n > 0) {
    const ssize_t put = ::send(fd, p, n, MSG_NOSIGNAL);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    p += put;
    n -= static_cast<size_t>(put);
  }
  return true;
}

bool PeerIsUs(int fd) {
  ucred cred{};
  socklen_t len = sizeof cred;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == ::getuid();
}

sockaddr_un Address(const std::string& path) {
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  if (path.size() >= sizeof a.sun_path) throw EInstanceManager("socket path too long: " + path);
  std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
  return a;
}

// Key characters that are not safe in a file name become "_".
std::string FileNameOfKey(const std::string& key) {
  std::string s = key;
  for (char& c : s)
    if (c == '/' || c == '*' || c == ' ' || static_cast<unsigned char>(c) < 32) c = '_';
  return s;
}

class TFd {
 public:
  explicit TFd(int fd = -1) : fd_(fd) {}
  ~TFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int get() const { return fd_; }
  int release() {
    const int f = fd_;
    fd_ = -1;
    return f;
  }

 private:
  int fd_;
};

}  // namespace

std::string InstanceKey(const std::string& executableName) {
  return std::filesystem::path(executableName).filename().string() + "*7.0";
}

void EnsurePrivateFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) throw EInstanceManager(Errno(folder));
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) throw EInstanceManager(Errno(folder));
  if (!S_ISDIR(st.st_mode)) throw EInstanceManager(folder + ": not a folder");
  if (st.st_uid != ::getuid()) throw EInstanceManager(folder + ": belongs to another user");
  if ((st.st_mode & 077) != 0) throw EInstanceManager(folder + ": others may enter it (mode must be 0700)");
}

std::string InstanceFolder() {
  std::string folder;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run)
    folder = std::string(run) + "/torvacalc";
  else
    folder = "/tmp/torvacalc-" + std::to_string(::getuid());
  EnsurePrivateFolder(folder);
  return folder;
}

std::string EncodeHandOver(const THandOver& h) {
  std::string s = h.WorkingDir;
  s.push_back('\0');
  for (const auto& a : h.Args) {
    s += a;
    s.push_back('\0');
  }
  return s;
}

THandOver DecodeHandOver(const std::string& payload) {
  if (payload.empty() || payload.back() != '\0') throw EInstanceManager("malformed hand-over");
  THandOver h;
  size_t start = 0;
  bool first = true;
  while (start < payload.size()) {
    const size_t end = payload.find('\0', start);
    std::string part = payload.substr(start, end - start);
    if (first)
      h.WorkingDir = std::move(part);
    else
      h.Args.push_back(std::move(part));
    first = false;
    start = end + 1;
  }
  return h;
}

TInstanceManager::TInstanceManager(std::string folder, std::string key)
    : FFolder(std::move(folder)), FKey(std::move(key)) {
  FSocketPath = FFolder + "/" + FileNameOfKey(FKey) + ".sock";
  FLockPath = FFolder + "/" + FileNameOfKey(FKey) + ".lock";
}

TInstanceManager::~TInstanceManager() {
  for (const TPeer& p : FPeers) ::close(p.Fd);
  if (FTimerFd >= 0) ::close(FTimerFd);
  if (FEpollFd >= 0) ::close(FEpollFd);
  if (FListenFd >= 0) {
    ::close(FListenFd);
    // Only the owner of the channel removes it; a later first instance
    // would replace a stale socket anyway.
    ::unlink(FSocketPath.c_str());
  }
}

TInstanceRole TInstanceManager::Start(const THandOver& handOver, int timeoutMs) {
  EnsurePrivateFolder(FFolder);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  TFd lock(::open(FLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (lock.get() < 0) throw EInstanceManager(Errno(FLockPath));
  // The exclusive part: whoever holds the lock either finds a server or
  // becomes it, so two starts cannot both become the first instance.
  while (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) throw EInstanceManager(Errno(FLockPath));
    if (MsLeft(deadline) == 0) return TInstanceRole::TimedOut;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

  const sockaddr_un addr = Address(FSocketPath);
  TFd client(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (client.get() < 0) throw EInstanceManager(Errno("socket"));
  if (::connect(client.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
    // Another instance serves the channel: hand over and wait for its word.
    std::int32_t answer = 0;
    const std::string payload = EncodeHandOver(handOver);
    const std::uint32_t length = static_cast<std::uint32_t>(payload.size());
    const auto answerBy = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (PeerIsUs(client.get()) && WriteAll(client.get(), &length, sizeof length) &&
        WriteAll(client.get(), payload.data(), payload.size()) &&
        !ReadAll(client.get(), &answer, sizeof answer, answerBy))
      answer = 0;
    return answer > 0 ? TInstanceRole::HandedOver : TInstanceRole::Second;
  }
  if (errno != ECONNREFUSED && errno != ENOENT) throw EInstanceManager(Errno(FSocketPath));

  // No one listens: a socket left by an instance that crashed goes, and
  // this instance serves the channel.
  ::unlink(FSocketPath.c_str());
  TFd server(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (server.get() < 0) throw EInstanceManager(Errno("socket"));
  if (::bind(server.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
    throw EInstanceManager(Errno(FSocketPath));
  ::chmod(FSocketPath.c_str(), 0600);
  if (::listen(server.get(), 16) != 0) throw EInstanceManager(Errno(FSocketPath));
  // One descriptor for the event loop: the listening socket, the
  // connections and the timer of their deadlines are watched through it.
  TFd epoll(::epoll_create1(EPOLL_CLOEXEC));
  TFd timer(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
  if (epoll.get() < 0 || timer.get() < 0) throw EInstanceManager(Errno("epoll"));
  for (int fd : {server.get(), timer.get()}) {
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    if (::epoll_ctl(epoll.get(), EPOLL_CTL_ADD, fd, &ev) != 0) throw EInstanceManager(Errno("epoll"));
  }
  FListenFd = server.release();
  FEpollFd = epoll.release();
  FTimerFd = timer.release();
  return TInstanceRole::First;
}

void TInstanceManager::Answer(int fd, std::int32_t answer) {
  // Four bytes fit into any socket's buffer: this send does not wait.
  WriteAll(fd, &answer, sizeof answer);
}

bool TInstanceManager::ReadPeer(TPeer& peer, int& served) {
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::recv(peer.Fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (got <= 0) {  // closed before its hand-over was complete
      ++FRejected;
      return true;
    }
    peer.Received.append(buffer, static_cast<size_t>(got));
    std::uint32_t length = 0;
    if (peer.Received.size() < sizeof length) continue;
    std::memcpy(&length, peer.Received.data(), sizeof length);
    if (length > MaxPayload || peer.Received.size() > sizeof length + length) {
      ++FRejected;
      Answer(peer.Fd, 0);
      return true;
    }
    if (peer.Received.size() < sizeof length + length) continue;
    std::int32_t answer = 0;
    try {
      FLast = DecodeHandOver(peer.Received.substr(sizeof length));
    } catch (const EInstanceManager&) {
      ++FRejected;
      Answer(peer.Fd, 0);
      return true;
    }
    if (OnCommandLine) answer = OnCommandLine(FLast);
    Answer(peer.Fd, answer);
    ++served;
    return true;
  }
  if (Clock::now() < peer.Deadline) return false;
  ++FRejected;  // silent too long
  return true;
}

void TInstanceManager::ArmTimer() {
  itimerspec when{};
  if (!FPeers.empty()) {
    auto first = FPeers.front().Deadline;
    for (const TPeer& p : FPeers) first = std::min(first, p.Deadline);
    const auto ns = std::max<std::int64_t>(
        1, std::chrono::duration_cast<std::chrono::nanoseconds>(first - Clock::now()).count());
    when.it_value.tv_sec = static_cast<time_t>(ns / 1000000000);
    when.it_value.tv_nsec = static_cast<long>(ns % 1000000000);
  }
  ::timerfd_settime(FTimerFd, 0, &when, nullptr);  // all zero: disarmed
}

int TInstanceManager::Sweep() {
  std::uint64_t expirations = 0;
  while (::read(FTimerFd, &expirations, sizeof expirations) > 0) {
  }
  // At most this many hand-overs may be arriving at once; a flood of
  // connections beyond it is refused at the door.
  constexpr size_t kMaxPeers = 32;
  for (;;) {
    const int fd = ::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) break;
    if (!PeerIsUs(fd) || FPeers.size() >= kMaxPeers) {
      ++FRejected;
      ::close(fd);
      continue;
    }
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    ::epoll_ctl(FEpollFd, EPOLL_CTL_ADD, fd, &ev);
    FPeers.push_back({fd, {}, Clock::now() + std::chrono::milliseconds(PeerTimeoutMs)});
  }
  int served = 0;
  for (size_t i = 0; i < FPeers.size();) {
    if (!ReadPeer(FPeers[i], served)) {
      ++i;
      continue;
    }
    ::close(FPeers[i].Fd);  // leaves the epoll set with it
    FPeers.erase(FPeers.begin() + static_cast<std::ptrdiff_t>(i));
  }
  ArmTimer();
  return served;
}

int TInstanceManager::ProcessPending(int waitMs) {
  if (FListenFd < 0) return 0;
  const auto until = Clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    const int rejected = FRejected;
    const int served = Sweep();
    if (served > 0 || FRejected != rejected) return served;
    const int left = MsLeft(until);
    if (left == 0) return 0;
    pollfd pfd{FEpollFd, POLLIN, 0};
    if (::poll(&pfd, 1, left) < 0 && errno != EINTR) return 0;
  }
}

TMacroCommand ParseMacroLine(const std::string& line) {
  TMacroCommand cmd;
  if (line.rfind("[FileOpen(", 0) == 0)
    cmd.Kind = TMacroKind::Open;
  else if (line.rfind("[FilePrint(", 0) == 0)
    cmd.Kind = TMacroKind::Print;
  else
    return {};
  const size_t q1 = line.find('"');
  const size_t q2 = q1 == std::string::npos ? q1 : line.find('"', q1 + 1);
  // Without both quotes the name has no end: better nothing than a file
  // name with ")]" in it.
  if (q2 == std::string::npos) return {};
  cmd.FileName = line.substr(q1 + 1, q2 - q1 - 1);
  if (cmd.FileName.empty()) return {};
  return cmd;
}

std::string MacroLine(TMacroKind kind, const std::string& fileName) {
  return std::string(kind == TMacroKind::Print ? "[FilePrint(\"" : "[FileOpen(\"") + fileName + "\")]";
}

std::vector<std::string> HandOverToMacroLines(const THandOver& h) {
  std::vector<std::string> lines;
  auto absolute = [&](const std::string& name) {
    std::filesystem::path p(name);
    if (p.is_relative() && !h.WorkingDir.empty()) p = std::filesystem::path(h.WorkingDir) / p;
    return p.lexically_normal().string();
  };
  for (size_t i = 0; i < h.Args.size(); ++i) {
    const std::string& a = h.Args[i];
    if (ParseMacroLine(a).Kind != TMacroKind::None) {
      lines.push_back(a);
    } else if ((a == "/p" || a == "-p") && i + 1 < h.Args.size()) {
      lines.push_back(MacroLine(TMacroKind::Print, absolute(h.Args[++i])));
    } else if (!a.empty() && a[0] != '-' && a != "/p") {
      lines.push_back(MacroLine(TMacroKind::Open, absolute(a)));
    }
  }
  return lines;
}

void TMacroQueue::ExecuteMacro(const std::vector<std::string>& lines) {
  if (FHandler)
    FHandler(lines);
  else
    FPending.insert(FPending.end(), lines.begin(), lines.end());
}

void TMacroQueue::SetOnExecuteMacro(THandler handler) {
  FHandler = std::move(handler);
  if (FHandler && !FPending.empty()) {
    const std::vector<std::string> lines = std::move(FPending);
    FPending.clear();
    FHandler(lines);
  }
}

}  // namespace torvacalc
