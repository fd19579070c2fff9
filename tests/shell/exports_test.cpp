// The names the launcher executable exports to the libraries it loads: exactly the
// process-wide variables an engine may read by name and the SDL event calls the executable
// places in front of SDL's. Any other exported name would let an engine bind to launcher
// internals and lengthen every look-up the loader makes through the executable.
#include "tests/support/bundle.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

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

// The output lines of a command; empty when it cannot be run or fails.
std::vector<std::string> Lines(const std::string& command) {
  std::vector<std::string> lines;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return lines;
  char line[1024];
  while (fgets(line, sizeof line, pipe) != nullptr) lines.push_back(line);
  if (pclose(pipe) != 0) lines.clear();
  return lines;
}

TEST(LauncherExports, OnlyTheStateVariablesAndTheSdlEventCalls) {
  const std::string exe = "'" + LauncherExe() + "'";
  // A variable of a shared library the executable refers to (such as a sanitizer runtime's
  // option) is copied into it by the linker and exported for that library: not the
  // launcher's own.
  std::set<std::string> copied;
  for (const std::string& line : Lines("readelf -rW " + exe)) {
    std::istringstream fields(line);
    std::string offset, info, type, value, name;
    if (fields >> offset >> info >> type >> value >> name && type == "R_X86_64_COPY")
      copied.insert(name);
  }
  std::map<std::string, std::string> exported;  // name -> kind letter
  for (const std::string& line : Lines("nm -D --defined-only --format=posix " + exe)) {
    std::istringstream fields(line);
    std::string name, kind;
    if (fields >> name >> kind && copied.count(name) == 0) exported[name] = kind;
  }
  ASSERT_FALSE(exported.empty()) << "nm -D found no exported names in " << exe;

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
