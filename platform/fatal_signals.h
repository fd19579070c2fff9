// Fatal signals of this process (a crash: SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP,
// SIGSYS, and SIGQUIT, the user's request for a core dump): one report of the signal and of
// where it struck, then the end the process would have had without the report.
#pragma once

// "signal 11 (SIGSEGV) at " + a library's path + "+0x" + the offset, with room to spare.
constexpr int kFatalSignalTextCapacity = 4200;

// Watches each fatal signal whose disposition is the default action or SDL's parachute (a
// handler of the SDL library); a signal the program handles or ignores itself is left to it.
// The first fatal signal of this process (never of a child it forked) calls report from the
// signal handler, so report may use async-signal-safe calls only, with a text like
// "signal 11 (SIGSEGV) at /usr/lib/libgame.so+0x1139": the file mapped where the faulting
// instruction lies and the instruction's address relative to that file's load address, which
// addr2line takes. The signal then goes to what lies under the watch, and the process ends as
// it would have without it (the default action: by that signal, with its core dump; the
// parachute: SDL's own end, by the same signal). Call in the main thread, which gets a signal
// stack of its own for a crash that is a stack overflow. 1 when watching.
int WatchFatalSignals(void (*report)(const char* text));
// Around a call that sets or removes handlers of its own for these signals (SDL_Init and
// SDL_Quit, for SDL's parachute): Pause puts back what lies under the watch, so that the call
// sees the dispositions it would see alone; Resume watches again over what the call left.
void PauseFatalSignalWatch();
void ResumeFatalSignalWatch();
// SDL_INIT_NOPARACHUTE for an SDL that was started with its parachute: the handlers of the SDL
// library for its fatal signals go back to the default action, and SIGALRM, which the
// parachute ignores, to what it was when the watch began. Call while the watch is paused.
void RemoveSdlParachute();
