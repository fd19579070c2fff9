// This process as the launcher sees it: one hook that runs when the process exits through
// exit() (also when an engine calls it), after every exit handler registered later, with the
// exit status; whether standard output is a terminal someone can look at, and whether the
// environment names a display; and its environment's settings.
#include "platform/process.h"
#include "platform/linux/forked_child.h"

#include <unistd.h>

#include <cstdlib>

namespace {
void (*s_hook)(int status);

// A process the engine forked without exec ends without touching the launcher's log,
// record or SDL: they are its parent's.
void OnExit(int status, void*) {
  if (s_hook && IsLauncherProcess()) s_hook(status);
}
}  // namespace

int OnProcessExit(void (*hook)(int status)) {
  s_hook = hook;
  IsLauncherProcess();  // notes which process the launcher is
  return on_exit(OnExit, nullptr) == 0;
}

int StandardOutputIsTerminal() {
  return isatty(STDOUT_FILENO);
}

int HasDisplay() {
  const char* x = getenv("DISPLAY");
  const char* wayland = getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

int SetEnvironment(const char* name, const char* value) {
  return setenv(name, value, 1) == 0;
}
