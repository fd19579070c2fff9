// The instance's end of the channel. The listener and every connection are served in bounded
// steps from the engine's event calls, so an idle, slow or hostile connection delays no
// other. The listener is looked at when a launch rang the bell (or an earlier look left
// connections waiting); while a connection is in progress every event call serves it, without
// waiting, and checks its time limits (a hand-over lasts milliseconds). A connection
// moves receiving -> offered -> confirmed -> delivering, and from any of them to free (ended), in
// that order only (asserted); only confirmed launches are taken, in the order their senders
// confirmed them, and a taken launch's connection ends once it has been delivered, which tells its
// sender so.
#include <cassert>
#include <cstring>

#include "platform/channel_wire.h"
#include "platform/files.h"
#include "platform/instance_channel.h"
#include "platform/port/instance_channel.h"
#include "platform/process.h"
#include "platform/waiting.h"
#include "util/hex.h"
#include "util/strbuf.h"

namespace {

constexpr int kConnections = 8;  // served at once; more wait in the listen backlog
constexpr int kAcceptsPerStep = 4;
constexpr double kReceiveSeconds = 2;    // from accept until the whole launch arrived
constexpr double kConfirmSeconds = 2;    // from the offer until the sender confirms
constexpr double kAcceptPause = 0.1;     // after a failed accept (no file descriptors, memory)
constexpr double kFreshSeconds = 0.001;  // per event call, see FollowFreshConnections

enum Stage { kFree, kReceiving, kOffered, kConfirmed, kDelivering };

struct Connection {
  int handle;
  Stage stage;
  double since;
  unsigned long order;  // confirmation order
  size_t length;        // of the bytes received into its buffer
};

// The connections' states side by side, apart from their buffers: a look at every stage
// touches one page, and a buffer's pages only when a launch arrives in it.
Connection s_connections[kConnections];
unsigned char s_received[kConnections][kChannelMaxLaunchBytes];
int s_listener = -1;
char s_name[kOsChannelNameCapacity];  // the name s_listener listens under
double s_acceptAgainAt;
unsigned long s_confirmations;
int s_listenerPending;  // the last look at the listener may have left connections waiting
int s_bellWatched;      // the published file's bell is watched; else every call looks
int s_busy;             // the listener pending or a connection not free: every call serves
char s_texts[kChannelMaxLaunchBytes];  // scratch for checking a complete launch

// The one order of the stages: each to the next, and any but free to free.
[[maybe_unused]] bool IsNextStage(Stage from, Stage to) {
  return to == kFree ? from != kFree : to == from + 1;
}

void SetStage(Connection* c, Stage stage) {
  assert(IsNextStage(c->stage, stage));
  c->stage = stage;
}

unsigned char* Received(const Connection* c) {
  return s_received[c - s_connections];
}
constexpr size_t kReceivedCapacity = sizeof s_received[0];

void Fail(ChannelFailures* failures, const char* reason) {
  if (failures->count++ == 0) StrCopy(failures->first, reason);
}

void End(Connection* c) {
  OsChannelEnd(c->handle);
  c->handle = -1;
  SetStage(c, kFree);
}

void Refuse(Connection* c, ChannelFailures* failures, const char* reason) {
  Fail(failures, reason);
  End(c);
}

void RefuseLate(Connection* c, ChannelFailures* failures) {
  char reason[sizeof failures->first];
  StrFormatf(reason, sizeof reason, "a launch was not complete within %g s", kReceiveSeconds);
  Refuse(c, failures, reason);
}

Connection* FreeConnection() {
  for (Connection& c : s_connections)
    if (c.stage == kFree) return &c;
  return nullptr;
}

// Looks at the listener until the backlog is empty (then no longer pending), or a few
// connections were taken, or no slot is free, or accepting pauses: those leave it pending.
void AcceptSome(double now, ChannelFailures* failures) {
  if (now < s_acceptAgainAt) return;
  for (int n = 0; n < kAcceptsPerStep; ++n) {
    Connection* c = FreeConnection();
    if (!c) return;
    char why[sizeof failures->first];
    switch (OsChannelAccept(s_listener, &c->handle, why, sizeof why)) {
      case kAcceptNone:
        s_listenerPending = 0;
        return;
      case kAcceptAgain:
        continue;
      case kAcceptStranger:
        Fail(failures, "refused a connection of another user");
        continue;
      case kAcceptFailed: {
        // Out of descriptors or memory for a moment: the connection stays in the backlog.
        char reason[sizeof failures->first];
        StrFormatf(reason, sizeof reason, "cannot accept a connection (%s); trying again", why);
        Fail(failures, reason);
        s_acceptAgainAt = now + kAcceptPause;
        return;
      }
      case kAcceptTaken:
        SetStage(c, kReceiving);
        c->since = now;
        c->length = 0;
    }
  }
}

int AllAcceptable(int (*acceptable)(const char*), int count) {
  const char* text = s_texts;
  for (int i = 0; i < count; ++i, text += strlen(text) + 1)
    if (!acceptable(text)) return 0;
  return 1;
}

void Receive(Connection* c, double now, int (*acceptable)(const char*), ChannelFailures* failures) {
  long n = OsChannelRead(c->handle, Received(c) + c->length, kReceivedCapacity - c->length);
  if (n == 0) return Refuse(c, failures, "a launch ended before it was complete");
  if (n == -2) return Refuse(c, failures, "a launch failed while it was read");
  // However it trickles in, a launch has kReceiveSeconds to arrive whole.
  int late = now - c->since > kReceiveSeconds;
  if (n < 0) {
    if (late) RefuseLate(c, failures);
    return;
  }
  c->length += static_cast<size_t>(n);
  int count = 0;
  switch (ChannelParseLaunch(Received(c), c->length, s_texts, sizeof s_texts, &count)) {
    case kLaunchMalformed:
      return Refuse(c, failures, "refused a malformed launch");
    case kLaunchNewerVersion:
      return Refuse(c, failures, "refused a launch of a newer version of the game");
    case kLaunchOlderVersion:
      return Refuse(c, failures, "refused a launch of an older version of the game");
    case kLaunchIncomplete:
      if (c->length == kReceivedCapacity) return Refuse(c, failures, "refused a launch too large");
      if (late) RefuseLate(c, failures);
      return;
    case kLaunchComplete:
      if (!AllAcceptable(acceptable, count))
        return Refuse(c, failures, "refused a launch holding a message the engine does not take");
      // The sender may have given up already; then it cannot confirm, and nothing is lost.
      if (!OsChannelWriteByte(c->handle, kChannelOffer)) return End(c);
      SetStage(c, kOffered);
      c->since = now;
  }
}

// Reads the confirmation, if one came. With final set the reading side is shut first, so a
// confirmation either is already here or can no longer be sent: the sender's write fails.
void Decide(Connection* c, int final, ChannelFailures* failures) {
  if (final) OsChannelShutReading(c->handle);
  char answer = 0;
  long n = OsChannelRead(c->handle, &answer, 1);
  if (n == 1 && answer == kChannelConfirm) {
    SetStage(c, kConfirmed);
    c->order = ++s_confirmations;
  } else if (n == 1) {
    Refuse(c, failures, "refused a malformed launch");
  } else if (n == 0 || final || n == -2) {
    End(c);  // the sender gave up before confirming, and knows it
  }
}

// A sender writes its launch as soon as it is connected and answers an offer at once. Following
// the connections accepted or offered in this step for a moment (kFreshSeconds at most per
// event call) lets their launches reach the engine in this event call instead of the next,
// which may be a whole frame later; a slower sender is served by later steps as before.
void FollowFreshConnections(double now, int (*acceptable)(const char*), ChannelFailures* failures) {
  const double deadline = now + kFreshSeconds;
  for (;;) {
    int handles[kConnections], ready[kConnections];
    Connection* fresh[kConnections];
    int count = 0;
    for (Connection& c : s_connections) {
      if (c.since != now || (c.stage != kReceiving && c.stage != kOffered)) continue;
      handles[count] = c.handle;
      fresh[count++] = &c;
    }
    double left = deadline - MonotonicSeconds();
    if (count == 0 || left <= 0) return;
    if (OsChannelWaitReadable(handles, count, ready, left) == 0) return;
    for (int i = 0; i < count; ++i) {
      if (!ready[i]) continue;
      if (fresh[i]->stage == kReceiving)
        Receive(fresh[i], now, acceptable, failures);
      else
        Decide(fresh[i], 0, failures);
    }
  }
}

int ConfirmedWaiting() {
  for (const Connection& c : s_connections)
    if (c.stage == kConfirmed) return 1;
  return 0;
}

void NoteBusy() {
  s_busy = s_listener >= 0 && s_listenerPending;
  for (const Connection& c : s_connections)
    if (c.stage != kFree) s_busy = 1;
}

// In a process forked from the instance the listener and the connections are closed already,
// and their numbers may be the engine's now: they are forgotten, never touched.
void ForgetInForkedChild() {
  for (Connection& c : s_connections) {
    c.handle = -1;
    c.stage = kFree;
  }
  s_listener = -1;
  s_busy = 0;
}

// The bell's state; in a forked child the channel is forgotten.
OsChannelBellState Bell() {
  OsChannelBellState bell = OsChannelBell();
  if (bell == kBellForkedChild) ForgetInForkedChild();
  return bell;
}

}  // namespace

int ChannelListen(char* reason, size_t reasonCapacity) {
  if (Bell() == kBellForkedChild) {
    StrCopy(reason, reasonCapacity, "a process forked from the game takes no launches");
    return 0;
  }
  if (s_listener >= 0) return 1;
  s_listener = OsChannelListen(s_name, sizeof s_name, reason, reasonCapacity);
  s_acceptAgainAt = 0;
  s_listenerPending = 1;
  NoteBusy();
  return s_listener >= 0;
}

namespace {
// "<identity as 16 hex digits> <name>\n", written over the process's earlier note from its
// start: a reader stops at the first newline, so a shorter later note is read whole.
int PublishNote(int claim, const char* name) {
  unsigned char identity[8];
  char hex[2 * sizeof identity + 1];
  char note[sizeof hex + kOsChannelNameCapacity + 1];
  return claim >= 0 && CurrentProcessIdentity(identity) &&
         BytesToHex(identity, sizeof identity, hex, sizeof hex) &&
         StrFormatf(note, sizeof note, "%s %s\n", hex, name) && WriteClaimNote(claim, note);
}
}  // namespace

// A launch that found the name before the bell was watched, or between two runs, may have
// rung unheard: the listener is looked at once anyway.
int ChannelPublish(int claim) {
  if (Bell() == kBellForkedChild || s_listener < 0 || !PublishNote(claim, s_name)) return 0;
  s_bellWatched = OsChannelWatchBell(claim);
  s_listenerPending = 1;
  NoteBusy();
  return 1;
}

int ChannelWithoutBell() {
  return s_listener >= 0 && !s_bellWatched;
}

int ChannelPublishUninstalling(int claim) {
  return PublishNote(claim, kChannelUninstalling);
}

void ChannelClose() {
  if (Bell() == kBellForkedChild) return;
  for (Connection& c : s_connections)
    if (c.stage != kFree) End(&c);
  OsChannelEnd(s_listener);
  s_listener = -1;
  OsChannelUnwatchBell();
  s_bellWatched = 0;
  NoteBusy();
}

int ChannelServe(int (*acceptable)(const char* message), ChannelFailures* failures) {
  OsChannelBellState bell = Bell();
  if (s_listener < 0 || (bell == kBellQuiet && !s_busy)) return 0;
  double now = MonotonicSeconds();
  // Answered before the look, so that a ring this look may miss is a ring again.
  if (bell == kBellRang) {
    OsChannelAnswerBell();
    s_listenerPending = 1;
  }
  if (s_listenerPending) AcceptSome(now, failures);
  for (Connection& c : s_connections) {
    if (c.stage == kReceiving) {
      Receive(&c, now, acceptable, failures);
    } else if (c.stage == kOffered) {
      Decide(&c, now - c.since > kConfirmSeconds, failures);
    }
  }
  FollowFreshConnections(now, acceptable, failures);
  NoteBusy();
  return ConfirmedWaiting();
}

int ChannelHasWork() {
  if (s_listener < 0) return 0;
  OsChannelBellState bell = Bell();
  return bell == kBellRang || (bell == kBellQuiet && s_busy);
}

int ChannelSettle(ChannelFailures* failures) {
  if (Bell() == kBellForkedChild) return 0;
  for (Connection& c : s_connections) {
    if (c.stage == kOffered) Decide(&c, 1, failures);
    if (c.stage == kReceiving) End(&c);
  }
  NoteBusy();
  return ConfirmedWaiting();
}

int ChannelTake(char* out, size_t capacity) {
  assert(capacity >= kChannelMaxLaunchBytes);
  if (Bell() == kBellForkedChild) return 0;
  Connection* oldest = nullptr;
  for (Connection& c : s_connections)
    if (c.stage == kConfirmed && (!oldest || c.order < oldest->order)) oldest = &c;
  if (!oldest) return 0;
  // It was complete and acceptable when it was offered, and its bytes have not changed since.
  int count = 0;
  [[maybe_unused]] ChannelParse parsed =
      ChannelParseLaunch(Received(oldest), oldest->length, out, capacity, &count);
  assert(parsed == kLaunchComplete && count > 0);
  SetStage(oldest, kDelivering);
  return count;
}

void ChannelDelivered() {
  for (Connection& c : s_connections) {
    if (c.stage != kDelivering) continue;
    // One byte into an empty connection always fits; a sender that is gone no longer asks.
    OsChannelWriteByte(c.handle, kChannelDelivered);
    End(&c);
  }
  NoteBusy();
}
