// The dynamic loader over dlopen; see platform/port/loader.h. OsOpenLibrary clears a stale
// error first, so that the text it reports after a failed open is that open's.
#include "platform/loader.h"
#include "platform/linux/symbols.h"
#include "platform/port/loader.h"

#include <dlfcn.h>

#include "util/strbuf.h"

void* OsOpenLibrary(const char* path, const char** error) {
  dlerror();
  void* handle = dlopen(path, RTLD_LAZY);
  if (!handle) {
    const char* why = dlerror();
    *error = why ? why : "unknown error";
  }
  return handle;
}

void* GetDllSymbol(void* handle, const char* name) {
  if (!handle || !name) return nullptr;
  return dlsym(handle, name);
}

int ShareLibrary(const char* name, char* error, size_t capacity) {
  dlerror();
  if (dlopen(name, RTLD_LAZY | RTLD_GLOBAL)) return 1;
  const char* reason = dlerror();
  StrCopy(error, capacity, reason ? reason : name);
  return 0;
}

void* LoadedLibrarySymbol(const char* library, const char* name) {
  void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
  return handle ? dlsym(handle, name) : nullptr;
}

// RTLD_NEXT searches after the object that makes this call, which is the executable itself.
void* NextSymbol(const char* name) {
  return name ? dlsym(RTLD_NEXT, name) : nullptr;
}

int SameLoadedObject(const void* a, const void* b) {
  Dl_info first, second;
  return a && b && dladdr(a, &first) && dladdr(b, &second) && first.dli_fbase == second.dli_fbase;
}
