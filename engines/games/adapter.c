/* The five entry points around an SDL 1.2 program whose main was renamed game_main: what a
 * game maker porting an existing program writes. qrnRun plays the program, and a failure
 * status from its main ends the process with that status, as alone; a message from the
 * launcher is printed as the program would print its own output. */
#include <stdio.h>
#include <stdlib.h>

#include "quarn_engine.h"

int game_main(int argc, char** argv);
static int s_argc;
static char** s_argv;

int qrnGetAppName(char* shortName, char* longName, char* appId, int* build) {
  const char* name = getenv("QRN_GAME_NAME");
  snprintf(shortName, QRN_NAME_CAPACITY, "Game");
  snprintf(longName, QRN_NAME_CAPACITY, "%s", name ? name : "SDL Game");
  snprintf(appId, QRN_NAME_CAPACITY, "SDL-GAME");
  *build = 1;
  return 0;
}
int qrnCreate(int argc, char** argv) {
  s_argc = argc;
  s_argv = argv;
  return 0;
}
int qrnRun(void) {
  int status = game_main(s_argc, s_argv);
  if (status != 0) exit(status);
  return 0;
}
int qrnClose(void) {
  return 0;
}
int qrnSendIPC(const char* message) {
  printf("received: %s\n", message);
  fflush(stdout);
  return 0;
}
