// A small game engine that shows the launcher at work: a window with a bouncing square.
// Escape or closing the window ends the game, R asks the launcher for a restart. Every
// message received through qrnSendIPC is printed to standard output and shown in the window
// title. Under an off-screen video driver nobody can press a key, so it ends by itself after
// kDummyFrames frames: SDL's "dummy", or the "offscreen" driver that sdl12-compat picks when
// there is no display and SDL_VIDEODRIVER is not set.
#include "quarn_engine.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
const int kWidth = 480;
const int kHeight = 320;
const int kBox = 40;
const int kDummyFrames = 120;
const int kFrameMs = 16;

const char kLongName[] = "Quarn Demo";
const char kShortName[] = "Demo";
const char kAppId[] = "QUARN-DEMO";
const int kBuild = 7;

char s_lastMessage[4096] = "";  // shown in the title until the next one arrives
int s_restart = 0;
int s_runs = 0;

// The window title: the name, the run number and the last message received, if any. A
// message may arrive before the window exists; it is shown once the window is made.
void ShowTitle() {
  if (!SDL_GetVideoSurface()) return;
  char title[4200];
  if (s_lastMessage[0]) {
    snprintf(title, sizeof title, "%s (run %d) - %s", kLongName, s_runs, s_lastMessage);
  } else {
    snprintf(title, sizeof title, "%s (run %d)", kLongName, s_runs);
  }
  SDL_WM_SetCaption(title, kShortName);
}

int IsOffscreenDriver() {
  char name[32] = "";
  if (!SDL_VideoDriverName(name, sizeof name)) return 0;
  return QRN_IS_HEADLESS_DRIVER(name);
}

// One frame: background, the square at its position, a bar that shows the run number.
void Draw(SDL_Surface* screen, int x, int y) {
  SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 20, 24, 40));
  SDL_Rect box = {static_cast<Sint16>(x), static_cast<Sint16>(y), kBox, kBox};
  SDL_FillRect(screen, &box, SDL_MapRGB(screen->format, 240, 180, 40));
  for (int i = 0; i < s_runs && i < 10; ++i) {
    SDL_Rect mark = {static_cast<Sint16>(8 + i * 14), 8, 10, 10};
    SDL_FillRect(screen, &mark, SDL_MapRGB(screen->format, 90, 200, 120));
  }
  SDL_Flip(screen);
}
}  // namespace

extern "C" {
int qrnGetAppName(char* shortName, char* longName, char* appId, int* build) {
  snprintf(shortName, QRN_NAME_CAPACITY, "%s", kShortName);
  snprintf(longName, QRN_NAME_CAPACITY, "%s", kLongName);
  snprintf(appId, QRN_NAME_CAPACITY, "%s", kAppId);
  *build = kBuild;
  return 0;
}

int qrnCreate(int argc, char** argv) {
  ++s_runs;
  s_restart = 0;
  printf("%s build %d: run %d, %d argument(s)\n", kLongName, kBuild, s_runs, argc);
  fflush(stdout);
  return 0;
}

int qrnRun(void) {
  SDL_Surface* screen = SDL_SetVideoMode(kWidth, kHeight, 0, SDL_SWSURFACE);
  if (!screen) {
    printf("%s: no window: %s\n", kLongName, SDL_GetError());
    fflush(stdout);
    return 0;
  }
  ShowTitle();
  int dummy = IsOffscreenDriver();
  int x = 10, y = 30, dx = 4, dy = 3;
  for (int frame = 0; !dummy || frame < kDummyFrames; ++frame) {
    SDL_Event event;
    int done = 0;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT) done = 1;
      if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) done = 1;
      if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_r) {
        s_restart = 1;
        done = 1;
      }
    }
    if (done) break;
    x += dx;
    y += dy;
    if (x < 0 || x > kWidth - kBox) dx = -dx, x += 2 * dx;
    if (y < 0 || y > kHeight - kBox) dy = -dy, y += 2 * dy;
    Draw(screen, x, y);
    SDL_Delay(kFrameMs);
  }
  printf("%s: game over%s\n", kLongName, s_restart ? ", restart requested" : "");
  fflush(stdout);
  return 0;
}

int qrnClose(void) {
  return s_restart;
}

int qrnSendIPC(const char* message) {
  printf("%s received: %s\n", kLongName, message);
  fflush(stdout);
  snprintf(s_lastMessage, sizeof s_lastMessage, "%s", message);
  ShowTitle();
  return 0;
}
}
