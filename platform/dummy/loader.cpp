// No library can be loaded: the engine is never bound.
#include "platform/loader.h"
#include "platform/port/loader.h"

void* OsOpenLibrary(const char*, const char** error) {
  *error = "this port loads no libraries";
  return nullptr;
}

void* GetDllSymbol(void*, const char*) {
  return nullptr;
}
