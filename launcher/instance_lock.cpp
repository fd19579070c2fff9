// Takes and drops the instance record's store locks (see instance_lock.h). The deadline is
// shared, so the two waits together stay within about 2 s.
#include "launcher/instance_lock.h"

#include <chrono>

#include "platform/linux/store_lock.h"

namespace {
constexpr double kLockSeconds = 2.0;

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

InstanceLocks LockInstanceRecord() {
  auto start = std::chrono::steady_clock::now();
  InstanceLocks locks;
  locks.anyUser = OsLockPrefStore(1, kLockSeconds);
  double left = kLockSeconds - SecondsSince(start);
  locks.currentUser = OsLockPrefStore(0, left > 0.05 ? left : 0.05);
  return locks;
}

void UnlockInstanceRecord(InstanceLocks locks) {
  OsUnlockPrefStore(locks.currentUser);
  OsUnlockPrefStore(locks.anyUser);
}
