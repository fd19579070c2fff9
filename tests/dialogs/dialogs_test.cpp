// Alerts, questions and web addresses against the fake zenity and xdg-open of a TempWorld:
// the exact argument vectors, markup escaping and the 255-character cut, the answers, the
// suppression flag, the fallbacks without display or zenity, and no zombies or inherited
// signal state in the children.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "state/state.h"
#include "tests/support/temp_world.h"

namespace {

using Args = std::vector<std::string>;

const char* const kWorldVariables[] = {
    "HOME", "XDG_DATA_HOME",   "XDG_CONFIG_HOME", "QFN_SYSTEM_PREFS",
    "PATH", "SDL_VIDEODRIVER", "DISPLAY",         "WAYLAND_DISPLAY"};

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kWorldVariables) {
      const char* value = getenv(name);
      m_saved.push_back({name, value ? value : "", value != nullptr});
    }
    world.FakeTool("zenity");
    world.FakeTool("xdg-open");
    world.Apply(true);
    g_bNoNativeGui = 0;
  }
  void TearDown() override {
    g_bNoNativeGui = 0;
    for (const Saved& s : m_saved) {
      if (s.set)
        setenv(s.name.c_str(), s.value.c_str(), 1);
      else
        unsetenv(s.name.c_str());
    }
  }

  static Args InfoArgs(const std::string& markup) {
    return {"--info", "--icon-name=dialog-information", "--text=<b>Error</b>\n\n" + markup};
  }
  static Args QuestionArgs(const std::string& markup) {
    return {"--question", "--icon-name=dialog-information", "--text=<b>Error</b>\n\n" + markup,
            "--ok-label=OK", "--cancel-label=Cancel"};
  }
  // xdg-open runs unwaited: wait until it has recorded `count` calls.
  std::vector<Args> WaitForOpenerCalls(size_t count) {
    for (int i = 0; i < 500 && world.Calls("xdg-open").size() < count; ++i) usleep(10000);
    usleep(50000);  // room for any call that should not have happened
    return world.Calls("xdg-open");
  }

  struct Saved {
    std::string name, value;
    bool set;
  };
  std::vector<Saved> m_saved;
  TempWorld world;
};

TEST_F(DialogsTest, AlertAndQuestionPassTheExactArguments) {
  Alertf("Could not load %s (%d)", "quarnc.so", 2);
  EXPECT_EQ(AskYesNof("Remove %s?", "Big Game"), 1);
  EXPECT_EQ(world.Calls("zenity"), (std::vector<Args>{
                                       InfoArgs("Could not load quarnc.so (2)"),
                                       QuestionArgs("Remove Big Game?"),
                                   }));
}

TEST_F(DialogsTest, ExplanationIsEscapedAndShownAsUtf8) {
  struct Case {
    const char* text;
    const char* markup;
  } cases[] = {
      {"", ""},
      {"a<b>&c", "a&lt;b&gt;&amp;c"},
      {"<b>not bold</b>", "&lt;b&gt;not bold&lt;/b&gt;"},
      {"&amp;", "&amp;amp;"},
      {"caf\xe9 \xc4\xff", "caf\xc3\xa9 \xc3\x84\xc3\xbf"},                  // ISO 8859-1
      {"Caf\xc3\xa9 Tiles \xe2\x82\xac", "Caf\xc3\xa9 Tiles \xe2\x82\xac"},  // UTF-8 as it is
      {"Caf\xc3\xa9 \xe2\x82", "Caf\xc3\xa9 "},  // its last character cut short by a copy
      // Not UTF-8 as a whole (a stray byte, an overlong form, a surrogate): ISO 8859-1.
      {"Caf\xc3\xa9 \xe9 x", "Caf\xc3\x83\xc2\xa9 \xc3\xa9 x"},
      {"\xc0\xaf", "\xc3\x80\xc2\xaf"},
      {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},
      {"C:\\path\\n", "C:\\\\path\\\\n"},
      {"two\nlines\tand tab", "two\nlines\tand tab"},
      {"bell\a esc\x1b", "bell? esc?"},
      {"100% 'quoted' \"text\"", "100% 'quoted' \"text\""},
  };
  std::vector<Args> expected;
  for (const Case& c : cases) {
    Alertf("%s", c.text);
    expected.push_back(InfoArgs(c.markup));
  }
  EXPECT_EQ(world.Calls("zenity"), expected);
}

TEST_F(DialogsTest, DialogsShowAtMostTheFirst255Characters) {
  std::string digits;
  for (int i = 0; i < 200; ++i) digits += static_cast<char>('0' + i % 10);
  std::string text;
  for (int i = 0; i < 8; ++i) text += digits;  // 1600 characters, past the 1022 of the buffer
  struct Case {
    size_t length;
    size_t shown;
  } cases[] = {{0, 0},     {1, 1},      {254, 254},  {255, 255}, {256, 255},
               {300, 255}, {1022, 255}, {1023, 255}, {1600, 255}};
  std::vector<Args> expected;
  for (const Case& c : cases) {
    Alertf("%s", text.substr(0, c.length).c_str());
    AskYesNof("%s", text.substr(0, c.length).c_str());
    expected.push_back(InfoArgs(text.substr(0, c.shown)));
    expected.push_back(QuestionArgs(text.substr(0, c.shown)));
  }
  EXPECT_EQ(world.Calls("zenity"), expected);
}

TEST_F(DialogsTest, OnlyOkAnswersYes) {
  struct Case {
    const char* exitStatus;
    int answer;
  } cases[] = {{"0", 1}, {"1", 0}, {"5", 0}, {"255", 0}, {"0", 1}};
  std::vector<std::string> answers;
  for (const Case& c : cases) answers.push_back(c.exitStatus);
  world.FakeTool("zenity", answers);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exitStatus);
    EXPECT_EQ(AskYesNof("Proceed?"), c.answer);
  }
  EXPECT_EQ(world.Calls("zenity").size(), 5u);
}

TEST_F(DialogsTest, AlertNotConfirmedGoesToStandardError) {
  struct Case {
    const char* exitStatus;
    const char* err;
  } cases[] = {{"0", ""}, {"1", "Error: No video <device>\n"}, {"9", "Error: No video <device>\n"}};
  std::vector<std::string> answers;
  for (const Case& c : cases) answers.push_back(c.exitStatus);
  world.FakeTool("zenity", answers);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exitStatus);
    testing::internal::CaptureStderr();
    Alertf("No video %s", "<device>");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err);
  }
}

TEST_F(DialogsTest, SuppressionSilencesDialogsButNotTheBrowser) {
  g_bNoNativeGui = 1;
  testing::internal::CaptureStderr();
  Alertf("hidden %s", "alert");
  EXPECT_EQ(AskYesNof("hidden question"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  LaunchWebBrowserf("http://www.quillfen.example/uninstallpoll.html?From=%s&Build=%i",
                    "com.quillfen.Big", 1234);
  EXPECT_EQ(
      WaitForOpenerCalls(1),
      (std::vector<Args>{
          {"http://www.quillfen.example/uninstallpoll.html?From=com.quillfen.Big&Build=1234"}}));
  EXPECT_TRUE(world.Calls("zenity").empty());
}

TEST_F(DialogsTest, WithoutDisplayAlertGoesToStandardErrorAndQuestionAnswersNo) {
  world.Apply(false);
  std::string long_text(300, 'x');
  testing::internal::CaptureStderr();
  Alertf("Can't find %s", "a writeable folder");
  Alertf("%s", long_text.c_str());
  EXPECT_EQ(AskYesNof("Remove?"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error: Can't find a writeable folder\nError: " + std::string(255, 'x') + "\n");
  EXPECT_TRUE(world.Calls("zenity").empty());

  // A Wayland display alone is a display.
  setenv("WAYLAND_DISPLAY", "wayland-0", 1);
  EXPECT_EQ(AskYesNof("Remove?"), 1);
  EXPECT_EQ(world.Calls("zenity").size(), 1u);
}

TEST_F(DialogsTest, WithoutDisplayInAChildProcessTheAlertReachesStandardError) {
  ProcessResult r = RunProcess({QFN_DIALOGS_HELPER, "alert", "SDL: no video device & <more>"},
                               world.ChildOptions(false));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "Error: SDL: no video device & <more>\n");
  r = RunProcess({QFN_DIALOGS_HELPER, "question", "Remove?"}, world.ChildOptions(false));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(world.Calls("zenity").empty());
}

TEST_F(DialogsTest, WithoutZenityAlertGoesToStandardErrorAndQuestionAnswersNo) {
  setenv("PATH", world.BinDir().c_str(), 1);  // only the fake tools, and zenity removed
  unlink((world.BinDir() + "/zenity").c_str());
  testing::internal::CaptureStderr();
  Alertf("lost %d", 1);
  EXPECT_EQ(AskYesNof("Remove?"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: lost 1\n");
}

TEST_F(DialogsTest, BrowserGetsOnlyPlainAsciiAddresses) {
  std::string longest = "http://q.example/" + std::string(1023 - 17, 'a');
  const char* refused[] = {
      "http://www.quillfen.example/a page.html",
      "http://www.quillfen.example/?From=caf\xe9",
      "http://www.quillfen.example/\ttab",
      "http://www.quillfen.example/\x7f",
      "",
      "--help",
  };
  for (const char* address : refused) LaunchWebBrowserf("%s", address);
  LaunchWebBrowserf("%s", (longest + "b").c_str());  // 1024 characters: would be cut
  LaunchWebBrowserf("%s", longest.c_str());          // 1023 characters: fits
  EXPECT_EQ(WaitForOpenerCalls(1), (std::vector<Args>{{longest}}));
}

TEST_F(DialogsTest, BrowserDoesNotWaitAndLeavesNoZombie) {
  // This xdg-open stays until the test releases it (10 s at most), then records its call.
  std::string release = world.Root() + "/release";
  WriteFile(
      world.BinDir() + "/xdg-open",
      "#!/bin/sh\nexec >/dev/null 2>&1\ni=0\nwhile [ ! -e '" + release +
          "' ] && [ $i -lt 1000 ]; do sleep 0.01; i=$((i + 1)); done\nprintf '%s' \"$1\" > '" +
          world.Root() + "/opened.tmp'\nmv '" + world.Root() + "/opened.tmp' '" + world.Root() +
          "/opened'\n",
      0755);
  LaunchWebBrowserf("https://example.org/%d", 7);
  EXPECT_FALSE(FileExists(world.Root() + "/opened")) << "returned only after xdg-open ended";
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child of ours is left, not even a zombie";
  EXPECT_EQ(errno, ECHILD);
  WriteFile(release, "");
  for (int i = 0; i < 1000 && !FileExists(world.Root() + "/opened"); ++i) usleep(10000);
  EXPECT_EQ(ReadFile(world.Root() + "/opened"), "https://example.org/7");

  EXPECT_EQ(AskYesNof("Proceed?"), 1);
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

// The launcher blocks and handles the quit signals; its children must start clean.
TEST_F(DialogsTest, ChildrenStartWithDefaultSignalState) {
  // The shell reads its own status with builtins only: a child of it would race with the
  // shell's own signal blocking around vfork.
  std::string script =
      "#!/bin/sh\nwhile IFS= read -r line; do case \"$line\" in "
      "SigBlk:*|SigIgn:*) echo \"$line\";; esac; done < /proc/$$/status > '" +
      world.Root() + "/sig.tmp.$$'\nmv '" + world.Root() + "/sig.tmp.$$' '" + world.Root() +
      "/'\"$(basename \"$0\")\".sig\n";
  WriteFile(world.BinDir() + "/zenity", script, 0755);
  WriteFile(world.BinDir() + "/xdg-open", script, 0755);
  sigset_t blocked, old;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGTERM);
  sigaddset(&blocked, SIGINT);
  ASSERT_EQ(sigprocmask(SIG_BLOCK, &blocked, &old), 0);
  struct sigaction ignore = {}, oldHup = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGHUP, &ignore, &oldHup);

  EXPECT_EQ(AskYesNof("Proceed?"), 1);
  LaunchWebBrowserf("http://example.org/");
  std::string opener = world.Root() + "/xdg-open.sig";
  for (int i = 0; i < 500 && !FileExists(opener); ++i) usleep(10000);
  sigprocmask(SIG_SETMASK, &old, nullptr);
  sigaction(SIGHUP, &oldHup, nullptr);

  for (const char* tool : {"zenity", "xdg-open"}) {
    SCOPED_TRACE(tool);
    unsigned long long blocked = ~0ull, ignored = ~0ull;
    std::string status = ReadFile(world.Root() + "/" + tool + ".sig");
    ASSERT_EQ(sscanf(status.c_str(), "SigBlk: %llx SigIgn: %llx", &blocked, &ignored), 2) << status;
    // Signals 1 to 31; the C library keeps two real-time signals of its own ignored.
    EXPECT_EQ(blocked & 0x7fffffffull, 0u);
    EXPECT_EQ(ignored & 0x7fffffffull, 0u);
  }
}

}  // namespace
