// What a port provides for the preference store: one store per user scope (anyUser non-zero:
// every user of the machine), texts in the launcher's 8-bit (ISO 8859-1) encoding. Besides
// these, a port defines the store's lock of prefs.h (LockPrefStore, UnlockPrefStore,
// PrefStoreHeldByOthers).
#pragma once

#include <cstddef>

// Writes a value whole (a reader sees the old value or the new one), or removes the key when
// value is null; with flush the value is on the disk before the call returns. 1 when the
// change was made, else 0.
int OsPrefWrite(int anyUser, const char* domain, const char* key, const char* value, int flush);
// 1 when a usable text value is stored and fit into out (terminator included), else 0.
int OsPrefRead(int anyUser, const char* domain, const char* key, char* out, size_t capacity);
