// X11 window raising through SDL_GetWMInfo. SDL's display lock is held around the Xlib calls,
// because SDL's own event code uses the same connection. Neither SDL nor Xlib is linked: the
// functions are looked up in the SDL library at each raise (a raise is rare) and once in the
// Xlib that SDL's X11 driver has loaded; without them nothing is raised.
#include "platform/window_raise.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstring>

#include "platform/linux/symbols.h"
#include "platform/sdl_next.h"

namespace {
const char kXlib[] = "libX11.so.6";

struct XlibCalls {
  int (*RaiseWindow)(Display* display, Window window);
  Atom (*InternAtom)(Display* display, const char* name, Bool onlyIfExists);
  Status (*SendEvent)(Display* display, Window window, Bool propagate, long mask, XEvent* event);
  int (*Flush)(Display* display);
};

// Main thread only, as every raise.
const XlibCalls* Xlib() {
  static int s_tried;
  static XlibCalls s_calls;
  static const XlibCalls* s_found;
  if (s_tried) return s_found;
  s_tried = 1;
  s_calls.RaiseWindow =
      reinterpret_cast<int (*)(Display*, Window)>(LoadedLibrarySymbol(kXlib, "XRaiseWindow"));
  s_calls.InternAtom = reinterpret_cast<Atom (*)(Display*, const char*, Bool)>(
      LoadedLibrarySymbol(kXlib, "XInternAtom"));
  s_calls.SendEvent = reinterpret_cast<Status (*)(Display*, Window, Bool, long, XEvent*)>(
      LoadedLibrarySymbol(kXlib, "XSendEvent"));
  s_calls.Flush = reinterpret_cast<int (*)(Display*)>(LoadedLibrarySymbol(kXlib, "XFlush"));
  if (s_calls.RaiseWindow && s_calls.InternAtom && s_calls.SendEvent &&
      s_calls.Flush)
    s_found = &s_calls;
  return s_found;
}
}  // namespace

int RaiseSdlWindow(void) {
  const SdlCalls* sdl = SdlLibrary();
  if (!sdl || !sdl->WasInit(SDL_INIT_VIDEO) || sdl->GetVideoSurface() == nullptr) return 0;
  auto getInfo = reinterpret_cast<int (*)(SDL_SysWMinfo*)>(NextSymbol("SDL_GetWMInfo"));
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!getInfo || getInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11) return 0;
  // Xlib is looked for only once SDL says its window is an X11 one, so Xlib is loaded.
  const XlibCalls* x = Xlib();
  if (!x) return 0;
  Display* display = info.info.x11.display;
  Window window = info.info.x11.wmwindow ? info.info.x11.wmwindow : info.info.x11.window;
  if (display == nullptr || window == 0) return 0;
  if (info.info.x11.lock_func) info.info.x11.lock_func();
  x->RaiseWindow(display, window);
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = x->InternAtom(display, "_NET_ACTIVE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // source: an application
  event.xclient.data.l[1] = CurrentTime;
  x->SendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
  x->Flush(display);
  if (info.info.x11.unlock_func) info.info.x11.unlock_func();
  return 1;
}
