// Times an engine's event calls through the launcher against the same poll loop run alone, on
// X11 (a private Xvfb) or on SDL's dummy driver, with nothing arriving: the launcher's own work
// in each SDL_PollEvent. Usage: bench_poll [rounds] [polls] [x11|dummy]; with LD_LIBRARY_PATH
// naming sdl12-compat's folder, both run on sdl12-compat. Prints medians of the nanoseconds per
// call and their ratio.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/c_strings.h"
#include "tests/support/median.h"

extern char** environ;

namespace {
namespace fs = std::filesystem;

// Runs argv with env, standard output to out (a file), error to /dev/null. 1 on status 0.
bool Run(const std::vector<std::string>& argv, const std::vector<std::string>& env,
         const std::string& out) {
  std::vector<char*> args = CStrings(argv);
  std::vector<char*> envp = CStrings(env);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int status = 0;
  bool ok = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) == 0 &&
            waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  posix_spawn_file_actions_destroy(&actions);
  return ok;
}

double NumberIn(const std::string& path) {
  std::ifstream in(path);
  double value = 0;
  return in >> value ? value : 0;
}

// A private Xvfb; its display (":N") or "" when it did not start.
std::string StartXvfb(pid_t* pid) {
  int fds[2];
  if (pipe(fds) != 0) return "";
  std::string fd = std::to_string(fds[1]);
  std::vector<char*> args = CStrings(
      {"Xvfb", "-displayfd", fd, "-screen", "0", "640x480x24", "-nolisten", "tcp", "-noreset"});
  if (posix_spawnp(pid, "Xvfb", nullptr, nullptr, args.data(), environ) != 0) *pid = -1;
  close(fds[1]);
  char number[16] = {};
  ssize_t n = *pid > 0 ? read(fds[0], number, sizeof number - 1) : 0;
  close(fds[0]);
  return n > 0 ? ":" + std::to_string(atoi(number)) : "";
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? atoi(argv[1]) : 7;
  std::string polls = argc > 2 ? argv[2] : "200000";
  bool dummy = argc > 3 && std::string(argv[3]) == "dummy";
  pid_t xvfb = -1;
  std::string display = dummy ? "" : StartXvfb(&xvfb);
  char pattern[] = "/tmp/qfn-bench-poll-XXXXXX";
  if ((!dummy && display.empty()) || !mkdtemp(pattern)) {
    fprintf(stderr, "poll benchmark: no Xvfb or no temporary folder\n");
    if (xvfb > 0) kill(xvfb, SIGTERM);
    return 1;
  }
  std::string root = pattern;
  for (const char* dir : {"/bundle/bin", "/bundle/Resources", "/home", "/system"})
    fs::create_directories(root + dir);
  fs::copy_file(QFN_BENCH_LAUNCHER, root + "/bundle/bin/quarn");
  fs::copy_file(QFN_BENCH_POLL_ENGINE, root + "/bundle/Resources/quarnc.so");
  const char* path = getenv("PATH");
  const char* libraries = getenv("LD_LIBRARY_PATH");
  std::string result = root + "/result.txt";
  std::vector<std::string> env = {
      "HOME=" + root + "/home",
      "XDG_DATA_HOME=" + root + "/home/.local/share",
      "XDG_CONFIG_HOME=" + root + "/home/.config",
      "QFN_SYSTEM_PREFS=" + root + "/system",
      dummy ? "SDL_VIDEODRIVER=dummy" : "DISPLAY=" + display,
      "QFN_BENCH_POLLS=" + polls,
      "QFN_BENCH_POLL_RESULT=" + result,
      std::string("PATH=") + (path ? path : "/usr/bin:/bin"),
      std::string("LD_LIBRARY_PATH=") + (libraries ? libraries : ""),
  };
  int failures = 0;
  std::vector<double> alone, launched;
  for (int i = 0; i < rounds; ++i) {
    // Alternated, so that a change in the machine's load meets both alike.
    if (Run({QFN_BENCH_POLL_ALONE, polls}, env, result))
      alone.push_back(NumberIn(result));
    else
      ++failures;
    fs::remove(result);
    if (Run({root + "/bundle/bin/quarn"}, env, "/dev/null") && fs::exists(result))
      launched.push_back(NumberIn(result));
    else
      ++failures;
  }
  if (xvfb > 0) {
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
  }
  double aloneNs = Median(alone), launchedNs = Median(launched);
  printf("poll benchmark on %s (%s), %d rounds of %s polls (median CPU ns per call)\n",
         dummy ? "the dummy driver" : "X11", libraries && *libraries ? libraries : "default SDL",
         rounds, polls.c_str());
  printf("  the poll loop alone:              %10.1f ns\n", aloneNs);
  printf("  the same loop through the launcher: %8.1f ns\n", launchedNs);
  // SDL's own call on the dummy driver does almost nothing: that ratio shows what interposing
  // the event functions costs at all, and has no aim.
  printf(dummy ? "  ratio poll / alone:  %.3f (diagnostic)\n"
               : "  ratio poll / alone:  %.3f (aim: at most 1.05)\n",
         aloneNs > 0 ? launchedNs / aloneNs : 0);
  if (failures) printf("  %d measurement(s) failed\n", failures);
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return failures ? 1 : 0;
}
