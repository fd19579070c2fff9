/* The contract between the launcher and a game engine library (quarnc.so), for engine
 * authors: the five entry points an engine exports, what the launcher hands them and when.
 * This header is self-contained C; an engine compiles against this folder alone.
 *
 * Loading. The launcher loads the library from its working directory (the game's
 * Resources folder) once per process and keeps it loaded until the process ends. Every
 * entry point must be exported with C linkage; an engine lacking any of them is refused.
 * Link the engine with -Bsymbolic: the launcher exports variables named like the entry
 * points, and the engine's own references must bind to its own functions.
 *
 * Calling thread. Every entry point is called on the launcher's main thread, never
 * concurrently with another entry point; qrnSendIPC from inside the engine's own event calls
 * on that thread (SDL_PollEvent, SDL_PumpEvents, SDL_WaitEvent, SDL_PeepEvents), never from
 * inside another SDL function. Quit requests from the desktop or the terminal arrive as
 * SDL_QUIT events in SDL's event queue while the game runs.
 *
 * Order, per run: qrnGetAppName once right after binding; qrnCreate once after SDL video
 * has started; qrnRun once unless qrnCreate asked to exit; qrnClose once, after which SDL
 * video is stopped when another run follows. A non-zero qrnClose starts another run (at most
 * 10 runs per process).
 * qrnSendIPC may be called at any time after the first binding, also between runs; a
 * message that arrives before it is first bound is held and delivered right after qrnCreate
 * (the first 64 of them; the launcher logs any more as not delivered).
 *
 * The engine runs as the same SDL 1.2 program would alone. Its own SDL_Init and
 * SDL_InitSubSystem take effect as alone: SDL_INIT_EVENTTHREAD with SDL_INIT_VIDEO, asked
 * before a video mode is set, starts video again with SDL's event thread. Its exit handlers
 * (atexit) run while SDL still runs: the launcher stops SDL at the end of the process only
 * after them, so they may free cursors and surfaces and call SDL_Quit. exit(status) during a
 * run ends the process with that status, and the launcher still closes its log (saying so),
 * removes its instance record and closes its channel. Threads and processes the engine starts
 * inherit the signal mask and dispositions the launcher was started with.
 *
 * The launcher also exports its process-wide variables by name; they are declared below with
 * their types and capacities. An engine may read them, never write them: directly, or with
 * dlsym(RTLD_DEFAULT, "g_UserPath") to run also under a launcher without them.
 *
 * A run without a display. Without DISPLAY and WAYLAND_DISPLAY the game still starts: on SDL's
 * "dummy" driver (SDL_VIDEODRIVER=dummy), on sdl12-compat's "offscreen" driver, or drawing in
 * the terminal on a text-mode driver ("caca", "aalib") when standard output is a terminal
 * (otherwise "dummy"). Nobody sees the first two: an engine recognises them with
 * SDL_VideoDriverName() after qrnCreate's SDL start and should then end its run by itself
 * (QRN_IS_HEADLESS_DRIVER below).
 *
 * Build engines as position-independent code (-fPIC) and link them with the engine kit's
 * flags (CMake: find_package(QuarnEngine), quarn_add_engine; pkg-config: quarn-engine).
 */
#ifndef QUARN_ENGINE_H
#define QUARN_ENGINE_H

#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Capacity of each name buffer handed to qrnGetAppName, terminator included. */
#define QRN_NAME_CAPACITY 256

/* Capacity of an "OpenFile|<path>" message, terminator included: a longer path is cut. */
#define QRN_OPEN_FILE_MESSAGE_CAPACITY 256

/* Capacities of the launcher's text variables, terminator included. */
#define QRN_TEXT_CAPACITY 256
#define QRN_COMMAND_LINE_CAPACITY 4096

/* 1 when the SDL video driver name (from SDL_VideoDriverName) is one nobody sees. */
#define QRN_IS_HEADLESS_DRIVER(name) \
  (strcmp((name), "dummy") == 0 || strcmp((name), "offscreen") == 0)

/* The launcher's variables. Texts are NUL-terminated within their capacity; "" is not set.
 * Written by the launcher on its main thread before qrnCreate and between runs only. */
extern int g_bNoNativeGui;                     /* 1: no dialogs (-MakeGob, -MakePatchGob) */
extern int g_nBuild;                           /* the build number from qrnGetAppName */
extern char g_AppNameLong[QRN_TEXT_CAPACITY];  /* long name from qrnGetAppName */
extern char g_AppNameShort[QRN_TEXT_CAPACITY]; /* short name from qrnGetAppName */
extern char g_AppID[QRN_TEXT_CAPACITY];        /* application id from qrnGetAppName */
extern char g_DllName[QRN_TEXT_CAPACITY];      /* the engine's file name, "quarnc.so" */
extern void* g_Dll;                            /* the engine library's loader handle */
extern char g_AppExePath[QRN_TEXT_CAPACITY];   /* argument 0 as the launcher got it */
extern char g_AppFilename[QRN_TEXT_CAPACITY];  /* its file name (names the log) */
extern char g_AppPath[QRN_TEXT_CAPACITY];      /* Resources/, the working directory */
extern char g_UserPath[QRN_TEXT_CAPACITY];     /* the data folder, ending in '/' */
extern char g_AppCommandLine[QRN_COMMAND_LINE_CAPACITY]; /* "\"argv0\" arg ..." handed on */
extern char g_sDelayedIPC[QRN_COMMAND_LINE_CAPACITY];    /* the last message held for create */
extern int g_HaveLock;                                   /* 1: this process is the one instance */

/* The five entry points, one row each: X(name, result, parameters). An engine defines each
 * as a function of that name with C linkage; the type of a pointer to it is name##Fn
 * (qrnRunFn). The launcher holds them in variables of the same names, so it declares the
 * function prototypes only for engine builds. */
#define QRN_ENTRY_POINTS(X)                                                                 \
  /* Fills the short name, the long name and the application id (each a buffer of           \
   * QRN_NAME_CAPACITY bytes, NUL-terminated within it) and the build number. The long name \
   * names the game's data folder and preference domain and appears in the launcher's       \
   * dialogs. Names are UTF-8; a name that is not valid UTF-8 is read as ISO 8859-1, as     \
   * older engines wrote them. The result is not used. */                                   \
  X(qrnGetAppName, int, (char* shortName, char* longName, char* appId, int* build))         \
  /* Receives the process's argument count and vector. 0: go on and run; non-zero: exit at  \
   * once without running (qrnClose is still called). */                                    \
  X(qrnCreate, int, (int argc, char** argv))                                                \
  /* Runs the game; returns when the game ends (for example on SDL_QUIT). The result is not \
   * used. */                                                                               \
  X(qrnRun, int, (void))                                                                    \
  /* Non-zero asks the launcher to start another run. */                                    \
  X(qrnClose, int, (void))                                                                  \
  /* A text message for the engine, such as "CommandLine|..." or "OpenFile|<path>"; valid   \
   * only during the call. The result is handed back to the sender, which ignores it. */    \
  X(qrnSendIPC, int, (const char* message))

#define QRN_ENTRY_POINT_TYPE(name, result, parameters) typedef result(*name##Fn) parameters;
QRN_ENTRY_POINTS(QRN_ENTRY_POINT_TYPE)
#undef QRN_ENTRY_POINT_TYPE
#ifndef QUARN_LAUNCHER_SIDE
#define QRN_ENTRY_POINT_PROTOTYPE(name, result, parameters) result name parameters;
QRN_ENTRY_POINTS(QRN_ENTRY_POINT_PROTOTYPE)
#undef QRN_ENTRY_POINT_PROTOTYPE
#endif

#ifdef __cplusplus
}
#endif

#endif /* QUARN_ENGINE_H */
