// Symbol look-ups the Linux layer makes for itself, beyond the loader the port publishes: the
// wrapped SDL event functions find SDL's own definitions and tell SDL's calls from others, and
// window raising finds the display library that SDL's video driver loaded.
#pragma once

#include <cstddef>

// Opens a library by name (the loader's search) into the process's global scope; one already
// loaded, by a dependency of another library too, is moved there. 1 on success; otherwise
// error holds the loader's reason.
int ShareLibrary(const char* name, char* error, size_t capacity);
// A symbol of a library that is already loaded, never loading it; null when either is absent.
void* LoadedLibrarySymbol(const char* library, const char* name);

// The next definition of a symbol after the launcher executable's own, in the loader's search
// order (RTLD_NEXT): for an executable function that wraps a library's function of the same
// name. Null when no later object defines it.
void* NextSymbol(const char* name);
// 1 when both addresses lie in the same loaded object (the executable or one library).
int SameLoadedObject(const void* a, const void* b);
