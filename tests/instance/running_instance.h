// Helpers for the forwarding scenarios: a running first instance of the test engine, the
// messages its engine received, and a raw peer of the instance channel that speaks the wire
// format byte by byte (to send what a launcher never would, or to stop halfway).
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/channel_wire.h"
#include "platform/instance_channel.h"
#include "tests/instance/launch_bytes.h"
#include "tests/support/launcher_run.h"

// The messages the running engine received, each checked to have come on the main thread
// while the engine ran, never from inside an SDL call.
inline std::vector<std::string> Received(const std::string& record) {
  std::vector<std::string> out;
  for (const EngineCall& call : ReadEngineRecord(record)) {
    if (call.entry != "qrnSendIPC") continue;
    out.push_back(call.fields.at("message"));
    EXPECT_EQ(call.fields.at("thread"), "main") << out.back();
    EXPECT_EQ(call.fields.at("in_run"), "1") << out.back();
    EXPECT_EQ(call.fields.at("in_sdl"), "0") << out.back();
  }
  return out;
}

// A running first instance of the test engine, pumping events for QRN_TEST_RUN_MS (100 s
// unless extra says otherwise): a scenario ends it with Finish once it has what it waits for,
// so a loaded machine never ends the game before the scenario is done. With start false it
// waits for Start, so that the extra variables can name places in its world.
struct RunningInstance {
  LauncherWorld lw;
  std::string record = lw.world.Path("record-a");
  std::string ready = lw.world.Path("ready-a");
  BackgroundLaunch a;
  explicit RunningInstance(const EnvList& extra = {}, bool start = true) {
    if (start) Start(extra);
  }
  void Start(const EnvList& extra) {
    EnvList env = {{"QRN_TEST_RUN_MS", "100000"},
                   {"QRN_TEST_RUN_QUIT_EVENTS", "1"},
                   {"QRN_TEST_READY_FILE", ready}};
    env.insert(env.end(), extra.begin(), extra.end());
    a.Start(lw, {}, record, env);
  }
  bool WaitFor(const std::string& entry) {
    for (int i = 0; i < 3000; ++i) {
      for (const std::string& e : EngineEntries(ReadEngineRecord(record)))
        if (e == entry) return true;
      usleep(10000);
    }
    return false;
  }
  long Pid() { return WaitFor("qrnGetAppName") ? RecordedPid(record) : -1; }
  // The instance's process identity, as its channel is named.
  std::vector<unsigned char> Identity() {
    std::string text = IdentityText(Pid());
    std::vector<unsigned char> bytes(8);
    if (text.size() != 16 || HexToBytes(text.c_str(), bytes.data(), 8, 16) != 8) bytes.clear();
    return bytes;
  }
  ProcessResult Second(const std::vector<std::string>& args, const std::string& workDir = "",
                       const EnvList& extra = {}, const std::vector<std::string>& unset = {}) {
    ProcessOptions options = lw.Options(lw.world.Path("record-b"), extra);
    options.workDir = workDir;
    options.unset = unset;
    std::vector<std::string> argv = {lw.bundle.exe};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, options);
  }
  std::string LogText() const { return lw.LogText(); }
  // What a desktop launch with one document hands the engine.
  std::vector<std::string> DocumentAndCommandLine(const std::string& document) const {
    return {"OpenFile|" + document, "CommandLine|" + lw.bundle.exe + "|"};
  }
  // Ends the game early with a quit request, once its engine has received this many
  // messages (or 60 s have passed: a bound for a scenario that already failed).
  void Finish(size_t messages) {
    for (int i = 0; i < 6000 && Count(record, "qrnSendIPC") < static_cast<int>(messages); ++i)
      usleep(10000);
    kill(Pid(), SIGTERM);
    a.Join();
  }
};

// The instance file of the data folder (the world's, which this process's environment names).
inline std::string InstanceNotePath() {
  const char* data = getenv("XDG_DATA_HOME");
  return std::string(data ? data : "") + "/Quillfen/" + kAppName + "/instance.lock";
}

// The abstract name the instance with this identity listens under, as it published it in
// the instance file; "" when not found.
inline std::string ChannelNameOf(const std::vector<unsigned char>& identity) {
  char name[108];
  return identity.size() == 8 &&
                 ChannelListenerName(InstanceNotePath().c_str(), identity.data(), name, sizeof name)
             ? name
             : "";
}

// A connection to the instance's channel made byte by byte (by identity: rung once connected).
struct RawPeer {
  int fd = -1;
  explicit RawPeer(const std::vector<unsigned char>& identity, bool nonBlocking = false)
      : RawPeer(ChannelNameOf(identity), nonBlocking) {
    if (Connected()) ChannelRing(InstanceNotePath().c_str());
  }
  explicit RawPeer(const std::string& name, bool nonBlocking = false) {
    fd = socket(AF_UNIX, SOCK_STREAM | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (name.empty() || name.size() >= sizeof address.sun_path - 1) {
      Close();
      return;
    }
    memcpy(address.sun_path + 1, name.data(), name.size());
    socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), size) != 0) Close();
  }
  ~RawPeer() { Close(); }
  RawPeer(const RawPeer&) = delete;
  RawPeer& operator=(const RawPeer&) = delete;
  bool Connected() const { return fd >= 0; }
  bool Send(const std::string& bytes) {
    return fd >= 0 &&
           send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  // The instance's answer: the offer byte, or 0 when it closed or said nothing in time.
  char Answer(double seconds = 10) {
    pollfd pfd = {fd, POLLIN, 0};
    char got = 0;
    if (fd < 0 || poll(&pfd, 1, static_cast<int>(seconds * 1000)) != 1 || recv(fd, &got, 1, 0) != 1)
      return 0;
    return got;
  }
  bool Confirm() { return fd >= 0 && send(fd, &kChannelConfirm, 1, MSG_NOSIGNAL) == 1; }
  void Close() {
    if (fd >= 0) close(fd);
    fd = -1;
  }
};

// Sends bytes as uid (0: as this process) and confirms an offer: returns the instance's
// answer ('O' when it offered to deliver the launch, 0 when it refused it). The child makes
// system calls only, as a child of a multithreaded process must.
inline char Exchange(const std::vector<unsigned char>& identity, const std::string& bytes,
                     uid_t uid) {
  int answer[2];
  std::string name = ChannelNameOf(identity);  // only the instance's user can find it
  if (pipe(answer) != 0) return '?';
  pid_t pid = fork();
  if (pid == 0) {
    if (uid != 0 && (setgid(uid) != 0 || setuid(uid) != 0)) _exit(1);
    RawPeer peer(name);
    char got = peer.Send(bytes) ? peer.Answer() : 0;
    if (got == kChannelOffer) peer.Confirm();
    if (write(answer[1], &got, 1) != 1) _exit(1);
    _exit(0);
  }
  close(answer[1]);
  char got = '?';
  pollfd reply = {answer[0], POLLIN, 0};  // rung meanwhile as the user's launches would
  for (int i = 0; i < 1000 && poll(&reply, 1, 20) == 0; ++i)
    ChannelRing(InstanceNotePath().c_str());
  if (read(answer[0], &got, 1) != 1) got = '?';
  close(answer[0]);
  waitpid(pid, nullptr, 0);
  return got;
}

// The count in the instance's summary line of refused or failed connections (0 when none).
inline int RefusedCount(const std::string& log) {
  const std::string tail = " connection(s) refused or failed in this run";
  size_t at = log.find(tail);
  if (at == std::string::npos) return 0;
  size_t start = log.rfind("[forward] ", at);
  return start == std::string::npos ? 0 : atoi(log.c_str() + start + 10);
}
