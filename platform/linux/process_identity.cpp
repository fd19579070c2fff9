// Process identity for the single-instance record (layout in util/process_identity.h) from
// /proc: the start time is what tells a recorded process from a later one that was given the
// same id.
#include "platform/linux/proc_stat.h"
#include "platform/process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "util/process_identity.h"
#include "util/strbuf.h"

namespace {

// A stat line is far shorter: the command name is at most 64 bytes even for kernel threads.
constexpr size_t kStatCapacity = 4096;

// The whole stat line of a process into line; 0 when it cannot be read. Read with one open
// and one read, without a stream: the kernel makes the whole line for the first read.
int ReadStatLine(long pid, char (&line)[kStatCapacity]) {
  char path[64];
  if (!StrFormatf(path, sizeof path, "/proc/%ld/stat", pid)) return 0;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  ssize_t length;
  do {
    length = read(fd, line, sizeof line - 1);
  } while (length < 0 && errno == EINTR);
  close(fd);
  if (length <= 0) return 0;
  line[length] = '\0';
  return 1;
}

int ReadStat(long pid, char* state, unsigned long long* startTicks) {
  char line[kStatCapacity];
  return ReadStatLine(pid, line) && ParseProcStat(line, state, startTicks);
}

// The command name of a process: field 2 of its stat line, between the first '(' and the
// last ')'. Empty when it cannot be read.
void ReadCommand(long pid, char (&out)[kStatCapacity]) {
  out[0] = '\0';
  char line[kStatCapacity];
  if (!ReadStatLine(pid, line)) return;
  const char* open = strchr(line, '(');
  const char* close = strrchr(line, ')');
  if (open == nullptr || close == nullptr || close < open) return;
  size_t size = static_cast<size_t>(close - open - 1);
  memcpy(out, open + 1, size);
  out[size] = '\0';
}

}  // namespace

int ParseProcStat(const char* line, char* state, unsigned long long* startTicks) {
  const char* close = strrchr(line, ')');
  if (close == nullptr || close[1] != ' ' || close[2] == '\0' || close[3] != ' ') return 0;
  *state = close[2];
  // Fields 4 to 21 follow the state, one space before each; field 22 comes after them.
  const char* p = close + 3;
  for (int field = 4; field <= 22; ++field) {
    if (*p != ' ') return 0;
    ++p;
    if (field == 22) break;
    while (*p != ' ' && *p != '\0') ++p;
  }
  if (*p < '0' || *p > '9') return 0;
  char* end = nullptr;
  errno = 0;
  unsigned long long ticks = strtoull(p, &end, 10);
  if (errno != 0 || (*end != ' ' && *end != '\n' && *end != '\0')) return 0;
  *startTicks = ticks;
  return 1;
}

int ProcessIdentityOf(long pid, unsigned char identity[8]) {
  char state = 0;
  unsigned long long ticks = 0;
  if (!ReadStat(pid, &state, &ticks)) return 0;
  PackProcessIdentity(ticks, pid, identity);
  return 1;
}

// Read once per process: neither part can change while the process lives. The process id it
// was read for tells a forked child, which must read its own.
int CurrentProcessIdentity(unsigned char identity[8]) {
  static long s_pid;
  static unsigned char s_identity[8];
  long pid = static_cast<long>(getpid());
  if (pid != s_pid) {
    if (!ProcessIdentityOf(pid, s_identity)) return 0;
    s_pid = pid;
  }
  memcpy(identity, s_identity, sizeof s_identity);
  return 1;
}

int ProcessIdentityIsAlive(const unsigned char identity[8]) {
  long pid = ProcessIdentityPid(identity);
  if (pid == 0) return 0;
  char state = 0;
  unsigned long long ticks = 0;
  if (!ReadStat(pid, &state, &ticks)) return 0;
  if (state == 'Z' || state == 'X' || state == 'x') return 0;
  return (ticks & 0xFFFFFFFFull) == ProcessIdentityStart(identity);
}

int ProcessIdentityRunsThisProgram(const unsigned char identity[8]) {
  static char s_recorded[kStatCapacity];
  static char s_own[kStatCapacity];
  ReadCommand(ProcessIdentityPid(identity), s_recorded);
  ReadCommand(static_cast<long>(getpid()), s_own);
  return s_own[0] != '\0' && strcmp(s_recorded, s_own) == 0;
}

int ProcessIdentityIsOtherUsers(const unsigned char identity[8]) {
  char path[64];
  struct stat info;
  return StrFormatf(path, sizeof path, "/proc/%ld", ProcessIdentityPid(identity)) &&
         stat(path, &info) == 0 && info.st_uid != geteuid();
}
