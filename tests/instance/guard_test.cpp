// The one case of the instance check that a separate launcher process cannot reach: a record
// naming this very process (left behind when a removal failed) is not another instance.
#include <gtest/gtest.h>

#include <string>

#include "launcher/instance_guard.h"
#include "platform/prefs.h"
#include "platform/process.h"
#include "state/state.h"
#include "tests/support/temp_world.h"
#include "util/hex.h"
#include "util/strbuf.h"

namespace {

TEST(Guard, OwnRecordDoesNotCountAsAnotherInstance) {
  TempWorld world;
  world.Apply();
  StrCopy(g_AppNameLong, "Guard Game");
  unsigned char own[8];
  ASSERT_EQ(CurrentProcessIdentity(own), 1);
  char text[17];
  ASSERT_EQ(BytesToHex(own, 8, text, sizeof text), 1);
  for (int anyUser : {1, 0}) {
    SCOPED_TRACE(anyUser);
    RemoveSystemPreference(1, g_AppNameLong, "PSN");
    ASSERT_EQ(SetSystemPreference(anyUser, g_AppNameLong, "PSN", text), 1);
    g_HaveLock = 0;
    EXPECT_EQ(AlreadyRunning(), 0);
    EXPECT_EQ(g_HaveLock, 1);
    const char* stored = GetSystemPreference(1, g_AppNameLong, "PSN", nullptr);
    EXPECT_STREQ(stored ? stored : "<none>", text);
    ReleaseInstanceRecord();
    EXPECT_EQ(GetSystemPreference(1, g_AppNameLong, "PSN", nullptr), nullptr);
    EXPECT_EQ(GetSystemPreference(0, g_AppNameLong, "PSN", nullptr), nullptr);
  }
}

}  // namespace
