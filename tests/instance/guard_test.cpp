// The single-instance check in this process against a temporary preference store: which
// record counts as a running instance, where the claim is written, and the release.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "launcher/instance_guard.h"
#include "launcher/state.h"
#include "platform/linux/os.h"
#include "platform/prefs.h"
#include "tests/instance/child_process.h"
#include "tests/support/temp_world.h"
#include "util/hex.h"
#include "util/strbuf.h"

namespace {

const char kNone[] = "<none>";

std::string Hex(const unsigned char identity[8]) {
  char text[17];
  return BytesToHex(identity, 8, text, sizeof text) ? text : "";
}

std::string Stored(int anyUser) {
  const char* value = GetSystemPreference(anyUser, g_AppNameLong, "PSN", nullptr);
  return value ? value : kNone;
}

void Store(int anyUser, const std::string& text) {
  if (text != kNone) {
    ASSERT_EQ(SetSystemPreference(anyUser, g_AppNameLong, "PSN", text.c_str()), 1);
  }
}

class Guard : public ::testing::Test {
 protected:
  void SetUp() override {
    world.Apply();
    StrCopy(g_AppNameLong, "Guard Game");
    g_HaveLock = 0;
    ASSERT_TRUE(live.ok);
    ASSERT_EQ(OsCurrentProcessIdentity(own), 1);
    ChildProcess gone;
    ASSERT_TRUE(gone.ok);
    gone.Finish();
    dead = Hex(gone.identity);
  }
  std::string Own() const { return Hex(own); }
  std::string Live() const { return Hex(live.identity); }

  TempWorld world;
  ChildProcess live;
  unsigned char own[8] = {};
  std::string dead;
};

TEST_F(Guard, WhichRecordCountsAndWhereTheClaimGoes) {
  std::string live = Live();
  std::string lower = live;
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  std::string ownLaterStart = Own();
  ownLaterStart[7] = ownLaterStart[7] == '0' ? '1' : '0';
  const std::string kSelf = "<self>";
  struct Case {
    const char* name;
    std::string anyUser, currentUser;
    int running;
    std::string anyAfter, currentAfter;  // kSelf: this process's identity
  };
  const Case cases[] = {
      {"no record", kNone, kNone, 0, kSelf, kNone},
      {"live any-user", live, kNone, 1, live, kNone},
      {"live current-user", kNone, live, 1, kNone, live},
      {"lower-case digits", lower, kNone, 1, lower, kNone},
      {"any-user first", dead, live, 0, kSelf, live},
      {"dead any-user", dead, kNone, 0, kSelf, kNone},
      {"dead current-user", kNone, dead, 0, kSelf, dead},
      {"15 characters", live.substr(0, 15), kNone, 0, kSelf, kNone},
      {"17 characters", live + "0", live, 0, kSelf, live},
      {"0x prefix", "0x" + live.substr(2), kNone, 0, kSelf, kNone},
      {"not hex", live.substr(0, 15) + "G", kNone, 0, kSelf, kNone},
      {"pid reused", ownLaterStart, kNone, 0, kSelf, kNone},
      {"this process", Own(), kNone, 0, kSelf, kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveSystemPreference(1, g_AppNameLong, "PSN");
    RemoveSystemPreference(0, g_AppNameLong, "PSN");
    Store(1, c.anyUser);
    Store(0, c.currentUser);
    g_HaveLock = 0;
    EXPECT_EQ(AlreadyRunning(), c.running);
    EXPECT_EQ(g_HaveLock, c.running ? 0 : 1);
    EXPECT_EQ(Stored(1), c.anyAfter == kSelf ? Own() : c.anyAfter);
    EXPECT_EQ(Stored(0), c.currentAfter == kSelf ? Own() : c.currentAfter);
  }
}

TEST_F(Guard, AnyUserScopeUnusableFallsBackToCurrentUser) {
  // A store path through a plain file cannot be opened or created, even by root.
  std::string blocker = world.Path("blocker");
  WriteFile(blocker, "x");
  setenv("QFN_SYSTEM_PREFS", (blocker + "/preferences.db").c_str(), 1);

  EXPECT_EQ(AlreadyRunning(), 0);
  EXPECT_EQ(g_HaveLock, 1);
  EXPECT_EQ(Stored(1), kNone);
  EXPECT_EQ(Stored(0), Own());

  Store(0, Live());
  EXPECT_EQ(AlreadyRunning(), 1);
}

TEST_F(Guard, ReleaseEmptiesBothScopes) {
  Store(1, Live());
  Store(0, dead);
  ReleaseInstanceRecord();
  EXPECT_EQ(Stored(1), kNone);
  EXPECT_EQ(Stored(0), kNone);

  ASSERT_EQ(AlreadyRunning(), 0);
  ASSERT_EQ(Stored(1), Own());
  ReleaseInstanceRecord();
  EXPECT_EQ(Stored(1), kNone);
  // The record of another application is left alone.
  ASSERT_EQ(SetSystemPreference(1, "Other Game", "PSN", Live().c_str()), 1);
  ReleaseInstanceRecord();
  const char* other = GetSystemPreference(1, "Other Game", "PSN", nullptr);
  EXPECT_EQ(other ? std::string(other) : kNone, Live());
}

}  // namespace
