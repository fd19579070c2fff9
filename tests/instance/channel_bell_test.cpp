// The instance channel's bell, both ends in this process.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "launcher/forwarding.h"
#include "platform/files.h"
#include "platform/process.h"
#include "tests/instance/running_instance.h"

namespace {

// Listening, the name published in a claimed file, or in one opened to write alone, whose bell
// cannot be read; the first look, which finds nobody, taken.
struct Listening {
  TempWorld world;
  std::string note = world.Path("instance.lock");
  unsigned char identity[8] = {};
  int claim = -1;
  char name[108] = "";
  ChannelFailures failures = {};
  explicit Listening(bool bell) {
    int held = 0;
    claim = bell ? ClaimFile(note.c_str(), &held) : open(note.c_str(), O_WRONLY | O_CREAT, 0600);
    EXPECT_TRUE(ChannelListen(name, sizeof name) && ChannelPublish(claim) &&
                CurrentProcessIdentity(identity) &&
                ChannelListenerName(note.c_str(), identity, name, sizeof name));
    ChannelServe(IsForwardableMessage, &failures);
  }
  ~Listening() {
    ChannelClose();
    ReleaseFileClaim(claim);
  }
};

TEST(ChannelBell, ConnectionsAreLookedForWhenABellRingsOrNoBellIsWatched) {
  for (bool bell : {true, false}) {
    SCOPED_TRACE(bell ? "a bell" : "no bell");
    Listening listening(bell);
    EXPECT_EQ(ChannelWithoutBell(), !bell);
    RawPeer silent{std::string(listening.name)};  // the name alone: it never rings
    ASSERT_TRUE(silent.Send(LaunchBytes({"OpenFile|/silent.sav"})));
    if (bell) {
      EXPECT_EQ(ChannelHasWork(), 0);  // nobody rang: no look, no system call
      ASSERT_TRUE(ChannelRing(listening.note.c_str()));
    }
    EXPECT_EQ(ChannelHasWork(), 1);
    ChannelServe(IsForwardableMessage, &listening.failures);
    EXPECT_EQ(silent.Answer(5), kChannelOffer);
  }
}

TEST(ChannelBell, AnotherUsersFullBacklogDoesNotLockALaunchOut) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to connect as another user";
  Listening listening(true);
  pid_t stranger = fork();
  if (stranger == 0) {  // connections that cannot ring, left in the backlog
    if (setgid(65534) == 0 && setuid(65534) == 0)
      for (int i = 0; i < 1000 && (new RawPeer(std::string(listening.name), true))->Connected();
           ++i) {
      }
    _exit(0);
  }
  ASSERT_EQ(waitpid(stranger, nullptr, 0), stranger);
  std::atomic<int> sent{-1};
  std::thread launch([&] {
    const char* messages[] = {"OpenFile|/own.sav"};
    sent = ChannelSend(listening.identity, listening.note.c_str(), messages, 1, 5, listening.name,
                       sizeof listening.name);
  });
  for (char texts[kChannelMaxLaunchBytes]; sent < 0; usleep(1000))  // the launch's deadlines
    if (ChannelServe(IsForwardableMessage, &listening.failures) && ChannelTake(texts, sizeof texts))
      ChannelDelivered();
  launch.join();
  EXPECT_EQ(sent, kChannelSent);
  EXPECT_GT(listening.failures.count, 0);  // the other user's connections, refused
}

// A mapping holds its file open, and with it the file's locks: the bell's must not keep a
// claim alive that was released with the channel still listening (as between two runs), nor
// through a child forked from the instance (which has closed the claim once it answers).
TEST(ChannelBell, AReleasedClaimLeavesItsFileFree) {
  for (bool forkedChild : {false, true}) {
    SCOPED_TRACE(forkedChild ? "a forked child lives" : "no child");
    Listening listening(true);
    int answer[2];
    ASSERT_EQ(pipe(answer), 0);
    pid_t child = forkedChild ? fork() : -1;
    if (child == 0) _exit(write(answer[1], "", 1) == 1 && pause());
    char byte;
    ASSERT_TRUE(child < 0 || read(answer[0], &byte, 1) == 1);
    ReleaseFileClaim(listening.claim);
    int held = 1;
    listening.claim = ClaimFile(listening.note.c_str(), &held);
    EXPECT_TRUE(listening.claim >= 0 && held == 0);
    if (child > 0 && kill(child, SIGKILL) == 0) waitpid(child, nullptr, 0);
    close(answer[0]);
    close(answer[1]);
  }
}

}  // namespace
