// Process identity: the 8-byte layout, and liveness of this process, of children that are
// running, zombie or gone, and of a reused process id.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/process.h"
#include "tests/instance/child_process.h"
#include "util/hex.h"
#include "util/process_identity.h"

namespace {

unsigned long Word(const unsigned char* bytes) {
  return (static_cast<unsigned long>(bytes[0]) << 24) |
         (static_cast<unsigned long>(bytes[1]) << 16) |
         (static_cast<unsigned long>(bytes[2]) << 8) | static_cast<unsigned long>(bytes[3]);
}

std::string Hex(const unsigned char identity[8]) {
  char text[17];
  if (!BytesToHex(identity, 8, text, sizeof text)) return "";
  return text;
}

TEST(ProcessIdentity, LayoutIsStartTimeThenPidBigEndian) {
  struct Case {
    unsigned long long ticks;
    long pid;
    const char* text;
  };
  const Case cases[] = {
      {123456, 4242, "0001E24000001092"},
      {0x100000000ull + 123456, 4242, "0001E24000001092"},  // only the low 32 bits count
      {0, 1, "0000000000000001"},
      {0xFFFFFFFFull, 0x7FFFFFFF, "FFFFFFFF7FFFFFFF"},
  };
  for (const Case& c : cases) {
    unsigned char identity[8];
    PackProcessIdentity(c.ticks, c.pid, identity);
    EXPECT_EQ(Hex(identity), c.text);
  }
}

TEST(ProcessIdentity, OwnProcessIsAliveAndCarriesItsPid) {
  unsigned char identity[8];
  ASSERT_EQ(CurrentProcessIdentity(identity), 1);
  EXPECT_EQ(Word(identity + 4), static_cast<unsigned long>(getpid()));
  EXPECT_EQ(ProcessIdentityIsAlive(identity), 1);
  unsigned char again[8];
  ASSERT_EQ(CurrentProcessIdentity(again), 1);
  EXPECT_EQ(memcmp(identity, again, 8), 0);
}

TEST(ProcessIdentity, SamePidWithAnotherStartTimeIsNotAlive) {
  unsigned char identity[8];
  ASSERT_EQ(CurrentProcessIdentity(identity), 1);
  for (int byte = 0; byte < 4; ++byte) {
    unsigned char other[8];
    memcpy(other, identity, 8);
    other[byte] ^= 0x01;
    EXPECT_EQ(ProcessIdentityIsAlive(other), 0) << "start time byte " << byte;
  }
}

TEST(ProcessIdentity, ImpossiblePidsAreNotAlive) {
  unsigned char identity[8];
  ASSERT_EQ(CurrentProcessIdentity(identity), 1);
  const long pids[] = {0, static_cast<long>(INT_MAX) + 1, 0xFFFFFFFFl};
  for (long pid : pids) {
    unsigned char other[8];
    PackProcessIdentity(0, pid, other);
    memcpy(other, identity, 4);
    EXPECT_EQ(ProcessIdentityIsAlive(other), 0) << pid;
  }
}

TEST(ProcessIdentity, ChildIsAliveUntilItEnds) {
  ChildProcess child;
  ASSERT_TRUE(child.ok);
  unsigned char mine[8];
  ASSERT_EQ(CurrentProcessIdentity(mine), 1);
  EXPECT_NE(memcmp(mine + 4, child.identity + 4, 4), 0);
  EXPECT_EQ(ProcessIdentityIsAlive(child.identity), 1);

  pid_t pid = child.pid;
  child.Finish(false);
  // Wait until the child has exited but is not yet reaped: a zombie.
  siginfo_t info;
  ASSERT_EQ(waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT), 0);
  EXPECT_EQ(ProcessIdentityIsAlive(child.identity), 0) << "zombie";
  child.Reap();
  EXPECT_EQ(ProcessIdentityIsAlive(child.identity), 0) << "reaped";
}

// A child forked after this process has looked up its own identity gets its own.
TEST(ProcessIdentity, ForkedChildGetsItsOwnIdentity) {
  unsigned char mine[8];
  ASSERT_EQ(CurrentProcessIdentity(mine), 1);
  ChildProcess child;
  ASSERT_TRUE(child.ok);
  EXPECT_EQ(Word(child.identity + 4), static_cast<unsigned long>(child.pid));
  EXPECT_EQ(ProcessIdentityIsAlive(child.identity), 1);
  unsigned char again[8];
  ASSERT_EQ(CurrentProcessIdentity(again), 1);
  EXPECT_EQ(memcmp(mine, again, 8), 0);
}

TEST(ProcessIdentity, CommandNameWithParenthesesAndSpaces) {
  const char* names[] = {"a) R 1 2 3", ") (", "x y) Z 9"};
  for (const char* name : names) {
    ChildProcess child(name);
    ASSERT_TRUE(child.ok) << name;
    EXPECT_EQ(ProcessIdentityIsAlive(child.identity), 1) << name;
    ChildProcess reference;
    ASSERT_TRUE(reference.ok);
    // Both children started just now: their start times are close, not scrambled by the
    // name (a miscounted field would read some other number entirely).
    EXPECT_LE(Word(reference.identity) - Word(child.identity), 1000ul) << name;
  }
}

}  // namespace
