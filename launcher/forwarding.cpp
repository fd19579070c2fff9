// Forwarded launches over the platform's instance channel. Delivery is re-entrancy guarded:
// an engine whose send entry point pumps events again must not be handed the next message
// from inside the previous one.
#include "launcher/forwarding.h"

#include <atomic>
#include <cstring>
#include <thread>

#include "launcher/engine.h"
#include "launcher/held_messages.h"
#include "platform/instance_channel.h"
#include "platform/log.h"
#include "platform/window_raise.h"
#include "state/state.h"

namespace {
constexpr double kConnectSeconds = 2.0;  // the instance may still be starting
constexpr double kAnswerSeconds = 10.0;  // until its engine next pumps events

// Read from any thread that pumps SDL events; written on the main thread only.
std::atomic<int> s_allowed{0};
std::atomic<std::thread::id> s_mainThread;
int s_delivering;  // main thread only

// A forwarded message is a command line or a document message of the launch that sent it,
// so it is as long as g_sDelayedIPC and g_AppCommandLine allow, and no longer.
static_assert(kChannelMaxMessage == kCommandLineCapacity - 1,
              "a forwarded message and the command line differ in length");
}  // namespace

void ListenForForwardedLaunches() {
  if (!OsChannelListen(g_AppNameLong)) Logf("[forward] cannot listen for other launches\n");
}

void StopForwardedLaunches() {
  s_allowed = 0;
  OsChannelClose();
}

void AllowForwardedDelivery(int on) {
  s_mainThread = std::this_thread::get_id();
  s_allowed = on;
}

void DeliverForwardedLaunches() {
  if (!s_allowed || !OsChannelPending()) return;
  if (std::this_thread::get_id() != s_mainThread.load() || s_delivering) return;
  s_delivering = 1;
  if (int dropped = OsChannelDropped())
    Logf("[forward] dropped %d connection(s): another user, malformed or too many\n", dropped);
  static char s_batch[kChannelMaxMessages * (kChannelMaxMessage + 1)];
  static_assert(sizeof s_batch >= kChannelMaxLaunchBytes, "a queued launch must fit the batch");
  int ticket = -1;
  int delivered = 0;
  while (int count = OsChannelTake(s_batch, sizeof s_batch, &ticket)) {
    const char* message = s_batch;
    for (int i = 0; i < count; ++i, message += strlen(message) + 1) SendIPC(message);
    OsChannelAnswer(ticket);
    delivered = 1;
  }
  if (delivered) OsRaiseSdlWindow();
  s_delivering = 0;
}

int ForwardToInstance(const char* message) {
  const char* messages[kChannelMaxMessages];
  int count = 0;
  for (int i = 0; i < HeldMessageCount() && count < kChannelMaxMessages - 1; ++i)
    messages[count++] = HeldMessage(i);
  messages[count++] = message;
  int sent = OsChannelSend(g_AppNameLong, messages, count, kConnectSeconds, kAnswerSeconds);
  for (int i = count - 1; i < HeldMessageCount(); ++i)  // beyond what one launch carries
    Logf("[forward] not delivered to the running instance: %s\n", HeldMessage(i));
  ClearHeldMessages();
  if (sent) return 1;
  for (int i = 0; i < count; ++i)
    Logf("[forward] not delivered to the running instance: %s\n", messages[i]);
  return 0;
}
