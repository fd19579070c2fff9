// The engine that black-box tests drive the launcher with. Its behaviour is steered by
// QRN_TEST_* environment variables, and it appends one line per call to the file named by
// QRN_TEST_RECORD (open, append, close per line, so the file is complete at every moment and
// several processes may share it). Each line also shows the launcher variables it can see.
// Built twice: engine_test, and engine_test_incomplete without qrnSendIPC. qrnRun also
// records which SDL library the process loaded and its video driver, so that a test can
// tell the classic library from sdl12-compat.
#include "quarn_engine.h"

#include <SDL.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
const char* EnvOr(const char* name, const char* fallback) {
  const char* value = getenv(name);
  return value ? value : fallback;
}

void AppendLauncherText(std::string& line, const char* name) {
  const char* text = static_cast<const char*>(dlsym(RTLD_DEFAULT, name));
  line += '\t';
  line += name;
  line += '=';
  line += text ? text : "<missing>";
}

// The monotonic clock in microseconds, recorded with each message (the build without
// qrnSendIPC has no use for it): a benchmark times a message's way on the same clock.
[[maybe_unused]] long long MonotonicMicroseconds() {
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

// Writes one record line: the entry, its own fields, then pid and the launcher's variables.
void Record(const char* entry, const std::string& fields) {
  const char* path = getenv("QRN_TEST_RECORD");
  if (!path || !path[0]) return;
  std::string line = entry;
  line += fields;
  line += "\tpid=" + std::to_string(getpid());
  AppendLauncherText(line, "g_AppNameLong");
  AppendLauncherText(line, "g_UserPath");
  AppendLauncherText(line, "g_AppPath");
  const int* build = static_cast<const int*>(dlsym(RTLD_DEFAULT, "g_nBuild"));
  line += "\tg_nBuild=" + (build ? std::to_string(*build) : std::string("<missing>"));
  AppendLauncherText(line, "g_sDelayedIPC");
  AppendLauncherText(line, "g_AppCommandLine");
  line += '\n';
  FILE* file = fopen(path, "a");
  if (!file) return;
  fwrite(line.data(), 1, line.size(), file);
  fclose(file);
}

void CopyName(char* dst, const char* src) {
  snprintf(dst, QRN_NAME_CAPACITY, "%s", src);
}

// The n-th (0-based) value of a comma-separated list; past its end the last value repeats.
int NthListValue(const char* list, int n) {
  int value = 0;
  const char* p = list;
  for (int i = 0; i <= n; ++i) {
    value = atoi(p);
    const char* comma = strchr(p, ',');
    if (!comma) break;
    p = comma + 1;
  }
  return value;
}

// The file of the SDL library this process loaded, as the dynamic loader names it.
std::string SdlLibraryFile() {
  Dl_info info;
  // Not SDL_Init: the launcher stands in front of that one.
  void* symbol = reinterpret_cast<void*>(&SDL_Linked_Version);
  return dladdr(symbol, &info) && info.dli_fname ? info.dli_fname : "<unknown>";
}

// QRN_TEST_VIDEO_MODE=1 opens a small window for the run, as a game does; the video driver's
// name and whether the window was made are recorded.
std::string OpenWindowIfAsked() {
  if (atoi(EnvOr("QRN_TEST_VIDEO_MODE", "0")) != 1) return "";
  int made = SDL_SetVideoMode(64, 48, 0, SDL_SWSURFACE) != nullptr;
  char driver[32] = "";
  if (!SDL_VideoDriverName(driver, sizeof driver)) driver[0] = '\0';
  return "\twindow=" + std::to_string(made) + "\tdriver=" + driver;
}

int s_closeCount = 0;  // the library stays loaded across runs, so this counts per process
int s_inRun = 0;       // 1 while qrnRun pumps events
int s_inSdl = 0;       // 1 while the engine is inside an SDL call other than its own polling
int s_sendsThisPoll = 0, s_maxSendsPerPoll = 0;

// A message as one record field: line ends and tabs written out, so a line stays a line.
[[maybe_unused]] std::string Field(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p == '\n')
      out += "\\n";
    else if (*p == '\t')
      out += "\\t";
    else
      out += *p;
  }
  return out;
}

// QRN_TEST_SDL_PUMPS_UNTIL=<file>: before its own polling, the engine only calls SDL
// functions that pump events from inside SDL (classic SDL's SDL_SetEventFilter and
// SDL_EventState, sdl12-compat's SDL_SetVideoMode) until the file exists, and a few rounds
// more. SDL_PeepEvents is an event call of the engine's own, so it is not among them.
void PumpOnlyInsideSdl() {
  const char* gate = getenv("QRN_TEST_SDL_PUMPS_UNTIL");
  if (!gate || !gate[0]) return;
  for (int after = 0; after < 5;) {
    if (access(gate, F_OK) == 0) ++after;
    s_inSdl = 1;
    SDL_SetEventFilter(nullptr);
    SDL_EventState(0xFF, SDL_ENABLE);
    SDL_SetVideoMode(64, 48, 0, SDL_SWSURFACE);
    s_inSdl = 0;
    SDL_Delay(5);
  }
}

int PollCounted(SDL_Event* event) {
  s_sendsThisPoll = 0;
  int result = SDL_PollEvent(event);
  if (s_sendsThisPoll > s_maxSendsPerPoll) s_maxSendsPerPoll = s_sendsThisPoll;
  return result;
}
}  // namespace

extern "C" {
int qrnGetAppName(char* shortName, char* longName, char* appId, int* build) {
  CopyName(shortName, EnvOr("QRN_TEST_SHORT_NAME", "Test"));
  CopyName(longName, EnvOr("QRN_TEST_LONG_NAME", "Test Game"));
  CopyName(appId, EnvOr("QRN_TEST_APP_ID", "TEST-APP"));
  *build = atoi(EnvOr("QRN_TEST_BUILD", "42"));
  Record("qrnGetAppName", "");
  return 0;
}

int qrnCreate(int argc, char** argv) {
  std::string fields = "\targc=" + std::to_string(argc) + "\targv=";
  for (int i = 0; i < argc; ++i) {
    fields += argv[i];
    fields += '|';
  }
  Record("qrnCreate", fields);
  // A slow start: the instance has claimed the record but does not pump events yet.
  SDL_Delay(static_cast<Uint32>(atoi(EnvOr("QRN_TEST_CREATE_MS", "0"))));
  return atoi(EnvOr("QRN_TEST_CREATE_RESULT", "0"));
}

int qrnRun(void) {
  // A game that forks without exec: the child lives this long and ends through exit(), its
  // process id in QRN_TEST_FORK_PID_FILE.
  int childMs = atoi(EnvOr("QRN_TEST_FORK_CHILD_MS", "0"));
  if (childMs > 0) {
    pid_t child = fork();
    if (child == 0) {
      usleep(static_cast<useconds_t>(childMs) * 1000);
      exit(0);
    }
    FILE* file = fopen(EnvOr("QRN_TEST_FORK_PID_FILE", "/dev/null"), "w");
    if (file) {
      fprintf(file, "%d\n", static_cast<int>(child));
      fclose(file);
    }
  }
  const char* ready = getenv("QRN_TEST_READY_FILE");
  if (ready && ready[0]) {
    FILE* file = fopen(ready, "w");
    if (file) fclose(file);
  }
  std::string window = OpenWindowIfAsked();
  const char* quitEventsText = getenv("QRN_TEST_RUN_QUIT_EVENTS");
  int wantQuits = quitEventsText ? atoi(quitEventsText) : 0;
  int runMs = atoi(EnvOr("QRN_TEST_RUN_MS", wantQuits > 0 ? "10000" : "0"));
  // QRN_TEST_FRAME_MS: the pause between two rounds of polling, the game's frame.
  Uint32 frameMs = static_cast<Uint32>(atoi(EnvOr("QRN_TEST_FRAME_MS", "5")));
  int quits = 0;
  s_inRun = 1;
  PumpOnlyInsideSdl();
  Uint32 start = SDL_GetTicks();
  while (SDL_GetTicks() - start < static_cast<Uint32>(runMs > 0 ? runMs : 0)) {
    SDL_Event event;
    while (PollCounted(&event)) {
      if (event.type == SDL_QUIT) ++quits;
    }
    if (wantQuits > 0 && quits >= wantQuits) break;
    SDL_Delay(frameMs);
  }
  s_inRun = 0;
  Record("qrnRun", "\tquit_events=" + std::to_string(quits) + window + "\tmax_sends_per_poll=" +
                       std::to_string(s_maxSendsPerPoll) + "\tsdl_library=" + SdlLibraryFile());
  return 0;
}

int qrnClose(void) {
  int result = NthListValue(EnvOr("QRN_TEST_CLOSE_RESULTS", "0"), s_closeCount++);
  Record("qrnClose", "\tresult=" + std::to_string(result));
  return result;
}

#ifndef QRN_TEST_INCOMPLETE
int qrnSendIPC(const char* message) {
  bool mainThread = syscall(SYS_gettid) == getpid();
  ++s_sendsThisPoll;
  Record("qrnSendIPC",
         "\tmessage=" + Field(message) + "\tthread=" + (mainThread ? "main" : "other") +
             "\tin_run=" + std::to_string(s_inRun) + "\tin_sdl=" + std::to_string(s_inSdl) +
             "\tat_us=" + std::to_string(MonotonicMicroseconds()));
  // A slow engine: each message takes this long.
  SDL_Delay(static_cast<Uint32>(atoi(EnvOr("QRN_TEST_SENDIPC_MS", "0"))));
  // A game that ends the process after this many messages: with QRN_TEST_END_SIGNAL killed
  // by that signal, otherwise by _exit(0) (no launcher code runs after it).
  static int s_messages;
  if (++s_messages == atoi(EnvOr("QRN_TEST_END_AFTER_SENDS", "0"))) {
    int signal = atoi(EnvOr("QRN_TEST_END_SIGNAL", "0"));
    if (signal) kill(getpid(), signal);
    _exit(0);
  }
  return 0;
}
#endif
}
