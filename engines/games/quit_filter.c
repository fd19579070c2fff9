/* An SDL 1.2 game that reads quit requests only in its event filter, as many games do: the
 * filter notes the request and drops the event, so the game's loop never sees SDL_QUIT. It
 * says each time the filter saw a request (and if on another thread than the main one, where
 * it runs alone) and how many quit events reached its loop; with QRN_GAME_EXIT_IN_FILTER set
 * the filter ends the game with exit(0) instead. The file named by QRN_GAME_READY is made
 * once the filter is in place. */
#include <SDL.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

static volatile sig_atomic_t s_quitRequested;

/* Alone, SDL calls the filter from its signal handler (classic SDL, on the main thread, which
 * the kernel picks for a process's signal) or from the main thread's event call
 * (sdl12-compat): only async-signal-safe calls here. */
static int SDLCALL KeepQuitOut(const SDL_Event* event) {
  static const char kSeen[] = "quit request seen by the filter\n";
  static const char kSeenElsewhere[] = "quit request seen by the filter on another thread\n";
  int onMainThread = syscall(SYS_gettid) == getpid();
  if (event->type != SDL_QUIT) return 1;
  s_quitRequested = 1;
  if ((onMainThread ? write(STDOUT_FILENO, kSeen, sizeof kSeen - 1)
                    : write(STDOUT_FILENO, kSeenElsewhere, sizeof kSeenElsewhere - 1)) < 0)
    return 0;
  if (getenv("QRN_GAME_EXIT_IN_FILTER")) exit(0);
  return 0;
}

static int QuitEventsInQueue(void) {
  int count = 0;
  SDL_Event event;
  while (SDL_PollEvent(&event)) count += event.type == SDL_QUIT;
  return count;
}

int main(int argc, char** argv) {
  const char* ready = getenv("QRN_GAME_READY");
  int inLoop = 0;
  (void)argc;
  (void)argv;
  if (SDL_Init(SDL_INIT_VIDEO) < 0 || !SDL_SetVideoMode(64, 48, 0, SDL_SWSURFACE)) return 1;
  SDL_SetEventFilter(KeepQuitOut);
  if (ready) fclose(fopen(ready, "w"));
  while (!s_quitRequested) {
    inLoop += QuitEventsInQueue();
    SDL_Delay(10);
  }
  inLoop += QuitEventsInQueue();
  printf("quit events in the loop: %d\n", inLoop);
  SDL_Quit();
  return 0;
}
