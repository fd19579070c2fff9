// Black-box tests of the launcher's run cycle: the built launcher runs in a temporary bundle
// with the test engine, and the tests read its log, the engine's call record and the alerts
// that fake zenity received.
#include "tests/support/launch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

class RunCycle : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(LauncherExe().empty());
    ASSERT_FALSE(TestEngineLibrary().empty());
    world.FakeTool("zenity");
    world.FakeTool("xdg-open");
  }
  // The log bodies of every run, failing the test when the banners are malformed.
  std::vector<std::string> LogRuns(const std::string& path) {
    std::vector<std::string> bodies;
    std::string why;
    EXPECT_TRUE(SplitLogRuns(ReadFile(path), &bodies, &why)) << why << "\n" << ReadFile(path);
    return bodies;
  }
  TempWorld world;
};

std::string NormalRunBody(const Bundle& bundle, const std::vector<std::string>& args,
                          const std::string& middle) {
  std::string body = "[main] Quarn Initialized: Test Game\n[main] Path: " + bundle.resources +
                     "\n[main] Command line:\n       " + bundle.exe + "\n";
  for (const auto& arg : args) body += "       " + arg + "\n";
  body +=
      "[main] DllName: quarnc.so\n[main] AppName: Test Game  (Test)\n"
      "[main] SdlMainInit\n[main] Creating GameTree\n";
  body += middle;
  return body;
}

TEST_F(RunCycle, NormalRunWritesExactLogAndDrivesEngineInOrder) {
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  std::vector<std::string> args = {"-foo", "two words"};
  Launch launch = RunLauncher(world, bundle, args);
  EXPECT_EQ(launch.process.exitCode, 0) << launch.process.err;

  std::vector<std::string> runs = LogRuns(world.LauncherLog());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], NormalRunBody(bundle, args,
                                   "[main] Running\n[main] Closing\n[main] SDL_Quit\n"
                                   "[main] Unloading Quarn\n[main] Exiting\n"));

  EXPECT_EQ(EngineEntries(launch.calls),
            (std::vector<std::string>{"qrnGetAppName", "qrnCreate", "qrnRun", "qrnClose"}));
  const EngineCall& create = launch.calls[1];
  EXPECT_EQ(create.fields.at("argc"), "3");
  EXPECT_EQ(create.fields.at("argv"), bundle.exe + "|-foo|two words|");
  EXPECT_EQ(create.fields.at("g_AppCommandLine"), "\"" + bundle.exe + "\" -foo two words ");
  EXPECT_EQ(create.fields.at("g_nBuild"), "42");
  EXPECT_EQ(create.fields.at("g_AppPath"), bundle.resources);
  EXPECT_EQ(create.fields.at("g_UserPath"), world.DataHome() + "/Quillfen/Test Game/");
  EXPECT_TRUE(launch.alerts.empty());
  // The engine saw the identity it reported and no held message.
  EXPECT_EQ(create.fields.at("g_AppNameLong"), "Test Game");
  EXPECT_EQ(create.fields.at("g_sDelayedIPC"), "");
}

TEST_F(RunCycle, RestartLoopStopsAfterTenRunsInOneLog) {
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  Launch launch = RunLauncher(world, bundle, {}, {{"QRN_TEST_CLOSE_RESULTS", "1"}});
  EXPECT_EQ(launch.process.exitCode, 0) << launch.process.err;

  std::vector<std::string> runs = LogRuns(world.LauncherLog());
  ASSERT_EQ(runs.size(), 10u);
  for (size_t i = 0; i < runs.size(); ++i) {
    // Every run asked for a restart, the tenth too; its result is ignored, and the log says so.
    const char* last =
        i + 1 == runs.size() ? "[main] No restart: the last run allowed has ended\n" : "";
    EXPECT_EQ(runs[i], NormalRunBody(bundle, {},
                                     "[main] Running\n[main] Closing\n[main] SDL_Quit\n"
                                     "[main] Unloading Quarn\n[main] restart requested\n       " +
                                         bundle.exe + "\n" + last + "[main] Exiting\n"));
  }
  int creates = 0, closes = 0;
  std::set<std::string> userPaths, pids;
  for (const auto& call : launch.calls) {
    creates += call.entry == "qrnCreate";
    closes += call.entry == "qrnClose";
    if (call.entry != "qrnGetAppName") userPaths.insert(call.fields.at("g_UserPath"));
    pids.insert(call.fields.at("pid"));
  }
  EXPECT_EQ(creates, 10);
  EXPECT_EQ(closes, 10);
  EXPECT_EQ(userPaths, (std::set<std::string>{world.DataHome() + "/Quillfen/Test Game/"}));
  EXPECT_EQ(pids.size(), 1u);  // restarts happen inside one process
}

// Started by a relative path from another folder, the launcher still finds its bundle in
// every restart, not only in the first run.
TEST_F(RunCycle, RestartFindsTheBundleWhenStartedByARelativePath) {
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  ProcessOptions options = world.ChildOptions();
  options.env.push_back({"QRN_TEST_RECORD", world.Path("record.txt")});
  options.env.push_back({"QRN_TEST_CLOSE_RESULTS", "1,1,0"});
  options.workDir = world.Root();
  ProcessResult result = RunProcess({"bundle/bin/quarn"}, options);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(world.Calls("zenity").empty());
  int creates = 0;
  for (const auto& call : ReadEngineRecord(world.Path("record.txt")))
    creates += call.entry == "qrnCreate";
  EXPECT_EQ(creates, 3);
  EXPECT_EQ(LogRuns(world.LauncherLog()).size(), 3u);
}

// Started by a bare name found on PATH, or through a symbolic link in another folder, the
// launcher finds its bundle from its own path, never below the folder it was started from
// (whose Resources/quarnc.so would show a "missing symbols" alert). A bundle whose
// bin/<launcher> is a link to a launcher shared by several games (with no bundle of its own)
// is found where that link lies, however it was started.
TEST_F(RunCycle, FindsItsBundleFromItsOwnPathNotTheStartFolder) {
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  MakeDirs(world.Path("start/Resources"));
  WriteFile(world.Path("start/Resources/quarnc.so"), ReadFile(IncompleteEngineLibrary()), 0755);
  MakeDirs(world.Path("games"));
  ASSERT_EQ(symlink(bundle.exe.c_str(), world.Path("games/quarn-demo").c_str()), 0);
  MakeDirs(world.Path("libexec"));
  MakeDirs(world.Path("sharing/bin"));
  MakeDirs(world.Path("sharing/Resources"));
  WriteFile(world.Path("libexec/quarn"), ReadFile(bundle.exe), 0755);
  WriteFile(world.Path("sharing/Resources/quarnc.so"), ReadFile(TestEngineLibrary()), 0755);
  ASSERT_EQ(symlink("../../libexec/quarn", world.Path("sharing/bin/linked").c_str()), 0);
  ASSERT_EQ(symlink("../sharing/bin/linked", world.Path("games/linked").c_str()), 0);
  const std::string linked = world.Path("sharing/Resources");
  const std::string cases[][4] = {
      {"quarn", bundle.root + "/bin", "quarn", bundle.resources},
      {"quarn-demo", world.Path("games"), "quarn-demo", bundle.resources},
      {world.Path("games/quarn-demo"), "/bin", "quarn-demo", bundle.resources},
      {world.Path("sharing/bin/linked"), "/bin", "linked", linked},
      {world.Path("games/linked"), "/bin", "linked", linked},
      {"linked", world.Path("games"), "linked", linked}};
  for (const auto& [program, pathFolder, logName, resources] : cases) {
    ProcessOptions options = world.ChildOptions();
    options.env.push_back({"PATH", pathFolder + ":" + world.BinDir() + ":/usr/bin:/bin"});
    options.env.push_back({"QRN_TEST_RECORD", world.Path(logName)});
    options.workDir = world.Path("start");
    EXPECT_EQ(RunProcess({program}, options).exitCode, 0) << program;
    EXPECT_EQ(ReadEngineRecord(world.Path(logName)).size(), 4u) << program;
    std::string log = ReadFile(world.DataHome() + "/Quillfen/Test Game/" + logName + ".txt");
    EXPECT_NE(log.find("[main] Path: " + std::filesystem::canonical(resources).string() +
                       "\n[main] Command line:\n       " + program + "\n"),
              std::string::npos)
        << log;
    std::filesystem::remove(world.Path(logName));
  }
  EXPECT_TRUE(world.Calls("zenity").empty());
}

struct CreateCase {
  const char* createResult;
  const char* closeResults;
  int expectedRuns;
};

class CreateResult : public RunCycle, public ::testing::WithParamInterface<CreateCase> {};

// A non-zero create result skips qrnRun but not qrnClose, whose result still decides.
TEST_P(CreateResult, SkipsRunButStillClosesAndRestarts) {
  const CreateCase& c = GetParam();
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  Launch launch = RunLauncher(
      world, bundle, {},
      {{"QRN_TEST_CREATE_RESULT", c.createResult}, {"QRN_TEST_CLOSE_RESULTS", c.closeResults}});
  std::vector<std::string> expected;
  for (int i = 0; i < c.expectedRuns; ++i) {
    expected.insert(expected.end(), {"qrnGetAppName", "qrnCreate", "qrnClose"});
  }
  EXPECT_EQ(EngineEntries(launch.calls), expected);
  std::vector<std::string> runs = LogRuns(world.LauncherLog());
  ASSERT_EQ(runs.size(), static_cast<size_t>(c.expectedRuns));
  for (int i = 0; i < c.expectedRuns; ++i) {
    bool restart = i + 1 < c.expectedRuns || c.expectedRuns == 10;
    std::string tail =
        "[main] GameTree requests immediate exit\n[main] Closing\n"
        "[main] SDL_Quit\n[main] Unloading Quarn\n";
    if (restart) tail += "[main] restart requested\n       " + bundle.exe + "\n";
    if (i == 9) tail += "[main] No restart: the last run allowed has ended\n";
    tail += "[main] Exiting\n";
    EXPECT_EQ(runs[i], NormalRunBody(bundle, {}, tail)) << "run " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Results, CreateResult,
                         ::testing::Values(CreateCase{"1", "0", 1}, CreateCase{"-3", "0", 1},
                                           CreateCase{"1", "1,0", 2}, CreateCase{"2", "1", 10}));

// Documents of a desktop launch arrive before any engine is bound: all are held and delivered
// in order right after qrnCreate, also when create asks to exit, and only once.
struct HeldCase {
  const char* name;
  const char* createResult;
  const char* closeResults;
  std::vector<std::string> entries;
};

class HeldMessageDelivery : public RunCycle, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(HeldMessageDelivery, ArrivesAfterCreateExactlyOnce) {
  const HeldCase& c = GetParam();
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  Launch launch = RunLauncher(
      world, bundle, {"-psn_desktop", "/docs/first.sav", "/docs/second.sav"},
      {{"QRN_TEST_CREATE_RESULT", c.createResult}, {"QRN_TEST_CLOSE_RESULTS", c.closeResults}});
  EXPECT_EQ(launch.process.exitCode, 0) << launch.process.err;
  ASSERT_EQ(EngineEntries(launch.calls), c.entries);
  const std::string first = "OpenFile|/docs/first.sav";
  const std::string message = "OpenFile|/docs/second.sav";
  EXPECT_EQ(launch.calls[2].fields.at("message"), first);
  EXPECT_EQ(launch.calls[3].fields.at("message"), message);
  // The latest held until create had run, empty from then on.
  EXPECT_EQ(launch.calls[1].fields.at("g_sDelayedIPC"), message);
  EXPECT_EQ(launch.calls.back().fields.at("g_sDelayedIPC"), "");
  // The desktop launch hides every argument after argument 0 from the run cycle.
  EXPECT_EQ(launch.calls[1].fields.at("argc"), "1");

  std::vector<std::string> runs = LogRuns(world.LauncherLog());
  ASSERT_FALSE(runs.empty());
  const std::string delivered =
      "[main] Creating GameTree\n[SendIPC] " + first + "\n[SendIPC] " + message + "\n";
  EXPECT_NE(runs[0].find(delivered), std::string::npos) << runs[0];
  for (size_t i = 1; i < runs.size(); ++i) {
    EXPECT_EQ(runs[i].find("[SendIPC]"), std::string::npos) << "run " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Launches, HeldMessageDelivery,
    ::testing::Values(
        HeldCase{"Normal",
                 "0",
                 "0",
                 {"qrnGetAppName", "qrnCreate", "qrnSendIPC", "qrnSendIPC", "qrnRun", "qrnClose"}},
        HeldCase{"CreateAsksToExit",
                 "1",
                 "0",
                 {"qrnGetAppName", "qrnCreate", "qrnSendIPC", "qrnSendIPC", "qrnClose"}},
        HeldCase{"NotAgainOnRestart",
                 "0",
                 "1,0",
                 {"qrnGetAppName", "qrnCreate", "qrnSendIPC", "qrnSendIPC", "qrnRun", "qrnClose",
                  "qrnGetAppName", "qrnCreate", "qrnRun", "qrnClose"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunCycle, MissingEngineShowsLoaderErrorAndLoadsNothing) {
  Bundle bundle = MakeBundle(world, "");
  Launch launch = RunLauncher(world, bundle, {});
  EXPECT_EQ(launch.process.exitCode, 1);  // could not play
  ASSERT_EQ(launch.alerts.size(), 1u);
  EXPECT_EQ(launch.alerts[0],
            "ERROR\n\nCan't load quarnc.so!\nError: ./quarnc.so: cannot open "
            "shared object file: No such file or directory");
  EXPECT_TRUE(launch.calls.empty());
  EXPECT_FALSE(FileExists(world.LauncherLog()));
  EXPECT_FALSE(FileExists(bundle.resources + "/quarn.txt"));
}

// A library named quarnc.so on the loader's search path is never the one that is loaded:
// the engine always comes from the bundle's Resources folder.
struct DecoyCase {
  const char* name;
  bool engineInResources;
  bool decoyIsIncomplete;
  const char* expectedAlertStart;  // null: a normal run
};

class Decoy : public RunCycle, public ::testing::WithParamInterface<DecoyCase> {};

TEST_P(Decoy, LibraryOnSearchPathIsNeverLoaded) {
  const DecoyCase& c = GetParam();
  std::string decoyDir = world.Path("decoy");
  MakeDirs(decoyDir);
  std::string decoySource = c.decoyIsIncomplete ? IncompleteEngineLibrary() : TestEngineLibrary();
  WriteFile(decoyDir + "/quarnc.so", ReadFile(decoySource), 0755);
  Bundle bundle = MakeBundle(world, c.engineInResources ? TestEngineLibrary() : "");
  // The decoy folder goes first; the inherited path stays (it may name the SDL to test on).
  const char* inherited = getenv("LD_LIBRARY_PATH");
  std::string searchPath =
      decoyDir + (inherited && inherited[0] ? ":" + std::string(inherited) : "");
  Launch launch = RunLauncher(world, bundle, {},
                              {{"LD_LIBRARY_PATH", searchPath}, {"QRN_TEST_LONG_NAME", "Decoy"}});
  EXPECT_EQ(launch.process.exitCode, c.expectedAlertStart ? 1 : 0);  // 1: could not play
  if (c.expectedAlertStart) {
    ASSERT_EQ(launch.alerts.size(), 1u);
    EXPECT_EQ(launch.alerts[0].rfind(c.expectedAlertStart, 0), 0u) << launch.alerts[0];
    EXPECT_TRUE(launch.calls.empty());  // the decoy test engine would have recorded calls
  } else {
    EXPECT_TRUE(launch.alerts.empty());
    EXPECT_EQ(EngineEntries(launch.calls),
              (std::vector<std::string>{"qrnGetAppName", "qrnCreate", "qrnRun", "qrnClose"}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Decoy,
    ::testing::Values(DecoyCase{"NoEngineInBundle", false, false,
                                "ERROR\n\nCan't load quarnc.so!\nError: ./quarnc.so: "},
                      DecoyCase{"BundleEngineWins", true, true, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// Without a resource folder to enter, a library of the engine's name in the directory the
// launcher was started from is not loaded.
TEST_F(RunCycle, NoResourceFolderLoadsNothingFromStartDirectory) {
  Bundle bundle = MakeBundle(world, "");
  std::filesystem::remove_all(bundle.resources);
  std::string startDir = world.Path("start");
  MakeDirs(startDir);
  WriteFile(startDir + "/quarnc.so", ReadFile(TestEngineLibrary()), 0755);
  ProcessOptions options = world.ChildOptions();
  options.env.push_back({"QRN_TEST_RECORD", world.Path("record.txt")});
  options.workDir = startDir;
  ProcessResult result = RunProcess({bundle.exe}, options);
  EXPECT_EQ(result.exitCode, 1) << result.err;  // could not play
  EXPECT_TRUE(ReadEngineRecord(world.Path("record.txt")).empty());
  std::vector<std::vector<std::string>> calls = world.Calls("zenity");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(AlertExplanation(calls[0]),
            "ERROR\n\nCan't load quarnc.so!\nError: can't enter the folder " + bundle.resources);
  EXPECT_FALSE(FileExists(startDir + "/quarn.txt"));
}

TEST_F(RunCycle, IncompleteEngineAlertsAndLogsInWorkingDirectory) {
  ASSERT_FALSE(IncompleteEngineLibrary().empty());
  Bundle bundle = MakeBundle(world, IncompleteEngineLibrary());
  Launch launch = RunLauncher(world, bundle, {});
  EXPECT_EQ(launch.process.exitCode, 1);  // could not play
  ASSERT_EQ(launch.alerts.size(), 1u);
  EXPECT_EQ(launch.alerts[0], "ERROR\n\n missing symbols in quarnc.so!");
  EXPECT_TRUE(launch.calls.empty());  // not even the identity is asked for
  EXPECT_NE(launch.process.err.find("quarn: missing entry point qrnSendIPC in quarnc.so\n"),
            std::string::npos)
      << launch.process.err;
  // The data folder is not known yet, so the log opens in the working directory; the process
  // ends without closing it.
  std::string log = ReadFile(bundle.resources + "/quarn.txt");
  std::vector<std::string> bodies;
  std::string why;
  EXPECT_FALSE(SplitLogRuns(log, &bodies, &why));
  EXPECT_NE(log.find("EXE LOG opened "), std::string::npos);
  EXPECT_EQ(log.substr(log.find("\n\n") + 2),
            "[InitQuarn] GetDllSymbol FAILED\n[InitQuarn] missing entry point: qrnSendIPC\n");
  EXPECT_FALSE(FileExists(world.LauncherLog()));
}

TEST_F(RunCycle, NoWriteableDataFolderAlertsAndWritesNoLog) {
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  MakeDirs(world.Home() + "/.local");
  WriteFile(world.DataHome(), "not a folder");
  WriteFile(world.Home() + "/Documents", "not a folder");
  Launch launch = RunLauncher(world, bundle, {});
  EXPECT_EQ(launch.process.exitCode, 1);  // could not play
  EXPECT_EQ(launch.alerts,
            std::vector<std::string>{"FAILED to find a writeable folder for game data!"});
  EXPECT_EQ(EngineEntries(launch.calls), (std::vector<std::string>{"qrnGetAppName"}));
  EXPECT_FALSE(FileExists(bundle.resources + "/quarn.txt"));
}

TEST_F(RunCycle, SdlStartFailureAlertsAndNeverCreatesEngine) {
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  Launch launch = RunLauncher(world, bundle, {}, {{"SDL_VIDEODRIVER", "nonexistent"}});
  EXPECT_EQ(launch.process.exitCode, 1);  // could not play
  ASSERT_EQ(launch.alerts.size(), 1u);
  const std::string prefix = "SDL Init Failed\n\n";
  EXPECT_EQ(launch.alerts[0].rfind(prefix, 0), 0u) << launch.alerts[0];
  EXPECT_GT(launch.alerts[0].size(), prefix.size());  // SDL's own error text follows
  EXPECT_EQ(EngineEntries(launch.calls), (std::vector<std::string>{"qrnGetAppName"}));
  std::string log = ReadFile(world.LauncherLog());
  const std::string tail = "[main] SdlMainInit\n[main] SdlMainInit FAILED\n";
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);  // and the log is left open
}

// An engine that links no SDL gets SDL 1.2 loaded and its video started by the launcher (it
// ends with status 5 otherwise), and SDL's failure to start is still an alert.
struct SdlFreeCase {
  const char* driver;
  int exitCode;
  size_t alerts;
};

class SdlFreeEngine : public RunCycle, public ::testing::WithParamInterface<SdlFreeCase> {};

TEST_P(SdlFreeEngine, PlaysOnTheSdlTheLauncherLoads) {
  Bundle bundle = MakeBundle(world, SdlFreeEngineLibrary());
  Launch launch = RunLauncher(world, bundle, {}, {{"SDL_VIDEODRIVER", GetParam().driver}});
  EXPECT_EQ(launch.process.exitCode, GetParam().exitCode);
  ASSERT_EQ(launch.alerts.size(), GetParam().alerts);
  for (const std::string& alert : launch.alerts) EXPECT_EQ(alert.rfind("SDL Init Failed\n\n", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Drivers, SdlFreeEngine,
                         ::testing::Values(SdlFreeCase{"dummy", 0, 0},
                                           SdlFreeCase{"nonexistent", 1, 1}));

// -MakeGob and -MakePatchGob (exact case only) silence every dialog: the SDL failure's alert
// then does not reach zenity.
struct GuiCase {
  std::vector<std::string> args;
  bool alertShown;
};

class NoNativeGui : public RunCycle, public ::testing::WithParamInterface<GuiCase> {};

TEST_P(NoNativeGui, ExactOptionSilencesDialogs) {
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  Launch launch = RunLauncher(world, bundle, GetParam().args, {{"SDL_VIDEODRIVER", "nonexistent"}});
  EXPECT_EQ(launch.alerts.size(), GetParam().alertShown ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Options, NoNativeGui,
                         ::testing::Values(GuiCase{{}, true}, GuiCase{{"-MakeGob"}, false},
                                           GuiCase{{"-MakePatchGob"}, false},
                                           GuiCase{{"-x", "-MakeGob", "y"}, false},
                                           GuiCase{{"-makegob"}, true},
                                           GuiCase{{"-MAKEPATCHGOB"}, true},
                                           GuiCase{{"-MakeGobX"}, true}));

// The forwarded command line drops install-time options (any case), some with their value;
// the engine's qrnCreate still receives every argument unchanged.
struct ForwardCase {
  std::vector<std::string> args;
  std::string forwardedAfterExe;
};

class ForwardedCommandLine : public RunCycle, public ::testing::WithParamInterface<ForwardCase> {};

TEST_P(ForwardedCommandLine, DropsInstallOptions) {
  const ForwardCase& c = GetParam();
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  Launch launch = RunLauncher(world, bundle, c.args);
  ASSERT_GE(launch.calls.size(), 2u);
  const EngineCall& create = launch.calls[1];
  ASSERT_EQ(create.entry, "qrnCreate");
  EXPECT_EQ(create.fields.at("g_AppCommandLine"), "\"" + bundle.exe + "\" " + c.forwardedAfterExe);
  std::string argv = bundle.exe + "|";
  for (const auto& arg : c.args) argv += arg + "|";
  EXPECT_EQ(create.fields.at("argv"), argv);
}

INSTANTIATE_TEST_SUITE_P(
    Options, ForwardedCommandLine,
    ::testing::Values(ForwardCase{{}, ""}, ForwardCase{{"-INSTALLDECK", "x", "-foo"}, "-foo "},
                      ForwardCase{{"-foo", "-InstallDeck"}, "-foo "},
                      ForwardCase{{"-install", "-SafeMode", "-INSTALLCD", "-bar"}, "-bar "},
                      ForwardCase{{"-installenvironment", "a", "-InstallTutorial", "b", "c"}, "c "},
                      ForwardCase{{"-InstallDeck", "-install", "y"}, "y "},
                      ForwardCase{{"-installdeckx", "-installs", "install"},
                                  "-installdeckx -installs install "},
                      ForwardCase{{"-MakeGob", "-Uninstallx"}, "-MakeGob -Uninstallx "}));

TEST_F(RunCycle, OverlongCommandLineIsCutAtCapacity) {
  Bundle bundle = MakeBundle(world, TestEngineLibrary());
  std::vector<std::string> args;
  std::string full = "\"" + bundle.exe + "\" ";
  for (int i = 0; i < 60; ++i) {
    args.push_back(std::string(99, static_cast<char>('a' + i % 26)));
    full += args.back() + " ";
  }
  Launch launch = RunLauncher(world, bundle, args);
  EXPECT_EQ(launch.process.exitCode, 0) << launch.process.err;
  ASSERT_GE(launch.calls.size(), 2u);
  const std::string& forwarded = launch.calls[1].fields.at("g_AppCommandLine");
  EXPECT_EQ(forwarded, full.substr(0, 4095));
  EXPECT_EQ(EngineEntries(launch.calls).back(), "qrnClose");
}

// The demo game ends by itself under the dummy video driver and shows what it receives.
TEST_F(RunCycle, DemoEngineEndsByItselfAndPrintsReceivedDocument) {
  ASSERT_FALSE(DemoEngineLibrary().empty());
  Bundle bundle = MakeBundle(world, DemoEngineLibrary());
  Launch launch = RunLauncher(world, bundle, {"-psn_desktop", "/docs/level.sav"});
  EXPECT_EQ(launch.process.exitCode, 0) << launch.process.err;
  EXPECT_FALSE(launch.process.timedOut);
  EXPECT_NE(launch.process.out.find("Quarn Demo received: OpenFile|/docs/level.sav\n"),
            std::string::npos)
      << launch.process.out;
  std::vector<std::string> runs = LogRuns(world.LauncherLog("Quarn Demo"));
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_NE(runs[0].find("[main] AppName: Quarn Demo  (Demo)\n"), std::string::npos);
  EXPECT_NE(runs[0].find("[main] Running\n[main] Closing\n"), std::string::npos);
}

}  // namespace
