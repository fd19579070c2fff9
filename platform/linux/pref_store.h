// What the Linux preference store shares with the lock beside it (a flock on "<scope>/.lock",
// created by whoever may create it and opened read-only by the others): where a scope's
// folder lies, how the folders above a file of the store are made, and how long a lock
// holder is waited for.
#pragma once

#include <cstddef>

// The folder of a scope (the any-user one from QFN_SYSTEM_PREFS, else /var/lib/Quillfen; the
// current user's "<configuration folder>/Quillfen"). 1 when it fit.
int PrefScopeFolder(int anyUser, char* out, size_t capacity);
// Creates the folders above a file of the store with the scope's mode, whatever the
// file-creation mask: 0755 for the any-user store, which every user reads and only its owner
// may change; 0700 for the user's own. 1 when they exist afterwards.
int CreatePrefStoreFolders(int anyUser, const char* storeFile);
// How long a wait for the scope's lock may last: seconds, or 0 once a holder kept it through
// a whole wait (NotePrefStoreHeld), so that a holder that never lets go delays this process
// once, not at every call.
double PrefStoreWaitSeconds(int anyUser, double seconds);
void NotePrefStoreHeld(int anyUser);
