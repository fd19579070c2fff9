// The engine kit as an engine author outside this tree meets it: a small engine built
// against the installed prefix with CMake (find_package(QuarnEngine), quarn_add_engine) and
// with a plain compiler call through pkg-config exports the five entry points and nothing
// else, is hardened alike (stack protector, fortified calls, BIND_NOW) without a build type or
// flags of its own, and the installed launcher runs it.
#include "quarn_engine.h"
#include "tests/install/install_helpers.h"
#include "tests/support/temp_world.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kEngineSource[] = R"(#include <quarn_engine.h>
#include <stdio.h>
#include <stdlib.h>
/* not an entry point: must stay local; its buffer is what hardening guards */
int kit_helper(int x) {
  char digits[16];
  snprintf(digits, sizeof digits - (size_t)x % 2, "%d", x);
  return atoi(digits) + 1;
}
int qrnGetAppName(char* shortName, char* longName, char* appId, int* build) {
  snprintf(shortName, QRN_NAME_CAPACITY, "Kit");
  snprintf(longName, QRN_NAME_CAPACITY, "Kit Game");
  snprintf(appId, QRN_NAME_CAPACITY, "KIT");
  *build = kit_helper(1);
  return 0;
}
int qrnCreate(int argc, char** argv) { (void)argv; printf("kit created, %d args\n", argc); return 0; }
int qrnRun(void) { printf("kit ran\n"); fflush(stdout); return 0; }
int qrnClose(void) { return 0; }
int qrnSendIPC(const char* message) { (void)message; return 0; }
)";

const char kEngineProject[] = R"(cmake_minimum_required(VERSION 3.20)
project(kit_engine C)
find_package(QuarnEngine REQUIRED)
quarn_add_engine(kit_engine engine.c)
)";

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// Builds the engine in <world>/<how>/ and returns the library's path, or "" on failure.
std::string BuildEngine(TempWorld& world, const std::string& prefix, const std::string& how) {
  std::string src = world.Path(how);
  MakeDirs(src);
  WriteFile(src + "/engine.c", kEngineSource);
  ProcessOptions options = world.ChildOptions();
  options.timeoutSeconds = 120;
  if (how == "cmake") {
    WriteFile(src + "/CMakeLists.txt", kEngineProject);
    ProcessResult configured = RunProcess(
        {QFN_CMAKE_COMMAND, "-S", src, "-B", src + "/build", "-DCMAKE_PREFIX_PATH=" + prefix},
        options);
    EXPECT_EQ(configured.exitCode, 0) << configured.out << configured.err;
    ProcessResult built = RunProcess({QFN_CMAKE_COMMAND, "--build", src + "/build"}, options);
    EXPECT_EQ(built.exitCode, 0) << built.out << built.err;
    return src + "/build/quarnc.so";
  }
  options.env.push_back({"PKG_CONFIG_PATH", prefix + "/lib/pkgconfig"});
  ProcessResult flags = RunProcess({"pkg-config", "--cflags", "--libs", "quarn-engine"}, options);
  EXPECT_EQ(flags.exitCode, 0) << flags.err;
  // Engines are position-independent and optimised with fortified calls; the compiler call
  // says so, as the README shows.
  std::vector<std::string> argv = {
      "cc", "-O2", "-D_FORTIFY_SOURCE=2", "-fPIC", src + "/engine.c", "-o", src + "/quarnc.so"};
  for (const std::string& flag : Words(flags.out)) argv.push_back(flag);
  ProcessResult built = RunProcess(argv, options);
  EXPECT_EQ(built.exitCode, 0) << built.err;
  return src + "/quarnc.so";
}

class EngineKit : public testing::TestWithParam<const char*> {};

TEST_P(EngineKit, BuildsAnEngineThatExportsTheEntryPointsAndRuns) {
  if (!ProgramsInstalled({"cc", "pkg-config", "nm", "readelf"}))
    GTEST_SKIP() << "cc, pkg-config, nm or readelf missing";
  TempWorld world;
  std::string prefix = world.Path("prefix");
  ASSERT_EQ(InstallTo(world, prefix).exitCode, 0);
  std::string library = BuildEngine(world, prefix, GetParam());
  ASSERT_TRUE(FileExists(library));

  ProcessResult symbols = RunProcess({"nm", "-D", "--defined-only", library}, {});
  std::set<std::string> exported;
  for (const std::string& word : Words(symbols.out))
    if (word.size() > 3 && word.compare(0, 3, "qrn") == 0) exported.insert(word);
#define QFN_ENTRY_POINT_NAME(name, result, parameters) #name,
  EXPECT_EQ(exported, (std::set<std::string>{QRN_ENTRY_POINTS(QFN_ENTRY_POINT_NAME)}));
#undef QFN_ENTRY_POINT_NAME
  EXPECT_EQ(symbols.out.find("kit_helper"), std::string::npos) << symbols.out;
  ProcessResult undefined = RunProcess({"nm", "-D", "--undefined-only", library}, {});
  for (const char* guard : {"__stack_chk_fail", "__snprintf_chk"})
    EXPECT_NE(undefined.out.find(guard), std::string::npos) << guard << "\n" << undefined.out;
  ProcessResult dynamic = RunProcess({"readelf", "-d", "-l", library}, {});
  for (const char* relro : {"GNU_RELRO", "BIND_NOW"})
    EXPECT_NE(dynamic.out.find(relro), std::string::npos) << relro << "\n" << dynamic.out;

  Installed paths = InstalledPaths(prefix);
  WriteFile(paths.engine, ReadFile(library), 0755);
  ProcessResult run = RunProcess({paths.launcher, "-level", "1"}, world.ChildOptions());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "kit created, 3 args\nkit ran\n");
  EXPECT_TRUE(FileExists(world.LauncherLog("Kit Game", kLauncherName)));
}

INSTANTIATE_TEST_SUITE_P(Install, EngineKit, testing::Values("cmake", "pkgconfig"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
