// Rebuilding the desktop's caches with their freedesktop tools, each run as a child with an
// argument vector (no shell) and waited for a bounded time, so a tool that hangs cannot hang
// the uninstaller. The folder is passed as one argument whatever it holds. Their output
// (update-mime-database's notes on the search path) is none of the player's business.
#include "platform/desktop_caches.h"

#include "platform/linux/spawn.h"
#include "util/strbuf.h"

namespace {
constexpr double kToolSeconds = 10.0;
}  // namespace

int RefreshDesktopCache(DesktopCache cache, const char* folder) {
  char path[1024];
  if (!folder || !StrCopy(path, folder)) return 0;
  char desktop[] = "update-desktop-database";
  char mime[] = "update-mime-database";
  char icons[] = "gtk-update-icon-cache";
  char quiet[] = "-q";
  char ignoreTheme[] = "-t";
  char force[] = "-f";
  char* desktopArgs[] = {desktop, quiet, path, nullptr};
  char* mimeArgs[] = {mime, path, nullptr};
  char* iconArgs[] = {icons, quiet, ignoreTheme, force, path, nullptr};
  char** argv = cache == kCacheMenuEntries ? desktopArgs
                : cache == kCacheMimeTypes ? mimeArgs
                                           : iconArgs;
  pid_t pid = OsSpawnChild(argv, 1);
  if (pid < 0) return 0;
  return OsWaitForChildWithin(pid, kToolSeconds) == 0;
}
