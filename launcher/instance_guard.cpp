// Single-instance guard. The record "PSN" in the domain of g_AppNameLong holds the 8-byte
// identity of the running instance as 16 hex digits, any-user scope first, current-user
// scope second. The check and the claim happen under the stores' locks, so of launches
// started together exactly one claims; a record that names no live process (or names this
// very process) is overwritten. A stale any-user record does not hide the current-user one,
// and a run ending removes only its own record or one that names no live process. Beside the
// record, the playing instance holds a claim on a file in its data folder, which needs no
// free space: on a full disk, where no record can be written, a second launch still finds it.
#include "launcher/instance_guard.h"

#include <cassert>
#include <cstring>

#include "launcher/forwarding.h"
#include "launcher/instance_lock.h"
#include "platform/files.h"
#include "platform/instance_channel.h"
#include "platform/log.h"
#include "platform/prefs.h"
#include "platform/process.h"
#include "state/state.h"
#include "util/file_name.h"
#include "util/hex.h"
#include "util/strbuf.h"

namespace {

constexpr char kRecordKey[] = "PSN";
constexpr int kIdentitySize = 8;
constexpr int kRecordDigits = 2 * kIdentitySize;

unsigned char s_running[kIdentitySize];  // the other instance found, when s_found is set
int s_found;
int s_playClaim = -1;  // this process's claim on the data folder's instance file

// 1 unless another process holds the claim; a file that cannot be opened at all does not
// stop the game (the record still guards it).
int ClaimPlay() {
  if (s_playClaim >= 0) return 1;
  char path[kPathCapacity];
  if (!InstanceFilePath(path, sizeof path)) return 1;
  int heldByOther = 0;
  s_playClaim = ClaimFile(path, &heldByOther);
  return !heldByOther;
}

// 1 when the text names a live process of this program other than this one. A record naming
// a process of another program is stale, as one naming no process is: in a store others may
// write, anyone could otherwise name a process that lives for ever.
int NamesOtherLiveInstance(const char* text) {
  if (text == nullptr || strlen(text) != kRecordDigits) return 0;
  unsigned char recorded[kIdentitySize];
  if (HexToBytes(text, recorded, kIdentitySize, kRecordDigits) != kIdentitySize) return 0;
  // After a failed removal a restart of this process would otherwise take its own record
  // for another instance and end quietly. Asked first, as this process knows its identity
  // without reading the process table, and a run ending finds its own record.
  unsigned char self[kIdentitySize];
  if (CurrentProcessIdentity(self) && memcmp(self, recorded, kIdentitySize) == 0) return 0;
  if (!ProcessIdentityIsAlive(recorded) || !ProcessIdentityRunsThisProgram(recorded)) return 0;
  memcpy(s_running, recorded, kIdentitySize);
  return 1;
}

// 1 when either scope's record names another live instance. The current-user scope is
// consulted whenever the any-user record does not name one: a record left in the any-user
// store by an instance that no longer runs must not switch the guard off for every user.
int RecordNamesOtherInstance() {
  if (NamesOtherLiveInstance(GetSystemPreference(1, g_AppNameLong, kRecordKey, nullptr))) return 1;
  return NamesOtherLiveInstance(GetSystemPreference(0, g_AppNameLong, kRecordKey, nullptr));
}

// Without a record this process still plays alone (its claim on instance.lock stops a second
// launch), but a second launch cannot find it to hand it its documents: said in the log.
void ClaimRecord() {
  g_HaveLock = 1;
  unsigned char identity[kIdentitySize];
  if (!CurrentProcessIdentity(identity)) {
    Logf("[guard] No instance record: this process's identity cannot be read\n");
    return;
  }
  char text[kTextCapacity];
  [[maybe_unused]] int fit = BytesToHex(identity, kIdentitySize, text, sizeof text);
  assert(fit);
  if (!SetSystemPreferenceUnflushed(1, g_AppNameLong, kRecordKey, text) &&
      !SetSystemPreferenceUnflushed(0, g_AppNameLong, kRecordKey, text))
    Logf("[guard] No instance record: neither preference store can be written\n");
}

// Removes the scope's record unless it names another live instance (which claimed it after
// this one, or holds it while this one ran without a record of its own).
void RemoveRecordUnlessOthers(int anyUser) {
  if (NamesOtherLiveInstance(GetSystemPreference(anyUser, g_AppNameLong, kRecordKey, nullptr)))
    return;
  RemoveSystemPreference(anyUser, g_AppNameLong, kRecordKey);
}

}  // namespace

int AlreadyRunning() {
  InstanceLocks locks = LockInstanceRecord();
  int known = RecordNamesOtherInstance();
  int running = known || !ClaimPlay();
  // The channel and its name come before the record: a launch that finds the record finds
  // them. A launch that hands over to a running game never listens.
  if (!running) {
    ListenForForwardedLaunches();
    ChannelPublish(s_playClaim);
    ClaimRecord();
  }
  UnlockInstanceRecord(locks);
  if (PrefStoreHeldByOthers(1))
    Logf(
        "[guard] Another process holds the machine-wide preference store; it is not waited "
        "for again, and the record is kept where it can be\n");
  s_found = known;
  return running;
}

const unsigned char* RunningInstanceIdentity() {
  return s_found ? s_running : nullptr;
}

void AnnounceUninstall() {
  ChannelPublishUninstalling(s_playClaim);
}

void ReleaseInstanceRecord() {
  InstanceLocks locks = LockInstanceRecord();
  RemoveRecordUnlessOthers(1);
  RemoveRecordUnlessOthers(0);
  UnlockInstanceRecord(locks);
  ReleaseFileClaim(s_playClaim);
  s_playClaim = -1;
}
