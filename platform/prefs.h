// A small key-value store for texts that outlive the process, per application domain and
// user scope (anyUser non-zero: every user of the machine; zero: the current user), always
// for the current host. A name beginning with '!' is taken literally as the domain; any other
// name is prefixed with "com.quillfen.".
#pragma once

#include <cstddef>

// Sets the key; 1 once the value is on the disk, else 0.
int SetSystemPreference(int anyUser, const char* appName, const char* key, const char* value);
// The same for a value that matters only while this process runs (the single-instance
// record): written whole just as well, but not waited for to reach the disk.
int SetSystemPreferenceUnflushed(int anyUser, const char* appName, const char* key,
                                 const char* value);
// The stored text in the shared scratch buffer (see paths.h), or defaultText when absent.
const char* GetSystemPreference(int anyUser, const char* appName, const char* key,
                                const char* defaultText);
// Removes the key (not waited for to reach the disk); 1 when it is gone, also when it was
// never there.
int RemoveSystemPreference(int anyUser, const char* appName, const char* key);

// A lock across processes (and users) for one store, which every user can take and which
// the end of its holder releases, however it ends. Waits until it is held, for at most
// timeoutSeconds. Returns a handle (>= 0) for UnlockPrefStore, or -1 when the lock cannot be
// taken in time or its file is not a regular file (never followed nor waited on).
int LockPrefStore(int anyUser, double timeoutSeconds);
void UnlockPrefStore(int handle);
// 1 once another process held the store's lock through a whole wait of this one;
// from then on this process tries that store without waiting, so a holder that never lets go
// delays it about 2 s in all.
int PrefStoreHeldByOthers(int anyUser);
