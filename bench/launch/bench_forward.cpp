// Times a second launch while the game runs: from starting the second launcher until its
// document arrives in the running engine (the test engine, pumping SDL events), against one
// whole launch of the same launcher measured in the same run, and the second launch's whole
// process with about 100, 1,000 and 10,000 Unix sockets on the machine (a child of the
// benchmark holds socket pairs to make up the count; the levels take turns in every round). Prints
// medians, the ratio and the spread between the levels.
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

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool FileHas(const std::string& path, const std::string& text) {
  std::ifstream in(path);
  std::stringstream all;
  all << in.rdbuf();
  return all.str().find(text) != std::string::npos;
}

// Polls until the file holds the text; false after 10 s.
bool WaitForText(const std::string& path, const std::string& text) {
  auto start = Clock::now();
  while (!FileHas(path, text)) {
    if (MsSince(start) > 10000) return false;
    usleep(200);
  }
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

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? atoi(argv[1]) : 40;
  char pattern[] = "/tmp/qfn-bench-forward-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  std::string root = pattern;
  for (const char* dir : {"/bundle/bin", "/bundle/Resources", "/home", "/system"})
    fs::create_directories(root + dir);
  fs::copy_file(QFN_BENCH_LAUNCHER, root + "/bundle/bin/quarn");
  fs::copy_file(QFN_BENCH_ENGINE, root + "/bundle/Resources/quarnc.so");
  std::string exe = root + "/bundle/bin/quarn";
  std::string record = root + "/record.txt";

  const char* path = getenv("PATH");
  std::vector<std::string> env = {
      "HOME=" + root + "/home",
      "XDG_DATA_HOME=" + root + "/home/.local/share",
      "XDG_CONFIG_HOME=" + root + "/home/.config",
      "QFN_SYSTEM_PREFS=" + root + "/system",
      "SDL_VIDEODRIVER=dummy",
      std::string("PATH=") + (path ? path : "/usr/bin:/bin"),
  };
  // The running game: pumps events until its first quit request.
  std::vector<std::string> gameEnv = env;
  gameEnv.push_back("QRN_TEST_RECORD=" + record);
  gameEnv.push_back("QRN_TEST_RUN_MS=600000");
  gameEnv.push_back("QRN_TEST_RUN_QUIT_EVENTS=1");
  gameEnv.push_back("QRN_TEST_READY_FILE=" + root + "/ready");

  const int levels[] = {100, 1000, 10000};
  constexpr int kLevels = 3;
  RaiseDescriptorLimit(12000);
  int reached[kLevels] = {};
  std::vector<double> levelProcess[kLevels], levelForwarded[kLevels], levelCpu[kLevels];
  int failures = 0;
  std::vector<double> whole, forwarded, secondProcess;
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> phase(0, 4999);  // microseconds
  Finish(Start({exe}, env));                          // warm the page cache and the stores
  for (int i = 0; i < rounds; ++i) {
    auto start = Clock::now();
    if (!Finish(Start({exe}, env))) ++failures;
    whole.push_back(MsSince(start));
  }
  pid_t game = Start({exe}, gameEnv);
  for (int i = 0; i < 1000 && !fs::exists(root + "/ready"); ++i) usleep(10000);
  if (!fs::exists(root + "/ready")) ++failures;
  for (int i = 0; i < rounds * kLevels; ++i) {
    int level = (i + i / kLevels) % kLevels;  // each level first, second and last in turn
    pid_t holder = HoldSockets(levels[level], &reached[level]);
    std::string document = "/saves/game-" + std::to_string(i) + ".sav";
    // The running engine takes messages when it pumps events, every 5 ms. Each launch would
    // otherwise start in step with the pump that delivered the one before, and every round
    // would wait the same part of the interval; a random start measures the average wait.
    usleep(static_cast<useconds_t>(phase(random)));
    auto start = Clock::now();
    pid_t second = Start({exe, "-psn_desktop", document}, env);
    if (WaitForText(record, "message=OpenFile|" + document + "\t"))
      levelForwarded[level].push_back(MsSince(start));
    else
      ++failures;
    double cpuMs = 0;
    if (!Finish(second, &cpuMs)) ++failures;
    levelProcess[level].push_back(MsSince(start));
    levelCpu[level].push_back(cpuMs);
    Release(holder);
  }
  forwarded = levelForwarded[0];
  secondProcess = levelProcess[0];
  kill(game, SIGTERM);
  if (!Finish(game)) ++failures;

  double wholeMs = Median(whole);
  double forwardMs = Median(forwarded);
  printf("forward benchmark, %d rounds (median wall time)\n", rounds);
  printf("  one whole launch:                        %8.3f ms\n", wholeMs);
  printf("  second launch until its document arrives: %8.3f ms\n", forwardMs);
  printf("  second launch, whole process:             %8.3f ms\n", Median(secondProcess));
  printf("  ratio forward / whole launch:  %.3f (aim: at most 1.0)\n", forwardMs / wholeMs);
  // The second launch's cost is its processor time: its wall time also holds the wait for
  // the running engine's next pump, which the socket count does not change.
  double lowest = Median(levelCpu[0]), highest = lowest;
  for (int level = 0; level < kLevels; ++level) {
    double cpu = Median(levelCpu[level]);
    lowest = std::min(lowest, cpu);
    highest = std::max(highest, cpu);
    printf("  sockets about %5d (machine %5d): second launch cpu %7.3f ms, wall %8.3f ms, "
           "document in %8.3f ms\n",
           levels[level], reached[level], cpu, Median(levelProcess[level]),
           Median(levelForwarded[level]));
  }
  printf("  second launch cpu spread over the socket levels: %.3f ms (aim: at most 0.1)\n",
         highest - lowest);
  if (failures) printf("  %d measurement(s) failed\n", failures);
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return failures ? 1 : 0;
}
