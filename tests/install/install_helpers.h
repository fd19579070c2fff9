// Helpers for the installation tests: installing this build tree, the installed paths,
// reading a desktop entry's Exec command line, and listing what is left under a folder.
// Installs run with recording stand-ins for the desktop's cache tools unless a test asks
// for the real ones, so that the installed tree does not depend on what this machine has.
#pragma once

#include "tests/support/temp_world.h"
#include "tests/support/virtual_display.h"

#include <string>
#include <vector>

constexpr const char kGameFolder[] = "lib/com.quillfen.QuarnDemo";
constexpr const char kLauncherName[] = "quarn-demo";
constexpr const char kDesktopId[] = "com.quillfen.QuarnDemo";
constexpr const char kMimeType[] = "application/x-quarn-demo-save";
// The tools that refresh the desktop's caches after an install (the platform's list).
extern const std::vector<std::string> kCacheTools;

struct Installed {
  std::string prefix;                                     // the run-time prefix
  std::string launcher, engine, installLog, desktopFile;  // run-time paths
  std::string commandLink;                                // <prefix>/games/quarn-demo
  std::string mimePackage;                                // the MIME type's package file
  std::vector<std::string> icons;  // scalable SVG, then the PNG sizes in the log's order
  std::string metainfo, manPage;   // AppStream metadata, the man page (section 6)
  std::vector<std::string> docs;   // copyright, changelog
  // The engine kit: header, launcher, CMake package with its templates, pkg-config file.
  std::vector<std::string> engineKit;
};
Installed InstalledPaths(const std::string& prefix);

enum class CacheTools { kStandIns, kReal };

// "cmake --install <this build> --prefix <prefix>", with DESTDIR when not empty. With
// kStandIns the cache tools are recording fake tools of the world that succeed.
ProcessResult InstallTo(TempWorld& world, const std::string& prefix,
                        const std::string& destdir = "", CacheTools tools = CacheTools::kStandIns);

// The value of a key in a group ([Desktop Entry] unless named), string escapes undone; ""
// when absent.
std::string DesktopValue(const std::string& desktopText, const std::string& key,
                         const std::string& group = "Desktop Entry");
// Splits an Exec value into arguments as a desktop launcher does: quoted arguments with
// their backslash escapes, "%%" as '%', and the file-list codes (%f %F %u %U) expanding to
// the given documents.
std::vector<std::string> ExecArguments(const std::string& exec,
                                       const std::vector<std::string>& documents);

// The given files with every folder above them up to the prefix (excluded), sorted.
std::vector<std::string> TreeOf(const std::string& prefix, const std::vector<std::string>& files);
// Every path under root (root itself excluded), sorted.
std::vector<std::string> TreeUnder(const std::string& root);
