// X11 window raising through SDL_GetWMInfo. SDL's display lock is held around the Xlib calls,
// because SDL's own event code uses the same connection.
#include "platform/window_raise.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstring>

int RaiseSdlWindow(void) {
  if (!SDL_WasInit(SDL_INIT_VIDEO) || SDL_GetVideoSurface() == nullptr) return 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11) return 0;
  Display* display = info.info.x11.display;
  Window window = info.info.x11.wmwindow ? info.info.x11.wmwindow : info.info.x11.window;
  if (display == nullptr || window == 0) return 0;
  if (info.info.x11.lock_func) info.info.x11.lock_func();
  XRaiseWindow(display, window);
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // source: an application
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, DefaultRootWindow(display), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display);
  if (info.info.x11.unlock_func) info.info.x11.unlock_func();
  return 1;
}
