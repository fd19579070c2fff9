// What a port provides for the loader; LoadDll and GetDllError in loader.h are its only
// callers. Handles are opaque. A name without '/' is looked up on the loader's search path,
// so callers that want one particular file pass a path. Besides these, a port defines
// GetDllSymbol of loader.h.
#pragma once

// Opens a library with lazy binding; null on failure (OsLibraryError then says why).
void* OsOpenLibrary(const char* path);
// The loader's text for the last failure of this thread, or null when there is none. Reading
// it clears it.
const char* OsLibraryError();
