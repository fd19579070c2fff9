// The names the launcher executable exports to the libraries it loads: exactly the
// process-wide variables an engine may read by name and the SDL event calls the executable
// places in front of SDL's. Any other exported name would let an engine bind to launcher
// internals and lengthen every look-up the loader makes through the executable.
#include "tests/support/bundle.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

// The first and the given field of each output line of a command.
std::set<std::pair<std::string, std::string>> Fields(const std::string& command, int second) {
  std::set<std::pair<std::string, std::string>> rows;
  FILE* pipe = popen(command.c_str(), "r");
  char line[1024];
  while (pipe != nullptr && fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream in(line);
    std::string field, first, other;
    for (int i = 0; i <= second && in >> field; ++i) (i == 0 ? first : other) = field;
    if (!other.empty()) rows.insert({first, other});
  }
  EXPECT_TRUE(pipe != nullptr && pclose(pipe) == 0) << command;
  return rows;
}

TEST(LauncherExports, OnlyTheStateVariablesAndTheSdlCallsItStandsIn) {
  const std::set<std::string> expected = {
      "g_bNoNativeGui",   "g_nBuild",      "g_AppNameLong",  "g_AppNameShort",
      "g_AppID",          "g_DllName",     "g_Dll",          "g_AppExePath",
      "g_AppFilename",    "g_AppPath",     "g_UserPath",     "g_AppCommandLine",
      "g_sDelayedIPC",    "g_HaveLock",    "qrnGetAppName",  "qrnCreate",
      "qrnRun",           "qrnClose",      "qrnSendIPC",     "SDL_PumpEvents",
      "SDL_PollEvent",    "SDL_WaitEvent", "SDL_PeepEvents", "SDL_Init",
      "SDL_InitSubSystem"};
  const std::string exe = "'" + LauncherExe() + "'";
  // A variable of a shared library the executable refers to (such as a sanitizer runtime's
  // option) is copied into it by the linker and exported for that library: not the
  // launcher's own.
  std::set<std::string> copied;
  const std::string copies =
      "readelf -rW " + exe + " | awk '$3 == \"R_X86_64_COPY\" {print $5, $5}'";
  for (const auto& [name, same] : Fields(copies, 1)) copied.insert(name);
  std::set<std::string> exported;
  for (const auto& [name, kind] : Fields("nm -D --defined-only --format=posix " + exe, 1))
    if (copied.count(name) == 0) exported.insert(name);
  EXPECT_EQ(expected, exported);
}

}  // namespace
