// No preference store: nothing is kept, so every read finds nothing and every write and lock
// fails, which sends the single-instance guard on without a record.
#include "platform/port/prefs.h"
#include "platform/prefs.h"

int OsPrefWrite(int, const char*, const char*, const char*, int) {
  return 0;
}

int OsPrefRead(int, const char*, const char*, char*, size_t) {
  return 0;
}

int LockPrefStore(int, double) {
  return -1;
}

void UnlockPrefStore(int) {}

int PrefStoreHeldByOthers(int) {
  return 0;
}
