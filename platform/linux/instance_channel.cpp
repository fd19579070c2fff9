// The socket transport behind instance_channel.h. The accepting thread reads a whole launch
// (bounded in size and time) before it queues it, so the main thread never blocks on a
// sender; a launch that is not well formed is dropped whole and counted. Queue slots keep the
// sender's connection open until the main thread answers it.
#include "platform/instance_channel.h"

#include <errno.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/waiting.h"
#include "util/strbuf.h"

namespace {

constexpr int kSlots = 8;
constexpr size_t kSlotBytes = kChannelMaxLaunchBytes;
constexpr int kReadMs = 2000;    // a sender gets this long to write its whole launch
constexpr int kRoomSeconds = 5;  // how long a complete launch waits for a free slot

struct Slot {
  int fd;
  int count;
  size_t length;
  char text[kSlotBytes];  // the messages, each NUL-terminated
};

Slot s_slots[kSlots];
int s_head, s_queued;  // ring of queued slots
pthread_mutex_t s_lock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t s_room = PTHREAD_COND_INITIALIZER;  // a slot was freed, or the channel closes
int s_closing;
std::atomic<int> s_pending{0};
std::atomic<int> s_dropped{0};

int s_listenFd = -1;
pthread_t s_thread;
char s_path[sizeof(sockaddr_un::sun_path)];

double NowMs() {
  return OsMonotonicSeconds() * 1000.0;
}

// 1 when path is a real folder (not a link) of this user that no one else may enter.
int IsPrivateFolder(const char* path) {
  struct stat st;
  return lstat(path, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
         (st.st_mode & 077) == 0;
}

unsigned long long NameHash(const char* name) {
  unsigned long long hash = 1469598103934665603ull;  // FNV-1a, 64 bits
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
    hash ^= *p;
    hash *= 1099511628211ull;
  }
  return hash;
}

int MakeAddress(const char* name, sockaddr_un* address) {
  memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  return OsChannelPath(name, address->sun_path, sizeof address->sun_path);
}

// Reads until the sender closes its side, the slot is full or the time is up. 1 on a clean end.
int ReadAll(int fd, char* buffer, size_t capacity, size_t* length) {
  double deadline = NowMs() + kReadMs;
  *length = 0;
  for (;;) {
    int left = static_cast<int>(deadline - NowMs());
    if (left <= 0) return 0;
    pollfd pfd = {fd, POLLIN, 0};
    if (poll(&pfd, 1, left) <= 0) return 0;
    if (*length == capacity) return 0;
    ssize_t n = read(fd, buffer + *length, capacity - *length);
    if (n == 0) return 1;
    if (n < 0) {
      if (errno == EINTR) continue;
      return 0;
    }
    *length += static_cast<size_t>(n);
  }
}

// Turns the frames in raw into NUL-terminated texts in slot. 1 when every frame is well formed.
int ParseFrames(const unsigned char* raw, size_t length, Slot* slot) {
  size_t at = 0;
  slot->count = 0;
  slot->length = 0;
  while (at < length) {
    if (length - at < 4 || slot->count == kChannelMaxMessages) return 0;
    size_t size = (size_t{raw[at]} << 24) | (size_t{raw[at + 1]} << 16) |
                  (size_t{raw[at + 2]} << 8) | size_t{raw[at + 3]};
    at += 4;
    if (size == 0 || size > kChannelMaxMessage || size > length - at) return 0;
    if (memchr(raw + at, '\0', size) != nullptr) return 0;
    memcpy(slot->text + slot->length, raw + at, size);
    slot->length += size;
    slot->text[slot->length++] = '\0';
    at += size;
    ++slot->count;
  }
  return slot->count > 0;
}

int SameUser(int fd) {
  ucred peer;
  socklen_t size = sizeof peer;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == geteuid();
}

void Receive(int fd) {
  static unsigned char s_raw[kSlotBytes];  // frames take no more room than their texts
  static Slot s_incoming;
  size_t length = 0;
  if (!SameUser(fd) || !ReadAll(fd, reinterpret_cast<char*>(s_raw), sizeof s_raw, &length) ||
      !ParseFrames(s_raw, length, &s_incoming)) {
    close(fd);
    ++s_dropped;
    ++s_pending;
    return;
  }
  pthread_mutex_lock(&s_lock);
  // A burst of launches waits for the main thread to take the earlier ones, within limits.
  // The deadline is on the monotonic clock, so a change of the wall clock neither ends the
  // wait early nor stretches it.
  double at = OsMonotonicSeconds() + kRoomSeconds;
  timespec deadline;
  deadline.tv_sec = static_cast<time_t>(at);
  deadline.tv_nsec = static_cast<long>((at - static_cast<double>(deadline.tv_sec)) * 1e9);
  while (s_queued == kSlots && !s_closing &&
         pthread_cond_clockwait(&s_room, &s_lock, CLOCK_MONOTONIC, &deadline) == 0) {
  }
  if (s_queued == kSlots || s_closing) {
    pthread_mutex_unlock(&s_lock);
    close(fd);
    ++s_dropped;
    ++s_pending;
    return;
  }
  Slot& slot = s_slots[(s_head + s_queued) % kSlots];
  slot.fd = fd;
  slot.count = s_incoming.count;
  slot.length = s_incoming.length;
  memcpy(slot.text, s_incoming.text, s_incoming.length);
  ++s_queued;
  ++s_pending;
  pthread_mutex_unlock(&s_lock);
}

void* AcceptLoop(void* context) {
  int listenFd = static_cast<int>(reinterpret_cast<intptr_t>(context));
  for (;;) {
    int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) {
      Receive(fd);
    } else if (errno != EINTR && errno != ECONNABORTED) {
      return nullptr;  // shut down by OsChannelClose
    }
  }
}

int WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return 1;
}

int ConnectWithin(const sockaddr_un& address, double seconds) {
  double deadline = NowMs() + seconds * 1000.0;
  for (;;) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
    close(fd);
    if (NowMs() >= deadline) return -1;
    OsPauseJittered(10000, 0);  // the instance is still starting
  }
}

}  // namespace

int OsChannelPath(const char* name, char* out, size_t capacity) {
  char folder[sizeof(sockaddr_un::sun_path)];
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && StrCopy(folder, sizeof folder, runtime) &&
      IsPrivateFolder(folder)) {
  } else {
    StrFormatf(folder, sizeof folder, "/tmp/quillfen-%u", static_cast<unsigned>(geteuid()));
    mkdir(folder, 0700);
    if (!IsPrivateFolder(folder)) return 0;
  }
  return StrFormatf(out, capacity, "%s/quarn-%016llx.sock", folder, NameHash(name));
}

int OsChannelListen(const char* name) {
  if (s_listenFd >= 0) return 1;
  sockaddr_un address;
  if (!MakeAddress(name, &address)) return 0;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  unlink(address.sun_path);  // left by an instance that ended without removing it
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0 ||
      pthread_create(&s_thread, nullptr, AcceptLoop,
                     reinterpret_cast<void*>(static_cast<intptr_t>(fd))) != 0) {
    close(fd);
    return 0;
  }
  s_listenFd = fd;
  StrCopy(s_path, sizeof s_path, address.sun_path);
  return 1;
}

void OsChannelClose() {
  if (s_listenFd < 0) return;
  unlink(s_path);
  pthread_mutex_lock(&s_lock);
  s_closing = 1;
  pthread_cond_broadcast(&s_room);
  pthread_mutex_unlock(&s_lock);
  shutdown(s_listenFd, SHUT_RDWR);  // wakes the accepting thread
  pthread_join(s_thread, nullptr);
  close(s_listenFd);
  s_listenFd = -1;
  pthread_mutex_lock(&s_lock);
  for (; s_queued > 0; --s_queued, s_head = (s_head + 1) % kSlots) close(s_slots[s_head].fd);
  s_pending = s_dropped.load();  // the drops are still to be reported
  s_closing = 0;
  pthread_mutex_unlock(&s_lock);
}

int OsChannelPending() {
  return s_pending.load(std::memory_order_relaxed) > 0;
}

int OsChannelTake(char* out, size_t capacity, int* ticket) {
  pthread_mutex_lock(&s_lock);
  int count = 0;
  if (s_queued > 0 && s_slots[s_head].length <= capacity) {
    Slot& slot = s_slots[s_head];
    memcpy(out, slot.text, slot.length);
    count = slot.count;
    *ticket = slot.fd;
    s_head = (s_head + 1) % kSlots;
    --s_queued;
    --s_pending;
    pthread_cond_signal(&s_room);
  }
  pthread_mutex_unlock(&s_lock);
  return count;
}

void OsChannelAnswer(int ticket) {
  WriteAll(ticket, "D", 1);
  close(ticket);
}

int OsChannelDropped() {
  int dropped = s_dropped.exchange(0);
  s_pending -= dropped;
  return dropped;
}

int OsChannelSend(const char* name, const char* const* messages, int count, double connectSeconds,
                  double answerSeconds) {
  if (count <= 0 || count > kChannelMaxMessages) return 0;
  sockaddr_un address;
  if (!MakeAddress(name, &address)) return 0;
  int fd = ConnectWithin(address, connectSeconds);
  if (fd < 0) return 0;
  int ok = SameUser(fd);  // a socket of this user's folder, but check who listens on it
  for (int i = 0; ok && i < count; ++i) {
    size_t size = strnlen(messages[i], kChannelMaxMessage + 1);
    unsigned char header[4] = {
        static_cast<unsigned char>(size >> 24), static_cast<unsigned char>(size >> 16),
        static_cast<unsigned char>(size >> 8), static_cast<unsigned char>(size)};
    ok = size > 0 && size <= kChannelMaxMessage && WriteAll(fd, header, 4) &&
         WriteAll(fd, messages[i], size);
  }
  if (ok) ok = shutdown(fd, SHUT_WR) == 0;
  char answer = 0;
  if (ok) {
    pollfd pfd = {fd, POLLIN, 0};
    ok = poll(&pfd, 1, static_cast<int>(answerSeconds * 1000.0)) == 1 &&
         read(fd, &answer, 1) == 1 && answer == 'D';
  }
  close(fd);
  return ok;
}
