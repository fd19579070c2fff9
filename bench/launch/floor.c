/* The floor of the launch benchmark, a C program: only the work a launch cannot avoid, loading
 * the engine library (argument 1) and starting and stopping SDL's video subsystem. */
#include <SDL.h>
#include <dlfcn.h>
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  void* library = dlopen(argv[1], RTLD_LAZY);
  if (!library) {
    fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  if (SDL_Init(SDL_INIT_VIDEO) < 0) return 1;
  SDL_Quit();
  return 0;
}
