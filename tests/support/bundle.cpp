// Temporary launcher bundles and the test engine's record; see bundle.h.
#include "tests/support/bundle.h"

#include <filesystem>

#ifndef QFN_LAUNCHER_EXE
#define QFN_LAUNCHER_EXE ""
#endif
#ifndef QFN_TEST_ENGINE
#define QFN_TEST_ENGINE ""
#endif
#ifndef QFN_INCOMPLETE_ENGINE
#define QFN_INCOMPLETE_ENGINE ""
#endif
#ifndef QFN_DEMO_ENGINE
#define QFN_DEMO_ENGINE ""
#endif
#ifndef QFN_SDL_FREE_ENGINE
#define QFN_SDL_FREE_ENGINE ""
#endif
#ifndef QFN_SDL_GAMES_DIR
#define QFN_SDL_GAMES_DIR ""
#endif

std::string LauncherExe() { return QFN_LAUNCHER_EXE; }
std::string TestEngineLibrary() { return QFN_TEST_ENGINE; }
std::string IncompleteEngineLibrary() { return QFN_INCOMPLETE_ENGINE; }
std::string DemoEngineLibrary() { return QFN_DEMO_ENGINE; }
std::string SdlFreeEngineLibrary() { return QFN_SDL_FREE_ENGINE; }
std::string SdlGameProgram(const std::string& name) {
  return std::string(QFN_SDL_GAMES_DIR) + "/game_" + name;
}
std::string SdlGameEngine(const std::string& name) {
  return std::string(QFN_SDL_GAMES_DIR) + "/engine_game_" + name + "/quarnc.so";
}

Bundle MakeBundle(const TempWorld& world, const std::string& engineLibrary,
                  const std::string& name) {
  namespace fs = std::filesystem;
  Bundle bundle;
  bundle.root = world.Path(name);
  bundle.exe = bundle.root + "/bin/quarn";
  bundle.resources = bundle.root + "/Resources";
  MakeDirs(bundle.root + "/bin");
  MakeDirs(bundle.resources);
  fs::copy_file(LauncherExe(), bundle.exe, fs::copy_options::overwrite_existing);
  if (!engineLibrary.empty()) {
    fs::copy_file(engineLibrary, bundle.resources + "/quarnc.so",
                  fs::copy_options::overwrite_existing);
  }
  return bundle;
}

std::vector<EngineCall> ReadEngineRecord(const std::string& path) {
  std::vector<EngineCall> calls;
  std::string text = ReadFile(path);
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find('\n', lineStart);
    // The engine may still be writing its last line while a test polls the record.
    if (lineEnd == std::string::npos) break;
    std::string line = text.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    EngineCall call;
    size_t fieldStart = 0;
    bool first = true;
    while (fieldStart <= line.size()) {
      size_t fieldEnd = line.find('\t', fieldStart);
      if (fieldEnd == std::string::npos) fieldEnd = line.size();
      std::string field = line.substr(fieldStart, fieldEnd - fieldStart);
      if (first) {
        call.entry = field;
        first = false;
      } else {
        size_t eq = field.find('=');
        if (eq != std::string::npos) call.fields[field.substr(0, eq)] = field.substr(eq + 1);
      }
      fieldStart = fieldEnd + 1;
    }
    calls.push_back(call);
  }
  return calls;
}

std::vector<std::string> EngineEntries(const std::vector<EngineCall>& calls) {
  std::vector<std::string> entries;
  for (const auto& call : calls) entries.push_back(call.entry);
  return entries;
}
