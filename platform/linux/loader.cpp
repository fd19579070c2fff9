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

// The loader's own look-up for unwinding answers without a lock and without reading symbol
// tables, which dladdr searches for the nearest name; it came with glibc 2.35.
int SameLoadedObject(const void* a, const void* b) {
  if (!a || !b) return 0;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 35))
  struct dl_find_object first, second;
  return _dl_find_object(const_cast<void*>(a), &first) == 0 &&
         _dl_find_object(const_cast<void*>(b), &second) == 0 &&
         first.dlfo_link_map == second.dlfo_link_map;
#else
  Dl_info first, second;
  return dladdr(a, &first) && dladdr(b, &second) && first.dli_fbase == second.dli_fbase;
#endif
}
