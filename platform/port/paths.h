// What a port implements for the launcher's paths: the home folder, the user's
// application-support folder and this process's own executable.
#pragma once

#include <cstddef>

// Home folder: $HOME when set, absolute and not empty, else the password-database entry of
// the real user id. Written without a final '/'. 1 when found and it fit, else 0.
int OsHomeFolder(char* out, size_t capacity);
// The user's application-support folder: $XDG_DATA_HOME when set and absolute, else
// home + "/.local/share". 1 when found and it fit, else 0.
int OsAppSupportFolder(char* out, size_t capacity);
// The absolute path of this process's executable, as the system knows it:
// never a bare argument 0 that a shell passes when it found the program on PATH, and through
// any symbolic link that started it. 1 when it was read, is absolute and fit with its
// terminator; else 0 and an empty text.
int OsExecutablePath(char* out, size_t capacity);
