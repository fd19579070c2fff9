/* An SDL 1.2 game that crashes on request, as QRN_GAME_CRASH says: "segv" writes through a
 * null pointer, "thread" does so in a thread of its own, "abort" calls abort(), and "child"
 * lets a child process it forks crash, says how the child ended and plays on. With
 * QRN_GAME_NOPARACHUTE set it starts SDL without SDL's parachute, and it prints whether SIGALRM
 * is ignored, which the parachute does. */
#include <SDL.h>
#include <SDL_thread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

int* volatile g_nowhere;

/* Left to fault as it is: a sanitizer build would stop at the null pointer before the fault. */
__attribute__((noinline, no_sanitize("address", "undefined"))) static int WriteThroughNull(
    void* unused) {
  (void)unused;
  *g_nowhere = 1;
  return 0;
}

int main(int argc, char** argv) {
  const char* how = getenv("QRN_GAME_CRASH");
  Uint32 flags = SDL_INIT_VIDEO | (getenv("QRN_GAME_NOPARACHUTE") ? SDL_INIT_NOPARACHUTE : 0);
  struct sigaction alarm;
  (void)argc;
  (void)argv;
  if (SDL_Init(flags) < 0 || !SDL_SetVideoMode(64, 48, 0, SDL_SWSURFACE)) return 1;
  sigaction(SIGALRM, NULL, &alarm);
  printf("SIGALRM ignored: %s\n", alarm.sa_handler == SIG_IGN ? "yes" : "no");
  fflush(stdout);
  if (how && strcmp(how, "segv") == 0) WriteThroughNull(NULL);
  if (how && strcmp(how, "thread") == 0)
    SDL_WaitThread(SDL_CreateThread(WriteThroughNull, NULL), NULL);
  if (how && strcmp(how, "abort") == 0) abort();
  if (how && strcmp(how, "child") == 0) {
    int status = 0;
    pid_t child = fork();
    if (child == 0) WriteThroughNull(NULL);
    waitpid(child, &status, 0);
    printf("child ended by signal %d\n", WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  }
  SDL_Quit();
  return 0;
}
