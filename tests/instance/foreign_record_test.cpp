// A record in the any-user store that names a live process never decides wrongly: one naming
// a process of another program is stale and the launch plays; one naming another user's game
// ends the launch with that true reason, its messages logged as not delivered.
#include <gtest/gtest.h>

#include <string>

#include "tests/instance/lookalike.h"
#include "tests/support/launcher_run.h"

namespace {

TEST(ForeignRecord, DecidesOnlyForThisProgramAndUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to run a process as another user";
  const struct {
    const char* name;
    bool otherUsersGame;  // else pid 1, a process of another program
    int exitCode;
    const char* line;  // in the log
  } cases[] = {
      {"another program's process", false, 0, "[main] Running\n"},
      {"another user's game", true, kExitNotForwarded,
       "[forward] the game runs as another user, and one instance plays per machine\n"
       "[forward] not delivered to the running instance: OpenFile|/docs/a.sav\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LauncherWorld lw;
    Lookalike otherUsers(true);
    pid_t holder = c.otherUsersGame ? otherUsers.pid : 1;
    ASSERT_GT(holder, 0);
    lw.Store(1, IdentityText(holder));
    ProcessResult result = lw.Launch({"-psn_desktop", "/docs/a.sav"}, lw.world.Path("record"));
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_NE(lw.LogText().find(c.line), std::string::npos) << lw.LogText();
  }
}

}  // namespace
