// The names the launcher executable exports to the libraries it loads: exactly the
// process-wide variables an engine may read by name and the SDL event calls the executable
// places in front of SDL's. Any other exported name would let an engine bind to launcher
// internals and lengthen every look-up the loader makes through the executable.
#include "tests/support/bundle.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

// nm's kind letters: B/D a variable (zeroed or initialised data), T a function.
const std::map<std::string, std::string> kExpected = {
    {"g_bNoNativeGui", "BD"}, {"g_nBuild", "BD"},      {"g_AppNameLong", "BD"},
    {"g_AppNameShort", "BD"}, {"g_AppID", "BD"},       {"g_DllName", "BD"},
    {"g_Dll", "BD"},          {"g_AppExePath", "BD"},  {"g_AppFilename", "BD"},
    {"g_AppPath", "BD"},      {"g_UserPath", "BD"},    {"g_AppCommandLine", "BD"},
    {"g_sDelayedIPC", "BD"},  {"g_HaveLock", "BD"},    {"qrnGetAppName", "BD"},
    {"qrnCreate", "BD"},      {"qrnRun", "BD"},        {"qrnClose", "BD"},
    {"qrnSendIPC", "BD"},     {"SDL_PumpEvents", "T"}, {"SDL_PollEvent", "T"},
    {"SDL_WaitEvent", "T"},
};

TEST(LauncherExports, OnlyTheStateVariablesAndTheSdlEventCalls) {
  std::string command = "nm -D --defined-only --format=posix '" + LauncherExe() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::map<std::string, std::string> exported;  // name -> kind letter
  char name[512];
  char kind[8];
  while (fscanf(pipe, "%511s %7s%*[^\n]", name, kind) == 2) exported[name] = kind;
  ASSERT_EQ(pclose(pipe), 0) << command;

  for (const auto& [expectedName, kinds] : kExpected) {
    auto found = exported.find(expectedName);
    ASSERT_NE(found, exported.end()) << expectedName << " is not exported";
    EXPECT_NE(kinds.find(found->second), std::string::npos)
        << expectedName << " is exported as kind " << found->second;
  }
  for (const auto& [exportedName, letter] : exported)
    EXPECT_EQ(kExpected.count(exportedName), 1u)
        << exportedName << " is exported (" << letter << ")";
}

}  // namespace
