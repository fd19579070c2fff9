// Forwarded launches over the platform's instance channel. Delivery is re-entrancy guarded
// (an engine whose send entry point pumps events again is not handed the next message from
// inside the previous one) and bounded per event call, and what it logs is bounded per run.
#include "launcher/forwarding.h"

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>

#include "launcher/engine.h"
#include "launcher/held_messages.h"
#include "launcher/instance_lock.h"
#include "launcher/launch_documents.h"
#include "platform/instance_channel.h"
#include "platform/log.h"
#include "platform/process.h"
#include "platform/waiting.h"
#include "platform/window_raise.h"
#include "state/state.h"
#include "util/file_name.h"
#include "util/strbuf.h"

namespace {
constexpr double kForwardSeconds = 10.0;  // a second launch's whole hand-over
constexpr int kMessagesPerStep = 8;       // handed to the engine per event call
constexpr int kLoggedPerRun = 64;         // forwarded messages with a log line of their own
constexpr int kEndingLooks = 50;          // looks at a game that may be ending,
constexpr unsigned kEndingPauseUs = 10000;  // 10 ms apart
constexpr char kOpenFile[] = "OpenFile|";
constexpr char kCommandLine[] = "CommandLine|";

// Read from any thread that pumps SDL events; written on the main thread only.
std::atomic<int> s_allowed{0};
// 1 in the thread that allows delivery (the main thread): SDL's event thread pumps too.
thread_local int t_delivers;

// Main thread only.
int s_delivering;
char s_batch[kChannelMaxLaunchBytes];  // the launch being delivered
const char* s_next;                    // its next message
int s_left;                            // its messages not yet delivered
int s_logged, s_unlogged, s_failures;  // this run's counts

void NoteFailures(const ChannelFailures& failures) {
  if (failures.count && s_failures == 0) Logf("[forward] %s\n", failures.first);
  s_failures += failures.count;
}

void DeliverOne(const char* message) {
  if (s_logged < kLoggedPerRun) {
    ++s_logged;
    SendIPC(message);
    return;
  }
  if (s_unlogged++ == 0)
    Logf("[forward] further forwarded messages of this run are delivered without a log line\n");
  SendIPCUnlogged(message);
}

// Hands up to budget messages to the engine, taking confirmed launches one after another.
void DeliverSome(int budget) {
  int delivered = 0;
  for (; budget > 0; --budget) {
    if (s_left == 0) {
      s_left = ChannelTake(s_batch, sizeof s_batch);
      s_next = s_batch;
      if (s_left == 0) break;
    }
    const char* message = s_next;
    s_next += strlen(s_next) + 1;
    --s_left;
    DeliverOne(message);
    if (s_left == 0) ChannelDelivered();
    delivered = 1;
  }
  if (delivered) RaiseSdlWindow();
}

int StartsWith(const char* text, const char* prefix) {
  return strncmp(text, prefix, strlen(prefix)) == 0;
}

void LogMessage(const char* what, const char* message) {
  static char s_shown[4 * kCommandLineCapacity];
  StrCopyEscaped(s_shown, sizeof s_shown, message);
  Logf("[forward] %s: %s\n", what, s_shown);
}
}  // namespace

// A forwarded message is a command line or a document message of the launch that sent it,
// so it is as long as g_sDelayedIPC and g_AppCommandLine allow, and no longer.
static_assert(kChannelMaxMessage == kCommandLineCapacity - 1,
              "a forwarded message and the command line differ in length");

void ListenForForwardedLaunches() {
  char reason[160] = "";
  if (!ChannelListen(reason, sizeof reason))
    Logf("[forward] cannot listen for other launches: %s\n", reason);
}

void StopForwardedLaunches() {
  ChannelClose();
  EndForwardingRun();
}

void EndForwardingRun() {
  s_allowed = 0;
  if (s_failures) Logf("[forward] %d connection(s) refused or failed in this run\n", s_failures);
  if (s_unlogged)
    Logf("[forward] %d forwarded message(s) delivered without a log line\n", s_unlogged);
  s_logged = s_unlogged = s_failures = 0;
}

void AllowForwardedDelivery(int on) {
  static int s_toldWithoutBell;
  t_delivers = 1;
  s_allowed = on;
  if (on && ChannelWithoutBell() && !s_toldWithoutBell++)
    Logf("[forward] instance.lock holds no bell: every event call looks for other launches\n");
}

int ForwardedLaunchesWaiting() {
  return s_allowed && (s_left || ChannelHasWork());
}

void DeliverForwardedLaunches() {
  if (!s_allowed || !t_delivers || s_delivering) return;
  s_delivering = 1;
  ChannelFailures failures = {};
  int waiting = ChannelServe(IsForwardableMessage, &failures);
  NoteFailures(failures);
  if (waiting || s_left) DeliverSome(kMessagesPerStep);
  s_delivering = 0;
}

void FinishForwardedLaunches() {
  if (s_delivering) return;
  s_delivering = 1;
  ChannelFailures failures = {};
  ChannelSettle(&failures);
  NoteFailures(failures);
  DeliverSome(INT_MAX);
  s_delivering = 0;
}

int IsForwardableMessage(const char* message) {
  size_t length = strnlen(message, kCommandLineCapacity);
  if (StartsWith(message, kOpenFile)) return length < QRN_OPEN_FILE_MESSAGE_CAPACITY;
  if (StartsWith(message, kCommandLine)) return length < kCommandLineCapacity;
  return 0;
}

namespace {
// Messages of one hand-over, at most what one launch holds; a document's text lives here.
struct HandOver {
  const char* messages[kChannelMaxMessages];
  char documents[kChannelMaxMessages][QRN_OPEN_FILE_MESSAGE_CAPACITY];
  int count;
  size_t bytes;
  int launchDocuments;  // how many of its messages are the launch's documents
  int held;             // it holds the held messages
};

// How a launch's hand-overs went so far.
struct Progress {
  const unsigned char* identity;
  int mayPlay;                          // an instance that ended may leave the launch to play
  ChannelSendResult sent = kChannelSent;
  int gone = 0;                         // the instance ended before it took a hand-over
  int documentsDelivered = 0;
  int heldDelivered = 0;
};

int HasRoom(const HandOver& batch, size_t length) {
  return batch.count < kChannelMaxMessages &&
         batch.bytes + length + kChannelMaxMessages * 8 <= kChannelMaxLaunchBytes;
}

// Why the launch's hand-over fell short, for standard error: the log may be unwritable (a
// full disk), and the launch's exit status alone would leave the player no trace.
char s_shortfall[160];

void NoteShortfall(const char* why) {
  if (!s_shortfall[0]) StrCopy(s_shortfall, why);
}

// Sends the batch unless an earlier one failed; logs why and each of its messages when it
// was not delivered, or not confirmed. An instance found ended before it took the batch,
// when the launch may play itself, logs that alone: the messages stay the launch's.
// A game whose sockets are already closed may still be ending: it is given a moment (half a
// second at most) to be seen as ended.
int HasEnded(const unsigned char* identity) {
  for (int look = 0; look < kEndingLooks; ++look) {
    if (!ProcessIdentityIsAlive(identity)) return 1;
    PauseJittered(kEndingPauseUs, 0);
  }
  return 0;
}

void Empty(HandOver* batch) {
  batch->count = 0;
  batch->bytes = 0;
  batch->launchDocuments = 0;
  batch->held = 0;
}

// Sends the batch unless an earlier one failed; logs why and each of its messages when it
// was not delivered, or not confirmed. An instance found ended before it took the batch,
// when the launch may play itself, logs that alone: the messages stay the launch's.
void SendHandOver(HandOver* batch, Progress* progress) {
  if (batch->count == 0 || progress->gone) {
    Empty(batch);  // once the instance has ended, the launch keeps its messages
    return;
  }
  char reason[160] = "no running instance is known";
  ChannelSendResult result = kChannelNotSent;
  char notePath[kPathCapacity];
  if (progress->sent == kChannelSent && progress->identity &&
      ProcessIdentityIsOtherUsers(progress->identity))
    StrCopy(reason, "the game runs as another user, and one instance plays per machine");
  else if (progress->sent == kChannelSent && progress->identity &&
           InstanceFilePath(notePath, sizeof notePath))
    result = ChannelSend(progress->identity, notePath, batch->messages, batch->count,
                         kForwardSeconds, reason, sizeof reason);
  // A connection reset or refused by a game that has ended reads as any other failure; the
  // game's end is the true reason.
  int ended = progress->sent == kChannelSent && result == kChannelNotSent &&
              progress->identity && HasEnded(progress->identity);
  if (ended) StrCopy(reason, "the running game ended before it took them");
  if (result == kChannelSent) {
    progress->documentsDelivered += batch->launchDocuments;
    progress->heldDelivered |= batch->held;
  } else if (ended && progress->mayPlay) {
    Logf("[forward] %s, so this launch plays itself\n", reason);
    progress->gone = 1;
  } else {
    if (progress->sent == kChannelSent) Logf("[forward] %s\n", reason);
    NoteShortfall(reason);
    const char* what = result == kChannelUnconfirmed ? "not confirmed by the running instance"
                                                     : "not delivered to the running instance";
    for (int i = 0; i < batch->count; ++i) LogMessage(what, batch->messages[i]);
    if (progress->sent == kChannelSent) progress->sent = result;
  }
  Empty(batch);
}

void AddToHandOver(HandOver* batch, Progress* progress, const char* message) {
  size_t length = strlen(message);
  if (!HasRoom(*batch, length)) SendHandOver(batch, progress);
  batch->messages[batch->count++] = message;
  batch->bytes += length;
}
}  // namespace

int ForwardToInstance(const unsigned char* identity, const char* message, size_t length,
                      int mayPlay) {
  static HandOver s_batch;
  Empty(&s_batch);
  s_shortfall[0] = '\0';
  Progress progress;
  progress.identity = identity;
  progress.mayPlay = mayPlay;
  int whole = 1;
  for (int i = 0; i < HeldMessageCount(); ++i) {
    AddToHandOver(&s_batch, &progress, HeldMessage(i));
    s_batch.held = 1;
  }
  for (int i = 0; i < LaunchDocumentCount(); ++i) {
    size_t documentLength;
    if (!HasRoom(s_batch, QRN_OPEN_FILE_MESSAGE_CAPACITY)) SendHandOver(&s_batch, &progress);
    char* document = s_batch.documents[s_batch.count];
    if (LaunchDocumentMessage(i, document, QRN_OPEN_FILE_MESSAGE_CAPACITY, &documentLength)) {
      AddToHandOver(&s_batch, &progress, document);
      ++s_batch.launchDocuments;
    } else if (!progress.gone) {
      LogUncutDocument("[forward] not delivered to the running instance", i, documentLength);
      NoteShortfall("a document message longer than the game takes");
      whole = 0;
    }
  }
  if (length < kCommandLineCapacity) {
    AddToHandOver(&s_batch, &progress, message);
  } else if (!progress.gone) {
    LogUncutMessage("[forward] not delivered to the running instance", "the command line",
                    length);
    NoteShortfall("a command line longer than the game takes");
    whole = 0;
  }
  SendHandOver(&s_batch, &progress);
  if (progress.gone) {
    // What the ended game took is dropped; the rest is this launch's own to play with.
    if (progress.heldDelivered) ClearHeldMessages();
    DropLaunchDocuments(progress.documentsDelivered);
    return kForwardInstanceEnded;
  }
  int unheld = UnheldMessageCount();
  if (unheld)
    Logf("[forward] not delivered to the running instance: %d message(s) that could not be held\n",
         unheld);
  if (unheld) NoteShortfall("messages that could not be held");
  ClearHeldMessages();
  ClearLaunchDocuments();
  if (s_shortfall[0])
    fprintf(stderr, "%s: not every document and command line reached the running game: %s\n",
            g_AppNameLong, s_shortfall);
  return progress.sent == kChannelSent && whole && unheld == 0 ? kForwardDone
                                                                 : kForwardIncomplete;
}
