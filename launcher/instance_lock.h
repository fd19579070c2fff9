// The locks that make the instance record's check and claim one step across processes: the
// any-user store's lock, then the current-user store's, always in that order. A lock that
// cannot be had within about 2 s is skipped and the guard goes on without it.
#pragma once

struct InstanceLocks {
  int anyUser;
  int currentUser;
};

InstanceLocks LockInstanceRecord();
void UnlockInstanceRecord(InstanceLocks locks);
