// A user who may write the folder holding an installation's prefix swaps the prefix with a
// link to another installation while root uninstalls: nothing of the other installation goes.
// The swap is made at a known moment, while the uninstaller waits for a desktop cache tool
// between two records, so the scenario does not depend on the scheduler.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/launcher_run.h"

namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
const char* const kListed[] = {"share/a.dat", "share/b.dat", "share/c.sav"};

// The same files under both prefixes, so that a removal led through the link finds its name.
void LayPrefix(const std::string& prefix) {
  MakeDirs(prefix + "/share/applications");
  MakeDirs(prefix + "/share/waiting");
  WriteFile(prefix + "/share/applications/g.desktop", "x");
  // Another program's entry keeps the cache listing something, so its tool runs.
  WriteFile(prefix + "/share/applications/other.desktop", "x");
  for (const char* file : kListed) WriteFile(prefix + "/" + file, "x");
}

int Present(const std::string& prefix) {
  int present = 0;
  for (const char* file : kListed) present += FileExists(prefix + "/" + file);
  return present;
}

// A child running as nobody in the shared folder: once the cache tool runs, it swaps "prefix"
// with "link" and says so.
pid_t StartSwapper(const std::string& shared) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  if (chdir(shared.c_str()) != 0 || setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 ||
      setuid(kNobody) != 0)
    _exit(2);
  for (int i = 0; i < 100000 && access("tool-runs", F_OK) != 0; ++i) usleep(100);
  int swapped = renameat2(AT_FDCWD, "prefix", AT_FDCWD, "link", RENAME_EXCHANGE) == 0;
  close(open("swapped", O_CREAT | O_WRONLY, 0644));
  _exit(swapped ? 0 : 1);
}

TEST(UninstallRace, PrefixSwappedForALinkLeadsNowhereElse) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to run the swapping user apart";
  LauncherWorld lw;
  lw.world.FakeTool("zenity", {"0", "0"});
  const std::string shared = lw.world.Path("shared");
  const std::string prefix = shared + "/prefix";
  const std::string other = lw.world.Path("other");
  Bundle game = MakeBundle(lw.world, TestEngineLibrary(), "shared/prefix/game");
  LayPrefix(prefix);
  LayPrefix(other);
  ASSERT_EQ(chown(shared.c_str(), kNobody, kNobody), 0);
  fs::create_directory_symlink(other, shared + "/link");
  // The desktop entry's removal makes the uninstaller run its cache tool before the folder
  // record; every record after that is resolved once the prefix has been swapped.
  WriteFile(game.resources + "/uninstall.log",
            "Prefix:" + prefix + "\nGame:" + game.root + "\nFile:" + prefix +
                "/share/applications/g.desktop\nFolder:" + prefix + "/share/waiting\nFile:" +
                prefix + "/share/a.dat\nFile:" + prefix + "/share/b.dat\nPattern:" + prefix +
                "/share:*.sav\n");
  WriteFile(lw.world.BinDir() + "/update-desktop-database",
            "#!/bin/sh\ncd '" + shared + "' && touch tool-runs\n"
            "for i in $(seq 500); do [ -e swapped ] && exit 0; sleep 0.01; done\n",
            0755);

  pid_t swapper = StartSwapper(shared);
  ASSERT_GT(swapper, 0);
  ProcessResult result = RunProcess({game.exe, "-Uninstall"}, lw.Options(lw.world.Path("record")));
  int status = -1;
  if (waitpid(swapper, &status, WNOHANG) == 0) kill(swapper, SIGKILL);
  waitpid(swapper, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the swap was not made";

  EXPECT_EQ(Present(other), 3);
  EXPECT_TRUE(FileExists(other + "/share/applications/g.desktop"));
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Present(shared + "/link"), 0);
}

}  // namespace
