// The names the launcher executable exports to the libraries it loads: exactly those of its
// export list, which the build derives from the engine header, among them every entry point
// the launcher binds. Any other exported name would let an engine bind to launcher internals
// and lengthen every look-up the loader makes through the executable.
#include "state/state.h"
#include "tests/support/bundle.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
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

// The names between "global:" and "local:" of the export list.
std::set<std::string> ListedNames() {
  std::set<std::string> names;
  std::ifstream in(QFN_EXPORTS_LIST);
  std::string word;
  while (in >> word && word != "global:") continue;
  while (in >> word && word != "local:") names.insert(word.substr(0, word.find(';')));
  return names;
}

TEST(LauncherExports, OnlyTheNamesOfTheExportList) {
  const std::set<std::string> expected = ListedNames();
#define QFN_EXPECT_LISTED(name, result, parameters) EXPECT_EQ(expected.count(#name), 1u) << #name;
  QRN_ENTRY_POINTS(QFN_EXPECT_LISTED)
#undef QFN_EXPECT_LISTED
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

// What the executable loads at start: neither the C++ runtime (unless a sanitizer build brings
// it) nor SDL or Xlib, which come with the engine.
TEST(LauncherExports, NeedsNoCxxRuntimeNorSdlNorXlib) {
  struct Unneeded {
    const char* prefix;
    bool inEveryBuild;
  };
  const Unneeded unneeded[] = {{"libstdc++.so", QFN_LEAN_CXX != 0},
                               {"libgcc_s.so", QFN_LEAN_CXX != 0},
                               {"libSDL", true},
                               {"libX11.so", true}};
  const std::string needed = "readelf -dW '" + LauncherExe() +
                             "' | sed -n 's/.*(NEEDED).*\\[\\(.*\\)\\]/\\1 \\1/p'";
  const auto rows = Fields(needed, 1);
  EXPECT_FALSE(rows.empty());  // libc at least
  for (const auto& [library, same] : rows) {
    for (const Unneeded& entry : unneeded) {
      if (!entry.inEveryBuild) continue;
      EXPECT_NE(library.rfind(entry.prefix, 0), 0u) << library;
    }
  }
}

}  // namespace
