// The held-message store: a fixed pool of NUL-terminated texts, one after another, with an
// index of where each starts. Only the main thread uses it.
#include "launcher/held_messages.h"

#include <cstring>

#include "launcher/launch_documents.h"
#include "platform/instance_channel.h"
#include "platform/log.h"
#include "state/state.h"

namespace {
constexpr int kMaxHeld = 64;
// Every held message, and the command line after them, can be handed on in the one launch a
// second launcher forwards.
static_assert(kMaxHeld + 1 == kChannelMaxMessages, "held messages and a forwarded launch differ");
constexpr size_t kPoolSize = 32768;

char s_pool[kPoolSize];
size_t s_used;
size_t s_start[kMaxHeld];
int s_count;
int s_unheld;
}  // namespace

int HoldMessage(const char* message) {
  size_t length = strnlen(message, kCommandLineCapacity - 1);  // cut as g_sDelayedIPC cuts
  if (s_count == kMaxHeld || s_used + length + 1 > kPoolSize) {
    ++s_unheld;
    return 0;
  }
  s_start[s_count++] = s_used;
  memcpy(s_pool + s_used, message, length);
  s_pool[s_used + length] = '\0';
  s_used += length + 1;
  return 1;
}

int HeldMessageCount() {
  return s_count;
}

int UnheldMessageCount() {
  return s_unheld;
}

const char* HeldMessage(int index) {
  return index >= 0 && index < s_count ? s_pool + s_start[index] : nullptr;
}

void ClearHeldMessages() {
  s_count = 0;
  s_used = 0;
  s_unheld = 0;
}

void DeliverHeldMessages(int (*send)(const char* message)) {
  if (s_count == 0 && LaunchDocumentCount() == 0 && g_sDelayedIPC[0]) {
    send(g_sDelayedIPC);
  } else {
    for (int i = 0; i < s_count; ++i) send(s_pool + s_start[i]);
    char message[QRN_OPEN_FILE_MESSAGE_CAPACITY];
    size_t length;
    for (int i = 0; i < LaunchDocumentCount(); ++i) {
      if (LaunchDocumentMessage(i, message, sizeof message, &length))
        send(message);
      else
        LogUncutDocument("[SendIPC] not delivered", i, length);
    }
  }
  if (s_unheld)
    Logf("[SendIPC] not delivered: %d message(s) past the first %d of this launch\n", s_unheld,
         kMaxHeld);
  ClearHeldMessages();
  ClearLaunchDocuments();
  g_sDelayedIPC[0] = '\0';
}
