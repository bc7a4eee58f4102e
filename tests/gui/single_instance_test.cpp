// The single-instance channel and the macro lines of the desktop program.
#include "gui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include "temp_folder.h"

using namespace torvacalc;

namespace {

TEST(MacroLines, ParseNamesTheCommandAndTheQuotedFile) {
  struct Case { const char* line; TMacroKind kind; const char* file; };
  const Case cases[] = {
      {R"([FileOpen("/home/a/valve 1.cvc")])", TMacroKind::Open, "/home/a/valve 1.cvc"},
      {R"([FilePrint("/x/y.cvc")])", TMacroKind::Print, "/x/y.cvc"},
      {R"([FileOpen("a.cvc" trailing "b.cvc")])", TMacroKind::Open, "a.cvc"},  // after the 2nd quote: dropped
      {R"([FileOpen(a.cvc)])", TMacroKind::None, ""},                           // no quote: ignored
      {R"([FileOpen("a.cvc)])", TMacroKind::None, ""},                          // no closing quote
      {R"([FileOpen("")])", TMacroKind::None, ""},                              // empty name
      {R"([FileClose("a.cvc")])", TMacroKind::None, ""},                        // unknown command
      {R"( [FileOpen("a.cvc")])", TMacroKind::None, ""},                        // must start the line
      {"", TMacroKind::None, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const TMacroCommand m = ParseMacroLine(c.line);
    EXPECT_EQ(m.Kind, c.kind);
    EXPECT_EQ(m.FileName, c.file);
  }
}

TEST(MacroLines, CommandLineBecomesOpenAndPrintLinesWithAbsoluteNames) {
  const std::vector<std::string> expected = {
      R"([FileOpen("/work/dir/a.cvc")])",  R"([FilePrint("/work/dir/sub/b.cvc")])",
      R"([FilePrint("/abs/c.cvc")])",     R"([FileOpen("/work/d.cvc")])",
      R"([FilePrint("/e.cvc")])",
  };
  EXPECT_EQ(HandOverToMacroLines({"/work/dir", {"a.cvc", "/p", "sub/b.cvc", "-p", "/abs/c.cvc", "--verbose",
                                                "../d.cvc", R"([FilePrint("/e.cvc")])"}}),
            expected);
  EXPECT_TRUE(HandOverToMacroLines({"/w", {"/p"}}).empty()) << "/p without a file does nothing";
}

TEST(MacroQueue, LinesWaitForTheHandlerAndArriveInOrder) {
  TMacroQueue q;
  std::vector<std::vector<std::string>> calls;
  q.ExecuteMacro({"1", "2"});
  q.ExecuteMacro({"3"});
  EXPECT_EQ(q.Pending(), (std::vector<std::string>{"1", "2", "3"}));
  q.SetOnExecuteMacro([&](const std::vector<std::string>& lines) { calls.push_back(lines); });
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_TRUE(q.Pending().empty());
  q.ExecuteMacro({"4"});
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1], (std::vector<std::string>{"4"}));
}

TEST(HandOver, SurvivesEncodingWithBlanksQuotesAndEmptyArguments) {
  const THandOver cases[] = {
      {"/", {}},
      {"/home/u", {"a b.cvc", "", "\"q\"", "ü.cvc"}},
      {"", {"x"}},
  };
  for (const auto& h : cases) {
    SCOPED_TRACE(h.WorkingDir);
    EXPECT_EQ(DecodeHandOver(EncodeHandOver(h)), h);
  }
  EXPECT_THROW(DecodeHandOver(""), EInstanceManager);
  EXPECT_THROW(DecodeHandOver(std::string("/dir\0arg", 8)), EInstanceManager);
}

TEST(InstanceKey, IsTheProgramFileNameAndTheProtocolVersion) {
  EXPECT_EQ(InstanceKey("/usr/bin/torvacalc-gui"), "torvacalc-gui*7.0");
  EXPECT_EQ(InstanceKey("torvacalc-gui"), "torvacalc-gui*7.0");
}

class InstanceTest : public TempFolderTest {
 protected:
  std::string Run() const { return Path("run"); }
  // A socket connected to (or, with bindOnly, bound at) the path.
  static int Socket(const std::string& path, bool bindOnly = false) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strcpy(a.sun_path, path.c_str());
    const int r = bindOnly ? ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a)
                           : ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    EXPECT_EQ(r, 0) << path;
    return fd;
  }
};

// The running instance takes the command line (1), refuses it (0, -1) or has
// no handler yet: only a command line taken ends the second start.
TEST_F(InstanceTest, SecondStartHandsOverOnlyWhenTheRunningInstanceAccepts) {
  const std::optional<int> answers[] = {1, 0, -1, std::nullopt};
  for (const std::optional<int>& answer : answers) {
    SCOPED_TRACE(answer ? std::to_string(*answer) : "no handler");
    TInstanceManager first(Run(), "t*7.0");
    ASSERT_EQ(first.Start({"/a", {"first"}}, 2000), TInstanceRole::First);
    struct stat st {};
    ASSERT_EQ(::stat(Run().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    if (answer) first.OnCommandLine = [&](const THandOver&) { return *answer; };
    TInstanceRole role = TInstanceRole::First;
    std::thread second([&] {
      TInstanceManager m(Run(), "t*7.0");
      role = m.Start({"/b", {"x.cvc", "/p", "y.cvc"}}, 5000);
    });
    int served = 0;
    for (int i = 0; i < 50 && served == 0; ++i) served = first.ProcessPending(100);
    second.join();
    EXPECT_EQ(served, 1);
    EXPECT_EQ(first.LastCommandLine(), (THandOver{"/b", {"x.cvc", "/p", "y.cvc"}}));
    EXPECT_EQ(role, answer && *answer > 0 ? TInstanceRole::HandedOver : TInstanceRole::Second);
  }
}

TEST_F(InstanceTest, SocketLeftByACrashedInstanceIsTakenOver) {
  // A crashed instance leaves its socket file without a listener.
  EnsurePrivateFolder(Run());
  ::close(Socket(TInstanceManager(Run(), "t*7.0").SocketPath(), true));
  TInstanceManager next(Run(), "t*7.0");
  EXPECT_EQ(next.Start({"/", {}}, 2000), TInstanceRole::First);
}

TEST_F(InstanceTest, AStartThatCannotGetTheLockEndsAfterTheTimeOut) {
  TInstanceManager probe(Run(), "t*7.0");
  EnsurePrivateFolder(Run());
  const int lock = ::open((Run() + "/t_7.0.lock").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(probe.Start({"/", {}}, 200), TInstanceRole::TimedOut);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(190));
  ::close(lock);
}

TEST_F(InstanceTest, AFolderOthersMayEnterIsRefused) {
  std::filesystem::create_directory(Run());
  ::chmod(Run().c_str(), 0755);
  TInstanceManager m(Run(), "t*7.0");
  EXPECT_THROW(m.Start({"/", {}}, 200), EInstanceManager);
  ::chmod(Run().c_str(), 0700);
  EXPECT_EQ(m.Start({"/", {}}, 200), TInstanceRole::First);
}

TEST_F(InstanceTest, OversizedOrTruncatedHandOversAreRefused) {
  TInstanceManager first(Run(), "t*7.0");
  ASSERT_EQ(first.Start({"/", {}}, 2000), TInstanceRole::First);
  first.OnCommandLine = [](const THandOver&) { return 1; };
  struct Case { const char* what; std::uint32_t length; std::string body; };
  const Case cases[] = {
      {"more than the limit announced", TInstanceManager::MaxPayload + 1, ""},
      {"not a hand-over (no terminating zero)", 3, "abc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int fd = Socket(first.SocketPath());
    ASSERT_EQ(::write(fd, &c.length, 4), 4);
    if (!c.body.empty()) {
      ASSERT_EQ(::write(fd, c.body.data(), c.body.size()), static_cast<ssize_t>(c.body.size()));
    }
    const int before = first.RejectedCount();
    first.ProcessPending(1000);
    std::int32_t answer = 7;
    EXPECT_EQ(::read(fd, &answer, 4), 4);
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(first.RejectedCount(), before + 1);
    ::close(fd);
  }
}

// Connections that send nothing do not hold up the running instance: a
// hand-over behind four of them is served at once, and each silent one is
// dropped when its time is up.
TEST_F(InstanceTest, SilentConnectionsDoNotHoldUpTheHandOver) {
  TInstanceManager first(Run(), "t*7.0");
  ASSERT_EQ(first.Start({"/", {}}, 2000), TInstanceRole::First);
  first.OnCommandLine = [](const THandOver&) { return 1; };
  const auto connect = [&] { return Socket(first.SocketPath()); };
  std::vector<int> silent;
  for (int i = 0; i < 4; ++i) silent.push_back(connect());
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(first.ProcessPending(0), 0);
  TInstanceRole role = TInstanceRole::First;
  std::thread second([&] { role = TInstanceManager(Run(), "t*7.0").Start({"/b", {"x.cvc"}}, 5000); });
  int served = 0;
  for (int i = 0; i < 50 && served == 0; ++i) served = first.ProcessPending(100);
  second.join();
  EXPECT_EQ(role, TInstanceRole::HandedOver);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
  first.PeerTimeoutMs = 100;
  const int late = connect();
  const int before = first.RejectedCount();
  EXPECT_EQ(first.ProcessPending(2000), 0);
  EXPECT_EQ(first.RejectedCount(), before + 1);
  char byte;
  EXPECT_EQ(::read(late, &byte, 1), 0) << "dropped without an answer";
  for (int fd : silent) ::close(fd);
  ::close(late);
}

// Processes started at the same moment: exactly one becomes the first
// instance, every other one hands its command line over to it.
TEST_F(InstanceTest, SimultaneousStartsGiveExactlyOneFirstInstance) {
  constexpr int kStarts = 4;
  EnsurePrivateFolder(Run());
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  std::vector<pid_t> children;
  for (int i = 0; i < kStarts; ++i) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(go[1]);
      char c;
      // Every child waits at the same gate.
      if (::read(go[0], &c, 1) != 0) _exit(10);
      TInstanceManager m(Run(), "race*7.0");
      int code = 10;
      try {
        const TInstanceRole role = m.Start({"/", {std::to_string(i)}}, 10000);
        code = static_cast<int>(role);
        if (role == TInstanceRole::First) {
          int received = 0;
          m.OnCommandLine = [&](const THandOver&) { return ++received, 1; };
          const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
          while (received < kStarts - 1 && std::chrono::steady_clock::now() < until) m.ProcessPending(50);
          code = received == kStarts - 1 ? 0 : 11;
        }
      } catch (...) {
        code = 12;
      }
      _exit(code);
    }
    children.push_back(pid);
  }
  ::close(go[0]);
  ::close(go[1]);  // opens the gate for all at once
  int firsts = 0, handedOver = 0;
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    const int code = WEXITSTATUS(status);
    EXPECT_TRUE(code == 0 || code == static_cast<int>(TInstanceRole::HandedOver)) << "exit code " << code;
    firsts += code == 0;
    handedOver += code == static_cast<int>(TInstanceRole::HandedOver);
  }
  EXPECT_EQ(firsts, 1);
  EXPECT_EQ(handedOver, kStarts - 1);
}

}  // namespace
