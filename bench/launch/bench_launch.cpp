// Times a whole launch of the launcher (dummy video, a temporary bundle whose test engine
// returns at once, a temporary home and preference stores) against a reference program that
// only loads the same library and starts and stops SDL video, and a 10-run restart loop
// against a single run. Prints medians, their ratios and the children's peak memory
// (ru_maxrss through wait4), all measured in this one run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {
namespace fs = std::filesystem;

struct Sample {
  double ms = 0;
  long maxRssKb = 0;
  bool ok = false;
};

// Runs argv with the extra environment variables and waits; wall time and peak memory.
Sample RunOnce(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  Sample sample;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed) return sample;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) return sample;
  sample.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  sample.maxRssKb = usage.ru_maxrss;
  sample.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return sample;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

struct Series {
  std::vector<double> ms;
  long maxRssKb = 0;
  int failures = 0;
  void Add(const Sample& s) {
    if (!s.ok) ++failures;
    ms.push_back(s.ms);
    maxRssKb = std::max(maxRssKb, s.maxRssKb);
  }
};
}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? atoi(argv[1]) : 40;
  char pattern[] = "/tmp/qfn-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  std::string root = pattern;
  fs::create_directories(root + "/bundle/bin");
  fs::create_directories(root + "/bundle/Resources");
  fs::create_directories(root + "/home");
  fs::create_directories(root + "/system");
  fs::copy_file(QFN_BENCH_LAUNCHER, root + "/bundle/bin/quarn");
  fs::copy_file(QFN_BENCH_ENGINE, root + "/bundle/Resources/quarnc.so");
  std::string exe = root + "/bundle/bin/quarn";
  std::string library = root + "/bundle/Resources/quarnc.so";

  // A minimal, fixed environment: no display (no dialogs), dummy video, temporary stores.
  const char* path = getenv("PATH");
  std::vector<std::string> env = {
      "HOME=" + root + "/home",
      "XDG_DATA_HOME=" + root + "/home/.local/share",
      "XDG_CONFIG_HOME=" + root + "/home/.config",
      "QFN_SYSTEM_PREFS=" + root + "/system/preferences.db",
      "SDL_VIDEODRIVER=dummy",
      std::string("PATH=") + (path ? path : "/usr/bin:/bin"),
  };
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (getenv(name)) env.push_back(std::string(name) + "=" + getenv(name));
  }
  std::vector<std::string> restartEnv = env;
  restartEnv.push_back("QRN_TEST_CLOSE_RESULTS=1");
  // The same launch with both preference stores in memory (tmpfs): what remains once the
  // store's durable commits (fdatasync of database and journal) no longer wait for the disk.
  char shmPattern[] = "/dev/shm/qfn-bench-XXXXXX";
  std::string shm = mkdtemp(shmPattern) ? shmPattern : "";
  std::vector<std::string> memoryEnv = env;
  if (!shm.empty()) {
    memoryEnv[2] = "XDG_CONFIG_HOME=" + shm + "/config";
    memoryEnv[3] = "QFN_SYSTEM_PREFS=" + shm + "/preferences.db";
  }

  // Warm the page cache and the preference stores once, then interleave the programs so
  // that drifts in machine load hit all of them alike.
  RunOnce({QFN_BENCH_REFERENCE, library}, env);
  RunOnce({exe}, env);
  Series reference, launch, restart, memory;
  for (int i = 0; i < rounds; ++i) {
    reference.Add(RunOnce({QFN_BENCH_REFERENCE, library}, env));
    launch.Add(RunOnce({exe}, env));
    if (!shm.empty()) memory.Add(RunOnce({exe}, memoryEnv));
    if (i % 4 == 0) restart.Add(RunOnce({exe}, restartEnv));
  }
  double referenceMs = Median(reference.ms);
  double launchMs = Median(launch.ms);
  double restartMs = Median(restart.ms);
  printf("launch benchmark, %d rounds (median wall time per process)\n", rounds);
  printf("  reference (dlopen + SDL_Init video + SDL_Quit): %8.3f ms  peak %6ld KiB\n", referenceMs,
         reference.maxRssKb);
  printf("  launcher, one run:                              %8.3f ms  peak %6ld KiB\n", launchMs,
         launch.maxRssKb);
  printf("  launcher, 10-run restart loop:                  %8.3f ms  peak %6ld KiB\n", restartMs,
         restart.maxRssKb);
  if (!shm.empty()) {
    printf("  launcher, one run, stores on tmpfs:             %8.3f ms  peak %6ld KiB\n",
           Median(memory.ms), memory.maxRssKb);
  }
  printf("  ratio launch / reference:          %.3f (aim: within 1.25)\n", launchMs / referenceMs);
  if (!shm.empty()) {
    printf("  ratio launch (stores on tmpfs) / reference: %.3f\n", Median(memory.ms) / referenceMs);
  }
  printf("  peak memory launch / reference:    %.3f\n",
         static_cast<double>(launch.maxRssKb) / static_cast<double>(reference.maxRssKb));
  printf("  restart loop: %.3f ms per run, %.3f x one whole launch\n", restartMs / 10,
         restartMs / 10 / launchMs);
  int failures = reference.failures + launch.failures + restart.failures + memory.failures;
  if (failures) printf("  %d process(es) failed\n", failures);
  std::error_code ignored;
  fs::remove_all(root, ignored);
  if (!shm.empty()) fs::remove_all(shm, ignored);
  return failures ? 1 : 0;
}
