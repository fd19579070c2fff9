// A launcher bundle in a temporary world: <root>/<name>/bin/quarn and
// <name>/Resources/quarnc.so, built from the project's own launcher and an engine library,
// plus the reader of the test engine's call record.
#pragma once

#include "tests/support/temp_world.h"

#include <map>
#include <string>
#include <vector>

// Paths of the built artifacts (empty when the target is not part of this build).
std::string LauncherExe();
std::string TestEngineLibrary();
std::string IncompleteEngineLibrary();  // the test engine without qrnSendIPC
std::string DemoEngineLibrary();
std::string SdlFreeEngineLibrary();  // a C engine that links no SDL
// The small SDL 1.2 games of engines/games/: the program alone, and the same built as engine.
std::string SdlGameProgram(const std::string& name);
std::string SdlGameEngine(const std::string& name);

struct Bundle {
  std::string root;       // <world>/<name>
  std::string exe;        // <root>/bin/quarn
  std::string resources;  // <root>/Resources (the launcher's working directory)
};

// Lays out a bundle; an empty engine path leaves Resources/ without an engine.
Bundle MakeBundle(const TempWorld& world, const std::string& engineLibrary,
                  const std::string& name = "bundle");

// One call received by the test engine: the entry point and its key=value fields.
struct EngineCall {
  std::string entry;
  std::map<std::string, std::string> fields;
};
// Reads the record file that QRN_TEST_RECORD named (one tab-separated line per call).
std::vector<EngineCall> ReadEngineRecord(const std::string& path);
// Just the entry names, in call order.
std::vector<std::string> EngineEntries(const std::vector<EngineCall>& calls);
