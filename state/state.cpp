// Definitions of the launcher's process-wide variables (see state.h). All start zeroed.
#include "state/state.h"

extern "C" {
int g_bNoNativeGui;
int g_nBuild;
char g_AppNameLong[kTextCapacity];
char g_AppNameShort[kTextCapacity];
char g_AppID[kTextCapacity];
char g_DllName[kTextCapacity];
void* g_Dll;
char g_AppExePath[kTextCapacity];
char g_AppFilename[kTextCapacity];
char g_AppPath[kTextCapacity];
char g_UserPath[kTextCapacity];
char g_AppCommandLine[kCommandLineCapacity];
char g_sDelayedIPC[kCommandLineCapacity];
int g_HaveLock;

#define QFN_DEFINE_ENTRY_POINT(name, result, parameters) name##Fn name;
QRN_ENTRY_POINTS(QFN_DEFINE_ENTRY_POINT)
}
