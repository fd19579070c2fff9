// The second launch's end of the channel. Every step (connecting included: the socket is
// non-blocking, so a full backlog is retried rather than waited in) shares one deadline.
// Writing the confirmation is the commit: it either lands in the instance's socket before
// the instance decides, or fails because the instance shut its reading side. After it, only
// the instance's word that the engine has the messages counts as delivery; a close, a
// failure or silence leaves the launch unconfirmed.
#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/instance_channel.h"
#include "platform/linux/channel_socket.h"
#include "platform/process.h"
#include "platform/waiting.h"
#include "util/strbuf.h"

namespace {

int MsLeft(double deadline) {
  double left = deadline - OsMonotonicSeconds();
  return left > 0 ? static_cast<int>(left * 1000.0) + 1 : 0;
}

// Waits until fd is ready for events or the deadline passes. 1 when ready.
int WaitFor(int fd, short events, double deadline) {
  for (;;) {
    pollfd pfd = {fd, events, 0};
    int ready = poll(&pfd, 1, MsLeft(deadline));
    if (ready > 0) return 1;
    if (ready == 0 || errno != EINTR) return 0;
  }
}

// Connects to the first of the instance's names held by the instance itself. A full backlog
// (the instance does not accept now) is tried again until the deadline; no listener at all
// means the instance has no channel, which waiting would not change.
int Connect(const unsigned char* identity, double deadline, const char** reason) {
  pid_t pid = static_cast<pid_t>(ProcessIdentityPid(identity));
  for (;;) {
    int busy = 0, strangers = 0;
    for (int index = 0; index < kChannelNames; ++index) {
      sockaddr_un address;
      socklen_t size;
      if (!ChannelAddress(identity, index, &address, &size)) break;
      int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      if (fd < 0) break;
      if (connect(fd, reinterpret_cast<sockaddr*>(&address), size) == 0) {
        if (pid != 0 && ChannelPeerIs(fd, pid)) return fd;
        ++strangers;
      } else if (errno == EAGAIN || errno == EINTR) {
        busy = 1;
      }
      close(fd);
    }
    if (!busy) {
      *reason = strangers ? "the running instance's channel is held by another process"
                          : "the running instance does not listen for other launches";
      return -1;
    }
    if (MsLeft(deadline) == 0) {
      *reason = "the running instance did not accept the connection in time";
      return -1;
    }
    OsPauseJittered(10000, 5000);
  }
}

int SendAll(int fd, const unsigned char* data, size_t size, double deadline) {
  while (size > 0) {
    ssize_t n = send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!WaitFor(fd, POLLOUT, deadline)) return 0;
    } else {
      return 0;
    }
  }
  return 1;
}

ChannelSendResult Exchange(int fd, const unsigned char* raw, size_t length, double deadline,
                           double seconds, const char** reason) {
  if (!SendAll(fd, raw, length, deadline)) {
    *reason = "the running instance did not take the messages in time";
    return kChannelNotSent;
  }
  char answer = 0;
  ssize_t n = WaitFor(fd, POLLIN, deadline) ? recv(fd, &answer, 1, MSG_DONTWAIT) : -1;
  if (n == 0 || (n == 1 && answer != kChannelOffer)) {
    *reason = "the running instance refused the messages";
    return kChannelNotSent;
  }
  if (n != 1) {
    *reason = "the running instance did not offer to deliver them in time";
    return kChannelNotSent;
  }
  if (MsLeft(deadline) == 0 || send(fd, &kChannelConfirm, 1, MSG_NOSIGNAL | MSG_DONTWAIT) != 1) {
    *reason = "the running instance's offer came too late";
    return kChannelNotSent;
  }
  // Committed: the instance delivers them unless it ends first. It has as long again to
  // report that its engine has them.
  deadline = OsMonotonicSeconds() + seconds;
  answer = 0;
  n = WaitFor(fd, POLLIN, deadline) ? recv(fd, &answer, 1, MSG_DONTWAIT) : -1;
  if (n == 1 && answer == kChannelDelivered) return kChannelSent;
  *reason = n < 0 ? "the running instance did not report the delivery in time"
                  : "the running instance ended without reporting the delivery";
  return kChannelUnconfirmed;
}

}  // namespace

ChannelSendResult OsChannelSend(const unsigned char* identity, const char* const* messages,
                                int count, double seconds, char* reason, size_t reasonCapacity) {
  static unsigned char s_raw[kChannelMaxLaunchBytes];
  size_t length = 0;
  const char* why = "";
  ChannelSendResult sent = kChannelNotSent;
  if (!ChannelEncodeLaunch(messages, count, s_raw, sizeof s_raw, &length)) {
    why = "the messages do not fit one launch";
  } else {
    double deadline = OsMonotonicSeconds() + seconds;
    int fd = Connect(identity, deadline, &why);
    if (fd >= 0) {
      sent = Exchange(fd, s_raw, length, deadline, seconds, &why);
      close(fd);
    }
  }
  if (sent != kChannelSent) StrCopy(reason, reasonCapacity, why);
  return sent;
}
