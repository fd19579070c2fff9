// Times a second launch while the game runs: from starting the second launcher until its
// document arrives in the running engine (the test engine, pumping SDL events), against one
// whole launch of the same launcher measured in the same run. Prints medians and the ratio.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
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

bool Finish(pid_t pid) {
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
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
  for (int i = 0; i < rounds; ++i) {
    std::string document = "/saves/game-" + std::to_string(i) + ".sav";
    // The running engine takes messages when it pumps events, every 5 ms. Each launch would
    // otherwise start in step with the pump that delivered the one before, and every round
    // would wait the same part of the interval; a random start measures the average wait.
    usleep(static_cast<useconds_t>(phase(random)));
    auto start = Clock::now();
    pid_t second = Start({exe, "-psn_desktop", document}, env);
    if (WaitForText(record, "message=OpenFile|" + document + "\t"))
      forwarded.push_back(MsSince(start));
    else
      ++failures;
    if (!Finish(second)) ++failures;
    secondProcess.push_back(MsSince(start));
  }
  kill(game, SIGTERM);
  if (!Finish(game)) ++failures;

  double wholeMs = Median(whole);
  double forwardMs = Median(forwarded);
  printf("forward benchmark, %d rounds (median wall time)\n", rounds);
  printf("  one whole launch:                        %8.3f ms\n", wholeMs);
  printf("  second launch until its document arrives: %8.3f ms\n", forwardMs);
  printf("  second launch, whole process:             %8.3f ms\n", Median(secondProcess));
  printf("  ratio forward / whole launch:  %.3f (aim: at most 1.0)\n", forwardMs / wholeMs);
  if (failures) printf("  %d measurement(s) failed\n", failures);
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return failures ? 1 : 0;
}
