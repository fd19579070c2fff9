// The log file: where it lands, its banners (always in English, whatever the locale), the
// run separator, on-demand opening, overlong and unopenable paths, and two processes
// writing one log without destroying each other's lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "platform/log.h"
#include "state/state.h"
#include "tests/support/temp_world.h"
#include "util/strbuf.h"

namespace {

// Replaces every banner by <O> (opened) or <C> (closed), so a log's layout can be compared
// as one exact text.
std::string Layout(const std::string& log) {
  static const std::regex banner(
      "EXE LOG (opened|closed) (Sun|Mon|Tues|Wednes|Thurs|Fri|Satur)day "
      "(January|February|March|April|May|June|July|August|September|October|November|"
      "December) [0-3][0-9], [0-9]{4}, (0[1-9]|1[0-2]):[0-5][0-9]:[0-6][0-9] (AM|PM)\n\n");
  std::string out;
  auto begin = std::sregex_iterator(log.begin(), log.end(), banner);
  size_t last = 0;
  for (auto it = begin; it != std::sregex_iterator(); ++it) {
    out += log.substr(last, it->position() - last);
    out += (*it)[1] == "opened" ? "<O>" : "<C>";
    last = it->position() + it->length();
  }
  return out + log.substr(last);
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(m_oldCwd, sizeof m_oldCwd), nullptr);
    UseFolder("data/Big Game/", "Game");
  }
  void TearDown() override {
    CloseLog();
    g_UserPath[0] = '\0';
    g_AppFilename[0] = '\0';
    ASSERT_EQ(chdir(m_oldCwd), 0);
  }
  // Makes the data folder (relative to the world) and points the log at it.
  void UseFolder(const std::string& folder, const char* fileName) {
    MakeDirs(world.Path(folder));
    StrCopy(g_UserPath, world.Path(folder).c_str());
    StrCopy(g_AppFilename, fileName);
  }
  std::string LogPath() const { return std::string(g_UserPath) + "Game.txt"; }

  TempWorld world;
  char m_oldCwd[PATH_MAX];
};

TEST_F(LogTest, PathFollowsTheExtensionRuleOnTheWholeText) {
  struct Case {
    const char* folder;
    const char* fileName;
    const char* expected;  // relative to the world
  } cases[] = {
      {"Quillfen/Big Game/", "Game", "Quillfen/Big Game/Game.txt"},
      {"a/", "Game.exe", "a/Game.txt"},
      {"b/", "Game.ab", "b/Game.ab.txt"},
      {"c/", "Game.abcd", "c/Game.abcd.txt"},
      {"d/", "Game.", "d/Game..txt"},
      // The rule looks at the composed text: a short name after a folder "x.y" cuts
      // inside the folder path, so the log lands beside that folder.
      {"e/ab.c/", "q", "e/ab.txt"},
      {"f/", "quarn", "f/quarn.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    UseFolder(c.folder, c.fileName);
    EXPECT_EQ(Logf("line\n"), 5);
    EXPECT_EQ(CloseLog(), 0);
    EXPECT_EQ(Layout(ReadFile(world.Path(c.expected))), "<O>line\n<C>");
  }
}

TEST_F(LogTest, EmptyDataFolderLogsInWorkingDirectoryForTheWholeRun) {
  MakeDirs(world.Path("resources"));
  ASSERT_EQ(chdir(world.Path("resources").c_str()), 0);
  g_UserPath[0] = '\0';
  StrCopy(g_AppFilename, "Game.exe");
  WriteFile(world.Path("resources/Game.txt"), "stale text of an earlier process\n");
  EXPECT_EQ(Logf("early\n"), 6);
  StrCopy(g_UserPath, world.Path("data/Big Game/").c_str());
  InitLog(0);  // a log is open already: no second banner, no new file
  Logf("late\n");
  CloseLog();
  EXPECT_EQ(Layout(ReadFile(world.Path("resources/Game.txt"))), "<O>early\nlate\n<C>");
  EXPECT_FALSE(FileExists(world.Path("data/Big Game/Game.txt")));
}

// Sequences of calls within one process: "init 0" and "init 1" start the first and a later
// run, "close" closes the log, any other step is a message.
TEST_F(LogTest, CallSequencesLayOutTheFile) {
  struct Case {
    const char* name;
    const char* before;  // the file's text beforehand; null: no file
    std::vector<std::string> steps;
    const char* layout;
  } cases[] = {
      {"runs share the file with separators",
       "text of an earlier process\n",
       {"init 0", "run 0\n", "close", "init 1", "run 1\n", "close", "init 2", "close"},
       "<O>run 0\n<C>\n\n\n\n<O>run 1\n<C>\n\n\n\n<O><C>"},
      {"a restart creates a missing file", nullptr, {"init 1", "close"}, "\n\n\n\n<O><C>"},
      // The message opens the log afresh, so the restart's init finds it open.
      {"a message before a restart's init",
       nullptr,
       {"init 0", "run 0\n", "close", "early in run 1\n", "init 1", "close"},
       "<O>early in run 1\n<C>"},
      {"an open log gets no second banner",
       nullptr,
       {"init 0", "init 0", "init 1", "close"},
       "<O><C>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(LogPath());
    if (c.before) WriteFile(LogPath(), c.before);
    for (const std::string& step : c.steps) {
      if (step.rfind("init ", 0) == 0)
        InitLog(std::stoi(step.substr(5)));
      else if (step == "close")
        CloseLog();
      else
        Logf("%s", step.c_str());
    }
    EXPECT_EQ(Layout(ReadFile(LogPath())), c.layout);
  }
}

TEST_F(LogTest, MessagesAreWrittenAsFormattedAndFlushedAtOnce) {
  InitLog(0);
  EXPECT_EQ(ReadFile(LogPath()), "") << "the banner waits for the first message";
  struct Case {
    int written;
    int expected;
  } cases[] = {
      {Logf("abc"), 3},    {Logf("def\n"), 4},       {Logf("%s=%d|", "n", 42), 5},
      {Logf("%s", ""), 0}, {Logf("\xe9t\xe9\n"), 4},
  };
  for (const Case& c : cases) EXPECT_EQ(c.written, c.expected);
  EXPECT_EQ(Layout(ReadFile(LogPath())), "<O>abcdef\nn=42|\xe9t\xe9\n");
  Logf_flush();
  EXPECT_EQ(CloseLog(), 0);
  EXPECT_EQ(CloseLog(), 0) << "closing with no open log does nothing";
  EXPECT_EQ(Layout(ReadFile(LogPath())), "<O>abcdef\nn=42|\xe9t\xe9\n<C>");
}

TEST_F(LogTest, UnopenablePathDropsMessagesAndCreatesNothing) {
  WriteFile(world.Path("plain"), "not a folder\n");
  StrCopy(g_UserPath, world.Path("plain/").c_str());
  EXPECT_EQ(Logf("lost\n"), 0);
  InitLog(1);
  EXPECT_EQ(Logf("lost again\n"), 0);
  EXPECT_EQ(CloseLog(), 0);
  EXPECT_EQ(ReadFile(world.Path("plain")), "not a folder\n");
  EXPECT_FALSE(FileExists(world.Path("plainGame.txt")));
}

// A data folder (at most 240 characters) and a file name "Game..." that make the composed
// log path exactly `length` characters long.
void UseLogPathOfLength(const TempWorld& world, size_t length, std::string* folder,
                        std::string* fileName) {
  size_t folderLength = length - strlen("Game.txt");
  if (folderLength > 240) folderLength = 240;
  *folder = world.Root() + "/";
  while (folder->size() < folderLength) {
    size_t rest = folderLength - folder->size();
    size_t chunk = rest > 101 ? 101 : rest;
    if (rest - chunk == 1) chunk = 100;  // never leave room for a lone '/'
    *folder += std::string(chunk - 1, 'p') + "/";
  }
  MakeDirs(*folder);
  *fileName = "Game" + std::string(length - strlen(".txt") - folder->size() - 4, 'g');
  StrCopy(g_UserPath, folder->c_str());
  StrCopy(g_AppFilename, fileName->c_str());
}

TEST_F(LogTest, PathOfMoreThan255CharactersIsRefusedNotCut) {
  struct Case {
    size_t length;
    bool opens;
  } cases[] = {{200, true}, {255, true}, {256, false}, {257, false}, {300, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    std::string folder, fileName;
    UseLogPathOfLength(world, c.length, &folder, &fileName);
    ASSERT_EQ(folder.size() + fileName.size() + 4, c.length);
    ASSERT_EQ(strlen(g_UserPath) + strlen(g_AppFilename) + 4, c.length);
    EXPECT_EQ(Logf("x"), c.opens ? 1 : 0);
    CloseLog();
    EXPECT_EQ(Layout(ReadFile(folder + fileName + ".txt")), c.opens ? "<O>x<C>" : "");
    // Nothing may appear under a cut name either.
    auto entries = std::distance(std::filesystem::directory_iterator(folder),
                                 std::filesystem::directory_iterator());
    EXPECT_EQ(entries, c.opens ? 1 : 0);
    std::filesystem::remove_all(folder);
  }
}

// Selects a locale whose day names are not English: an installed one, else German compiled
// into the world with localedef, else C.UTF-8. The chosen name, or null.
const char* SelectForeignLocale(const TempWorld& world) {
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "es_ES.UTF-8"}) {
    if (setlocale(LC_ALL, name)) return name;
  }
  std::string folder = world.Path("locales");
  MakeDirs(folder);
  ProcessOptions options;
  options.timeoutSeconds = 60;
  ProcessResult made =
      RunProcess({"localedef", "-i", "de_DE", "-f", "UTF-8", folder + "/de_DE.UTF-8"}, options);
  if (made.exitCode == 0) {
    setenv("LOCPATH", folder.c_str(), 1);
    if (setlocale(LC_ALL, "de_DE.UTF-8")) return "de_DE.UTF-8 (compiled for the test)";
  }
  return setlocale(LC_ALL, "C.UTF-8") ? "C.UTF-8" : nullptr;
}

TEST_F(LogTest, BannersUseEnglishNamesWhateverTheLocale) {
  setenv("TZ", "QFN-5:30", 1);
  tzset();
  const char* chosen = SelectForeignLocale(world);
  SCOPED_TRACE(chosen ? chosen : "no other locale available");
  std::string expected, text;
  for (int attempt = 0; attempt < 10; ++attempt) {
    time_t before = time(nullptr);
    InitLog(0);
    CloseLog();
    time_t after = time(nullptr);
    if (before != after) continue;  // the second rolled over: the reference would differ
    text = ReadFile(LogPath());
    char* previous = setlocale(LC_ALL, nullptr);
    std::string restore = previous ? previous : "C";
    setlocale(LC_ALL, "C");
    struct tm local;
    localtime_r(&before, &local);
    char opened[256], closed[256];
    strftime(opened, sizeof opened, "EXE LOG opened %A %B %d, %Y, %I:%M:%S %p\n\n", &local);
    strftime(closed, sizeof closed, "EXE LOG closed %A %B %d, %Y, %I:%M:%S %p\n\n", &local);
    setlocale(LC_ALL, restore.c_str());
    expected = std::string(opened) + closed;
    break;
  }
  setlocale(LC_ALL, "C");
  unsetenv("LOCPATH");
  unsetenv("TZ");
  tzset();
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(text, expected);
  EXPECT_EQ(Layout(text), "<O><C>");
}

// 1 when this open file takes the exclusive lock at once (the kind of lock launchers use).
bool TakesExclusiveLock(int fd) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

TEST_F(LogTest, OpenLogIsLockedAndNotInheritedByChildren) {
  InitLog(0);
  int other = open(LogPath().c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  EXPECT_FALSE(TakesExclusiveLock(other)) << "the open log holds a lock";
  // The log's own descriptor closes on exec, so a spawned dialog cannot keep the lock.
  bool found = false;
  for (int fd = 0; fd < 1024; ++fd) {
    char link[64], target[PATH_MAX + 1];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, target, PATH_MAX);
    if (n <= 0 || fd == other) continue;
    target[n] = '\0';
    if (LogPath() != target) continue;
    found = true;
    EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
  }
  EXPECT_TRUE(found);
  CloseLog();
  EXPECT_TRUE(TakesExclusiveLock(other)) << "closing releases the lock";
  close(other);
}

// Another open file keeps the exclusive lock through the whole wait for a shared one: the log
// is written all the same, and says that a fresh start may empty it meanwhile.
TEST_F(LogTest, LogLockedByAnotherIsWrittenAndSaysSo) {
  WriteFile(LogPath(), "");
  int other = open(LogPath().c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  ASSERT_TRUE(TakesExclusiveLock(other));
  InitLog(1);
  Logf("line\n");
  CloseLog();
  close(other);
  std::string text = ReadFile(LogPath());
  EXPECT_NE(
      text.find("[log] Another process kept this log locked; a fresh start may empty it\nline\n"),
      std::string::npos)
      << text;
}

// A second process opens the same log while this one writes it: its lines go to the end,
// nothing of ours is lost and no gap of NUL bytes appears.
TEST_F(LogTest, SecondProcessAppendsToARunningLog) {
  struct Case {
    const char* mode;
    const char* theirs;
  } cases[] = {
      {"init0", "<O>second\n<C>"},
      {"demand", "<O>second\n<C>"},
      {"init1", "\n\n\n\n<O>second\n<C>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    InitLog(0);
    Logf("first line, long enough to leave a gap if the other process emptied the file\n");
    ProcessResult r =
        RunProcess({QFN_LOG_HELPER, g_UserPath, "Game", c.mode, "second\n"}, ProcessOptions());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    Logf("after\n");
    CloseLog();
    std::string text = ReadFile(LogPath());
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_EQ(Layout(text), std::string("<O>first line, long enough to leave a gap if the other "
                                        "process emptied the file\n") +
                                c.theirs + "after\n<C>");
  }
}

// A log opened while another process held it (so not started afresh) is still safe from a
// later fresh start once that process has closed it.
TEST_F(LogTest, LogOpenedBesideAnotherHolderIsNotEmptiedLater) {
  int ready[2], go[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  pid_t child = fork();
  if (child == 0) {
    InitLog(0);
    Logf("first\n");
    char byte = 0;
    _exit(write(ready[1], "r", 1) == 1 && read(go[0], &byte, 1) == 1 && CloseLog() == 0 ? 0 : 3);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  Logf("mine\n");
  ASSERT_EQ(write(go[1], "g", 1), 1);
  ASSERT_EQ(waitpid(child, nullptr, 0), child);
  for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);
  RunProcess({QFN_LOG_HELPER, g_UserPath, "Game", "init0", "later\n"}, ProcessOptions());
  Logf("after\n");
  CloseLog();
  EXPECT_EQ(Layout(ReadFile(LogPath())), "<O>first\n<O>mine\n<C><O>later\n<C>after\n<C>");
}

// A fresh start puts a new file in the old log's place, of the old log's owner and mode, so
// that a reader of the old log keeps it whole; a temporary file or link that a launcher ended
// on the way left beside it is cleared, and nothing it points to is touched.
TEST_F(LogTest, FreshStartPutsANewFileInPlaceOfTheOldOne) {
  const bool root = geteuid() == 0;
  struct Case {
    const char* what;
    mode_t mode;
    uid_t owner;
    const char* leftBeside;  // "file", "link" or nothing at "<log>.new"
  } cases[] = {
      {"mode 0640", 0640, geteuid(), nullptr},
      {"another owner", 0604, root ? 65534u : geteuid(), nullptr},
      {"a temporary file left", 0600, geteuid(), "file"},
      {"a link left", 0600, geteuid(), "link"},
  };
  const std::string victim = world.Path("victim");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(LogPath(), "old text\n", c.mode);
    ASSERT_EQ(chmod(LogPath().c_str(), c.mode), 0);
    ASSERT_EQ(chown(LogPath().c_str(), c.owner, static_cast<gid_t>(-1)), 0);
    WriteFile(victim, "untouched");
    const std::string beside = LogPath() + ".new";
    if (c.leftBeside) {
      ASSERT_EQ(std::string(c.leftBeside) == "link" ? symlink(victim.c_str(), beside.c_str())
                                                     : (WriteFile(beside, "half"), 0),
                0);
    }
    int reader = open(LogPath().c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    InitLog(0);
    Logf("new\n");
    CloseLog();
    EXPECT_EQ(Layout(ReadFile(LogPath())), "<O>new\n<C>");
    struct stat st;
    ASSERT_EQ(stat(LogPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.mode);
    EXPECT_EQ(st.st_uid, c.owner);
    char old[32] = {};
    EXPECT_EQ(pread(reader, old, sizeof old - 1, 0), 9);
    EXPECT_STREQ(old, "old text\n");
    close(reader);
    EXPECT_FALSE(FileExists(beside));
    EXPECT_EQ(ReadFile(victim), "untouched");
  }
}

// A link (to a file or dangling) or a FIFO (read or not) in the log's place is neither
// followed nor waited on nor written: the run goes on without a log.
TEST_F(LogTest, LogMustBeARegularFile) {
  std::string target = world.Path("target");
  const std::string links[] = {target, world.Path("none"), "", ""};
  for (int i = 0; i < 4; ++i) {
    WriteFile(target, "precious");
    std::string log = LogPath();
    const char* path = log.c_str();
    ASSERT_EQ(links[i].empty() ? mkfifo(path, 0666) : symlink(links[i].c_str(), path), 0);
    int reader = i == 3 ? open(path, O_RDONLY | O_NONBLOCK) : -1;
    EXPECT_EQ(Logf("lost\n"), 0) << i;
    char byte;
    EXPECT_LE(reader >= 0 ? read(reader, &byte, 1) : 0, 0) << "nothing went into the FIFO";
    if (reader >= 0) close(reader);
    EXPECT_EQ(ReadFile(target), "precious");
    EXPECT_FALSE(FileExists(world.Path("none")));
    ASSERT_EQ(unlink(path), 0);
  }
}

TEST_F(LogTest, NextProcessStartsAfreshOnceTheLogIsClosed) {
  InitLog(0);
  Logf("old run\n");
  CloseLog();
  ProcessResult r =
      RunProcess({QFN_LOG_HELPER, g_UserPath, "Game", "init0", "new run\n"}, ProcessOptions());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Layout(ReadFile(LogPath())), "<O>new run\n<C>");
}

// The other way round: a running process holds the log, this one starts afresh (run 0).
TEST_F(LogTest, RunZeroDoesNotEmptyAnotherProcesssLog) {
  int ready[2], go[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char byte = 0;
    InitLog(0);
    Logf("child before\n");
    if (write(ready[1], "r", 1) != 1) _exit(3);
    if (read(go[0], &byte, 1) != 1) _exit(4);
    Logf("child after\n");
    CloseLog();
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  InitLog(0);
  Logf("parent\n");
  CloseLog();
  ASSERT_EQ(write(go[1], "g", 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);
  std::string text = ReadFile(LogPath());
  EXPECT_EQ(text.find('\0'), std::string::npos);
  EXPECT_EQ(Layout(text), "<O>child before\n<O>parent\n<C>child after\n<C>");
}

}  // namespace
