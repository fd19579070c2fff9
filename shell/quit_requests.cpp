// Quit requests from the desktop or the terminal (SIGTERM, SIGINT, SIGHUP). The signals stay
// blocked in every thread but one small thread that takes them with sigwait, so no handler
// ever interrupts the main thread (SDL_PushEvent takes a mutex) and SDL's own SIGINT/SIGTERM
// handlers never see them: one request posts exactly one quit event. While SDL video does
// not run, the request ends the process by the signal's default action, and any dialog
// this process was waiting for is closed right after, so that no orphaned window stays.
#include "launcher/run_cycle.h"
#include "shell/shell.h"
#include "util/strbuf.h"

#include <SDL.h>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static sigset_t s_quitSignals;
static SDLApplication* s_application;

void SDLApplication::Terminate() {
  SDL_Event event;
  memset(&event, 0, sizeof event);
  event.type = SDL_QUIT;
  SDL_PushEvent(&event);
}

void BlockQuitSignals() {
  sigemptyset(&s_quitSignals);
  sigaddset(&s_quitSignals, SIGTERM);
  sigaddset(&s_quitSignals, SIGINT);
  sigaddset(&s_quitSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &s_quitSignals, nullptr);
}

// The parent process id in /proc/<pid>/stat, or -1. The name in parentheses may hold
// spaces and parentheses, so the fields are read after its last ')'.
static long ParentOf(const char* pid) {
  char path[64];
  if (!StrFormatf(path, sizeof path, "/proc/%s/stat", pid)) return -1;
  FILE* file = fopen(path, "r");
  if (!file) return -1;
  char line[512];
  size_t length = fread(line, 1, sizeof line - 1, file);
  fclose(file);
  line[length] = '\0';
  const char* nameEnd = strrchr(line, ')');
  char state = 0;
  long parent = -1;
  if (!nameEnd || sscanf(nameEnd + 1, " %c %ld", &state, &parent) != 2) return -1;
  return parent;
}

constexpr int kMaxChildren = 64;

// Children of this process are dialogs the main thread waits for (web pages are opened
// through a detached grandchild, which is left alone). Returns how many were found.
static int FindChildren(pid_t* children, int capacity) {
  DIR* proc = opendir("/proc");
  if (!proc) return 0;
  long self = getpid();
  int count = 0;
  while (dirent* entry = readdir(proc)) {
    if (count == capacity) break;
    if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
    if (ParentOf(entry->d_name) == self)
      children[count++] = static_cast<pid_t>(atol(entry->d_name));
  }
  closedir(proc);
  return count;
}

// The dialogs must close only once this process is gone: closed earlier, the main thread
// would take the closed dialog as an answer and could end normally before the signal does.
// A small watcher process waits for the end of a pipe that only this process holds, then
// asks the dialogs to close. It uses only async-signal-safe calls after fork.
static void CloseDialogsAfterExit() {
  pid_t children[kMaxChildren];
  int count = FindChildren(children, kMaxChildren);
  if (count == 0) return;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  pid_t watcher = fork();
  if (watcher == 0) {
    close(fds[1]);
    char byte;
    while (read(fds[0], &byte, 1) != 0) {
    }
    for (int i = 0; i < count; ++i) kill(children[i], SIGTERM);
    _exit(0);
  }
  close(fds[0]);  // fds[1] stays open until this process ends
}

[[noreturn]] static void EndBySignal(int signal) {
  CloseDialogsAfterExit();
  struct sigaction defaultAction;
  memset(&defaultAction, 0, sizeof defaultAction);
  defaultAction.sa_handler = SIG_DFL;
  sigaction(signal, &defaultAction, nullptr);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, signal);
  pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  raise(signal);
  _exit(128 + signal);  // not reached: the default action of these signals ends the process
}

static void* QuitRequestThread(void*) {
  for (;;) {
    int number = 0;
    if (sigwait(&s_quitSignals, &number) != 0) continue;
    LockSdlVideo();
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
      s_application->Terminate();
      UnlockSdlVideo();
    } else {
      UnlockSdlVideo();
      EndBySignal(number);  // no game to ask
    }
  }
  return nullptr;
}

int StartQuitRequests(SDLApplication* application) {
  s_application = application;
  pthread_t thread;
  if (pthread_create(&thread, nullptr, QuitRequestThread, nullptr) != 0) {
    pthread_sigmask(SIG_UNBLOCK, &s_quitSignals, nullptr);
    return 0;
  }
  pthread_detach(thread);
  return 1;
}
