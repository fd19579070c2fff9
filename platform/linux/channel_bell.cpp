// The instance channel's bell (see platform/port/instance_channel.h): eight bytes at
// kBellOffset of the claimed instance file, which the instance maps shared and read-only once
// it publishes its name there. A launch rings with pwrite; the instance compares the mapped
// word with the value it answered last. Reading a mapped page wholly past the end of its file
// raises SIGBUS: the instance makes the file long enough before it maps it, and no launcher
// ever shortens an instance file (they open it to append, and one replaced by a new file
// leaves this mapping on the old one, which lives as long as the mapping does).
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "platform/linux/forked_child.h"
#include "platform/port/instance_channel.h"

namespace {

constexpr off_t kBellOffset = 512;
constexpr size_t kMappedBytes = kBellOffset + sizeof(uint64_t);
// The note before it: 16 hex digits, a space, the name and a newline.
static_assert(16 + 1 + kOsChannelNameCapacity + 1 <= kBellOffset, "the note reaches the bell");

void* s_mapping;
const uint64_t* s_bell;  // in s_mapping
uint64_t s_answered;

uint64_t Load() {
  return __atomic_load_n(s_bell, __ATOMIC_ACQUIRE);
}

// A value no other ring holds: this process's id over the monotonic clock's nanoseconds.
uint64_t FreshValue() {
  timespec now = {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ns =
      static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
  return ns ^ (static_cast<uint64_t>(getpid()) << 32);
}

}  // namespace

int OsChannelWatchBell(int claim) {
  OsChannelUnwatchBell();
  struct stat st;
  if (fstat(claim, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  // Lengthening leaves a hole, which needs no free space. The bell's page is then written
  // (its own value, read back), so that it holds storage of its own before it is mapped: on
  // tmpfs reading a hole through a mapping takes a new page, and raises SIGBUS when the file
  // system is full. Without that storage, no bell.
  uint64_t value = 0;
  if ((st.st_size < static_cast<off_t>(kMappedBytes) &&
       ftruncate(claim, static_cast<off_t>(kMappedBytes)) != 0) ||
      pread(claim, &value, sizeof value, kBellOffset) != static_cast<ssize_t>(sizeof value) ||
      pwrite(claim, &value, sizeof value, kBellOffset) != static_cast<ssize_t>(sizeof value))
    return 0;
  // A mapping keeps its open file alive, and with it the file's locks: it is made through an
  // open file of its own, so that the claim still ends with its handle (and a forked child
  // that keeps the mapping holds no lock).
  char own[32];
  snprintf(own, sizeof own, "/proc/self/fd/%d", claim);
  int fd = open(own, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  void* mapping = mmap(nullptr, kMappedBytes, PROT_READ, MAP_SHARED, fd, 0);
  close(fd);
  if (mapping == MAP_FAILED) return 0;
  s_mapping = mapping;
  s_bell = reinterpret_cast<const uint64_t*>(static_cast<const char*>(mapping) + kBellOffset);
  s_answered = Load();
  return 1;
}

void OsChannelUnwatchBell() {
  if (!s_mapping) return;
  munmap(s_mapping, kMappedBytes);
  s_mapping = nullptr;
  s_bell = nullptr;
}

OsChannelBellState OsChannelBell() {
  if (IsForkedChild()) return kBellForkedChild;
  if (!s_bell) return kBellRang;
  return Load() != s_answered ? kBellRang : kBellQuiet;
}

void OsChannelAnswerBell() {
  if (s_bell) s_answered = Load();
}

int OsChannelRingBell(const char* notePath) {
  int fd = open(notePath, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st;
  const uint64_t value = FreshValue();
  ssize_t written = -1;
  // A file too short holds no bell: its instance watches none, and a write would lengthen it.
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
      st.st_size >= static_cast<off_t>(kMappedBytes)) {
    do {
      written = pwrite(fd, &value, sizeof value, kBellOffset);
    } while (written < 0 && errno == EINTR);
  }
  close(fd);
  return written == static_cast<ssize_t>(sizeof value);
}
