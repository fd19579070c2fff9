// A small key-value store for texts that outlive the process, per application domain and
// user scope (anyUser non-zero: every user of the machine; zero: the current user), always
// for the current host. A name beginning with '!' is taken literally as the domain; any other
// name is prefixed with "com.quillfen.".
#pragma once

#include <cstddef>

int SetSystemPreference(int anyUser, const char* appName, const char* key, const char* value);
// The stored text in the shared scratch buffer (see paths.h), or defaultText when absent.
const char* GetSystemPreference(int anyUser, const char* appName, const char* key,
                                const char* defaultText);
int RemoveSystemPreference(int anyUser, const char* appName, const char* key);

// The store beneath: one SQLite database per scope. Texts are the launcher's 8-bit
// (ISO 8859-1) texts.
// Writes a value, or removes the key when value is null; 1 when committed, else 0.
int OsPrefWrite(int anyUser, const char* domain, const char* key, const char* value);
// 1 when a usable text value is stored and fit into out (terminator included), else 0.
int OsPrefRead(int anyUser, const char* domain, const char* key, char* out, size_t capacity);

// A lock across processes (and users) for one store: flock on "<store>.lock" beside the
// database. The kernel drops it when its holder ends, however it ends, so a killed launcher
// never leaves it held. Every user can take the any-user store's lock: the file is created
// 0644 by whoever may create it and opened read-only by the others.

// The database file of a scope (the same path the preference store opens). 1 when it fit.
int OsPrefStorePath(int anyUser, char* out, size_t capacity);
// Creates the folders above a file of the store (database or lock file) with the scope's
// mode, whatever the file-creation mask: 0755 for the any-user store, which every user reads
// and only its owner may change; 0700 for the user's own. 1 when they exist afterwards.
int OsCreatePrefStoreFolders(int anyUser, const char* storeFile);

// Waits until the store's lock is held, for at most timeoutSeconds. Returns a handle (>= 0)
// to pass to OsUnlockPrefStore, or -1 when the lock file cannot be opened, is not a regular
// file (a link, FIFO or device put at its name is never followed nor waited on), or the time
// ran out.
int OsLockPrefStore(int anyUser, double timeoutSeconds);
void OsUnlockPrefStore(int handle);
