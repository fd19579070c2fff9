// The preference store under faults: what is not a value file where the store expects one,
// the store's lock held by another process, two processes writing at once, stray temporary
// files, an any-user store the user may not write, and the modes of what the store makes.
// The other processes are prefs_tool, started with this world's environment.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/prefs.h"
#include "tests/prefs/store_files.h"
#include "tests/support/temp_world.h"

namespace {

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Starts prefs_tool with this process's environment; its standard output goes to *out.
pid_t StartTool(const std::vector<std::string>& args, int* out) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], 1);
    close(pipeFds[0]);
    close(pipeFds[1]);
    std::vector<char*> argv = {const_cast<char*>(QFN_PREFS_TOOL)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  *out = pipeFds[0];
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class PrefsFaultTest : public ::testing::Test {
 protected:
  void SetUp() override { world.Apply(false); }
  TempWorld world;
};

// Another process holding the store's lock delays a lock taker about 2 s once; later takers
// of this process do not wait, and reads and writes of the store never wait for the lock.
TEST_F(PrefsFaultTest, HeldLockWaitsAboutTwoSecondsOnceAndNeverDelaysValues) {
  MakeDirs(world.ConfigHome() + "/Quillfen");
  for (int anyUser : {1, 0}) {
    SCOPED_TRACE(anyUser);
    ASSERT_EQ(1, SetSystemPreference(anyUser, "Big Game", "PSN", "old"));
    int out = -1;
    pid_t holder = StartTool({"lock", std::to_string(anyUser), "20"}, &out);
    ASSERT_GT(holder, 0);
    char line[16] = {};
    ASSERT_GT(read(out, line, sizeof line - 1), 0);
    ASSERT_STREQ("locked\n", line);
    EXPECT_EQ(0, PrefStoreHeldByOthers(anyUser));
    double start = Now();
    EXPECT_EQ(-1, LockPrefStore(anyUser, 2.0));
    double waited = Now() - start;
    EXPECT_GE(waited, 1.5);
    EXPECT_LT(waited, 10.0);
    EXPECT_EQ(1, PrefStoreHeldByOthers(anyUser));
    start = Now();
    EXPECT_EQ(-1, LockPrefStore(anyUser, 2.0));
    EXPECT_EQ(1, SetSystemPreference(anyUser, "Big Game", "PSN", "new"));
    EXPECT_STREQ("new", GetSystemPreference(anyUser, "Big Game", "PSN", nullptr));
    EXPECT_LT(Now() - start, 1.0);
    kill(holder, SIGKILL);
    Wait(holder);
    close(out);
    int handle = LockPrefStore(anyUser, 2.0);
    EXPECT_GE(handle, 0);
    UnlockPrefStore(handle);
  }
}

TEST_F(PrefsFaultTest, ConcurrentWritersLoseNothing) {
  int outA = -1, outB = -1;
  pid_t a = StartTool({"fill", "1", "Big Game", "a", "500"}, &outA);
  pid_t b = StartTool({"fill", "1", "Big Game", "b", "500"}, &outB);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  EXPECT_EQ(0, Wait(a));
  EXPECT_EQ(0, Wait(b));
  close(outA);
  close(outB);
  // A thousand whole values and not one temporary file left behind.
  std::string folder = KeyFile(world.SystemPrefs(), "com.quillfen.Big Game", "");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    EXPECT_NE('.', entry.path().filename().string()[0]) << entry.path();
    ++files;
  }
  EXPECT_EQ(1000, files);
  for (int n : {0, 1, 250, 499}) {
    for (const char* prefix : {"a", "b"}) {
      std::string key = prefix + std::to_string(n);
      EXPECT_EQ(std::to_string(n), GetSystemPreference(1, "Big Game", key.c_str(), ""));
    }
  }
}

TEST_F(PrefsFaultTest, AnyUserStoreNotWriteableFallsToCurrentUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the tool as another user";
  ASSERT_EQ(1, SetSystemPreference(1, "Big Game", "PSN", "root"));
  // The tool and a current-user folder that the unprivileged user can reach and write.
  std::string tool = world.Path("prefs_tool");
  WriteFile(tool, ReadFile(QFN_PREFS_TOOL), 0755);
  std::string config = world.Path("nobody-config");
  MakeDirs(config);
  ASSERT_EQ(0, chown(config.c_str(), 65534, 65534));

  ProcessOptions options = world.ChildOptions(false);
  options.env.push_back({"XDG_CONFIG_HOME", config});
  auto asNobody = [&](std::vector<std::string> args) {
    std::vector<std::string> argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                     tool};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, options);
  };
  ProcessResult r = asNobody({"set", "1", "Big Game", "PSN", "nobody"});
  EXPECT_EQ(1, r.exitCode) << r.err;
  r = asNobody({"get", "1", "Big Game", "PSN"});
  EXPECT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ("root", r.out);
  r = asNobody({"set", "0", "Big Game", "PSN", "nobody"});
  EXPECT_EQ(0, r.exitCode) << r.err;
  r = asNobody({"get", "0", "Big Game", "PSN"});
  EXPECT_EQ("nobody", r.out);
  EXPECT_STREQ("root", GetSystemPreference(1, "Big Game", "PSN", nullptr));

  // A value the user may not read at all reads as absent.
  ASSERT_EQ(0, chmod(KeyFile(world.SystemPrefs(), "com.quillfen.Big Game", "PSN").c_str(), 0600));
  r = asNobody({"get", "1", "Big Game", "PSN"});
  EXPECT_EQ(1, r.exitCode) << r.err;
  EXPECT_EQ("", r.out);
}

// The folders and files a store makes have the scope's mode whatever the creation mask: the
// any-user store's must never become writeable by others (umask 000) nor unreadable to them
// (umask 077), the user's own never readable by others.
TEST_F(PrefsFaultTest, StoreFoldersAndFilesGetTheirScopesModeWhateverTheMask) {
  struct Case {
    int anyUser;
    mode_t mask;
    mode_t expected;  // folders
    mode_t file;
  };
  const Case cases[] = {
      {1, 000, 0755, 0644}, {1, 077, 0755, 0644}, {0, 000, 0700, 0600}, {0, 022, 0700, 0600}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "any user " << c.anyUser << ", mask 0" << std::oct << c.mask);
    TempWorld fresh;
    fresh.Apply(false);
    const std::string top = c.anyUser ? fresh.Path("var") : fresh.ConfigHome();
    setenv("QFN_SYSTEM_PREFS", (top + "/Quillfen").c_str(), 1);
    mode_t old = umask(c.mask);
    int written = SetSystemPreference(c.anyUser, "Big Game", "PSN", "x");
    umask(old);
    ASSERT_EQ(1, written);
    const std::string store = top + "/Quillfen";
    const std::string domain = KeyFile(store, "com.quillfen.Big Game", "");
    for (const std::string& folder : {top, store, store + "/" + ThisHost(), domain}) {
      struct stat st;
      ASSERT_EQ(0, stat(folder.c_str(), &st)) << folder;
      EXPECT_EQ(c.expected, st.st_mode & 07777) << folder;
    }
    struct stat st;
    ASSERT_EQ(0, stat((domain + "PSN").c_str(), &st));
    EXPECT_EQ(c.file, st.st_mode & 07777);
  }
  world.Apply(false);
}

// A machine that lets every user write the any-user store makes its folder 1777: the folders
// made below it are shared the same way, and the sticky bit keeps one user from replacing or
// removing another user's value.
TEST_F(PrefsFaultTest, SharedAnyUserStoreKeepsEachUsersValues) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the tool as two other users";
  std::string tool = world.Path("prefs_tool");
  WriteFile(tool, ReadFile(QFN_PREFS_TOOL), 0755);
  MakeDirs(world.SystemPrefs());
  ASSERT_EQ(0, chmod(world.SystemPrefs().c_str(), 01777));
  auto as = [&](int uid, std::vector<std::string> args) {
    std::vector<std::string> argv = {"setpriv", "--reuid=" + std::to_string(uid),
                                     "--regid=" + std::to_string(uid), "--clear-groups", tool};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, world.ChildOptions(false)).exitCode;
  };
  ASSERT_EQ(0, as(65534, {"set", "1", "Big Game", "PSN", "first"}));
  const std::string domain = KeyFile(world.SystemPrefs(), "com.quillfen.Big Game", "");
  struct stat st;
  for (const std::string& folder : {world.SystemPrefs() + "/" + ThisHost(), domain}) {
    ASSERT_EQ(0, stat(folder.c_str(), &st));
    EXPECT_EQ(01777u, st.st_mode & 07777) << folder;
  }
  const struct {
    std::vector<std::string> args;
    int status;
  } attempts[] = {
      {{"set", "1", "Big Game", "PSN", "second"}, 1},
      {{"remove", "1", "Big Game", "PSN"}, 1},
      {{"set", "1", "Big Game", "Other", "second"}, 0},  // a key of its own is fine
  };
  for (const auto& a : attempts) EXPECT_EQ(a.status, as(65533, a.args)) << a.args[0];
  EXPECT_STREQ("first", GetSystemPreference(1, "Big Game", "PSN", nullptr));
  ASSERT_EQ(0, lstat((domain + "PSN").c_str(), &st));
  EXPECT_EQ(65534u, st.st_uid);
}

// Whatever is not a regular file where the store expects a value, or not a folder where it
// expects one (a link, a FIFO, a device that reads empty, a plain file), reads as absent and
// refuses writes: nothing is written through it, nothing waits on it, and it stays as it was.
TEST_F(PrefsFaultTest, NonFilesInTheStoreAreNeverUsed) {
  const std::string victim = world.Path("victim");
  const std::string elsewhere = world.Path("elsewhere");
  enum Kind { kLink, kFifo, kFolder, kDevice, kPlain };
  struct Case {
    const char* what;
    std::string below;  // the path below the scope folder that is not what the store expects
    Kind kind;
  };
  const std::string domain = ThisHost() + "/com.quillfen.Big Game";
  const Case cases[] = {
      {"link at the key", domain + "/PSN", kLink},
      {"FIFO at the key", domain + "/PSN", kFifo},
      {"folder at the key", domain + "/PSN", kFolder},
      {"null device at the key", domain + "/PSN", kDevice},
      {"link at the domain folder", domain, kLink},
      {"plain file at the domain folder", domain, kPlain},
      {"link at the host folder", ThisHost(), kLink},
  };
  for (int anyUser : {1, 0}) {
    const std::string scope = anyUser ? world.SystemPrefs() : world.ConfigHome() + "/Quillfen";
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.what << ", any user " << anyUser);
      std::filesystem::remove_all(scope);
      std::filesystem::remove_all(elsewhere);
      MakeDirs(elsewhere + "/com.quillfen.Big Game");
      WriteFile(victim, "0001E24000001092");
      WriteFile(elsewhere + "/com.quillfen.Big Game/PSN", "0001E24000001092");
      const std::string path = scope + "/" + c.below;
      MakeDirs(std::filesystem::path(path).parent_path());
      const std::string target = c.below == ThisHost() ? elsewhere : c.below == domain
                                                                         ? elsewhere + "/com.quillfen.Big Game"
                                                                         : victim;
      int made = c.kind == kLink    ? symlink(target.c_str(), path.c_str())
                 : c.kind == kFifo  ? mkfifo(path.c_str(), 0666)
                 : c.kind == kFolder ? mkdir(path.c_str(), 0700)
                 : c.kind == kDevice ? mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3))
                                    : (WriteFile(path, "x"), 0);
      if (c.kind == kDevice && made != 0) continue;  // making a device takes root
      ASSERT_EQ(0, made);
      EXPECT_EQ(nullptr, GetSystemPreference(anyUser, "Big Game", "PSN", nullptr));
      EXPECT_EQ(0, SetSystemPreference(anyUser, "Big Game", "PSN", "x"));
      EXPECT_EQ(0, RemoveSystemPreference(anyUser, "Big Game", "PSN"));
      EXPECT_EQ("0001E24000001092", ReadFile(victim));
      EXPECT_EQ("0001E24000001092", ReadFile(elsewhere + "/com.quillfen.Big Game/PSN"));
      struct stat st;
      ASSERT_EQ(0, lstat(path.c_str(), &st));
      EXPECT_EQ(c.kind == kLink, S_ISLNK(st.st_mode));
      EXPECT_EQ(c.kind == kFifo, S_ISFIFO(st.st_mode));
    }
    std::filesystem::remove_all(scope);
  }
}

// A writer killed between making its temporary file and renaming it leaves that file; the
// next write clears it when its process is gone, and leaves a live writer's and any other
// file alone.
TEST_F(PrefsFaultTest, LaterWritesClearStrayTemporaryFiles) {
  ASSERT_EQ(1, SetSystemPreference(0, "Big Game", "PSN", "old"));
  pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_EQ(0, Wait(gone));
  const std::string folder = KeyFile(world.ConfigHome() + "/Quillfen", "com.quillfen.Big Game", "");
  const struct {
    std::string name;
    bool cleared;
  } cases[] = {
      {".qfn-" + std::to_string(gone) + "-0.tmp", true},
      {".qfn-" + std::to_string(gone) + "-17.tmp", true},
      {".qfn-" + std::to_string(getppid()) + "-0.tmp", false},  // a live process's
      {".qfn-" + std::to_string(gone) + "-0.tmpx", false},
      {".qfn-x-0.tmp", false},
      {".other", false},
  };
  for (const auto& c : cases) WriteFile(folder + c.name, "0001E240");
  EXPECT_STREQ("old", GetSystemPreference(0, "Big Game", "PSN", nullptr));
  ASSERT_EQ(1, SetSystemPreference(0, "Big Game", "PSN", "new"));
  EXPECT_STREQ("new", GetSystemPreference(0, "Big Game", "PSN", nullptr));
  for (const auto& c : cases) EXPECT_EQ(!c.cleared, FileExists(folder + c.name)) << c.name;
}

// A text that can never be stored is refused the same way whether or not the store exists.
TEST_F(PrefsFaultTest, OverlongTextIsRefusedWithOrWithoutAStore) {
  const std::string longKey(1024, 'k');
  for (bool exists : {false, true}) {
    SCOPED_TRACE(exists ? "store exists" : "no store");
    if (exists) {
      ASSERT_EQ(1, SetSystemPreference(1, "Big Game", "Other", "x"));
    }
    EXPECT_EQ(0, RemoveSystemPreference(1, "Big Game", longKey.c_str()));
    EXPECT_EQ(0, SetSystemPreference(1, "Big Game", longKey.c_str(), "x"));
    EXPECT_EQ(exists, FileExists(world.SystemPrefs()));
    EXPECT_FALSE(FileExists(KeyFile(world.SystemPrefs(), "com.quillfen.Big Game", longKey)));
  }
}

// A user who may not write the any-user store reads what root wrote: a process of that user
// that keeps reading sees each later value, after many writes as well, and so does a new one.
TEST_F(PrefsFaultTest, UnprivilegedUserReadsEveryCommitOfTheAnyUserStore) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the tool as another user";
  std::string tool = world.Path("prefs_tool");
  WriteFile(tool, ReadFile(QFN_PREFS_TOOL), 0755);
  const std::vector<std::string> asNobody = {"setpriv", "--reuid=65534", "--regid=65534",
                                             "--clear-groups", tool};
  auto rootTool = [&](const std::vector<std::string>& args) {
    std::vector<std::string> argv = {tool};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, world.ChildOptions(false)).exitCode;
  };
  ASSERT_EQ(0, rootTool({"set", "1", "Big Game", "PSN", "v1"}));

  int toWatcher[2], fromWatcher[2];
  ASSERT_EQ(0, pipe(toWatcher));
  ASSERT_EQ(0, pipe(fromWatcher));
  std::vector<std::string> watch = asNobody;
  for (const char* arg : {"watch", "1", "Big Game", "PSN"}) watch.push_back(arg);
  std::vector<char*> watchArgv;
  for (std::string& arg : watch) watchArgv.push_back(&arg[0]);
  watchArgv.push_back(nullptr);
  pid_t watcher = fork();
  if (watcher == 0) {
    dup2(toWatcher[0], 0);
    dup2(fromWatcher[1], 1);
    for (int fd : {toWatcher[0], toWatcher[1], fromWatcher[0], fromWatcher[1]}) close(fd);
    execvp(watchArgv[0], watchArgv.data());
    _exit(127);
  }
  close(toWatcher[0]);
  close(fromWatcher[1]);
  FILE* answers = fdopen(fromWatcher[0], "r");
  ASSERT_NE(answers, nullptr);
  auto watched = [&](bool again) {
    if (again) {
      EXPECT_EQ(1, write(toWatcher[1], "\n", 1));
    }
    char line[64] = {};
    if (fgets(line, sizeof line, answers) == nullptr) return std::string("<ended>");
    return std::string(line, strcspn(line, "\n"));
  };
  EXPECT_EQ("v1", watched(false)) << "no writer running";
  ASSERT_EQ(1, SetSystemPreference(1, "Big Game", "PSN", "v2"));
  EXPECT_EQ("v2", watched(true)) << "written by this process";
  ASSERT_EQ(0, rootTool({"fill", "1", "Big Game", "k", "80"}));
  ASSERT_EQ(0, rootTool({"set", "1", "Big Game", "PSN", "v3"}));
  EXPECT_EQ("v3", watched(true)) << "after many writes";
  close(toWatcher[1]);
  fclose(answers);
  EXPECT_EQ(0, Wait(watcher));

  std::vector<std::string> get = asNobody;
  for (const char* arg : {"get", "1", "Big Game", "PSN"}) get.push_back(arg);
  ProcessResult r = RunProcess(get, world.ChildOptions(false));
  EXPECT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ("v3", r.out) << "a new reader";
}

}  // namespace
