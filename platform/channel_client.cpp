// The second launch's end of the channel. Every step (connecting included: a full backlog is
// retried rather than waited in) shares one deadline. Writing the confirmation is the commit:
// it either lands before the instance decides, or fails because the instance shut its
// reading side. After it, only the instance's word that the engine has the messages counts as
// delivery; a close, a failure or silence leaves the launch unconfirmed.
#include <cstring>

#include "platform/channel_wire.h"
#include "platform/files.h"
#include "platform/instance_channel.h"
#include "platform/port/instance_channel.h"
#include "platform/waiting.h"
#include "util/hex.h"
#include "util/strbuf.h"

namespace {

// Connects to the instance itself and rings its bell. A full backlog (the instance does not
// accept now) is tried again until the deadline, the bell rung each time, so that connections
// that never ring (another user's) are looked at and refused; no listener at all means the
// instance has no channel, which waiting would not change.
int Connect(const unsigned char* identity, const char* notePath, double deadline,
            const char** reason) {
  char name[kOsChannelNameCapacity];
  if (!ChannelListenerName(notePath, identity, name, sizeof name)) {
    *reason = "the running instance does not listen for other launches";
    return -1;
  }
  if (strcmp(name, kChannelUninstalling) == 0) {
    *reason = "the game is being uninstalled";
    return -1;
  }
  for (;;) {
    int connection = -1;
    switch (OsChannelConnect(name, identity, &connection)) {
      case kConnected:
        ChannelRing(notePath);
        return connection;
      case kConnectStranger:
        *reason = "the running instance's channel is held by another process";
        return -1;
      case kConnectNone:
        *reason = "the running instance does not listen for other launches";
        return -1;
      case kConnectBusy:
        ChannelRing(notePath);
        break;
    }
    if (MonotonicSeconds() >= deadline) {
      *reason = "the running instance did not accept the connection in time";
      return -1;
    }
    PauseJittered(10000, 5000);
  }
}

ChannelSendResult Exchange(int connection, const unsigned char* raw, size_t length, double deadline,
                           double seconds, const char** reason) {
  if (!OsChannelWriteAll(connection, raw, length, deadline)) {
    *reason = "the running instance did not take the messages in time";
    return kChannelNotSent;
  }
  char answer = 0;
  long n = OsChannelWaitUntil(connection, deadline) ? OsChannelRead(connection, &answer, 1) : -1;
  if (n == 0 || (n == 1 && answer != kChannelOffer)) {
    *reason = "the running instance refused the messages";
    return kChannelNotSent;
  }
  if (n != 1) {
    *reason = "the running instance did not offer to deliver them in time";
    return kChannelNotSent;
  }
  if (MonotonicSeconds() >= deadline || !OsChannelWriteByte(connection, kChannelConfirm)) {
    *reason = "the running instance's offer came too late";
    return kChannelNotSent;
  }
  // Committed: the instance delivers them unless it ends first. It has as long again to
  // report that its engine has them.
  deadline = MonotonicSeconds() + seconds;
  answer = 0;
  n = OsChannelWaitUntil(connection, deadline) ? OsChannelRead(connection, &answer, 1) : -1;
  if (n == 1 && answer == kChannelDelivered) return kChannelSent;
  *reason = n == -1 ? "the running instance did not report the delivery in time"
                    : "the running instance ended without reporting the delivery";
  return kChannelUnconfirmed;
}

}  // namespace

int ChannelRing(const char* notePath) {
  return OsChannelRingBell(notePath);
}

// One open and one read of the note, whatever else runs on the machine or in the instance.
int ChannelListenerName(const char* notePath, const unsigned char* identity, char* out,
                        size_t capacity) {
  char hex[17];
  char note[sizeof hex + kOsChannelNameCapacity + 1];
  if (notePath == nullptr || !BytesToHex(identity, 8, hex, sizeof hex) ||
      ReadOwnFileStart(notePath, note, sizeof note) <= 0 || strncmp(note, hex, 16) != 0 ||
      note[16] != ' ')
    return 0;
  char* end = strchr(note + 17, '\n');
  if (end == nullptr || end == note + 17) return 0;
  *end = '\0';
  return StrCopy(out, capacity, note + 17);
}

ChannelSendResult ChannelSend(const unsigned char* identity, const char* notePath,
                              const char* const* messages, int count, double seconds, char* reason,
                              size_t reasonCapacity) {
  static unsigned char s_raw[kChannelMaxLaunchBytes];
  size_t length = 0;
  const char* why = "";
  ChannelSendResult sent = kChannelNotSent;
  if (!ChannelEncodeLaunch(messages, count, s_raw, sizeof s_raw, &length)) {
    why = "the messages do not fit one launch";
  } else {
    double deadline = MonotonicSeconds() + seconds;
    int connection = Connect(identity, notePath, deadline, &why);
    if (connection >= 0) {
      sent = Exchange(connection, s_raw, length, deadline, seconds, &why);
      OsChannelEnd(connection);
    }
  }
  if (sent != kChannelSent) StrCopy(reason, reasonCapacity, why);
  return sent;
}
