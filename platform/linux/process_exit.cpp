// The process's end as the launcher sees it: one hook that runs when the process exits
// through exit() (also when an engine calls it), after every exit handler registered later,
// with the exit status; and whether standard output is a terminal someone can look at.
#include "platform/port/process.h"

#include <unistd.h>

#include <cstdlib>

namespace {
void (*s_hook)(int status);

void OnExit(int status, void*) {
  if (s_hook) s_hook(status);
}
}  // namespace

int OsOnProcessExit(void (*hook)(int status)) {
  s_hook = hook;
  return on_exit(OnExit, nullptr) == 0;
}

int OsStandardOutputIsTerminal() {
  return isatty(STDOUT_FILENO);
}
