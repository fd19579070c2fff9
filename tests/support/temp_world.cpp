// The temporary world of one test; see temp_world.h.
#include "tests/support/temp_world.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

void MakeDirs(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directories(path, ignored);
}

std::string PathOfLength(const std::string& base, size_t length) {
  std::string path = base;
  while (path.size() < length) {
    size_t room = length - path.size() - 1;  // the '/' before the next level
    size_t level = room < 200 ? room : 200;
    if (room - level == 1) --level;  // never leave room for an empty last level
    path += "/" + std::string(level, 'd');
  }
  return path;
}

TempWorld::TempWorld() {
  char pattern[] = "/tmp/qfn-world-XXXXXX";
  const char* made = mkdtemp(pattern);
  m_root = made ? made : "/tmp/qfn-world-failed";
  // Readable and searchable by everyone: some tests run the launcher as another user.
  chmod(m_root.c_str(), 0755);
  MakeDirs(Home());
  MakeDirs(m_root + "/system");
  MakeDirs(BinDir());
  MakeDirs(m_root + "/calls");
}

TempWorld::~TempWorld() {
  std::error_code ignored;
  std::filesystem::remove_all(m_root, ignored);
}

std::vector<std::pair<std::string, std::string>> TempWorld::Env(bool withDisplay) const {
  const char* path = getenv("PATH");
  std::vector<std::pair<std::string, std::string>> env = {
      {"HOME", Home()},
      {"XDG_DATA_HOME", DataHome()},
      {"XDG_CONFIG_HOME", ConfigHome()},
      {"QFN_SYSTEM_PREFS", SystemPrefs()},
      {"PATH", BinDir() + ":" + (path ? path : "/usr/bin:/bin")},
      {"SDL_VIDEODRIVER", "dummy"},
  };
  if (withDisplay) env.push_back({"DISPLAY", ":99"});
  // The Wayland pass: games draw on the compositor whose socket this names, through SDL2's
  // wayland driver (sdl12-compat), instead of on the dummy driver.
  const char* wayland = getenv("QFN_TEST_WAYLAND_DISPLAY");
  if (withDisplay && wayland && wayland[0]) {
    env.push_back({"SDL_VIDEODRIVER", "wayland"});
    env.push_back({"WAYLAND_DISPLAY", wayland});
  }
  return env;
}

ProcessOptions TempWorld::ChildOptions(bool withDisplay) const {
  ProcessOptions options;
  options.env = Env(withDisplay);
  if (!withDisplay)
    options.unset = {"DISPLAY", "WAYLAND_DISPLAY"};
  else if (!getenv("QFN_TEST_WAYLAND_DISPLAY"))
    options.unset = {"WAYLAND_DISPLAY"};
  return options;
}

void TempWorld::Apply(bool withDisplay) const {
  for (const auto& [name, value] : Env(withDisplay)) setenv(name.c_str(), value.c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");
  if (!withDisplay) unsetenv("DISPLAY");
}

void TempWorld::FakeTool(const std::string& name, const std::vector<std::string>& answers) {
  std::string calls = m_root + "/calls/" + name;
  std::string answersFile = calls + ".answers";
  std::string text;
  for (const auto& answer : answers) text += answer + "\n";
  WriteFile(answersFile, text);
  std::string script =
      "#!/bin/sh\n"
      "calls='" +
      calls +
      "'\n"
      "n=$(cat \"$calls.count\" 2>/dev/null || echo 0)\n"
      "n=$((n + 1))\n"
      "echo \"$n\" > \"$calls.count\"\n"
      // A call appears whole: a test polling for a tool started in the background must
      // never read a record whose arguments are still being written.
      "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$calls.$n.part\"\n"
      "mv \"$calls.$n.part\" \"$calls.$n\"\n"
      "answer=$(sed -n \"${n}p\" \"$calls.answers\" 2>/dev/null)\n"
      "if [ \"$answer\" = hang ]; then sleep 60; exit 1; fi\n"
      "exit \"${answer:-0}\"\n";
  WriteFile(BinDir() + "/" + name, script, 0755);
}

std::vector<std::vector<std::string>> TempWorld::Calls(const std::string& name) const {
  std::vector<std::vector<std::string>> calls;
  for (int n = 1;; ++n) {
    std::string path = m_root + "/calls/" + name + "." + std::to_string(n);
    if (!FileExists(path)) break;
    std::string text = ReadFile(path);
    std::vector<std::string> args;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\0') {
        args.push_back(text.substr(start, i - start));
        start = i + 1;
      }
    }
    calls.push_back(args);
  }
  return calls;
}
