// Pattern removal inside one folder; see platform/files.h. The folder is opened once without
// following a final symbolic link, and every look-up and removal is relative to that open
// folder, so a name swapped for a link after matching still cannot lead elsewhere.
#include "platform/files.h"
#include "platform/linux/folder_match.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

int RemoveMatchingFiles(const char* folder, const char* pattern) {
  if (!folder || !pattern || strchr(pattern, '/')) return -1;
  int fd = open(folder[0] ? folder : ".", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  return fd < 0 ? -1 : RemoveMatchingIn(fd, pattern);
}

int RemoveMatchingIn(int fd, const char* pattern) {
  if (!pattern || strchr(pattern, '/')) {
    close(fd);
    return -1;
  }
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return -1;
  }
  int removed = 0;
  while (dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
    if (fnmatch(pattern, name, FNM_PERIOD) != 0) continue;
    struct stat st;
    if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode)) continue;
    if (unlinkat(fd, name, 0) == 0) ++removed;
  }
  closedir(dir);  // closes fd too
  return removed;
}
