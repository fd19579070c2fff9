// Times a second launch while the game runs (the test engine, polling SDL events once a frame):
// from starting the second launcher until its document reaches the running engine (the time
// the engine records with the message, on the same monotonic clock), and the second launch's
// own processor time (user + system of that process alone, from wait4), with about 100, 1,000
// and 10,000 Unix sockets on the machine (a child of the benchmark holds socket pairs to make
// up the count). Against it: a whole first launch of the same launcher, in a second home and
// preference store of its own, so that it plays while the game runs.
//
// Every round runs the three socket levels and the whole launch once each, in an order drawn
// for the round, and every launch starts after the same pause of a tenth of a
// second, long enough for the machine to settle: a process started right after other work
// (making or dropping 10,000 sockets, counting them) costs a different processor time than one
// started from rest, which would otherwise show as a difference between the levels, or
// between a whole launch run back to back and a second launch. Prints medians, their ratios
// and the spread between the levels, taken as median differences within rounds.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/c_strings.h"
#include "tests/support/median.h"

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFrameMs = 5;              // the running engine's pause between two polls
constexpr useconds_t kPauseUs = 100000;  // before every launch, whatever came before it

pid_t Start(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  std::vector<char*> args = CStrings(argv);
  std::vector<char*> envp = CStrings(env);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Waits for the process; its processor time (user + system) in cpuMs when asked for.
bool Finish(pid_t pid, double* cpuMs = nullptr) {
  int status = 0;
  struct rusage usage {};
  if (pid <= 0 || wait4(pid, &status, 0, &usage) != pid) return false;
  if (cpuMs)
    *cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
             (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The time the running engine recorded with the message "message=<text>", from the part of
// the record after *offset (which moves past what was read); false when it is not there.
bool ArrivalTime(const std::string& record, const std::string& text, std::streamoff* offset,
                 Clock::time_point* at) {
  std::ifstream in(record);
  in.seekg(*offset);
  std::stringstream added;
  added << in.rdbuf();
  std::string lines = added.str();
  *offset += static_cast<std::streamoff>(lines.size());
  size_t line = lines.find("\tmessage=" + text + "\t");
  size_t field = lines.find("\tat_us=", line);
  if (line == std::string::npos || field == std::string::npos) return false;
  long long us = atoll(lines.c_str() + field + 7);
  *at = Clock::time_point(std::chrono::microseconds(us));
  return true;
}

// Unix sockets on the whole machine, as the kernel lists them.
int MachineSockets() {
  std::ifstream in("/proc/net/unix");
  std::string line;
  int count = -1;  // the heading
  while (std::getline(in, line)) ++count;
  return count;
}

// A child that holds socket pairs until it is killed, so that the machine has about want
// sockets: the benchmark's own descriptor table stays small, since every launcher it spawns
// copies that table and closes it again at exec. Its process id; *reached is the count.
pid_t HoldSockets(int want, int* reached) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    for (int now = MachineSockets(); now < want; now += 2) {
      int pair[2];
      if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) break;
    }
    if (write(ready[1], "r", 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(ready[1]);
  char byte = 0;
  if (pid > 0 && read(ready[0], &byte, 1) != 1) byte = 0;
  close(ready[0]);
  *reached = MachineSockets();
  return pid;
}

void Release(pid_t holder) {
  if (holder <= 0) return;
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
}

// Room for the largest level's descriptors.
void RaiseDescriptorLimit(rlim_t want) {
  struct rlimit limit {};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= want) return;
  limit.rlim_cur = want;
  if (limit.rlim_max < want) limit.rlim_max = want;  // root only
  setrlimit(RLIMIT_NOFILE, &limit);
}

// The environment of a home below root: its own data, configuration and any-user store.
std::vector<std::string> HomeEnv(const std::string& home) {
  for (const char* dir : {"/home", "/system"}) fs::create_directories(home + dir);
  const char* path = getenv("PATH");
  return {
      "HOME=" + home + "/home",
      "XDG_DATA_HOME=" + home + "/home/.local/share",
      "XDG_CONFIG_HOME=" + home + "/home/.config",
      "QFN_SYSTEM_PREFS=" + home + "/system",
      "SDL_VIDEODRIVER=dummy",
      std::string("PATH=") + (path ? path : "/usr/bin:/bin"),
  };
}

struct Series {
  std::vector<double> wall, cpu, forward;
};

void Append(std::vector<double>* to, const std::vector<double>& from) {
  to->insert(to->end(), from.begin(), from.end());
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? atoi(argv[1]) : 80;
  char pattern[] = "/tmp/qfn-bench-forward-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  std::string root = pattern;
  for (const char* dir : {"/bundle/bin", "/bundle/Resources"}) fs::create_directories(root + dir);
  fs::copy_file(QFN_BENCH_LAUNCHER, root + "/bundle/bin/quarn");
  fs::copy_file(QFN_BENCH_ENGINE, root + "/bundle/Resources/quarnc.so");
  std::string exe = root + "/bundle/bin/quarn";
  std::string record = root + "/record.txt";

  std::vector<std::string> env = HomeEnv(root + "/game");
  std::vector<std::string> firstEnv = HomeEnv(root + "/first");
  // The running game: polls events once a frame until its first quit request.
  std::vector<std::string> gameEnv = env;
  gameEnv.push_back("QRN_TEST_RECORD=" + record);
  gameEnv.push_back("QRN_TEST_RUN_MS=600000");
  gameEnv.push_back("QRN_TEST_RUN_QUIT_EVENTS=1");
  gameEnv.push_back("QRN_TEST_FRAME_MS=" + std::to_string(kFrameMs));
  gameEnv.push_back("QRN_TEST_READY_FILE=" + root + "/ready");

  const int levels[] = {100, 1000, 10000};
  constexpr int kLevels = 3;
  constexpr int kKinds = kLevels + 1;  // the levels' second launches, then the whole launch
  RaiseDescriptorLimit(12000);
  int reached[kLevels] = {};
  Series series[kKinds];
  int failures = 0;
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> phase(0, kFrameMs * 1000 - 1);  // microseconds

  Finish(Start({exe}, firstEnv));  // warm the page cache and the first home's stores
  pid_t game = Start({exe}, gameEnv);
  for (int i = 0; i < 1000 && !fs::exists(root + "/ready"); ++i) usleep(10000);
  if (!fs::exists(root + "/ready")) ++failures;
  std::streamoff readUpTo = 0;
  Clock::time_point arrival;
  if (!Finish(Start({exe, "-psn_desktop", "/saves/warm-up.sav"}, env)) ||
      !ArrivalTime(record, "OpenFile|/saves/warm-up.sav", &readUpTo, &arrival))
    ++failures;

  int order[kKinds] = {0, 1, 2, 3};
  for (int i = 0; i < rounds * kKinds; ++i) {
    // Each round in an order of its own, so that no kind always follows the same one (and
    // the release of its sockets).
    if (i % kKinds == 0) std::shuffle(order, order + kKinds, random);
    int kind = order[i % kKinds];
    pid_t holder = kind < kLevels ? HoldSockets(levels[kind], &reached[kind]) : -1;
    std::string document = "/saves/game-" + std::to_string(i) + ".sav";
    // The running engine takes messages when it polls, once a frame. Each launch would
    // otherwise start in step with the poll that delivered the one before, and every round
    // would wait the same part of the frame; a random start measures the average wait.
    usleep(kPauseUs + static_cast<useconds_t>(phase(random)));
    Clock::time_point start = Clock::now();
    pid_t launch =
        kind < kLevels ? Start({exe, "-psn_desktop", document}, env) : Start({exe}, firstEnv);
    double cpuMs = 0;
    if (!Finish(launch, &cpuMs)) ++failures;
    series[kind].wall.push_back(Ms(start, Clock::now()));
    series[kind].cpu.push_back(cpuMs);
    if (kind < kLevels) {
      if (ArrivalTime(record, "OpenFile|" + document, &readUpTo, &arrival))
        series[kind].forward.push_back(Ms(start, arrival));
      else
        ++failures;
    }
    Release(holder);
  }
  kill(game, SIGTERM);
  if (!Finish(game)) ++failures;

  Series second;  // every level's second launches together
  for (int level = 0; level < kLevels; ++level) {
    Append(&second.wall, series[level].wall);
    Append(&second.cpu, series[level].cpu);
    Append(&second.forward, series[level].forward);
  }
  const Series& whole = series[kLevels];
  double wholeMs = Median(whole.wall);
  double forwardMs = Median(second.forward);
  printf("forward benchmark, %d rounds (medians; every launch after a %u ms pause)\n", rounds,
         kPauseUs / 1000);
  printf("  one whole launch (a first launch, in a home of its own): wall %8.3f ms, cpu %7.3f ms\n",
         wholeMs, Median(whole.cpu));
  printf("  second launch until its document arrives:  %8.3f ms\n", forwardMs);
  printf("  second launch, whole process:              wall %8.3f ms, cpu %7.3f ms\n",
         Median(second.wall), Median(second.cpu));
  printf("  ratio forward / whole launch:  %.3f (aim: at most 1.0)\n", forwardMs / wholeMs);
  printf("  ratio second launch cpu / whole launch cpu:  %.3f\n",
         Median(second.cpu) / Median(whole.cpu));
  // The running engine takes messages in its event calls, once a frame: a launch that has
  // connected waits half a frame for the next one on average, which no launcher can shorten.
  printf("  ratio forward less half the engine's %d ms frame / whole launch:  %.3f\n", kFrameMs,
         (forwardMs - kFrameMs / 2.0) / wholeMs);
  for (int level = 0; level < kLevels; ++level) {
    printf(
        "  sockets about %5d (machine %5d): second launch cpu %7.3f ms, wall %8.3f ms, "
        "document in %8.3f ms\n",
        levels[level], reached[level], Median(series[level].cpu), Median(series[level].wall),
        Median(series[level].forward));
  }
  // Every round has one launch at each level, so levels are compared round by round: the
  // machine's speed drifts over minutes by more than the spread looked for, and a difference
  // taken within one round leaves that drift out. The spread is the largest median difference.
  double spread = 0;
  for (int a = 0; a < kLevels; ++a) {
    for (int b = a + 1; b < kLevels; ++b) {
      std::vector<double> differences;
      for (size_t i = 0; i < series[a].cpu.size() && i < series[b].cpu.size(); ++i)
        differences.push_back(series[b].cpu[i] - series[a].cpu[i]);
      spread = std::max(spread, std::fabs(Median(differences)));
    }
  }
  printf(
      "  second launch cpu spread over the socket levels: %.3f ms (aim: at most 0.1; "
      "median differences within rounds)\n",
      spread);
  if (failures) printf("  %d measurement(s) failed\n", failures);
  std::error_code kept;
  fs::remove_all(root, kept);
  return failures ? 1 : 0;
}
