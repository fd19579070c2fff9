// Loading the engine library. A bare library name is opened from the working directory
// ("./name"), never from the loader's search path, so that a library of the same name on the
// search path or in a system folder cannot be the one that is loaded.
#pragma once

void* LoadDll(const char* path);
// A null handle finds nothing: a look-up in the global scope would find the launcher's own
// variables of the same names as the entry points.
void* GetDllSymbol(void* handle, const char* name);
// Why the last LoadDll failed.
const char* GetDllError();
