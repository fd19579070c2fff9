// What the Linux preference store shares with the locks beside it (a flock on
// "<store>.lock", created 0644 by whoever may create it and opened read-only by the others):
// where a scope's database lies and how the folders above it are made.
#pragma once

#include <cstddef>

// The database file of a scope (the same path the preference store opens). 1 when it fit.
int PrefStorePath(int anyUser, char* out, size_t capacity);
// Creates the folders above a file of the store (database or lock file) with the scope's
// mode, whatever the file-creation mask: 0755 for the any-user store, which every user reads
// and only its owner may change; 0700 for the user's own. 1 when they exist afterwards.
int CreatePrefStoreFolders(int anyUser, const char* storeFile);
// How long a call on the scope's store or lock may wait for another process: seconds, or 0
// once a holder kept it through a whole wait (NotePrefStoreHeld), so that a lock holder
// that never lets go delays this process once, not at every call.
double PrefStoreWaitSeconds(int anyUser, double seconds);
void NotePrefStoreHeld(int anyUser);
