// The dynamic loader over dlopen; see platform/port/loader.h. OsOpenLibrary clears a stale
// error first, so that OsLibraryError after a failed open reports that open.
#include "platform/loader.h"
#include "platform/linux/symbols.h"
#include "platform/port/loader.h"

#include <dlfcn.h>

void* OsOpenLibrary(const char* path) {
  if (!path) return nullptr;
  dlerror();
  return dlopen(path, RTLD_LAZY);
}

void* GetDllSymbol(void* handle, const char* name) {
  if (!handle || !name) return nullptr;
  return dlsym(handle, name);
}

const char* OsLibraryError() {
  return dlerror();
}

// RTLD_NEXT searches after the object that makes this call, which is the executable itself.
void* NextSymbol(const char* name) {
  return name ? dlsym(RTLD_NEXT, name) : nullptr;
}

int SameLoadedObject(const void* a, const void* b) {
  Dl_info first, second;
  return a && b && dladdr(a, &first) && dladdr(b, &second) && first.dli_fbase == second.dli_fbase;
}
