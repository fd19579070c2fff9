// The preference store on Linux, as plain files: "<scope>/<host>/<domain>/<key>", each of the
// last three one file name, the value the whole content of the key's file in UTF-8. A write
// makes a new file beside the key and renames it over the key, so a reader sees the old value
// or the new one and of two writers the last rename wins; a writer killed on the way leaves at
// most a temporary file of its own, which later writes clear away. Below the scope folder
// nothing is reached through a link. Whatever is not a regular file where a key is expected
// refuses writes, and a read finds it absent: a FIFO, a terminal or a folder refuses the read
// at an offset that a read makes, a device that reads empty (/dev/null) is looked at, and one
// that reads without end (/dev/zero) gives more than a value may hold; only a device node that
// gives a short text at an offset (the kernel log's), which only root can make, would read as
// that text. Nothing is cached and nothing waits: every read opens the key again, with one
// open and one read.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/linux/file_making.h"
#include "platform/linux/open_beneath.h"
#include "platform/linux/pref_store.h"
#include "platform/port/log.h"
#include "platform/port/paths.h"
#include "platform/port/prefs.h"
#include "platform/prefs.h"
#include "util/file_name.h"
#include "util/latin1.h"
#include "util/strbuf.h"

namespace {

// The longest 8-bit text (domain, key or value) accepted is 1023 bytes, which takes at most
// twice as many bytes in UTF-8.
constexpr size_t kTextBytes = 1024;
constexpr size_t kUtf8Capacity = 2 * kTextBytes;
constexpr size_t kNameCapacity = NAME_MAX + 1;
// "<host>/<domain>/<key>" below the scope folder.
constexpr size_t kRelativeCapacity = 3 * kNameCapacity;
constexpr char kTemporaryPrefix[] = ".qfn-";
constexpr char kTemporarySuffix[] = ".tmp";

int s_heldTooLong[2];

// A path from the environment counts only when it is absolute: a relative one would land
// wherever the process happens to run. A configuration folder must also be more than the
// root itself, which is what an empty prefix followed by '/' gives.
int ScopeFolder(int anyUser, char* out, size_t capacity) {
  if (anyUser) {
    const char* path = getenv("QFN_SYSTEM_PREFS");
    if (path == nullptr || path[0] == '\0') path = "/var/lib/Quillfen";
    return path[0] == '/' && StrCopy(out, capacity, path);
  }
  const char* config = getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/' && config[strspn(config, "/")] != '\0') {
    if (!StrCopy(out, capacity, config)) return 0;
  } else if (!OsHomeFolder(out, capacity) || !StrAppend(out, capacity, "/.config")) {
    return 0;
  }
  return StrAppend(out, capacity, "/Quillfen");
}

// This machine's id: /etc/machine-id, else the host name. It cannot change while the
// process runs, so it is looked up once.
const char* HostId() {
  static char s_host[256];
  if (s_host[0] != '\0') return s_host;
  int fd = open("/etc/machine-id", O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd >= 0) {
    ssize_t n = read(fd, s_host, sizeof s_host - 1);
    s_host[n > 0 ? n : 0] = '\0';
    close(fd);
  }
  s_host[strcspn(s_host, " \t\r\n")] = '\0';
  if (s_host[0] == '\0' && gethostname(s_host, sizeof s_host - 1) != 0) s_host[0] = '\0';
  s_host[sizeof s_host - 1] = '\0';
  if (s_host[0] == '\0') StrCopy(s_host, "localhost");
  return s_host;
}

// An 8-bit text as one safe file name, written to out: its UTF-8 with '/', '%', control
// bytes and a leading '.' written as "%XX", the empty text as "%". Different texts give
// different names, none of them "." or ".." nor one of the store's own dot files. The
// name's length; 0 when it would be longer than a file name may be, which every text of 1024
// bytes or more is. One pass, no copy of the text: a read names its key at every call.
size_t EncodeName(const char* text, char (&out)[kNameCapacity]) {
  if (text[0] == '\0') return StrCopy(out, "%");
  static const char kDigits[] = "0123456789ABCDEF";
  size_t used = 0;
  for (size_t i = 0; text[i] != '\0'; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    bool escaped = c < 0x20 || c == 0x7F || c == '/' || c == '%' || (i == 0 && c == '.');
    if (used + (escaped ? 3 : c < 0x80 ? 1 : 2) >= sizeof out) return 0;
    if (escaped) {
      out[used++] = '%';
      out[used++] = kDigits[c >> 4];
      out[used++] = kDigits[c & 0xF];
    } else if (c < 0x80) {
      out[used++] = static_cast<char>(c);
    } else {
      used += static_cast<size_t>(Latin1ToUtf8Char(c, out + used));
    }
  }
  out[used] = '\0';
  return used;
}

// This machine's id as a file name, encoded once like the id itself.
const char* HostName(size_t* length) {
  static char s_name[kNameCapacity];
  static size_t s_length;
  if (s_length == 0) s_length = EncodeName(HostId(), s_name);
  *length = s_length;
  return s_name;
}

// "<host>/<domain>" and, with a key, "/<key>" into out; its length, 0 when a name cannot be
// had.
size_t RelativePath(const char* domain, const char* key, char (&out)[kRelativeCapacity]) {
  size_t used = 0;
  const char* host = HostName(&used);
  char name[kNameCapacity];
  if (used == 0) return 0;
  memcpy(out, host, used);
  const char* const texts[] = {domain, key};
  for (const char* text : texts) {
    if (text == nullptr) break;
    size_t length = EncodeName(text, name);
    if (length == 0) return 0;
    out[used++] = '/';
    memcpy(out + used, name, length);
    used += length;
  }
  out[used] = '\0';
  return used;
}

// Opens a path below the folder dir without following a link on any of its components.
int OpenBelow(int dir, const char* path, int flags, mode_t mode) {
  return OpenBeneath(dir, path, flags, mode, false);
}

mode_t FileMode(int anyUser) {
  return anyUser ? 0644 : 0600;
}

// The mode of a folder made in parent: 0700 for the user's own scope; 0755 for the any-user
// scope, or 1777 again below a folder that a machine shares with every user that way, so
// that every user may add keys and the sticky bit keeps each user's files that user's.
mode_t FolderMode(int anyUser, int parent) {
  if (!anyUser) return 0700;
  struct stat st;
  return fstat(parent, &st) == 0 && (st.st_mode & 01777) == 01777 ? 01777 : 0755;
}

// One folder level, made now when missing with exactly the scope's mode (whatever the
// file-creation mask), opened without following a link. -1 when it cannot be had.
int FolderLevel(int anyUser, int parent, const char* name) {
  mode_t mode = FolderMode(anyUser, parent);
  int made = mkdirat(parent, name, mode) == 0;
  if (!made && errno != EEXIST) return -1;
  int fd = OpenBelow(parent, name, O_RDONLY | O_DIRECTORY, 0);
  if (fd >= 0 && made && fchmod(fd, mode) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// The open scope folder; made (with the folders above it) only when create is set.
int OpenScope(int anyUser, int create) {
  char path[kPathCapacity];
  if (!ScopeFolder(anyUser, path, sizeof path)) return -1;
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  int fd = open(path, flags);
  if (fd < 0 && errno == ENOENT && create &&
      CreateFoldersWithMode(path, 1, anyUser ? 0755 : 0700))
    fd = open(path, flags);
  return fd;
}

// Opens "<scope folder>/<relative>" without following a link below the scope folder: in one
// step where no component of the whole path is a link, else (a home folder reached through a
// link, say) from the scope folder opened as its path names it.
int OpenInScope(int anyUser, const char* relative, size_t relativeLength, int flags) {
  char path[kPathCapacity + kRelativeCapacity];
  if (!ScopeFolder(anyUser, path, kPathCapacity)) return -1;
  size_t length = strlen(path);
  path[length] = '/';
  memcpy(path + length + 1, relative, relativeLength + 1);
  int fd = OpenWithoutLinks(path, flags);
  if (fd >= 0 || errno != ELOOP) return fd;
  int scope = OpenScope(anyUser, 0);
  if (scope < 0) return -1;
  fd = OpenBelow(scope, relative, flags, 0);
  close(scope);
  return fd;
}

// The domain's open folder below the scope folder, "<host>/<domain>" as RelativePath names it,
// made when missing and create is set.
int OpenDomainFolder(int anyUser, int scope, const char* relative, int create) {
  int fd = OpenBelow(scope, relative, O_RDONLY | O_DIRECTORY, 0);
  if (fd >= 0 || errno != ENOENT || !create) return fd;
  char host[kNameCapacity];
  const char* slash = strchr(relative, '/');
  memcpy(host, relative, static_cast<size_t>(slash - relative));
  host[slash - relative] = '\0';
  int hostFolder = FolderLevel(anyUser, scope, host);
  if (hostFolder < 0) return -1;
  fd = FolderLevel(anyUser, hostFolder, slash + 1);
  close(hostFolder);
  return fd;
}

// Parses "<prefix><pid>-<n><suffix>"; the process id of a temporary file of this store, else
// 0.
pid_t TemporaryOwner(const char* name) {
  size_t prefix = sizeof kTemporaryPrefix - 1;
  if (strncmp(name, kTemporaryPrefix, prefix) != 0) return 0;
  char* end = nullptr;
  long pid = strtol(name + prefix, &end, 10);
  if (end == name + prefix || *end != '-' || pid <= 0 || pid > INT_MAX) return 0;
  const char* count = end + 1;
  strtoul(count, &end, 10);
  return end != count && strcmp(end, kTemporarySuffix) == 0 ? static_cast<pid_t>(pid) : 0;
}

// Removes the temporary files that writers of this store left in the folder when they were
// killed: those whose process is gone. A live writer's file is never touched, and
// another user's file in a shared folder cannot be.
void ClearStrayTemporaries(int folder) {
  alignas(8) char buffer[4096];
  ssize_t n;
  while ((n = getdents64(folder, buffer, sizeof buffer)) > 0) {
    for (ssize_t at = 0; at < n;) {
      const dirent64* entry = reinterpret_cast<const dirent64*>(buffer + at);
      at += entry->d_reclen;
      pid_t owner = entry->d_name[0] == '.' ? TemporaryOwner(entry->d_name) : 0;
      if (owner != 0 && owner != getpid() && kill(owner, 0) != 0 && errno == ESRCH)
        unlinkat(folder, entry->d_name, 0);
    }
  }
}

// 0 when something other than a regular file is at the key (a link, a FIFO, a folder...);
// *absent tells that nothing is there.
int KeyIsFileOrAbsent(int folder, const char* key, int* absent) {
  struct stat st;
  *absent = fstatat(folder, key, &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
  return *absent || S_ISREG(st.st_mode);
}

// A new file holding the value, renamed over the key; with flush, the file and then the
// folder reach the disk before 1 is returned. The new file comes first: a folder this user
// may not write (another user's any-user store) refuses it before anything else is looked at.
int ReplaceKey(int anyUser, int folder, const char* key, const char* utf8, int flush) {
  static unsigned s_count;
  char temporary[64];
  if (!StrFormatf(temporary, sizeof temporary, "%s%d-%u%s", kTemporaryPrefix,
                  static_cast<int>(getpid()), s_count++, kTemporarySuffix))
    return 0;
  int fd = openat(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  FileMode(anyUser));
  if (fd < 0) return 0;
  int absent = 0;
  int ok = KeyIsFileOrAbsent(folder, key, &absent);
  if (ok) ClearStrayTemporaries(folder);  // which never takes this process's own for a stray
  ok = ok && fchmod(fd, FileMode(anyUser)) == 0 && OsWriteText(fd, utf8) &&
       (!flush || fdatasync(fd) == 0);
  ok = close(fd) == 0 && ok && renameat(folder, temporary, folder, key) == 0;
  if (!ok) {
    unlinkat(folder, temporary, 0);
    return 0;
  }
  return !flush || fsync(folder) == 0;
}

int RemoveKey(int folder, const char* key) {
  int absent = 0;
  if (!KeyIsFileOrAbsent(folder, key, &absent)) return 0;
  return absent || unlinkat(folder, key, 0) == 0 || errno == ENOENT;
}

}  // namespace

int CreatePrefStoreFolders(int anyUser, const char* storeFile) {
  return CreateFoldersWithMode(storeFile, 0, anyUser ? 0755 : 0700);
}

// Removing from a store or domain that does not exist succeeds at once: there is nothing to
// remove, and making folders for it would be a write nobody asked for.
int OsPrefWrite(int anyUser, const char* domain, const char* key, const char* value, int flush) {
  if (domain == nullptr || key == nullptr) return 0;
  // Texts that can never be stored are refused before the store is looked at, so the
  // answer does not depend on whether the store exists.
  char keyName[kNameCapacity], folderPath[kRelativeCapacity], utf8[kUtf8Capacity];
  size_t folderLength = RelativePath(domain, nullptr, folderPath);
  if (!EncodeName(key, keyName) || folderLength == 0 ||
      (value != nullptr && (strnlen(value, kTextBytes) == kTextBytes ||
                            !Latin1ToUtf8(value, utf8, sizeof utf8))))
    return 0;
  // Nearly always the domain's folder is there: opened in one step, like a read's key.
  // Otherwise it is looked for level by level, and made when a value is written.
  int folder = OpenInScope(anyUser, folderPath, folderLength, O_RDONLY | O_DIRECTORY);
  if (folder < 0) {
    int scope = OpenScope(anyUser, value != nullptr);
    if (scope < 0) return value == nullptr && (errno == ENOENT || errno == ENOTDIR);
    folder = OpenDomainFolder(anyUser, scope, folderPath, value != nullptr);
    int missing = folder < 0 && errno == ENOENT;
    close(scope);
    if (folder < 0) return value == nullptr && missing;
  }
  int ok = value ? ReplaceKey(anyUser, folder, keyName, utf8, flush) : RemoveKey(folder, keyName);
  close(folder);
  return ok;
}

int OsPrefRead(int anyUser, const char* domain, const char* key, char* out, size_t capacity) {
  if (domain == nullptr || key == nullptr || capacity == 0) return 0;
  char relative[kRelativeCapacity];
  size_t length = RelativePath(domain, key, relative);
  if (length == 0) return 0;
  int fd = OpenInScope(anyUser, relative, length, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return 0;
  // One byte more than the longest value, so that a longer file is seen as such. A read at
  // an offset is refused by a FIFO, a terminal or a folder, so only an empty result, which a
  // device such as /dev/null gives too, or a refusal needs a look at what was opened: a file
  // system may refuse offsets for a regular file as well, which is then read plainly.
  unsigned char utf8[kUtf8Capacity];
  ssize_t n = pread(fd, utf8, sizeof utf8, 0);
  struct stat st;
  if (n <= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)))
    n = -1;
  else if (n < 0)
    n = read(fd, utf8, sizeof utf8);
  close(fd);
  // Decoded into a buffer of its own first, so that a failed read leaves out untouched.
  char value[kTextBytes];
  if (n < 0 || static_cast<size_t>(n) == sizeof utf8 ||
      !Utf8ToLatin1(utf8, static_cast<size_t>(n), value, sizeof value))
    return 0;
  size_t valueLength = strlen(value);
  if (valueLength >= capacity) return 0;
  memcpy(out, value, valueLength + 1);
  return 1;
}

double PrefStoreWaitSeconds(int anyUser, double seconds) {
  return s_heldTooLong[anyUser ? 1 : 0] ? 0.0 : seconds;
}

void NotePrefStoreHeld(int anyUser) {
  s_heldTooLong[anyUser ? 1 : 0] = 1;
}

int PrefStoreHeldByOthers(int anyUser) {
  return s_heldTooLong[anyUser ? 1 : 0];
}

int PrefScopeFolder(int anyUser, char* out, size_t capacity) {
  return ScopeFolder(anyUser, out, capacity);
}
