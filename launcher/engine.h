// Binding to the engine library and message forwarding. LoadDll and its siblings are the
// only place that knows about the platform loader.
#pragma once

int InitQuarn();
void UnloadQuarn();
int SendIPC(const char* message);

void* LoadDll(const char* path);
void* GetDllSymbol(void* handle, const char* name);
const char* GetDllError();
