// Documents named on a desktop launch's command line, made absolute against the folder the
// launcher was started in, before the run cycle changes the working folder.
#pragma once

#include <cstddef>

// An absolute path is copied; a relative one is prefixed with the working folder (a leading
// "./" dropped). 1 when it fit, 0 when the working folder is unknown or the result was cut.
int AbsoluteDocumentPath(const char* path, char* out, size_t capacity);
