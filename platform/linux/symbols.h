// Symbol look-ups the Linux layer makes for itself, beyond the loader the port publishes: the
// wrapped SDL event functions find SDL's own definitions and tell SDL's calls from others.
#pragma once

// The next definition of a symbol after the launcher executable's own, in the loader's search
// order (RTLD_NEXT): for an executable function that wraps a library's function of the same
// name. Null when no later object defines it.
void* NextSymbol(const char* name);
// 1 when both addresses lie in the same loaded object (the executable or one library).
int SameLoadedObject(const void* a, const void* b);
