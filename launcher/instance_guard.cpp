// Single-instance guard. The record "PSN" in the domain of g_AppNameLong holds the 8-byte
// identity of the running instance as 16 hex digits, any-user scope first, current-user
// scope second. The check and the claim are separate, unlocked steps; a record that names
// no live process (or names this very process) is simply overwritten.
#include "launcher/instance_guard.h"

#include <cstring>

#include "platform/linux/os.h"
#include "platform/prefs.h"
#include "state/state.h"
#include "util/hex.h"

namespace {

constexpr char kRecordKey[] = "PSN";
constexpr int kIdentitySize = 8;
constexpr int kRecordDigits = 2 * kIdentitySize;

// 1 when the text names a live process other than this one.
int NamesOtherLiveInstance(const char* text) {
  if (text == nullptr || strlen(text) != kRecordDigits) return 0;
  unsigned char recorded[kIdentitySize];
  if (HexToBytes(text, recorded, kIdentitySize, kRecordDigits) != kIdentitySize) return 0;
  if (!OsProcessIdentityIsAlive(recorded)) return 0;
  // After a failed removal a restart of this process would otherwise take its own record
  // for another instance and end quietly.
  unsigned char self[kIdentitySize];
  if (OsCurrentProcessIdentity(self) && memcmp(self, recorded, kIdentitySize) == 0) return 0;
  return 1;
}

}  // namespace

int AlreadyRunning() {
  const char* record = GetSystemPreference(1, g_AppNameLong, kRecordKey, nullptr);
  if (record == nullptr) record = GetSystemPreference(0, g_AppNameLong, kRecordKey, nullptr);
  if (NamesOtherLiveInstance(record)) return 1;

  g_HaveLock = 1;
  unsigned char identity[kIdentitySize];
  if (!OsCurrentProcessIdentity(identity)) return 0;
  char text[kTextCapacity];
  if (!BytesToHex(identity, kIdentitySize, text, sizeof text)) return 0;
  if (!SetSystemPreference(1, g_AppNameLong, kRecordKey, text))
    SetSystemPreference(0, g_AppNameLong, kRecordKey, text);
  return 0;
}

void ReleaseInstanceRecord() {
  RemoveSystemPreference(1, g_AppNameLong, kRecordKey);
  RemoveSystemPreference(0, g_AppNameLong, kRecordKey);
}
