/* Lantern Tiles: the engine of a small example game. It opens a window, reads its first level
 * from the data the install put into Resources/ (the working directory), draws the board, and
 * prints every message the launcher hands it. Escape or closing the window ends it; without a
 * display it ends by itself after a few frames. */
#include <SDL.h>
#include <quarn_engine.h>
#include <stdio.h>
#include <string.h>

static SDL_Surface* screen;
static char level[64];

int qrnGetAppName(char* shortName, char* longName, char* appId, int* build) {
  snprintf(shortName, QRN_NAME_CAPACITY, "Lantern");
  snprintf(longName, QRN_NAME_CAPACITY, "Lantern Tiles");
  snprintf(appId, QRN_NAME_CAPACITY, "LANTERN");
  *build = 1;
  return 0;
}

int qrnCreate(int argc, char** argv) {
  (void)argc;
  (void)argv;
  FILE* file = fopen("levels/first.txt", "r");
  if (!file || !fgets(level, sizeof level, file)) snprintf(level, sizeof level, "(no level)\n");
  if (file) fclose(file);
  level[strcspn(level, "\n")] = '\0';
  screen = SDL_SetVideoMode(320, 240, 0, SDL_SWSURFACE);
  if (!screen) return 1; /* nothing to draw on: skip the run */
  SDL_WM_SetCaption("Lantern Tiles", "Lantern");
  printf("Lantern Tiles: level %s\n", level);
  fflush(stdout);
  return 0;
}

static void DrawBoard(int frame) {
  SDL_FillRect(screen, NULL, SDL_MapRGB(screen->format, 20, 20, 40));
  for (int i = 0; i < 16; ++i) {
    SDL_Rect tile = {(Sint16)(40 + (i % 4) * 60), (Sint16)(10 + (i / 4) * 55), 50, 45};
    int lit = (i + frame / 20) % 3 == 0;
    SDL_FillRect(screen, &tile, SDL_MapRGB(screen->format, lit ? 240 : 60, lit ? 200 : 60, 60));
  }
  SDL_Flip(screen);
}

int qrnRun(void) {
  char driver[32] = "";
  SDL_VideoDriverName(driver, sizeof driver);
  int headless = QRN_IS_HEADLESS_DRIVER(driver);
  for (int frame = 0; !headless || frame < 30; ++frame) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT) return 0;
      if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) return 0;
    }
    DrawBoard(frame);
    SDL_Delay(16);
  }
  return 0;
}

int qrnClose(void) {
  return 0; /* never asks for a restart */
}

int qrnSendIPC(const char* message) {
  printf("Lantern Tiles received: %s\n", message);
  fflush(stdout);
  return 0;
}
