// Helpers for the installation tests: installing this build tree, the installed paths,
// reading a desktop entry's Exec command line, and listing what is left under a folder.
#pragma once

#include "tests/support/temp_world.h"
#include "tests/support/virtual_display.h"

#include <string>
#include <vector>

constexpr const char kGameFolder[] = "lib/quillfen-quarn-demo";
constexpr const char kDesktopId[] = "com.quillfen.QuarnDemo";

struct Installed {
  std::string prefix;                                     // the run-time prefix
  std::string launcher, engine, installLog, desktopFile;  // run-time paths
};
Installed InstalledPaths(const std::string& prefix);

// "cmake --install <this build> --prefix <prefix>", with DESTDIR when not empty.
ProcessResult InstallTo(const TempWorld& world, const std::string& prefix,
                        const std::string& destdir = "");

// The value of a key in the [Desktop Entry] group, string escapes undone; "" when absent.
std::string DesktopValue(const std::string& desktopText, const std::string& key);
// Splits an Exec value into arguments as a desktop launcher does: quoted arguments with
// their backslash escapes, "%%" as '%', and the file-list codes (%f %F %u %U) expanding to
// the given documents.
std::vector<std::string> ExecArguments(const std::string& exec,
                                       const std::vector<std::string>& documents);

// Every path under root (root itself excluded), sorted.
std::vector<std::string> TreeUnder(const std::string& root);
