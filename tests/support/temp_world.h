// A throw-away world for one test: a temporary root with its own home, XDG folders,
// system preference store and a bin folder of fake tools (zenity, xdg-open) that record
// every call and answer as told. Apply() points this process's environment at it;
// Env() gives the same variables for a child process. The root is removed on destruction.
#pragma once

#include "tests/support/process.h"

#include <string>
#include <utility>
#include <vector>

class TempWorld {
 public:
  TempWorld();
  ~TempWorld();
  TempWorld(const TempWorld&) = delete;
  TempWorld& operator=(const TempWorld&) = delete;

  const std::string& Root() const { return m_root; }
  std::string Home() const { return m_root + "/home"; }
  std::string DataHome() const { return m_root + "/home/.local/share"; }
  std::string ConfigHome() const { return m_root + "/home/.config"; }
  std::string SystemPrefs() const { return m_root + "/system/Quillfen"; }
  std::string BinDir() const { return m_root + "/bin"; }
  std::string Path(const std::string& relative) const { return m_root + "/" + relative; }
  // The log a launcher (by its file name) keeps in the data folder of the game with this
  // long name.
  std::string LauncherLog(const std::string& longName = "Test Game",
                          const std::string& launcher = "quarn") const {
    return DataHome() + "/Quillfen/" + longName + "/" + launcher + ".txt";
  }

  // The environment of the world: HOME, XDG_DATA_HOME, XDG_CONFIG_HOME, QFN_SYSTEM_PREFS,
  // PATH (fake bin first), SDL_VIDEODRIVER=dummy; DISPLAY=:99 (a fake tool needs a display
  // to be tried) unless withDisplay is false, in which case DISPLAY and WAYLAND_DISPLAY are
  // removed.
  std::vector<std::pair<std::string, std::string>> Env(bool withDisplay = true) const;
  ProcessOptions ChildOptions(bool withDisplay = true) const;
  // Sets the same variables in this process (and removes the display ones when asked).
  void Apply(bool withDisplay = true) const;

  // Installs a fake tool in BinDir(). Call n (1-based) records its arguments in
  // <root>/calls/<name>.<n>, NUL-separated, and exits with line n of the answers
  // (default 0). The answer "hang" makes that call sleep for 60 s instead.
  void FakeTool(const std::string& name, const std::vector<std::string>& answers = {});
  // The recorded calls of a fake tool, each as its argument list, in call order.
  std::vector<std::vector<std::string>> Calls(const std::string& name) const;

 private:
  std::string m_root;
};

// Makes a folder and every folder above it.
void MakeDirs(const std::string& path);
// A path of exactly length characters below base, in levels of at most 200 (nothing made).
std::string PathOfLength(const std::string& base, size_t length);
