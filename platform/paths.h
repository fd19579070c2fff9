// The launcher's places in the file system: the executable's paths and working directory
// (SetPath), the per-user data folder (GetUserPath) and the home-folder look-ups. The
// look-ups return texts in a shared 1024-byte scratch buffer that is valid until the next
// call of any of them or of GetSystemPreference.
#pragma once

int SetPath(const char* exePath);
void GetUserPath();
const char* GetHomePath();
const char* GetAppDataPath();
const char* GetMyDocumentsPath();
