// The instance channel over Unix stream sockets with abstract names (no folder holds them and
// they always fit). The name holds a random part, so nobody can take it before the instance
// does; a sender finds it through the instance's own descriptor table, which only the
// instance's user (and root) may read. Each side checks the other's credentials. Every socket
// is non-blocking; only the calls that say they wait poll.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
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
constexpr int kMostSockets = 256;  // socket descriptors of the instance looked at

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

// The inodes of the sockets process pid holds, from its descriptor table; how many.
int SocketInodes(long pid, unsigned long* inodes, int capacity) {
  char folder[64], path[96], target[64];
  StrFormatf(folder, sizeof folder, "/proc/%ld/fd", pid);
  DIR* dir = opendir(folder);
  if (!dir) return 0;
  int count = 0;
  while (dirent* entry = readdir(dir)) {
    if (count == capacity) break;
    if (entry->d_name[0] == '.' || !StrFormatf(path, sizeof path, "%s/%s", folder, entry->d_name))
      continue;
    ssize_t n = readlink(path, target, sizeof target - 1);
    if (n <= 0) continue;
    target[n] = '\0';
    unsigned long inode = 0;
    if (sscanf(target, "socket:[%lu]", &inode) == 1) inodes[count++] = inode;
  }
  closedir(dir);
  return count;
}

int Holds(const unsigned long* inodes, int count, unsigned long inode) {
  for (int i = 0; i < count; ++i)
    if (inodes[i] == inode) return 1;
  return 0;
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

int ChannelListenerName(const unsigned char* identity, char* out, size_t capacity) {
  unsigned long inodes[kMostSockets];
  int count = SocketInodes(ProcessIdentityPid(identity), inodes, kMostSockets);
  if (count == 0) return 0;
  // The system's table of Unix sockets names every socket; only one the instance holds counts.
  FILE* table = fopen("/proc/net/unix", "re");
  if (!table) return 0;
  char line[512];
  int found = 0;
  while (!found && fgets(line, sizeof line, table)) {
    unsigned long inode = 0;
    char name[sizeof line];
    if (sscanf(line, "%*s %*s %*s %*s %*s %*s %lu @%500s", &inode, name) == 2 &&
        strncmp(name, kNamePrefix, sizeof kNamePrefix - 1) == 0 && Holds(inodes, count, inode))
      found = StrCopy(out, capacity, name);
  }
  fclose(table);
  return found;
}

int OsChannelListen(char* reason, size_t reasonCapacity) {
  int fd = NewSocket();
  int error = errno;
  // A name already taken could only be chance; another random one is tried.
  for (int attempt = 0; fd >= 0 && attempt < 4; ++attempt) {
    char name[sizeof kNamePrefix + 2 * kRandomBytes];
    sockaddr_un address;
    socklen_t size;
    if (!RandomName(name, sizeof name) || !Address(name, &address, &size)) {
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

int OsChannelPair(int* a, int* b) {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) return 0;
  *a = fds[0];
  *b = fds[1];
  return 1;
}

void OsChannelShutReading(int connection) {
  shutdown(connection, SHUT_RD);
}

OsChannelConnectResult OsChannelConnect(const unsigned char* identity, int* connection) {
  char name[108];
  sockaddr_un address;
  socklen_t size;
  pid_t pid = static_cast<pid_t>(ProcessIdentityPid(identity));
  if (pid == 0 || !ChannelListenerName(identity, name, sizeof name) ||
      !Address(name, &address, &size))
    return kConnectNone;
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
