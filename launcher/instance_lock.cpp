// Takes and drops the instance record's store locks (see instance_lock.h), and names the
// instance file. The deadline is shared, so the two waits together stay within about 2 s.
#include "launcher/instance_lock.h"

#include "platform/prefs.h"
#include "platform/waiting.h"
#include "state/state.h"
#include "util/strbuf.h"

namespace {
constexpr double kLockSeconds = 2.0;
}  // namespace

InstanceLocks LockInstanceRecord() {
  double deadline = MonotonicSeconds() + kLockSeconds;
  InstanceLocks locks;
  locks.anyUser = LockPrefStore(1, kLockSeconds);
  double left = deadline - MonotonicSeconds();
  locks.currentUser = LockPrefStore(0, left > 0.05 ? left : 0.05);
  return locks;
}

void UnlockInstanceRecord(InstanceLocks locks) {
  UnlockPrefStore(locks.currentUser);
  UnlockPrefStore(locks.anyUser);
}

int InstanceFilePath(char* out, size_t capacity) {
  return StrFormatf(out, capacity, "%sinstance.lock", g_UserPath);
}
