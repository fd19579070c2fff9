// Whole launcher processes in uninstall mode, with a fake zenity answering the questions and
// a fake xdg-open: what is removed, the exact question texts and exit-poll address, the
// cases that must remove nothing and show nothing, and what the user is told (and the exit
// status) when something could not be removed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/launcher_run.h"
#include "tests/support/virtual_display.h"

namespace {

const char kFirstQuestion[] =
    "--text=<b>Error</b>\n\nTest Game Uninstall\n\nAre you sure you want to remove Test Game "
    "from your computer?";
const char kSecondQuestion[] =
    "--text=<b>Error</b>\n\nTest Game has succesfully been removed from your computer.\nWould "
    "you like to take an exit poll to tell us why you're uninstalling?";
const char kPollRecord[] = "Poll:http://www.quillfen.example/uninstallpoll.html\n";
const char kPoll[] = "http://www.quillfen.example/uninstallpoll.html?From=TEST-APP&Build=42";

// The text of a recorded zenity call when it was a question (OK and Cancel), else "".
std::string QuestionText(const std::vector<std::string>& call) {
  auto has = [&call](const std::string& arg) {
    return std::find(call.begin(), call.end(), arg) != call.end();
  };
  if (!has("--question") || !has("--ok-label=OK") || !has("--cancel-label=Cancel")) return "";
  for (const std::string& arg : call)
    if (arg.rfind("--text=", 0) == 0) return arg;
  return "";
}

// The records that name the installation: the world is the prefix, the bundle the game.
std::string Named(const LauncherWorld& lw) {
  return "Prefix:" + lw.world.Root() + "/\nGame:" + lw.bundle.root + "\n";
}

// An installation outside the bundle and the install log in the bundle's Resources.
struct InstalledFiles {
  std::string dir;
  std::string log;
  explicit InstalledFiles(const LauncherWorld& lw) : dir(lw.world.Path("installed")) {
    MakeDirs(dir + "/empty");
    MakeDirs(dir + "/full");
    MakeDirs(dir + "/saves/old.sav");
    WriteFile(dir + "/game.dat", "x");
    WriteFile(dir + "/readme.txt", "x");
    WriteFile(dir + "/full/keep.dat", "x");
    WriteFile(dir + "/saves/1.sav", "x");
    WriteFile(dir + "/saves/2.sav", "x");
    WriteFile(dir + "/saves/notes.txt", "x");
    log = lw.bundle.resources + "/uninstall.log";
    WriteFile(log, Named(lw) + kPollRecord + std::string("SELF:\nFile:") + dir +
                       "/game.dat\nfile:" + dir + "/readme.txt\n" + "PATTERN:" + dir +
                       "/saves:*.sav\nFolder:" + dir + "/empty\n" + "FOLDER:" + dir + "/full\n");
  }
  // Which of the listed things are gone, in a fixed order.
  std::string Gone() const {
    std::string gone;
    for (const char* path : {"/game.dat", "/readme.txt", "/saves/1.sav", "/saves/2.sav", "/empty",
                             "/full", "/full/keep.dat", "/saves/old.sav", "/saves/notes.txt"})
      if (!FileExists(dir + path)) gone += std::string(path) + " ";
    if (!FileExists(log)) gone += "uninstall.log";
    return gone;
  }
};

const char kAllGone[] = "/game.dat /readme.txt /saves/1.sav /saves/2.sav /empty uninstall.log";

// xdg-open is started without waiting: give a call that was made time to be recorded.
std::vector<std::vector<std::string>> BrowserCalls(const LauncherWorld& lw, size_t expected) {
  for (int i = 0; i < 100 && lw.world.Calls("xdg-open").size() < expected; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (expected == 0) std::this_thread::sleep_for(std::chrono::milliseconds(500));
  return lw.world.Calls("xdg-open");
}

TEST(Uninstall, AnswersDecideWhatHappens) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> answers;  // fake zenity's exit statuses, call by call
    size_t questions;
    std::string gone;
    bool poll;
    int exitCode;
  };
  const Case cases[] = {
      {"yes, then yes to the poll", {"-Uninstall"}, {"0", "0"}, 2, kAllGone, true, 0},
      {"yes, then no to the poll", {"-Uninstall"}, {"0", "1"}, 2, kAllGone, false, 0},
      {"no", {"-Uninstall"}, {"1"}, 1, "", false, 0},
      {"the dialog failed", {"-Uninstall"}, {"5"}, 1, "", false, 3},
      {"build run", {"-MakeGob", "-Uninstall"}, {"0", "0"}, 0, "", false, 0},
      {"lower-case option", {"-uninstall"}, {"0", "0"}, 0, "", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LauncherWorld lw;
    lw.world.FakeTool("zenity", c.answers);
    InstalledFiles installed(lw);
    std::string record = lw.world.Path("record");
    ProcessResult result = lw.Launch(c.args, record, {{"QRN_TEST_RUN_MS", "0"}});
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(installed.Gone(), c.gone);

    std::vector<std::vector<std::string>> questions = lw.world.Calls("zenity");
    ASSERT_EQ(questions.size(), c.questions);
    if (c.questions >= 1) {
      EXPECT_EQ(QuestionText(questions[0]), kFirstQuestion);
    }
    if (c.questions >= 2) {
      EXPECT_EQ(QuestionText(questions[1]), kSecondQuestion);
    }
    std::vector<std::vector<std::string>> opened = BrowserCalls(lw, c.poll ? 1 : 0);
    if (c.poll) {
      ASSERT_EQ(opened.size(), 1u);
      EXPECT_EQ(opened[0], std::vector<std::string>{kPoll});
    } else {
      EXPECT_TRUE(opened.empty());
    }

    std::vector<std::string> entries = EngineEntries(ReadEngineRecord(record));
    bool uninstallMode = c.args.back() == "-Uninstall";
    if (uninstallMode) {
      EXPECT_EQ(entries, std::vector<std::string>{"qrnGetAppName"});
    }
    // The log: closed with its banner only after a confirmed removal.
    std::string log = lw.LogText();
    bool confirmed = !c.gone.empty();
    size_t uninstalling = log.find("[main] Uninstalling\n");
    EXPECT_EQ(uninstalling != std::string::npos, confirmed);
    if (uninstallMode) {
      EXPECT_EQ(log.find("EXE LOG closed") != std::string::npos, confirmed);
      EXPECT_EQ(log.find("[main] Exiting"), std::string::npos);
      // The record is left behind, naming the process that has ended.
      long pid = RecordedPid(record);
      std::string stored = lw.Stored(1);
      ASSERT_EQ(stored.size(), 16u);
      char pidText[16];
      snprintf(pidText, sizeof pidText, "%08lX", pid);
      EXPECT_EQ(stored.substr(8), pidText);
    }
  }
}

// After a confirmed removal the user hears the truth: what was left, or that the game is
// gone; a log without a poll address gets the removal note and no poll question.
TEST(Uninstall, TellsWhatWasNotRemoved) {
  struct Case {
    const char* name;
    bool writeLog;
    bool asNobody;  // run as an ordinary user; the installed files stay root's
    bool withPoll;
    int exitCode;
    std::string told;  // the second dialog's text ("" for the poll question)
  };
  const Case cases[] = {
      {"no install log: a package's game", false, false, true, 3,
       "Test Game was installed without an uninstaller: remove it with the package manager "
       "that installed it."},
      {"installed by another user", true, true, true, 3,
       "Test Game was not completely removed: 3 installed files could not be deleted, the "
       "first being\n<installed>/game.dat\nRemoving them may need the user who installed the "
       "game."},
      {"no poll address", true, false, false, 0,
       "Test Game has succesfully been removed from your computer."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LauncherWorld lw;
    lw.world.FakeTool("zenity", {"0", "0"});
    std::string dir = lw.world.Path("installed");
    MakeDirs(dir);
    WriteFile(dir + "/game.dat", "x");
    WriteFile(dir + "/readme.txt", "x");
    std::string log = lw.bundle.resources + "/uninstall.log";
    if (c.writeLog)
      WriteFile(log, Named(lw) + (c.withPoll ? kPollRecord : "") + "File:" + dir +
                         "/game.dat\nFile:" + dir + "/readme.txt\nFile:" + dir +
                         "/already-gone\nSelf:\n");
    std::vector<std::string> argv = LauncherArgv(lw.bundle, {"-Uninstall"});
    std::string home = lw.world.Home();
    if (c.asNobody) {
      std::filesystem::create_directories(lw.world.DataHome());
      std::filesystem::create_directories(lw.world.ConfigHome());
      // Its home and the fake tools' call records become its own; the rest stays root's.
      for (const std::string& own : {home, lw.world.Path("calls")}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(own))
          ASSERT_EQ(chown(entry.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(own.c_str(), 65534, 65534), 0);
      }
      argv.insert(argv.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    ProcessResult result = RunProcess(argv, lw.Options(home + "/record"));
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    std::vector<std::vector<std::string>> dialogs = lw.world.Calls("zenity");
    // A game without a log is not asked about: the note is the only dialog.
    dialogs.insert(dialogs.begin(), c.writeLog ? 0 : 1, std::vector<std::string>{});
    ASSERT_EQ(dialogs.size(), 2u);
    std::string told = c.told;
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"<resources>", lw.bundle.resources},
          {"<installed>", dir}})
      if (told.find(from) != std::string::npos) told.replace(told.find(from), from.size(), to);
    EXPECT_EQ(AlertExplanation(dialogs[1]), told.substr(0, 255));
    EXPECT_EQ(QuestionText(dialogs[1]), "");  // a note, not the poll question
    EXPECT_TRUE(BrowserCalls(lw, 0).empty());
    EXPECT_EQ(FileExists(dir + "/game.dat"), c.asNobody || !c.writeLog);
  }
}

// Without a display nothing is asked by a dialog: on a terminal the question is asked there,
// and with neither the uninstaller says so on standard error and fails.
TEST(Uninstall, WithoutDisplayAsksOnTheTerminalOrFails) {
  if (!ProgramsInstalled({"script"})) GTEST_SKIP() << "script (util-linux) missing";
  struct Case {
    const char* name;
    bool terminal;
    bool display;  // with a zenity that fails
    const char* answer;
    int exitCode;
    bool removed;
    const char* zenity = "exit 5";  // what zenity does
  };
  const Case cases[] = {
      {"terminal, yes", true, false, "y\n", 0, true},
      {"terminal, no", true, false, "n\n", 0, false},
      {"no terminal", false, false, "y\n", 3, false},
      {"the dialog failed, terminal, yes", true, true, "y\n", 0, true},
      // zenity that lost its display exits 1 as a Cancel does, but says so.
      {"the display went away, terminal, yes", true, true, "y\n", 0, true,
       "echo '(zenity:1): Gtk-WARNING **: cannot open display: :9' >&2; exit 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LauncherWorld lw;
    InstalledFiles installed(lw);
    WriteFile(
        lw.world.BinDir() + "/zenity",
        "#!/bin/sh\necho \"$@\" >> '" + lw.world.Path("zenity-calls") + "'\n" + c.zenity + "\n",
        0755);
    ProcessOptions options = LauncherOptions(lw.world, lw.world.Path("record"), {}, c.display);
    options.stdinText = c.answer;
    std::vector<std::string> argv = LauncherArgv(lw.bundle, {"-Uninstall"});
    if (c.terminal) {
      std::string command;
      for (const std::string& arg : argv) command += "'" + arg + "' ";
      // script gives the launcher a terminal, fed from our standard input; -e passes its status.
      argv = {"script", "-qefc", command, "/dev/null"};
    }
    ProcessResult result = RunProcess(argv, options);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.out << result.err;
    EXPECT_EQ(FileExists(lw.world.Path("zenity-calls")), c.display);
    EXPECT_EQ(installed.Gone() == kAllGone, c.removed) << installed.Gone();
    if (!c.terminal)
      EXPECT_NE(result.err.find("Test Game: nothing was removed: there is no display and no "
                                "terminal to confirm the uninstall on."),
                std::string::npos)
          << result.err;
    else
      EXPECT_NE(result.out.find("Are you sure you want to remove Test Game"), std::string::npos)
          << result.out;
  }
}

TEST(Uninstall, LiveInstanceIsNotUninstalled) {
  LauncherWorld lw;
  InstalledFiles installed(lw);
  std::string ready = lw.world.Path("ready");
  BackgroundLaunch a;
  a.Start(lw, {}, lw.world.Path("record-a"),
          {{"QRN_TEST_RUN_MS", "4000"}, {"QRN_TEST_READY_FILE", ready}});
  ASSERT_TRUE(WaitForFile(ready, 30));

  std::string recordB = lw.world.Path("record-b");
  ProcessResult b = lw.Launch({"-Uninstall"}, recordB);
  EXPECT_EQ(b.exitCode, 3);
  EXPECT_EQ(EngineEntries(ReadEngineRecord(recordB)), std::vector<std::string>{"qrnGetAppName"});
  std::vector<std::vector<std::string>> dialogs = lw.world.Calls("zenity");
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(AlertExplanation(dialogs[0]),
            "Test Game is running, so nothing was removed. Quit the game first, then uninstall "
            "it.");
  EXPECT_EQ(installed.Gone(), "");
  a.Join();
  EXPECT_EQ(a.result.exitCode, 0);
  EXPECT_EQ(installed.Gone(), "");
}

// A launch made while the uninstall question is open logs the true reason it was not handed
// over, at once rather than after the hand-over's wait.
TEST(Uninstall, LaunchDuringTheQuestionIsToldOfTheUninstall) {
  LauncherWorld lw;
  InstalledFiles installed(lw);
  std::string asked = lw.world.Path("asked"), answered = lw.world.Path("answered");
  // The question stays open until the test answers it (Cancel), at most 30 s.
  WriteFile(lw.world.BinDir() + "/zenity",
            "#!/bin/sh\ncase \"$*\" in *--question*) ;; *) exit 0 ;; esac\ntouch '" + asked +
                "'\nfor i in $(seq 300); do [ -e '" + answered +
                "' ] && exit 1; sleep 0.1; done\nexit 1\n",
            0755);
  BackgroundLaunch uninstall;
  uninstall.Start(lw, {"-Uninstall"}, lw.world.Path("record-a"));
  ASSERT_TRUE(WaitForFile(asked, 30));
  WriteFile(lw.world.Path("doc.txt"), "x");
  ProcessResult b = lw.Launch({lw.world.Path("doc.txt")}, lw.world.Path("record-b"));
  WriteFile(answered, "");
  uninstall.Join();
  EXPECT_EQ(b.exitCode, kExitNotForwarded);
  std::string log = lw.LogText();
  EXPECT_NE(log.find("the game is being uninstalled"), std::string::npos) << log;
  EXPECT_EQ(log.find("did not offer"), std::string::npos) << log;
  EXPECT_EQ(installed.Gone(), "");
}

// The uninstaller removes only the installation its log was written for: a log another user
// could have written, one naming no installation or another one (the bundle was copied), and
// each path outside the prefix, with "..", or through a link is refused and named. Its own
// installation goes entirely, its emptied folders included.
TEST(Uninstall, RemovesOnlyItsOwnInstallation) {
  enum Setup {
    kAsInstalled,
    kCopied,
    kForeignLog,
    kLogOpen,
    kFolderOpen,
    kUnnamed,
    kRootPrefix,
    kResourcesLink,  // Resources/ is a link to another installation's
    kBindMount,      // another folder is mounted inside the prefix
  };
  struct Case {
    const char* name;
    Setup setup;
    std::string extra;  // a record added to the installation's own; <V> the victim's path
    int exitCode;
    std::string told;  // the second dialog's text; <R> Resources, <B> the bundle, <W> world
  };
  const std::string notUsed = "Test Game was not removed: its install log <R>/uninstall.log";
  const std::string refused =
      "Test Game was not completely removed: 1 paths of its install log were refused, as they "
      "lie outside <W>/, hold \"..\" or lead through a link, the first being\n";
  const Case cases[] = {
      {"its own installation", kAsInstalled, "", 0,
       "Test Game has succesfully been removed from your computer."},
      {"a copy", kCopied, "", 3,
       "Test Game was not removed: <W>/copy/Resources is a copy, not the installation <B> its "
       "install log was written for."},
      {"log of another user", kForeignLog, "", 3,
       notUsed + ", or its folder, belongs to another user or may be changed by other users."},
      {"log others may write", kLogOpen, "", 3,
       notUsed + ", or its folder, belongs to another user or may be changed by other users."},
      {"folder others may write", kFolderOpen, "", 3,
       notUsed + ", or its folder, belongs to another user or may be changed by other users."},
      {"no installation named", kUnnamed, "", 3,
       notUsed + " does not name the installation it was written for."},
      {"outside the prefix", kAsInstalled, "File:<V>", 3, refused + "<V>"},
      {"through ..", kAsInstalled, "File:<B>/../../<v>", 3, refused + "<B>/../../<v>"},
      {"through a link", kAsInstalled, "File:<W>/link/victim", 3, refused + "<W>/link/victim"},
      {"two prefixes", kAsInstalled, "Prefix:<W>/link", 3,
       notUsed + " does not name the installation it was written for."},
      {"the root as prefix", kRootPrefix, "", 3,
       notUsed + " does not name the installation it was written for."},
      {"Resources a link to another installation", kResourcesLink, "", 3,
       "Test Game was not removed: <R> is a copy, not the installation <W>/other its install "
       "log was written for."},
      // Last: it is skipped where mounting is not permitted.
      {"across a mount", kBindMount, "File:<W>/mnt/victim", 3, refused + "<W>/mnt/victim"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.setup == kForeignLog && geteuid() != 0) continue;  // chown needs root
    LauncherWorld lw;
    lw.world.FakeTool("zenity", {"0", "0"});
    TempWorld outside;
    std::string victim = outside.Path("victim");
    WriteFile(victim, "keep me");
    std::filesystem::create_directory_symlink(outside.Root(), lw.world.Path("link"));
    auto expand = [&](std::string text) {
      const std::string parent = std::filesystem::path(outside.Root()).filename().string();
      for (const auto& [from, to] :
           std::vector<std::pair<std::string, std::string>>{{"<V>", victim},
                                                            {"<v>", parent + "/victim"},
                                                            {"<R>", lw.bundle.resources},
                                                            {"<B>", lw.bundle.root},
                                                            {"<W>", lw.world.Root()}})
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from))
          text.replace(at, from.size(), to);
      return text;
    };
    const std::string& b = lw.bundle.root;
    std::string log = lw.bundle.resources + "/uninstall.log";
    const std::string named = c.setup == kUnnamed      ? ""
                              : c.setup == kRootPrefix ? "Prefix:/\nGame:" + b + "\n"
                                                       : Named(lw);
    const std::string records = "File:" + b + "/bin/quarn\nFile:" + b + "/Resources/quarnc.so\n" +
                                expand(c.extra) + "\nSelf:\nFolder:" + b +
                                "/Resources\nFolder:" + b + "/bin\nFolder:" + b + "\n";
    WriteFile(log, named + records);
    Bundle other;
    if (c.setup == kResourcesLink) {
      other = MakeBundle(lw.world, TestEngineLibrary(), "other");
      WriteFile(other.resources + "/uninstall.log",
                "Prefix:" + lw.world.Root() + "\nGame:" + other.root + "\nFile:" + other.exe +
                    "\nFile:" + other.resources + "/quarnc.so\nSelf:\n");
      std::filesystem::remove_all(lw.bundle.resources);
      std::filesystem::create_directory_symlink(other.resources, lw.bundle.resources);
    }
    std::string mountPoint = lw.world.Path("mnt");
    if (c.setup == kBindMount) {
      MakeDirs(mountPoint);
      if (std::system(
              ("mount --bind '" + outside.Root() + "' '" + mountPoint + "' 2>/dev/null").c_str()) !=
          0)
        GTEST_SKIP() << "mounting is not permitted here: the mount case was not run";
    }
    int changed = c.setup == kForeignLog   ? chown(log.c_str(), 65534, 65534)
                  : c.setup == kLogOpen    ? chmod(log.c_str(), 0666)
                  : c.setup == kFolderOpen ? chmod(lw.bundle.resources.c_str(), 0777)
                                           : 0;
    ASSERT_EQ(changed, 0);
    std::string exe = lw.bundle.exe;
    if (c.setup == kCopied) {
      std::filesystem::copy(b, lw.world.Path("copy"), std::filesystem::copy_options::recursive);
      exe = lw.world.Path("copy/bin/quarn");
    }
    ProcessResult result = RunProcess({exe, "-Uninstall"}, lw.Options(lw.world.Path("record")));
    if (c.setup == kBindMount) {
      EXPECT_EQ(std::system(("umount '" + mountPoint + "'").c_str()), 0);
    }
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    std::vector<std::vector<std::string>> dialogs = lw.world.Calls("zenity");
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(AlertExplanation(dialogs[1]), expand(c.told).substr(0, 255));
    EXPECT_TRUE(FileExists(victim));
    bool used = c.told.find("was not removed:") == std::string::npos;  // the log was used
    EXPECT_EQ(FileExists(b), !used);
    EXPECT_EQ(FileExists(lw.bundle.exe), !used);
    EXPECT_TRUE(FileExists(exe) || c.setup != kCopied);
    if (c.setup == kResourcesLink) {
      EXPECT_TRUE(FileExists(other.exe));
      EXPECT_TRUE(FileExists(other.resources + "/uninstall.log"));
    }
  }
}

// The desktop's cache tools: what they say is not heard on the uninstaller's terminal, and
// three that hang together cost one shared bound, of which the player is told first.
TEST(Uninstall, CacheToolsAreQuietAndBoundedTogether) {
  LauncherWorld lw;
  lw.world.FakeTool("zenity", {"0", "0"});
  std::string log = Named(lw);
  for (const char* tool :
       {"update-desktop-database", "update-mime-database", "gtk-update-icon-cache"})
    WriteFile(lw.world.BinDir() + "/" + tool,
              "#!/bin/sh\necho chatter on stdout\necho chatter on stderr >&2\nexec sleep 60\n",
              0755);
  // Per cache the game's file, and another program's that stays, so each cache is rebuilt.
  const char* const caches[][2] = {{"applications/g.desktop", "applications/o.desktop"},
                                   {"mime/packages/g.xml", "mime/packages/o.xml"},
                                   {"icons/hicolor/48x48/apps/g.png", "icons/hicolor/o.png"}};
  for (const auto& [game, other] : caches) {
    for (const char* file : {game, other}) {
      MakeDirs(std::filesystem::path(lw.world.Path("share/") + file).parent_path().string());
      WriteFile(lw.world.Path("share/") + file, "x");
    }
    log += "File:" + lw.world.Path("share/") + game + "\n";
  }
  WriteFile(lw.bundle.resources + "/uninstall.log", log + "Self:\n");
  auto start = std::chrono::steady_clock::now();
  ProcessResult result = lw.Launch({"-Uninstall"}, lw.world.Path("record"));
  std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out.find("chatter"), std::string::npos) << result.out;
  EXPECT_EQ(result.err.find("chatter"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("updating the desktop's menus, file types and icons (at most 10 s)"),
            std::string::npos)
      << result.err;
  // The one bound (10 s) and some slack for a loaded machine, well short of one bound per tool.
  EXPECT_LT(took.count(), 10 + 8);
  for (const auto& [game, other] : caches) EXPECT_FALSE(FileExists(lw.world.Path("share/") + game));
}

// A cache whose folder lists nothing once the game's files are gone is removed rather than
// rebuilt, so the last game leaves no cache behind; while another program's file stays, the
// cache is rebuilt and stays.
TEST(Uninstall, CachesThatListNothingAreRemovedNotRebuilt) {
  // Per cache: the game's file, another program's file, and a file the cache's tool wrote.
  const char* const caches[][3] = {
      {"applications/g.desktop", "applications/o.desktop", "applications/mimeinfo.cache"},
      {"mime/packages/g.xml", "mime/packages/o.xml", "mime/mime.cache"},
      {"icons/hicolor/48x48/apps/g.png", "icons/hicolor/scalable/apps/o.svg",
       "icons/hicolor/icon-theme.cache"}};
  for (bool otherStays : {false, true}) {
    SCOPED_TRACE(otherStays ? "another program stays" : "the last game");
    LauncherWorld lw;
    lw.world.FakeTool("zenity", {"0", "0"});
    for (const char* tool :
         {"update-desktop-database", "update-mime-database", "gtk-update-icon-cache"})
      lw.world.FakeTool(tool);
    const std::string share = lw.world.Path("share/");
    std::string log = Named(lw);
    for (const auto& [game, other, generated] : caches) {
      for (const char* file : {game, other, generated}) {
        if (file == other && !otherStays) continue;
        MakeDirs(std::filesystem::path(share + file).parent_path().string());
        WriteFile(share + file, "x");
      }
      log += "File:" + share + game + "\n";
    }
    WriteFile(lw.bundle.resources + "/uninstall.log", log + "Self:\n");
    ProcessResult result = lw.Launch({"-Uninstall"}, lw.world.Path("record"));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(lw.world.Calls("update-mime-database").size(), otherStays ? 1u : 0u);
    for (const auto& [game, other, generated] : caches)
      EXPECT_EQ(FileExists(share + generated), otherStays) << generated;
  }
}

}  // namespace
