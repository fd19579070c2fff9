// The fatal-signal watch; see fatal_signals.h. Its handler runs on a crashed process, so it
// uses only async-signal-safe calls (getpid, sigaction, raise, what mapped_place.h reads with
// and what the report does), no lock, no allocation and no stdio.
#include "platform/fatal_signals.h"

#include <errno.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstring>

#include "platform/linux/mapped_place.h"
#include "platform/linux/symbols.h"

namespace {
struct FatalSignal {
  int number;
  const char* name;
};
const FatalSignal kFatalSignals[] = {
    {SIGSEGV, "SIGSEGV"}, {SIGBUS, "SIGBUS"},   {SIGFPE, "SIGFPE"}, {SIGILL, "SIGILL"},
    {SIGABRT, "SIGABRT"}, {SIGTRAP, "SIGTRAP"}, {SIGSYS, "SIGSYS"}, {SIGQUIT, "SIGQUIT"}};
constexpr int kWatchable = sizeof kFatalSignals / sizeof kFatalSignals[0];
// SDL's parachute covers these and ignores SIGALRM.
const int kParachuteSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGQUIT};

struct sigaction s_under[kWatchable];  // what lies under the watch
volatile sig_atomic_t s_watched[kWatchable];
void (*s_report)(const char* text);
pid_t s_pid;
volatile sig_atomic_t s_reported;
struct sigaction s_alarmAtStart;
const void* s_sdl;  // an address inside the SDL library
char s_signalStack[64 * 1024];

uintptr_t ProgramCounter(const void* context) {
  const ucontext_t* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
  return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
  return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
  return static_cast<uintptr_t>(uc->uc_mcontext.pc);
#else
  (void)uc;
  return 0;
#endif
}

int IndexOf(int signal) {
  for (int i = 0; i < kWatchable; ++i)
    if (kFatalSignals[i].number == signal) return i;
  return -1;
}

void Report(int index, const void* context) {
  static char s_text[kFatalSignalTextCapacity];
  SignalSafeText text{s_text, sizeof s_text, 0};
  text.Put("signal ");
  text.PutNumber(static_cast<uintptr_t>(kFatalSignals[index].number), 10);
  text.Put(" (");
  text.Put(kFatalSignals[index].name);
  text.Put(") at ");
  DescribeAddress(ProgramCounter(context), &text);
  s_report(s_text);
}

// A fault of the instruction itself, which runs again when the handler returns and so
// faults again. Anything else (kill, raise, abort, a breakpoint, a refused system call) would
// not come back by itself.
bool FaultsAgain(int signal, const siginfo_t* info) {
  return (signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE || signal == SIGILL) &&
         info->si_code > 0;
}

// Reports once, hands the signal to what lies under the watch, and returns: a fault then comes
// back from the same instruction, so a core dump shows it as it would alone; any other
// signal is raised again and arrives once this handler has returned.
void OnFatalSignal(int signal, siginfo_t* info, void* context) {
  int saved = errno;
  int index = IndexOf(signal);
  if (index < 0) return;
  if (getpid() == s_pid && !__atomic_exchange_n(&s_reported, 1, __ATOMIC_SEQ_CST))
    Report(index, context);
  s_watched[index] = 0;
  sigaction(signal, &s_under[index], nullptr);
  if (!FaultsAgain(signal, info)) raise(signal);
  errno = saved;
}

bool IsHandler(const struct sigaction& action) {
  return action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN;
}

// The default action, or a handler of the SDL library: SDL's parachute, which ends the
// process by the same signal after stopping SDL.
bool Watchable(const struct sigaction& action) {
  if (action.sa_handler == SIG_DFL) return true;
  if (!IsHandler(action)) return false;
  if (!s_sdl) s_sdl = NextSymbol("SDL_Init");  // SDL may be loaded after the watch began
  if (!s_sdl) return false;
  const void* handler = (action.sa_flags & SA_SIGINFO)
                            ? reinterpret_cast<const void*>(action.sa_sigaction)
                            : reinterpret_cast<const void*>(action.sa_handler);
  return SameLoadedObject(handler, s_sdl) != 0;
}
}  // namespace

int WatchFatalSignals(void (*report)(const char* text)) {
  s_report = report;
  s_pid = getpid();
  sigaction(SIGALRM, nullptr, &s_alarmAtStart);
  stack_t stack;
  memset(&stack, 0, sizeof stack);
  stack.ss_sp = s_signalStack;
  stack.ss_size = sizeof s_signalStack;
  sigaltstack(&stack, nullptr);
  ResumeFatalSignalWatch();
  return 1;
}

void ResumeFatalSignalWatch() {
  if (!s_report) return;
  struct sigaction watch;
  memset(&watch, 0, sizeof watch);
  watch.sa_sigaction = OnFatalSignal;
  watch.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&watch.sa_mask);
  for (int i = 0; i < kWatchable; ++i) {
    if (s_watched[i]) continue;
    struct sigaction current;
    if (sigaction(kFatalSignals[i].number, nullptr, &current) != 0 || !Watchable(current)) continue;
    s_under[i] = current;
    s_watched[i] = 1;
    sigaction(kFatalSignals[i].number, &watch, nullptr);
  }
}

// A disposition someone set over the watch since it was resumed stays.
void PauseFatalSignalWatch() {
  for (int i = 0; i < kWatchable; ++i) {
    if (!s_watched[i]) continue;
    s_watched[i] = 0;
    struct sigaction current;
    if (sigaction(kFatalSignals[i].number, nullptr, &current) == 0 &&
        (current.sa_flags & SA_SIGINFO) && current.sa_sigaction == OnFatalSignal)
      sigaction(kFatalSignals[i].number, &s_under[i], nullptr);
  }
}

void RemoveSdlParachute() {
  for (int signal : kParachuteSignals) {
    struct sigaction current;
    if (sigaction(signal, nullptr, &current) != 0 || !IsHandler(current) || !Watchable(current))
      continue;
    current.sa_handler = SIG_DFL;
    current.sa_flags &= ~SA_SIGINFO;
    sigaction(signal, &current, nullptr);
  }
  struct sigaction alarm;
  if (sigaction(SIGALRM, nullptr, &alarm) == 0 && alarm.sa_handler == SIG_IGN &&
      s_alarmAtStart.sa_handler == SIG_DFL)
    sigaction(SIGALRM, &s_alarmAtStart, nullptr);
}
