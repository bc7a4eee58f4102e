// Replacing a file through a temporary: the old file survives every
// interruption, and no temporary ".NAME.XXXXXX" is left behind, neither
// after a fatal signal during the save nor (from the next save) after a
// save that was killed outright.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "framework/settings.h"
#include "temp_folder.h"

using namespace torvacalc;
namespace fs = std::filesystem;

namespace {

class AtomicWrite : public TempFolderTest {
 protected:
  // The temporaries of "target" in the folder.
  int Temporaries() const {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir_))
      if (e.path().filename().string().rfind(".target.", 0) == 0) ++n;
    return n;
  }
  // Dates the file back by an hour, as a leftover of an earlier day is.
  void Age(const std::string& name) const {
    fs::last_write_time(Path(name), fs::last_write_time(Path(name)) - std::chrono::hours(1));
  }
};

TEST_F(AtomicWrite, EmptyNamesAreRefused) {
  std::string error;
  for (const std::string& name : {std::string(), dir_.string() + "/"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(WriteFileAtomically(name, "x", &error));
    EXPECT_EQ(error, "no file name to write to");
  }
}

// A child process saves a large file and is interrupted by a signal while
// the temporary exists; the signal kills it as before, the temporary goes
// with it and the old file is untouched.
TEST_F(AtomicWrite, FatalSignalsDuringASaveLeaveNoTemporary) {
  const std::string target = Path("target");
  Write("target", "old");
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    bool interrupted = false;
    // A save that finishes before the signal arrives proves nothing: try
    // again with more to write.
    for (std::size_t size = std::size_t{64} << 20; !interrupted && size <= (std::size_t{512} << 20); size *= 2) {
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        const std::string contents(size, 'x');
        WriteFileAtomically(target, contents);
        ::_exit(0);
      }
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (Temporaries() == 0 && std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) break;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      ::kill(child, signal);
      int status = 0;
      ::waitpid(child, &status, 0);
      if (WIFSIGNALED(status)) {
        interrupted = true;
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(Temporaries(), 0);
        EXPECT_EQ(Read("target"), "old");
      } else {
        Write("target", "old");  // it finished first
      }
    }
    EXPECT_TRUE(interrupted);
  }
}

// Only leftovers go: temporaries of this file's name that are old and that
// no save holds (each save locks its temporary until the rename).
TEST_F(AtomicWrite, StaleTemporariesOfTheSameNameAreRemovedByTheNextSave) {
  struct Entry { const char* name; bool old, held, stays; };
  const Entry entries[] = {
      {".target.Ab12Cd", true, false, false},  // left by a killed save
      {".target.zzzzzz", true, false, false},
      {".target.Fresh1", false, false, true},  // young: perhaps not yet locked
      {".target.Held12", true, true, true},    // another process writes it now
      {".target.keep", true, false, true},     // not of the pattern
      {".other.Ab12Cd", true, false, true},    // of another file
  };
  std::vector<int> locks;
  for (const Entry& e : entries) {
    Write(e.name, "left");
    if (e.old) Age(e.name);
    if (e.held) {
      locks.push_back(::open(Path(e.name).c_str(), O_RDONLY));
      ASSERT_EQ(::flock(locks.back(), LOCK_EX), 0);
    }
  }
  ASSERT_TRUE(WriteFileAtomically(Path("target"), "new"));
  EXPECT_EQ(Read("target"), "new");
  for (const Entry& e : entries) EXPECT_EQ(fs::exists(Path(e.name)), e.stays) << e.name;
  for (int fd : locks) ::close(fd);
}

// Two processes saving the same file at once both succeed every time: one
// does not take the other's temporary for a leftover. The file is always
// one of the two texts, whole.
TEST_F(AtomicWrite, ConcurrentSavesOfOneFileAllSucceed) {
  constexpr int kRounds = 150;
  const std::string target = Path("target");
  int gate[2];
  ASSERT_EQ(::pipe(gate), 0);
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      ::close(gate[1]);
      char byte;
      if (::read(gate[0], &byte, 1) != 0) ::_exit(100);
      const std::string contents(4096, c == 0 ? 'a' : 'b');
      int failed = 0;
      for (int i = 0; i < kRounds; ++i) failed += WriteFileAtomically(target, contents) ? 0 : 1;
      ::_exit(std::min(failed, 99));
    }
  }
  ::close(gate[0]);
  ::close(gate[1]);  // both start at once
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "saves failed";
  }
  const std::string text = Read("target");
  EXPECT_TRUE(text == std::string(4096, 'a') || text == std::string(4096, 'b'));
  EXPECT_EQ(Temporaries(), 0);
}

// A batch replaces each file at once (no temporaries left, the old text of
// a replaced file gone) and flushes once at the end; a file it cannot write
// fails alone and says why.
TEST_F(AtomicWrite, BatchWritesEveryFileAtomicallyAndFlushesOnce) {
  Write("a.txt", "old a");
  fs::create_directories(dir_ / "sub");
  TAtomicFileBatch batch;
  const struct {
    std::string name, text;
  } files[] = {{"a.txt", "new a"}, {"b.txt", "b"}, {"sub/c.txt", "c"}, {"empty.txt", ""}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    ASSERT_TRUE(batch.Write(Path(f.name), f.text));
    EXPECT_EQ(Read(f.name), f.text);  // in place before the flush
  }
  std::string error;
  EXPECT_FALSE(batch.Write(Path("missing/d.txt"), "d", &error));
  EXPECT_NE(error.find("cannot create a temporary file"), std::string::npos);
  EXPECT_TRUE(batch.Finish(&error));
  EXPECT_TRUE(batch.Finish());  // nothing left to flush
  for (const auto& e : fs::recursive_directory_iterator(dir_))
    EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

// A batch lists each folder once but removes, as a single save does, only
// the leftover temporaries of the files it writes; other dot files and the
// temporaries of other names stay.
TEST_F(AtomicWrite, BatchRemovesOnlyTheLeftoversOfItsOwnFiles) {
  struct Entry { const char* name; bool stays; };
  const Entry entries[] = {
      {".a.txt.Xy12ab", false},    // a killed save of a.txt
      {".b.txt.000000", false},    // of b.txt
      {".c.txt.Xy12ab", true},     // of a file the batch does not write
      {".a.txt.backup1", true},    // seven characters: not a temporary
      {".a.txt.bak-up", true},     // not letters and digits
      {".profile.local", true},
  };
  for (const Entry& e : entries) {
    Write(e.name, "left");
    Age(e.name);
  }
  TAtomicFileBatch batch;
  ASSERT_TRUE(batch.Write(Path("a.txt"), "a"));
  ASSERT_TRUE(batch.Write(Path("b.txt"), "b"));
  std::string error;
  ASSERT_TRUE(batch.Finish(&error)) << error;
  for (const Entry& e : entries) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(fs::exists(dir_ / e.name), e.stays);
  }
  EXPECT_EQ(Read("a.txt"), "a");
  EXPECT_EQ(Read("b.txt"), "b");
}

}  // namespace
