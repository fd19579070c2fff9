// Opens a web address with the user's default handler: xdg-open, started through a short-
// lived intermediate child that is reaped at once, so the launcher neither waits for the
// browser nor keeps a zombie. Only printable 7-bit ASCII addresses are handed over.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/spawn.h"
#include "platform/port/dialogs.h"

namespace {

int IsPlainAddress(const char* address) {
  if (!address || !*address) return 0;
  // xdg-open has no end-of-options marker: a leading '-' would be read as an option.
  if (*address == '-') return 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(address); *p; ++p) {
    if (*p < 0x21 || *p > 0x7E) return 0;
  }
  return 1;
}

// In the intermediate child: starts xdg-open with a clean signal state; 1 when started.
int SpawnOpener(const char* address) {
  char opener[] = "xdg-open";
  char* argv[] = {opener, const_cast<char*>(address), nullptr};
  return SpawnWithDefaultSignals(argv) > 0;
}

}  // namespace

int OsOpenUrl(const char* address) {
  if (!IsPlainAddress(address)) return 0;
  pid_t middle = fork();
  if (middle < 0) return 0;
  if (middle == 0) _exit(SpawnOpener(address) ? 0 : 1);
  int status = 0;
  while (waitpid(middle, &status, 0) < 0) {
    if (errno != EINTR) return 0;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
