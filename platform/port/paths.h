// What a port provides for the launcher's paths: the home folder, the user's
// application-support folder and this process's own executable.
#pragma once

#include <cstddef>

// Home folder: where the system keeps the user's own files, written without a final '/'.
// 1 when found and it fit, else 0.
int OsHomeFolder(char* out, size_t capacity);
// The user's application-support folder, where programs keep their data for this user.
// 1 when found and it fit, else 0.
int OsAppSupportFolder(char* out, size_t capacity);
// The absolute path of this process's executable, as the system knows it: never a bare
// argument 0 that a shell passes when it found the program on its search path, and through
// any link that started it. 1 when it was read, is absolute and fit with its terminator;
// else 0 and an empty text.
int OsExecutablePath(char* out, size_t capacity);
// The link that leads straight to this process's executable on the way from the path it was
// started through (argument 0 when it names a folder, else the first match on the search
// path, as a shell finds it): each link of that chain is followed in turn, at most 16, and
// the last one whose target is the executable itself is given, its folder without links. 1 when
// there is such a link and it fit with its terminator; else 0 and an empty text.
int OsLauncherLink(const char* argument0, char* out, size_t capacity);
