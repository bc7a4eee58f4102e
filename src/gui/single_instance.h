// One running desktop program per user: a program that starts while another
// instance runs hands its command line to that instance and ends, so that a
// file opened from the file manager lands in the window the engineer
// already works in.
//
// The channel is a Unix domain socket in a folder only the user can enter
// ($XDG_RUNTIME_DIR/torvacalc, else /tmp/torvacalc-UID, mode 0700). Both
// ends check the other side's user id (SO_PEERCRED), so that no other user
// can hand over commands or fish for them. An advisory lock on a file beside
// the socket makes the check exclusive: of two processes that start at the
// same moment exactly one finds no server and becomes the first instance;
// the other waits for the lock, finds the server and hands over.
//
// A hand-over is one message, a 32-bit length and the payload (working
// folder and arguments, each ended by a zero byte); the answer is a 32-bit
// result, greater than 0 when the running instance accepted the command
// line. Nothing here depends on a window system; the desktop program polls
// PollFd() from its event loop. The running instance never waits for a
// peer: each connection is read as its bytes arrive and is dropped when it
// has not sent its hand-over within PeerTimeoutMs, so a client that
// connects and stays silent costs nothing.
//
// Macro lines are the other way commands reach the program:
// [FileOpen("FILE")] opens a calculation, [FilePrint("FILE")] prints it and
// closes it again. Lines that arrive before the main window can act on them
// wait in a TMacroQueue and are replayed in order once it has its handler.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace torvacalc {

// The single-instance channel cannot be set up (a folder that is not the
// user's own, no socket); the text says why.
class EInstanceManager : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The key of a program's instances: its file name, "*", and the version of
// the hand-over protocol ("torvacalc-gui*7.0").
std::string InstanceKey(const std::string& executableName);

// The private folder of the channel, created with mode 0700. Throws
// EInstanceManager when it exists but belongs to someone else or others may
// enter it.
std::string InstanceFolder();
void EnsurePrivateFolder(const std::string& folder);

// What a starting process hands over: its working folder (relative file
// names are meant from there) and its arguments without the program name.
struct THandOver {
  std::string WorkingDir;
  std::vector<std::string> Args;
  bool operator==(const THandOver&) const = default;
};
std::string EncodeHandOver(const THandOver& handOver);
// Throws EInstanceManager for a payload that is not a hand-over.
THandOver DecodeHandOver(const std::string& payload);

enum class TInstanceRole : std::uint8_t {
  First,       // no other instance runs: this one serves the channel
  HandedOver,  // a running instance accepted the command line: end now
  Second,      // a running instance refused it: run on, without the channel
  TimedOut,    // no access to the channel within the time-out: end now
};

class TInstanceManager {
 public:
  // The largest hand-over accepted; a bigger one is refused (answer 0) so
  // that a broken or hostile peer cannot make the program allocate at will.
  static constexpr std::uint32_t MaxPayload = 1u << 20;

  TInstanceManager(std::string folder, std::string key);
  ~TInstanceManager();
  TInstanceManager(const TInstanceManager&) = delete;
  TInstanceManager& operator=(const TInstanceManager&) = delete;

  // The single-instance check. Waits at most `timeoutMs` for the lock (and
  // as long again for the running instance's answer).
  TInstanceRole Start(const THandOver& handOver, int timeoutMs = 50000);

  // Of the first instance (-1 otherwise): a descriptor that is readable
  // whenever ProcessPending has work (a connection, bytes of one, a
  // connection's time running out).
  int PollFd() const { return FEpollFd; }
  // Accepts connections and reads what they sent so far, without waiting
  // for any; answers the complete hand-overs. Waits up to `waitMs` for the
  // first hand-over answered or refused. Returns how many were answered.
  int ProcessPending(int waitMs = 0);
  // How long a connection may take to send its hand-over.
  int PeerTimeoutMs = 5000;

  // Called with every accepted hand-over; its result is the answer (> 0:
  // accepted). Without a handler the answer is 0.
  std::function<int(const THandOver&)> OnCommandLine;
  const THandOver& LastCommandLine() const { return FLast; }
  // Hand-overs refused because the peer was another user or sent garbage.
  int RejectedCount() const { return FRejected; }

  const std::string& SocketPath() const { return FSocketPath; }

 private:
  // A connection whose hand-over is still arriving.
  struct TPeer {
    int Fd;
    std::string Received;
    std::chrono::steady_clock::time_point Deadline;
  };
  // One pass over everything ready: returns the hand-overs answered and
  // counts the refused ones in FRejected.
  int Sweep();
  // Reads what `peer` sent; true when it is done with (answered or
  // refused), `served` set when answered.
  bool ReadPeer(TPeer& peer, int& served);
  void Answer(int fd, std::int32_t answer);
  void ArmTimer();
  std::string FFolder, FKey, FSocketPath, FLockPath;
  int FListenFd = -1, FEpollFd = -1, FTimerFd = -1;
  std::vector<TPeer> FPeers;
  THandOver FLast;
  int FRejected = 0;
};

// One macro command.
enum class TMacroKind : std::uint8_t { None, Open, Print };
struct TMacroCommand {
  TMacroKind Kind = TMacroKind::None;
  std::string FileName;
};
// A line starting with "[FileOpen(" opens, one starting with "[FilePrint("
// prints; the file name is the text between the first and the second
// double quote. Anything else, and a line without a quoted name, is None.
TMacroCommand ParseMacroLine(const std::string& line);
// The macro lines of a handed-over command line: FILE opens, "/p FILE" (or
// "-p FILE") prints and closes; relative names are made absolute with the
// sender's working folder; arguments that are macro lines themselves pass
// unchanged; other options are dropped.
std::vector<std::string> HandOverToMacroLines(const THandOver& handOver);
std::string MacroLine(TMacroKind kind, const std::string& fileName);

// Macro lines that wait for their handler.
class TMacroQueue {
 public:
  using THandler = std::function<void(const std::vector<std::string>&)>;
  // With a handler the lines go to it at once; without one they wait.
  void ExecuteMacro(const std::vector<std::string>& lines);
  // Sets the handler; lines that waited are handed to it in one call, in
  // the order they arrived.
  void SetOnExecuteMacro(THandler handler);
  const std::vector<std::string>& Pending() const { return FPending; }

 private:
  THandler FHandler;
  std::vector<std::string> FPending;
};

}  // namespace torvacalc
