// Loading the engine library. A bare library name is opened from the working directory
// ("./name"), never from the loader's search path, so that a library of the same name on the
// search path or in a system folder cannot be the one that is loaded. There is no unloading:
// the engine stays loaded until the process ends, because its exit handlers run at the
// process's end, after the launcher's last call into it.
#pragma once

// The library's handle, or null with *error (a text that lives until the next load) saying
// why it could not be loaded.
void* LoadDll(const char* path, const char** error);
// A null handle finds nothing: a look-up in the global scope would find the launcher's own
// variables of the same names as the entry points.
void* GetDllSymbol(void* handle, const char* name);
