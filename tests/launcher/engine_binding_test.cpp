// Unit tests of the engine binding and message forwarding, against the real test engine
// libraries: holding a message while no engine can take it, binding and unbinding, the two
// failure alerts, and the loader wrappers' refusals.
#include "launcher/engine.h"
#include "platform/loader.h"
#include "platform/log.h"
#include "state/state.h"
#include "tests/support/launch.h"

#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class EngineBinding : public ::testing::Test {
 protected:
  void SetUp() override {
    world.FakeTool("zenity");
    world.Apply();
    setenv("QRN_TEST_RECORD", world.Path("record.txt").c_str(), 1);
    char cwd[1024];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    savedCwd = cwd;
    ASSERT_EQ(chdir(world.Root().c_str()), 0);
    // The library handle may survive from an earlier test in this process; every entry
    // point and buffer starts unbound and empty.
    g_Dll = nullptr;
    UnloadQuarn();
    qrnSendIPC = nullptr;
    g_sDelayedIPC[0] = '\0';
    g_bNoNativeGui = 0;
    snprintf(g_UserPath, sizeof g_UserPath, "%s/", world.Root().c_str());
    snprintf(g_AppFilename, sizeof g_AppFilename, "unit");
  }
  void TearDown() override {
    CloseLog();
    unsetenv("QRN_TEST_RECORD");
    EXPECT_EQ(chdir(savedCwd.c_str()), 0);
  }
  std::string LogText() { return ReadFile(world.Root() + "/unit.txt"); }
  std::vector<std::string> Alerts() {
    std::vector<std::string> alerts;
    for (const auto& call : world.Calls("zenity")) alerts.push_back(AlertExplanation(call));
    return alerts;
  }
  void Bind(const std::string& library) {
    snprintf(g_DllName, sizeof g_DllName, "%s", library.c_str());
  }

  TempWorld world;
  std::string savedCwd;
};

struct HoldCase {
  const char* name;
  std::vector<std::string> messages;
  std::string expectedHeld;
};

class HeldMessage : public EngineBinding, public ::testing::WithParamInterface<HoldCase> {};

TEST_P(HeldMessage, DelayedIpcShowsTheLatestAndLogsNothing) {
  for (const auto& message : GetParam().messages) SendIPC(message.c_str());
  EXPECT_EQ(std::string(g_sDelayedIPC), GetParam().expectedHeld);
  EXPECT_FALSE(FileExists(world.Root() + "/unit.txt"));
  EXPECT_EQ(g_sDelayedIPC[kCommandLineCapacity - 1], '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Messages, HeldMessage,
    ::testing::Values(HoldCase{"One", {"OpenFile|/a/doc"}, "OpenFile|/a/doc"},
                      HoldCase{
                          "SecondReplacesFirst", {"OpenFile|/a", "OpenFile|/b"}, "OpenFile|/b"},
                      HoldCase{"ShorterReplacesLonger", {"OpenFile|/long/path", "x"}, "x"},
                      HoldCase{"CutAtCapacity", {std::string(5000, 'm')}, std::string(4095, 'm')},
                      HoldCase{"ExactlyFits", {std::string(4095, 'n')}, std::string(4095, 'n')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineBinding, DelayedIpcPassedBackAfterBindingReachesEngine) {
  SendIPC("OpenFile|/first");
  SendIPC("OpenFile|/second");
  Bind(TestEngineLibrary());
  ASSERT_EQ(InitQuarn(), 1);
  SendIPC(g_sDelayedIPC);  // what the run cycle does right after qrnCreate
  std::vector<EngineCall> calls = ReadEngineRecord(world.Path("record.txt"));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].entry, "qrnSendIPC");
  EXPECT_EQ(calls[0].fields.at("message"), "OpenFile|/second");
  // Only the delivery is logged; holding the two messages wrote nothing.
  std::string log = LogText();
  EXPECT_EQ(log.substr(log.find("\n\n") + 2), "[SendIPC] OpenFile|/second\n");
}

TEST_F(EngineBinding, UnloadKeepsSendBoundSoMessagesGoStraightThrough) {
  Bind(TestEngineLibrary());
  ASSERT_EQ(InitQuarn(), 1);
  void* handle = g_Dll;
  EXPECT_TRUE(qrnGetAppName && qrnCreate && qrnRun && qrnClose && qrnSendIPC);
  UnloadQuarn();
  EXPECT_EQ(qrnGetAppName, nullptr);
  EXPECT_EQ(qrnCreate, nullptr);
  EXPECT_EQ(qrnRun, nullptr);
  EXPECT_EQ(qrnClose, nullptr);
  EXPECT_NE(qrnSendIPC, nullptr);
  EXPECT_EQ(g_Dll, handle);

  SendIPC("OpenFile|/between/runs");
  EXPECT_EQ(g_sDelayedIPC[0], '\0');
  std::vector<EngineCall> calls = ReadEngineRecord(world.Path("record.txt"));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].fields.at("message"), "OpenFile|/between/runs");
  EXPECT_NE(LogText().find("[SendIPC] OpenFile|/between/runs\n"), std::string::npos);

  // The next run binds again with the library it already holds.
  ASSERT_EQ(InitQuarn(), 1);
  EXPECT_EQ(g_Dll, handle);
  EXPECT_NE(qrnCreate, nullptr);
  EXPECT_TRUE(Alerts().empty());
}

TEST_F(EngineBinding, IncompleteLibraryKeepsFoundEntryPointsAndHoldsMessages) {
  ASSERT_FALSE(IncompleteEngineLibrary().empty());
  Bind(IncompleteEngineLibrary());
  EXPECT_EQ(InitQuarn(), 0);
  EXPECT_NE(g_Dll, nullptr);
  EXPECT_TRUE(qrnGetAppName && qrnCreate && qrnRun && qrnClose);
  EXPECT_EQ(qrnSendIPC, nullptr);
  EXPECT_EQ(Alerts(), (std::vector<std::string>{"ERROR\n\n missing symbols in " +
                                                IncompleteEngineLibrary() + "!"}));
  std::string log = LogText();
  EXPECT_EQ(log.substr(log.find("\n\n") + 2),
            "[InitQuarn] GetDllSymbol FAILED\n"
            "[InitQuarn] missing entry point: qrnSendIPC\n");
  SendIPC("OpenFile|/held");
  EXPECT_STREQ(g_sDelayedIPC, "OpenFile|/held");
}

TEST_F(EngineBinding, LoadFailureLeavesHandleNullSoALaterCallTriesAgain) {
  Bind("quarnc.so");  // a bare name: looked for in the working directory only
  EXPECT_EQ(InitQuarn(), 0);
  EXPECT_EQ(g_Dll, nullptr);
  EXPECT_EQ(qrnSendIPC, nullptr);
  EXPECT_EQ(Alerts(), (std::vector<std::string>{"ERROR\n\nCan't load quarnc.so!\nError: "
                                                "./quarnc.so: cannot open shared object "
                                                "file: No such file or directory"}));
  EXPECT_FALSE(FileExists(world.Root() + "/unit.txt"));  // no log line for this failure

  WriteFile(world.Root() + "/quarnc.so", ReadFile(TestEngineLibrary()), 0755);
  EXPECT_EQ(InitQuarn(), 1);
  EXPECT_NE(g_Dll, nullptr);
}

// A bare name is never looked up on the loader's search path, where a library of the same
// name would be found: only the working directory's file of that name is opened, and the
// reason names the file that was tried.
TEST_F(EngineBinding, BareNameOpensOnlyTheWorkingDirectorysFile) {
  ASSERT_NE(dlopen("libc.so.6", RTLD_LAZY | RTLD_NOLOAD), nullptr);  // on the search path
  WriteFile(world.Root() + "/notes.so", "not a library", 0755);
  const struct {
    const char* name;
    const char* tried;
  } cases[] = {{"libc.so.6", "./libc.so.6"}, {"notes.so", "./notes.so"}};
  for (const auto& c : cases) {
    const char* error = nullptr;
    EXPECT_EQ(LoadDll(c.name, &error), nullptr) << c.name;
    ASSERT_NE(error, nullptr) << c.name;
    EXPECT_NE(std::string(error).find(c.tried), std::string::npos) << error;
  }
}

TEST(DllWrappers, NullHandleFindsNothingEvenWhereTheProcessExportsTheName) {
  // This binary exports the launcher's variables, among them one named qrnCreate.
  ASSERT_NE(dlsym(RTLD_DEFAULT, "qrnCreate"), nullptr);
  EXPECT_EQ(GetDllSymbol(nullptr, "qrnCreate"), nullptr);
}

struct RefusalCase {
  const char* name;
  std::string path;
  const char* error;
};

class LoadRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(LoadRefusal, ReportsWhyWithoutLoading) {
  const char* error = nullptr;
  EXPECT_EQ(LoadDll(GetParam().path.c_str(), &error), nullptr);
  EXPECT_STREQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Names, LoadRefusal,
                         ::testing::Values(RefusalCase{"Empty", "", "no library name"},
                                           RefusalCase{"BareNameTooLong", std::string(1030, 'q'),
                                                       "library path too long"},
                                           RefusalCase{"PathTooLong", "/" + std::string(1030, 'q'),
                                                       "library path too long"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
