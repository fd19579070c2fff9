// The instance channel's bell, both ends in this process: what a ring makes the instance look
// for, a file that holds no bell, and another user's connections filling the backlog.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/instance_channel.h"
#include "platform/process.h"
#include "tests/instance/launch_bytes.h"
#include "tests/support/temp_world.h"

namespace {

int Anything(const char*) {
  return 1;
}

// Listening, the name published in a claimed file, or in one opened to write alone, whose bell
// cannot be read: no bell is watched then.
struct Listening {
  TempWorld world;
  std::string note = world.Path("instance.lock");
  unsigned char identity[8] = {};
  int claim = -1;
  char name[108] = "";
  explicit Listening(bool bell) {
    int held = 0;
    claim = bell ? ClaimFile(note.c_str(), &held)
                 : open(note.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    char reason[160];
    EXPECT_TRUE(ChannelListen(reason, sizeof reason)) << reason;
    EXPECT_TRUE(ChannelPublish(claim));
    EXPECT_TRUE(CurrentProcessIdentity(identity));
    EXPECT_TRUE(ChannelListenerName(note.c_str(), identity, name, sizeof name));
  }
  ~Listening() {
    ChannelClose();
    ReleaseFileClaim(claim);
  }
};

// A connection that sends these bytes and never rings; -1 when it cannot connect.
int Connect(const char* name, const std::string& bytes) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  memcpy(address.sun_path + 1, name, strlen(name));
  socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + strlen(name));
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size())) {
    close(fd);
    return -1;
  }
  return fd;
}

bool Offered(int fd) {
  pollfd pfd = {fd, POLLIN, 0};
  char got = 0;
  return fd >= 0 && poll(&pfd, 1, 5000) == 1 && recv(fd, &got, 1, 0) == 1 && got == kChannelOffer;
}

TEST(ChannelBell, ConnectionsAreLookedForWhenABellRingsOrNoBellIsWatched) {
  for (bool bell : {true, false}) {
    SCOPED_TRACE(bell ? "a bell" : "no bell");
    Listening listening(bell);
    EXPECT_EQ(ChannelWithoutBell(), !bell);
    ChannelFailures failures = {};
    ChannelServe(Anything, &failures);  // the first look, which finds nobody
    int silent = Connect(listening.name, LaunchBytes({"OpenFile|/silent.sav"}));
    ASSERT_GE(silent, 0);
    int ringing = -1;
    if (bell) {
      EXPECT_EQ(ChannelHasWork(), 0);  // nobody rang: no look, no system call
      ringing = Connect(listening.name, LaunchBytes({"OpenFile|/ringing.sav"}));
      ASSERT_TRUE(ChannelRing(listening.note.c_str()));
      pid_t child = fork();  // as an engine may: the child serves nothing of the instance's
      if (child == 0) _exit(ChannelHasWork());
      int status = -1;
      EXPECT_EQ(waitpid(child, &status, 0), child);
      EXPECT_EQ(status, 0);
    }
    EXPECT_EQ(ChannelHasWork(), 1);
    ChannelServe(Anything, &failures);
    EXPECT_TRUE(Offered(silent));
    EXPECT_EQ(Offered(ringing), bell);
    close(silent);
    if (ringing >= 0) close(ringing);
  }
}

// Another user's connections fill the backlog and never ring (only the user can): a launch of
// the user's that finds the backlog full rings, and the instance refuses them until it has
// room for the launch.
TEST(ChannelBell, AnotherUsersFullBacklogDoesNotLockTheUserOut) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to connect as another user";
  Listening listening(true);
  ChannelFailures failures = {};
  ChannelServe(Anything, &failures);  // the first look, which finds nobody
  int filled[2];
  ASSERT_EQ(pipe(filled), 0);
  pid_t stranger = fork();
  if (stranger == 0) {  // system calls only, as a child of a multithreaded process must
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
    for (int i = 0; i < 1000 && Connect(listening.name, "") >= 0; ++i) {
    }
    if (write(filled[1], "f", 1) != 1) _exit(1);
    pause();
  }
  char f = 0;
  ASSERT_EQ(read(filled[0], &f, 1), 1);
  std::atomic<int> sent{-1};
  std::thread launch([&] {
    const char* messages[] = {"OpenFile|/own.sav"};
    char reason[160];
    sent = ChannelSend(listening.identity, listening.note.c_str(), messages, 1, 5, reason,
                       sizeof reason);
  });
  char texts[kChannelMaxLaunchBytes];
  while (sent < 0) {  // the launch's deadlines bound it
    if (ChannelHasWork() && ChannelServe(Anything, &failures) && ChannelTake(texts, sizeof texts))
      ChannelDelivered();
    usleep(1000);
  }
  launch.join();
  kill(stranger, SIGKILL);
  waitpid(stranger, nullptr, 0);
  EXPECT_EQ(sent, kChannelSent);
  EXPECT_GT(failures.count, 0);
}

}  // namespace
