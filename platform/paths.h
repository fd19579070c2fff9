// The launcher's places in the file system: the executable's paths and working directory
// (SetPath), the per-user data folder (GetUserPath) and the home-folder look-ups. The
// look-ups return texts in a shared 1024-byte scratch buffer that is valid until the next
// call of any of them or of GetSystemPreference.
#pragma once

#include <cstddef>

// Fills g_AppExePath and g_AppFilename from argument 0 as the process received it, and
// g_AppPath (made the working directory) from the executable's own path, never from a bare
// or relative argument 0. Returns the working-directory change's 0 or -1; -1 also when the
// own path is unknown, which leaves g_AppPath empty and the working directory as it was.
int SetPath(const char* exePath);
// The same with the own path given: ownPath is cut to the resource folder; null counts as
// unknown.
int SetPathFor(const char* exePath, const char* ownPath);
// Sets g_UserPath, once per process, to the first writeable data folder of the game's long
// name: under the application-support folder, else under Documents. 0 when neither is.
int GetUserPath();
const char* GetHomePath();
const char* GetAppDataPath();
const char* GetMyDocumentsPath();
