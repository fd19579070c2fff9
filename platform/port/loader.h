// What a port provides for the loader; LoadDll in loader.h is its only caller. Handles are
// opaque. A name without '/' is looked up on the loader's search path, so callers that want
// one particular file pass a path. Besides this, a port defines GetDllSymbol of loader.h.
#pragma once

// Opens a library with lazy binding; null on failure, with *error (never null then, living
// until the next open) saying why.
void* OsOpenLibrary(const char* path, const char** error);
