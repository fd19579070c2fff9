// The running executable's own path, as the kernel knows it: never a bare argument 0 that a
// shell passes when it found the program on PATH, and through any symbolic link that
// started it.
#pragma once

#include <cstddef>

// Writes the absolute path of this process's executable (/proc/self/exe) into out. 1 when it
// was read, is absolute and fit with its terminator; else 0 and an empty text.
int OsExecutablePath(char* out, size_t capacity);
