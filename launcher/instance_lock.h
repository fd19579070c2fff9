// The locks that make the instance record's check and claim one step across processes: the
// any-user store's lock, then the current-user store's, always in that order. A lock that
// cannot be had within about 2 s is skipped and the guard goes on without it. And the data
// folder's instance file, the playing instance's own lock.
#pragma once

#include <cstddef>

struct InstanceLocks {
  int anyUser;
  int currentUser;
};

InstanceLocks LockInstanceRecord();
void UnlockInstanceRecord(InstanceLocks locks);

// The data folder's instance file, which the playing instance claims and where it publishes
// the name of its channel; 1 when the path fit.
int InstanceFilePath(char* out, size_t capacity);
