// Launches in hostile conditions: another user's lock on the machine-wide store's lock file
// delays a launch once and the game still plays with its record where it can be written; on a
// full disk one instance still plays alone.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>

#include "tests/support/launcher_run.h"

namespace {

// A process of user 65534 that holds a lock on path until it is killed: flock when offset is
// negative, else a lock of the type (read or write) on that byte. Returns its pid once the
// lock is held, or -1.
pid_t HoldAsNobody(const std::string& path, int offset, short type = F_RDLCK) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
    int fd = open(path.c_str(), type == F_WRLCK ? O_RDWR : O_RDONLY);
    struct flock lock = {type, SEEK_SET, offset, 1, 0};
    if (fd < 0 || (offset < 0 ? flock(fd, LOCK_SH) : fcntl(fd, F_SETLK, &lock)) != 0) _exit(1);
    if (write(ready[1], "x", 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(ready[1]);
  char byte;
  bool held = pid > 0 && read(ready[0], &byte, 1) == 1;  // a child that failed closed it
  close(ready[0]);
  return held ? pid : -1;
}

TEST(HostileStore, AnotherUsersLockDelaysALaunchOnce) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to hold the lock as another user";
  struct Case {
    const char* name;
    const char* suffix;  // the store's file the other user locks
    int offset;          // -1: flock
    int recordedIn;      // the scope that holds the game's record: the one still writable
  };
  const Case cases[] = {
      {"flock on the lock file", "/.lock", -1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LauncherWorld lw;
    // A first launch as root leaves the store with its lock file, as every user sees it.
    ASSERT_EQ(lw.Launch({}, lw.world.Path("record-0"), {{"QRN_TEST_RUN_MS", "0"}}).exitCode, 0);
    pid_t holder = HoldAsNobody(lw.world.SystemPrefs() + c.suffix, c.offset);
    ASSERT_GT(holder, 0);

    std::string ready = lw.world.Path("ready");
    std::string record = lw.world.Path("record");
    auto start = std::chrono::steady_clock::now();
    BackgroundLaunch launch;
    launch.Start(lw, {}, record, {{"QRN_TEST_RUN_MS", "2000"}, {"QRN_TEST_READY_FILE", ready}});
    EXPECT_TRUE(WaitForFile(ready, 60));
    EXPECT_EQ(lw.Stored(c.recordedIn), IdentityText(RecordedPid(record)));
    launch.Join();
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);

    EXPECT_EQ(launch.result.exitCode, 0) << launch.result.err;
    EXPECT_EQ(Count(record, "qrnRun"), 1);
    // One wait of about 2 s for the holder, not one per store call (about 40 s before).
    EXPECT_LT(seconds, 30.0);
    std::string log = lw.LogText();
    const std::string held = "[guard] Another process holds the machine-wide preference store";
    size_t first = log.find(held);
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find(held, first + 1), std::string::npos) << log;
  }
}

// Another user's lock on instance.lock, in a data folder and file left open to others as a
// launch under umask 022 or 000 used to make them, never stops the player: the launch closes
// the folder to others and claims a file of its own. With nothing there before, a launch under
// umask 000 makes the folder and its files the user's alone, so no other user can lock them.
TEST(HostileStore, AnotherUsersLockOnTheInstanceFileNeverStopsAPlayer) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to hold the lock as another user";
  struct Case {
    const char* name;
    mode_t folderMode;  // 0: nothing there before the launch
    mode_t fileMode;
    short lock;
  };
  const Case cases[] = {
      {"read lock, left by umask 022", 0755, 0644, F_RDLCK},
      {"write lock, left by umask 000", 0777, 0666, F_WRLCK},
      {"nothing left before", 0, 0, F_WRLCK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LauncherWorld lw;
    const std::string folder = lw.world.DataHome() + "/Quillfen/" + kAppName;
    const std::string lock = folder + "/instance.lock";
    pid_t holder = -1;
    if (c.folderMode) {
      MakeDirs(folder);
      ASSERT_EQ(chmod(folder.c_str(), c.folderMode), 0);
      WriteFile(lock, "", c.fileMode);
      ASSERT_EQ(chmod(lock.c_str(), c.fileMode), 0);
      holder = HoldAsNobody(lock, 0, c.lock);
      ASSERT_GT(holder, 0);
    }
    const std::string record = lw.world.Path("record");
    ProcessResult r = RunProcess({"sh", "-c", "umask 000; exec \"$0\"", lw.bundle.exe},
                                 lw.Options(record, {{"QRN_TEST_RUN_MS", "0"}}));
    if (holder > 0) {
      kill(holder, SIGKILL);
      waitpid(holder, nullptr, 0);
    }
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Count(record, "qrnRun"), 1);
    const std::pair<std::string, mode_t> made[] = {
        {lw.world.DataHome() + "/Quillfen", c.folderMode ? 0755 : 0700},
        {folder, 0700},
        {lock, 0600},
        {lw.world.LauncherLog(kAppName), 0600}};
    for (const auto& [path, mode] : made) {
      struct stat st;
      ASSERT_EQ(stat(path.c_str(), &st), 0) << path;
      EXPECT_EQ(st.st_mode & 07777, mode) << path;
    }
    EXPECT_EQ(HoldAsNobody(lock, 0, c.lock), -1);
  }
}

// The data folder and both stores on a full file system: no record can be written, yet a
// second launch does not play beside the first.
TEST(HostileStore, FullDiskStillPlaysOneInstance) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a small file system";
  LauncherWorld lw;
  std::string full = lw.world.Path("full");
  MakeDirs(full);
  if (mount("qfn-full", full.c_str(), "tmpfs", 0, "size=256k") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here";
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{full};
  {
    std::ofstream filler(full + "/filler", std::ios::binary);
    std::string block(4096, 'x');
    while (filler.write(block.data(), block.size()) && filler.flush()) {
    }
  }
  const EnvList onFullDisk = {{"XDG_DATA_HOME", full + "/data"},
                              {"XDG_CONFIG_HOME", full + "/config"},
                              {"QFN_SYSTEM_PREFS", full + "/system"}};
  EnvList first = onFullDisk;
  std::string ready = lw.world.Path("ready");
  first.insert(first.end(), {{"QRN_TEST_RUN_MS", "60000"},
                             {"QRN_TEST_RUN_QUIT_EVENTS", "1"},
                             {"QRN_TEST_READY_FILE", ready}});
  BackgroundLaunch a;
  a.Start(lw, {}, lw.world.Path("record-a"), first);
  ASSERT_TRUE(WaitForFile(ready, 60));
  EnvList second = onFullDisk;
  second.push_back({"QRN_TEST_RUN_MS", "0"});
  std::string recordB = lw.world.Path("record-b");
  lw.Launch({}, recordB, second);
  kill(static_cast<pid_t>(RecordedPid(lw.world.Path("record-a"))), SIGTERM);  // ends its run
  a.Join();
  EXPECT_EQ(Count(lw.world.Path("record-a"), "qrnRun"), 1);
  EXPECT_EQ(EngineEntries(ReadEngineRecord(recordB)), std::vector<std::string>{"qrnGetAppName"});
}

}  // namespace
