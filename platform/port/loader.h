// What a port implements for the loader; LoadDll and its siblings in loader.h are its only
// callers. Handles are opaque. A name without '/' is looked up on the loader's search path,
// so callers that want one particular file pass a path.
#pragma once

// Opens a library with lazy binding; null on failure (OsLibraryError then says why).
void* OsOpenLibrary(const char* path);
// The address of an exported symbol of an opened library; null when it is absent or the
// handle is null (never a look-up in the process's global scope).
void* OsLibrarySymbol(void* handle, const char* name);
// The loader's text for the last failure of this thread, or null when there is none. Reading
// it clears it.
const char* OsLibraryError();
