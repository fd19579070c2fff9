/* An engine that links no SDL: the launcher must load SDL 1.2 itself and start its video.
 * qrnCreate ends the process with status 5 when SDL video is not running, which it asks of
 * the SDL library already in the process (it never loads one). */
#include "quarn_engine.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>

enum { kSdlInitVideo = 0x20, kVideoNotRunning = 5 };

int qrnGetAppName(char* shortName, char* longName, char* appId, int* build) {
  strcpy(shortName, "sdlfree");
  strcpy(longName, "SDL Free Engine");
  strcpy(appId, "sdlfree");
  *build = 1;
  return 0;
}

int qrnCreate(int argc, char** argv) {
  void* sdl = dlopen("libSDL-1.2.so.0", RTLD_LAZY | RTLD_NOLOAD);
  unsigned (*wasInit)(unsigned) = sdl ? (unsigned (*)(unsigned))dlsym(sdl, "SDL_WasInit") : NULL;
  if (!wasInit || !(wasInit(kSdlInitVideo) & kSdlInitVideo)) exit(kVideoNotRunning);
  return 0;
}

int qrnRun(void) {
  return 0;
}

int qrnClose(void) {
  return 0;
}

int qrnSendIPC(const char* message) {
  return 0;
}
