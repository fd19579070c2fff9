// A lock across processes (and users) for one preference store: flock on "<store>.lock"
// beside the database. The kernel drops it when its holder ends, however it ends, so a
// killed launcher never leaves it held. Every user can take the any-user store's lock: the
// file is created 0644 by whoever may create it and opened read-only by the others.
#pragma once

#include <cstddef>

// The database file of a scope (the same path the preference store opens). 1 when it fit.
int OsPrefStorePath(int anyUser, char* out, size_t capacity);

// Waits until the store's lock is held, for at most timeoutSeconds. Returns a handle (>= 0)
// to pass to OsUnlockPrefStore, or -1 when the lock file cannot be opened or the time ran out.
int OsLockPrefStore(int anyUser, double timeoutSeconds);
void OsUnlockPrefStore(int handle);
