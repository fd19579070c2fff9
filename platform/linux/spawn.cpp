// Child processes with a clean signal state; see spawn.h.
#include "platform/linux/spawn.h"

#include <signal.h>
#include <spawn.h>
#include <unistd.h>

pid_t SpawnWithDefaultSignals(char* const argv[]) {
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return -1;
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  int failed = posix_spawnp(&pid, argv[0], nullptr, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  return failed ? -1 : pid;
}
