// Binding to the engine library and message forwarding. LoadDll and its siblings are the
// only place that knows about the platform loader.
#pragma once

int InitQuarn();
void UnloadQuarn();
int SendIPC(const char* message);
// SendIPC with its log line left out when logged is 0 (once a run's share of forwarded
// messages has been logged). The log line shows control characters escaped.
int SendIPCLogged(const char* message, int logged);

void* LoadDll(const char* path);
void* GetDllSymbol(void* handle, const char* name);
const char* GetDllError();
