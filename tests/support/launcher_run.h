// Helpers for black-box runs of the launcher around the instance record: a world with one
// bundle of the test engine and fake zenity/xdg-open, launches in the foreground or in the
// background, the record's text in either scope, and the identity a process must carry.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/prefs.h"
#include "platform/process.h"
#include "tests/support/bundle.h"
#include "tests/support/launch.h"
#include "tests/support/process.h"
#include "tests/support/temp_world.h"
#include "util/hex.h"

constexpr char kAppName[] = "Test Game";
constexpr char kNoRecord[] = "<none>";
// The exit status of a launch whose hand-over to the running instance failed.
constexpr int kExitNotForwarded = 4;

// The record text a process must have written: its identity, as hex.
inline std::string IdentityText(long pid) {
  unsigned char identity[8];
  char text[17];
  return ProcessIdentityOf(pid, identity) && BytesToHex(identity, 8, text, sizeof text) ? text : "";
}

struct LauncherWorld {
  TempWorld world;
  Bundle bundle = MakeBundle(world, TestEngineLibrary());

  LauncherWorld() {
    world.Apply();  // so that this process reads and writes the same preference store
    world.FakeTool("zenity");
    world.FakeTool("xdg-open");
  }

  ProcessOptions Options(const std::string& record, const EnvList& extra = {}) const {
    return LauncherOptions(world, record, extra);
  }
  ProcessResult Launch(const std::vector<std::string>& args, const std::string& record,
                       const EnvList& extra = {}) const {
    return RunProcess(LauncherArgv(bundle, args), Options(record, extra));
  }

  std::string Stored(int anyUser) const {
    const char* value = GetSystemPreference(anyUser, kAppName, "PSN", nullptr);
    return value ? value : kNoRecord;
  }
  void Store(int anyUser, const std::string& text) const {
    if (text == kNoRecord)
      RemoveSystemPreference(anyUser, kAppName, "PSN");
    else
      SetSystemPreference(anyUser, kAppName, "PSN", text.c_str());
  }
  std::string LogText() const { return ReadFile(world.LauncherLog(kAppName)); }
};

// A launcher running in the background until Join().
struct BackgroundLaunch {
  std::thread thread;
  ProcessResult result;

  void Start(const LauncherWorld& lw, const std::vector<std::string>& args,
             const std::string& record, const EnvList& extra = {}) {
    thread =
        std::thread([this, &lw, args, record, extra] { result = lw.Launch(args, record, extra); });
  }
  void Join() {
    if (thread.joinable()) thread.join();
  }
  ~BackgroundLaunch() { Join(); }
};

// How often the engine recorded the entry.
inline int Count(const std::string& record, const std::string& entry) {
  std::vector<std::string> entries = EngineEntries(ReadEngineRecord(record));
  return static_cast<int>(std::count(entries.begin(), entries.end(), entry));
}

// The pid the test engine saw in the first line of a record.
inline long RecordedPid(const std::string& record) {
  std::vector<EngineCall> calls = ReadEngineRecord(record);
  if (calls.empty()) return -1;
  auto it = calls[0].fields.find("pid");
  return it == calls[0].fields.end() ? -1 : atol(it->second.c_str());
}
