// The launcher's process-wide state: a fixed set of variables with fixed capacities that
// live for the whole process and are never freed. Each has one writer; the others only read
// it. They have C linkage and are exported from the executable by these plain names, so
// their names and capacities are part of the launcher's interface.
#pragma once

#define QUARN_LAUNCHER_SIDE
#include "launcher/quarn_engine.h"

constexpr int kTextCapacity = 256;         // names and paths
constexpr int kCommandLineCapacity = 4096; // g_AppCommandLine, g_sDelayedIPC

extern "C" {
extern int g_bNoNativeGui;  // suppress every native dialog; once set, stays set
extern int g_nBuild;        // build number reported by the engine
extern char g_AppNameLong[kTextCapacity];
extern char g_AppNameShort[kTextCapacity];
extern char g_AppID[kTextCapacity];
extern char g_DllName[kTextCapacity];
extern void* g_Dll;  // the engine library, kept loaded for the life of the process
extern char g_AppExePath[kTextCapacity];
extern char g_AppFilename[kTextCapacity];
extern char g_AppPath[kTextCapacity];
extern char g_UserPath[kTextCapacity];  // per-user data folder ending in '/'; kept across runs
extern char g_AppCommandLine[kCommandLineCapacity];
extern char g_sDelayedIPC[kCommandLineCapacity];  // message held until the engine can take it
extern int g_HaveLock;  // this process claimed the single-instance record

extern qrnGetAppNameFn qrnGetAppName;
extern qrnCreateFn qrnCreate;
extern qrnRunFn qrnRun;
extern qrnCloseFn qrnClose;
extern qrnSendIPCFn qrnSendIPC;
}
