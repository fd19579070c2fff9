// A lock across processes (and users) for one preference store: flock on "<store>.lock"
// beside the database. The kernel drops it when its holder ends, however it ends, so a
// killed launcher never leaves it held. Every user can take the any-user store's lock: the
// file is created 0644 by whoever may create it and opened read-only by the others.
#pragma once

#include <cstddef>

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
