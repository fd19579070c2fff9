// The dynamic loader: the only place that includes the loader's header. Handles are opaque.
// A name without '/' is looked up on the loader's search path, so callers that want one
// particular file pass a path.
#pragma once

// Opens a library with lazy binding; null on failure (OsLibraryError then says why).
void* OsOpenLibrary(const char* path);
// The address of an exported symbol of an opened library; null when it is absent or the
// handle is null (never a look-up in the process's global scope).
void* OsLibrarySymbol(void* handle, const char* name);
// The loader's text for the last failure of this thread, or null when there is none. Reading
// it clears it.
const char* OsLibraryError();
// The next definition of a symbol after the launcher executable's own, in the loader's search
// order (RTLD_NEXT): for an executable function that wraps a library's function of the same
// name. Null when no later object defines it.
void* OsNextSymbol(const char* name);
// 1 when both addresses lie in the same loaded object (the executable or one library).
int OsSameLoadedObject(const void* a, const void* b);
