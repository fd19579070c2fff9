// The launcher's process-wide state, the bottom layer: a fixed set of variables with fixed
// capacities that live for the whole process and are never freed. They have C linkage and
// are exported from the executable by these plain names, so their names and capacities are
// part of the launcher's interface. Beside each: the files that write it; all others read.
#pragma once

#define QUARN_LAUNCHER_SIDE
#include "quarn_engine.h"

constexpr int kTextCapacity = 256;          // names and paths
constexpr int kCommandLineCapacity = 4096;  // g_AppCommandLine, g_sDelayedIPC

// The engine fills the name buffers through qrnGetAppName.
static_assert(kTextCapacity == QRN_NAME_CAPACITY, "name buffers are handed to qrnGetAppName");
// The engine header declares the same variables for engines; the compiler checks each
// declaration below against it.
static_assert(kTextCapacity == QRN_TEXT_CAPACITY, "as the engine header states");
static_assert(kCommandLineCapacity == QRN_COMMAND_LINE_CAPACITY, "as the engine header states");

extern "C" {
extern int g_bNoNativeGui;  // run_cycle (option scan); once set, stays set
extern int g_nBuild;        // run_cycle resets it each run; the engine fills it (qrnGetAppName)
extern char g_AppNameLong[kTextCapacity];   // the engine (qrnGetAppName)
extern char g_AppNameShort[kTextCapacity];  // the engine (qrnGetAppName)
extern char g_AppID[kTextCapacity];         // the engine (qrnGetAppName)
extern char g_DllName[kTextCapacity];       // run_cycle
extern void* g_Dll;  // engine.cpp; the engine library, kept loaded for the life of the process
extern char g_AppExePath[kTextCapacity];   // paths_prefs (SetPath); argument 0 as received
extern char g_AppFilename[kTextCapacity];  // paths_prefs (SetPath)
extern char g_AppPath[kTextCapacity];      // paths_prefs (SetPath)
extern char g_UserPath[kTextCapacity];  // paths_prefs (GetUserPath); ends in '/'; kept across runs
extern char g_AppCommandLine[kCommandLineCapacity];  // run_cycle
// A message held until the engine can take it: engine.cpp (SendIPC) fills it with the
// latest, held_messages (DeliverHeldMessages, right after qrnCreate) empties it once the held
// messages have been handed on.
extern char g_sDelayedIPC[kCommandLineCapacity];
extern int g_HaveLock;  // instance_guard; this process claimed the single-instance record

// The engine's entry points, one variable each of the header's type name##Fn; engine.cpp
// binds and unbinds them.
#define QFN_DECLARE_ENTRY_POINT(name, result, parameters) extern name##Fn name;
QRN_ENTRY_POINTS(QFN_DECLARE_ENTRY_POINT)
#undef QFN_DECLARE_ENTRY_POINT
}
