// The instance channel over Unix stream sockets with abstract names (no folder holds them and
// they always fit). The name holds a random part, so nobody can take it before the instance
// does; the sender is given it (the instance publishes it where only its user may read).
// Each side checks the other's credentials. Every socket is non-blocking; only the calls that
// say they wait poll.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/instance_channel.h"
#include "platform/linux/forked_child.h"
#include "platform/port/instance_channel.h"
#include "platform/process.h"
#include "platform/waiting.h"
#include "util/hex.h"
#include "util/process_identity.h"
#include "util/strbuf.h"

namespace {

constexpr int kBacklog = 64;
constexpr int kMostWaitedFor = 64;  // connections one wait watches

constexpr char kNamePrefix[] = "quillfen-channel-";
constexpr int kRandomBytes = 16;
static_assert(sizeof kNamePrefix + 2 * kRandomBytes <= kOsChannelNameCapacity,
              "a channel name does not fit its capacity");

int Address(const char* name, sockaddr_un* address, socklen_t* size) {
  memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  // sun_path[0] stays NUL: an abstract name, which no file system holds.
  if (!StrCopy(address->sun_path + 1, sizeof address->sun_path - 1, name)) return 0;
  *size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + strlen(name));
  return 1;
}

// A fresh name: the prefix and kRandomBytes from the kernel's generator, as hex.
int RandomName(char* out, size_t capacity) {
  unsigned char random[kRandomBytes];
  char hex[2 * kRandomBytes + 1];
  if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random) ||
      !BytesToHex(random, sizeof random, hex, sizeof hex))
    return 0;
  return StrFormatf(out, capacity, "%s%s", kNamePrefix, hex);
}

// 1 when the peer of fd runs as this process's effective user and, when pid is not 0, is
// that process.
int PeerIs(int fd, pid_t pid) {
  ucred peer;
  socklen_t size = sizeof peer;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == geteuid() &&
         (pid == 0 || peer.pid == pid);
}

int MsLeft(double deadline) {
  double left = deadline - MonotonicSeconds();
  return left > 0 ? static_cast<int>(left * 1000.0) + 1 : 0;
}

int WaitFor(int fd, short events, double deadline) {
  for (;;) {
    pollfd pfd = {fd, events, 0};
    int ready = poll(&pfd, 1, MsLeft(deadline));
    if (ready > 0) return 1;
    if (ready == 0 || errno != EINTR) return 0;
  }
}

int NewSocket() {
  return socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

}  // namespace

int OsChannelListen(char* name, size_t nameCapacity, char* reason, size_t reasonCapacity) {
  int fd = NewSocket();
  int error = errno;
  // A name already taken could only be chance; another random one is tried.
  for (int attempt = 0; fd >= 0 && attempt < 4; ++attempt) {
    sockaddr_un address;
    socklen_t size;
    if (!RandomName(name, nameCapacity) || !Address(name, &address, &size)) {
      error = errno;
      break;
    }
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 && listen(fd, kBacklog) == 0) {
      CloseInForkedChild(fd);
      return fd;
    }
    error = errno;
    if (error != EADDRINUSE) break;
  }
  if (fd >= 0) close(fd);
  StrCopy(reason, reasonCapacity, strerror(error));
  return -1;
}

OsChannelAcceptResult OsChannelAccept(int listener, int* connection, char* reason,
                                      size_t reasonCapacity) {
  int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) {
    if (errno == EINTR || errno == ECONNABORTED) return kAcceptAgain;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return kAcceptNone;
    // Without a free descriptor accept fails before it looks at the backlog: only a
    // connection that is really waiting makes that a failure.
    int error = errno;
    pollfd pending = {listener, POLLIN, 0};
    if (poll(&pending, 1, 0) == 0) return kAcceptNone;
    errno = error;
    StrCopy(reason, reasonCapacity, strerror(errno));
    return kAcceptFailed;
  }
  if (!PeerIs(fd, 0)) {
    close(fd);
    return kAcceptStranger;
  }
  CloseInForkedChild(fd);
  *connection = fd;
  return kAcceptTaken;
}

int OsChannelWaitReadable(const int* connections, int count, int* ready, double seconds) {
  pollfd fds[kMostWaitedFor];
  if (count > kMostWaitedFor) count = kMostWaitedFor;
  for (int i = 0; i < count; ++i) fds[i] = {connections[i], POLLIN, 0};
  const time_t whole = static_cast<time_t>(seconds);
  const timespec wait = {whole, static_cast<long>((seconds - static_cast<double>(whole)) * 1e9)};
  int found = ppoll(fds, static_cast<nfds_t>(count), &wait, nullptr);
  for (int i = 0; i < count; ++i) ready[i] = found > 0 && fds[i].revents != 0;
  return found > 0 ? found : 0;
}

void OsChannelShutReading(int connection) {
  shutdown(connection, SHUT_RD);
}

OsChannelConnectResult OsChannelConnect(const char* name, const unsigned char* identity,
                                        int* connection) {
  sockaddr_un address;
  socklen_t size;
  pid_t pid = static_cast<pid_t>(ProcessIdentityPid(identity));
  if (pid == 0 || !Address(name, &address, &size)) return kConnectNone;
  int fd = NewSocket();
  if (fd < 0) return kConnectNone;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), size) == 0) {
    if (PeerIs(fd, pid)) {
      *connection = fd;
      return kConnected;
    }
    close(fd);
    return kConnectStranger;
  }
  int busy = errno == EAGAIN || errno == EINTR;
  close(fd);
  return busy ? kConnectBusy : kConnectNone;
}

int OsChannelWriteAll(int connection, const unsigned char* data, size_t size, double deadline) {
  while (size > 0) {
    ssize_t n = send(connection, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (!WaitFor(connection, POLLOUT, deadline)) return 0;
    } else {
      return 0;
    }
  }
  return 1;
}

int OsChannelWaitUntil(int connection, double deadline) {
  return WaitFor(connection, POLLIN, deadline);
}

long OsChannelRead(int connection, void* buffer, size_t capacity) {
  ssize_t n = recv(connection, buffer, capacity, MSG_DONTWAIT);
  if (n >= 0) return static_cast<long>(n);
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? -1 : -2;
}

int OsChannelWriteByte(int connection, char byte) {
  return send(connection, &byte, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1;
}

void OsChannelEnd(int connection) {
  if (connection < 0) return;
  KeepInForkedChild(connection);
  close(connection);
}
