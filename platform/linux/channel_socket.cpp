// The instance channel over Unix stream sockets with abstract names (no folder holds them and
// they always fit): the instance listens under the first of its names nobody holds, and each
// side checks the other's credentials. Every socket is non-blocking; only the calls that say
// they wait poll.
#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/instance_channel.h"
#include "platform/port/instance_channel.h"
#include "platform/port/waiting.h"
#include "platform/process.h"
#include "util/hex.h"
#include "util/strbuf.h"

namespace {

constexpr int kBacklog = 64;
constexpr int kMostWaitedFor = 64;  // connections one wait watches
constexpr int kIdentityBytes = 8;

int Address(const unsigned char* identity, int index, sockaddr_un* address, socklen_t* size) {
  memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  // sun_path[0] stays NUL: an abstract name, which no file system holds.
  if (!ChannelName(identity, index, address->sun_path + 1, sizeof address->sun_path - 1)) return 0;
  *size =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + strlen(address->sun_path + 1));
  return 1;
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
  double left = deadline - OsMonotonicSeconds();
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

int ChannelName(const unsigned char* identity, int index, char* out, size_t capacity) {
  char hex[2 * kIdentityBytes + 1];
  if (index < 0 || index >= kChannelNames || !BytesToHex(identity, kIdentityBytes, hex, sizeof hex))
    return 0;
  return StrFormatf(out, capacity, "quillfen-instance-%s-%d", hex, index);
}

int OsChannelListen(const unsigned char* identity, char* reason, size_t reasonCapacity) {
  int fd = NewSocket();
  int error = errno;
  // A name already taken (by a process of another user, who cannot pass the checks) is
  // passed over for the next one; senders try them in the same order.
  for (int index = 0; fd >= 0 && index < kChannelNames; ++index) {
    sockaddr_un address;
    socklen_t size;
    if (!Address(identity, index, &address, &size)) break;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 && listen(fd, kBacklog) == 0)
      return fd;
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
    StrCopy(reason, reasonCapacity, strerror(errno));
    return kAcceptFailed;
  }
  if (!PeerIs(fd, 0)) {
    close(fd);
    return kAcceptStranger;
  }
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

OsChannelConnectResult OsChannelConnect(const unsigned char* identity, int* connection) {
  pid_t pid = static_cast<pid_t>(ProcessIdentityPid(identity));
  int busy = 0, strangers = 0;
  for (int index = 0; index < kChannelNames; ++index) {
    sockaddr_un address;
    socklen_t size;
    if (!Address(identity, index, &address, &size)) break;
    int fd = NewSocket();
    if (fd < 0) break;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), size) == 0) {
      if (pid != 0 && PeerIs(fd, pid)) {
        *connection = fd;
        return kConnected;
      }
      ++strangers;
    } else if (errno == EAGAIN || errno == EINTR) {
      busy = 1;
    }
    close(fd);
  }
  if (busy) return kConnectBusy;
  return strangers ? kConnectStranger : kConnectNone;
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
  if (connection >= 0) close(connection);
}
