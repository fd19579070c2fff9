// The instance's end of the channel. No thread of its own: the listening socket and every
// connection are non-blocking and served in bounded steps from the engine's event calls, so
// an idle, slow or hostile connection costs one system call per step and delays no other.
// A connection moves receiving -> offered -> confirmed -> delivering (or is ended); only
// confirmed launches are taken, in the order their senders confirmed them, and a taken
// launch's sender is told once the engine has it; any other end leaves it unconfirmed.
#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cassert>
#include <cstring>

#include "platform/instance_channel.h"
#include "platform/linux/channel_socket.h"
#include "platform/waiting.h"
#include "util/strbuf.h"

namespace {

constexpr int kConnections = 8;  // served at once; more wait in the listen backlog
constexpr int kBacklog = 64;
constexpr int kAcceptsPerStep = 4;
constexpr double kReceiveSeconds = 2;    // from accept until the whole launch arrived
constexpr double kConfirmSeconds = 2;    // from the offer until the sender confirms
constexpr double kAcceptPause = 0.1;     // after a failed accept (no file descriptors, memory)
constexpr double kFreshSeconds = 0.001;  // per event call, see FollowFreshConnections

enum Stage { kFree, kReceiving, kOffered, kConfirmed, kDelivering };

struct Connection {
  int fd;
  Stage stage;
  double since;
  unsigned long order;  // confirmation order
  size_t length;
  unsigned char raw[kChannelMaxLaunchBytes];
};

Connection s_connections[kConnections];
int s_listenFd = -1;
double s_acceptAgainAt;
unsigned long s_confirmations;
int s_troubles;
char s_trouble[160];
char s_texts[kChannelMaxLaunchBytes];  // scratch for checking a complete launch

void Trouble(const char* reason) {
  ++s_troubles;
  StrCopy(s_trouble, reason);
}

void End(Connection* c) {
  close(c->fd);
  c->fd = -1;
  c->stage = kFree;
}

void Refuse(Connection* c, const char* reason) {
  Trouble(reason);
  End(c);
}

Connection* FreeConnection() {
  for (Connection& c : s_connections)
    if (c.stage == kFree) return &c;
  return nullptr;
}

void AcceptSome(double now) {
  if (now < s_acceptAgainAt) return;
  for (int n = 0; n < kAcceptsPerStep; ++n) {
    Connection* c = FreeConnection();
    if (!c) return;
    int fd = accept4(s_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) {
        // Out of descriptors or memory for a moment: the connection stays in the backlog.
        char reason[sizeof s_trouble];
        StrFormatf(reason, sizeof reason, "cannot accept a connection (%s); trying again",
                   strerror(errno));
        Trouble(reason);
        s_acceptAgainAt = now + kAcceptPause;
      }
      return;
    }
    if (!ChannelPeerIs(fd, 0)) {
      close(fd);
      Trouble("refused a connection of another user");
      continue;
    }
    c->fd = fd;
    c->stage = kReceiving;
    c->since = now;
    c->length = 0;
  }
}

int AllAcceptable(int (*acceptable)(const char*), int count) {
  const char* text = s_texts;
  for (int i = 0; i < count; ++i, text += strlen(text) + 1)
    if (!acceptable(text)) return 0;
  return 1;
}

void Receive(Connection* c, double now, int (*acceptable)(const char*)) {
  ssize_t n = recv(c->fd, c->raw + c->length, sizeof c->raw - c->length, MSG_DONTWAIT);
  if (n == 0) return Refuse(c, "a launch ended before it was complete");
  if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
    return Refuse(c, "a launch failed while it was read");
  // However it trickles in, a launch has kReceiveSeconds to arrive whole.
  int late = now - c->since > kReceiveSeconds;
  if (n < 0) {
    if (late) Refuse(c, "a launch was not complete within 2 s");
    return;
  }
  c->length += static_cast<size_t>(n);
  int count = 0;
  switch (ChannelParseLaunch(c->raw, c->length, s_texts, sizeof s_texts, &count)) {
    case kLaunchMalformed:
      return Refuse(c, "refused a malformed launch");
    case kLaunchIncomplete:
      if (c->length == sizeof c->raw) return Refuse(c, "refused a launch too large");
      if (late) Refuse(c, "a launch was not complete within 2 s");
      return;
    case kLaunchComplete:
      if (!AllAcceptable(acceptable, count))
        return Refuse(c, "refused a launch holding a message the engine does not take");
      // The sender may have given up already; then it cannot confirm, and nothing is lost.
      if (send(c->fd, &kChannelOffer, 1, MSG_NOSIGNAL | MSG_DONTWAIT) != 1) return End(c);
      c->stage = kOffered;
      c->since = now;
  }
}

// Reads the confirmation, if one came. With final set the reading side is shut first, so a
// confirmation either is already here or can no longer be sent: the sender's write fails.
void Decide(Connection* c, int final) {
  if (final) shutdown(c->fd, SHUT_RD);
  char answer = 0;
  ssize_t n = recv(c->fd, &answer, 1, MSG_DONTWAIT);
  if (n == 1 && answer == kChannelConfirm) {
    c->stage = kConfirmed;
    c->order = ++s_confirmations;
  } else if (n == 1) {
    Refuse(c, "refused a malformed launch");
  } else if (n == 0 || final || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    End(c);  // the sender gave up before confirming, and knows it
  }
}

// A sender writes its launch as soon as it is connected and answers an offer at once. Following
// the connections accepted or offered in this step for a moment (1 ms at most per event call)
// lets their launches reach the engine in this event call instead of the next, which may be a
// whole frame later; a slower sender is served by later steps as before.
void FollowFreshConnections(double now, int (*acceptable)(const char*)) {
  const double deadline = now + kFreshSeconds;
  for (;;) {
    pollfd fds[kConnections];
    Connection* fresh[kConnections];
    nfds_t count = 0;
    for (Connection& c : s_connections) {
      if (c.since != now || (c.stage != kReceiving && c.stage != kOffered)) continue;
      fds[count] = {c.fd, POLLIN, 0};
      fresh[count++] = &c;
    }
    double left = deadline - OsMonotonicSeconds();
    if (count == 0 || left <= 0) return;
    const timespec wait = {0, static_cast<long>(left * 1e9)};
    if (ppoll(fds, count, &wait, nullptr) <= 0) return;
    for (nfds_t i = 0; i < count; ++i) {
      if (fds[i].revents == 0) continue;
      if (fresh[i]->stage == kReceiving)
        Receive(fresh[i], now, acceptable);
      else
        Decide(fresh[i], 0);
    }
  }
}

int ConfirmedWaiting() {
  for (const Connection& c : s_connections)
    if (c.stage == kConfirmed) return 1;
  return 0;
}

}  // namespace

int OsChannelListen(const unsigned char* identity, char* reason, size_t reasonCapacity) {
  if (s_listenFd >= 0) return 1;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  int error = errno;
  // A name already taken (by a process of another user, who cannot pass the checks) is
  // passed over for the next one; senders try them in the same order.
  for (int index = 0; fd >= 0 && index < kChannelNames; ++index) {
    sockaddr_un address;
    socklen_t size;
    if (!ChannelAddress(identity, index, &address, &size)) break;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 && listen(fd, kBacklog) == 0) {
      s_listenFd = fd;
      s_acceptAgainAt = 0;
      return 1;
    }
    error = errno;
    if (error != EADDRINUSE) break;
  }
  if (fd >= 0) close(fd);
  StrCopy(reason, reasonCapacity, strerror(error));
  return 0;
}

void OsChannelClose() {
  for (Connection& c : s_connections)
    if (c.stage != kFree) End(&c);
  if (s_listenFd >= 0) close(s_listenFd);
  s_listenFd = -1;
}

int OsChannelServe(int (*acceptable)(const char* message)) {
  if (s_listenFd < 0) return 0;
  double now = OsMonotonicSeconds();
  AcceptSome(now);
  for (Connection& c : s_connections) {
    if (c.stage == kReceiving) {
      Receive(&c, now, acceptable);
    } else if (c.stage == kOffered) {
      Decide(&c, now - c.since > kConfirmSeconds);
    }
  }
  FollowFreshConnections(now, acceptable);
  return ConfirmedWaiting();
}

int OsChannelSettle() {
  for (Connection& c : s_connections) {
    if (c.stage == kOffered) Decide(&c, 1);
    if (c.stage == kReceiving) End(&c);
  }
  return ConfirmedWaiting();
}

int OsChannelTake(char* out, size_t capacity) {
  assert(capacity >= kChannelMaxLaunchBytes);
  Connection* oldest = nullptr;
  for (Connection& c : s_connections)
    if (c.stage == kConfirmed && (!oldest || c.order < oldest->order)) oldest = &c;
  if (!oldest) return 0;
  int count = 0;
  if (ChannelParseLaunch(oldest->raw, oldest->length, out, capacity, &count) != kLaunchComplete)
    count = 0;
  oldest->stage = kDelivering;
  if (count == 0) End(oldest);  // cannot happen: it was complete when it was offered
  return count;
}

void OsChannelDelivered() {
  for (Connection& c : s_connections) {
    if (c.stage != kDelivering) continue;
    // One byte into an empty socket always fits; a sender that is gone no longer asks.
    static_cast<void>(send(c.fd, &kChannelDelivered, 1, MSG_NOSIGNAL | MSG_DONTWAIT));
    End(&c);
  }
}

int OsChannelTroubles(char* reason, size_t capacity) {
  int troubles = s_troubles;
  if (troubles) StrCopy(reason, capacity, s_trouble);
  s_troubles = 0;
  return troubles;
}
