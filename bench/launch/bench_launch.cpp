// Times whole launches of the launcher (dummy video, a temporary bundle whose engine returns at
// once, temporary homes and preference stores on a disk-backed folder) against a floor program
// in C that only loads the same library and starts and stops SDL video. Usage: bench_launch
// [rounds] [c|cxx]: the C engine (default) or the C++ test engine. As root (the
// any-user store is written), as the unprivileged user nobody (it is only read), both again
// while another process appends to a file and flushes it in a loop on the same disk, and a
// 10-run restart loop against a single run. Prints medians, their ratios and the children's
// peak memory (ru_maxrss through wait4), all measured in this one run.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/c_strings.h"
#include "tests/support/median.h"

namespace {
namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr long kTmpfsMagic = 0x01021994;

struct Sample {
  double ms = 0;
  double cpuMs = 0;  // user + system time of the child
  long maxRssKb = 0;
  bool ok = false;
};

// Runs argv with the given environment and waits; wall time and peak memory. As nobody, the
// child drops its groups, group and user ids before exec, as setpriv --reuid --regid
// --clear-groups would, without timing setpriv's own start.
Sample RunOnce(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               bool asNobody = false) {
  std::vector<char*> args = CStrings(argv);
  std::vector<char*> envp = CStrings(env);
  Sample sample;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid < 0) return sample;
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    if (asNobody && (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
                     setresuid(kNobody, kNobody, kNobody) != 0))
      _exit(126);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) return sample;
  sample.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  sample.maxRssKb = usage.ru_maxrss;
  sample.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  sample.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return sample;
}

struct Series {
  std::vector<double> ms;
  std::vector<double> cpuMs;
  long maxRssKb = 0;
  int failures = 0;
  void Add(const Sample& s) {
    if (!s.ok) ++failures;
    ms.push_back(s.ms);
    cpuMs.push_back(s.cpuMs);
    maxRssKb = std::max(maxRssKb, s.maxRssKb);
  }
  double median() const { return Median(ms); }
};

// One program of a round: what runs, as whom, and the series it adds to.
struct Program {
  Series* series;
  std::vector<std::string> argv;
  const std::vector<std::string>* env;
  bool asNobody;
};

void RunRound(std::vector<Program>* round, std::mt19937* random) {
  std::shuffle(round->begin(), round->end(), *random);
  for (const Program& p : *round) p.series->Add(RunOnce(p.argv, *p.env, p.asNobody));
}

// A process that appends 64 KiB to a file and flushes it, over and over, starting again at
// the beginning every 32 MiB: the kind of disk traffic a player's machine has while a game
// starts (downloads, saves, a browser).
pid_t StartDiskWriter(const std::string& path) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) _exit(1);
  static char block[64 * 1024];
  for (size_t i = 0; i < sizeof block; ++i) block[i] = static_cast<char>(i * 7);
  for (off_t offset = 0;; offset += sizeof block) {
    if (offset >= 32 * 1024 * 1024) {
      offset = 0;
      if (ftruncate(fd, 0) != 0) _exit(1);
    }
    if (pwrite(fd, block, sizeof block, offset) != static_cast<ssize_t>(sizeof block)) _exit(1);
    fdatasync(fd);
  }
}

void Line(const char* what, const Series& s) {
  printf("  %-44s %8.3f ms  cpu %7.3f ms  peak %6ld KiB\n", what, s.median(), Median(s.cpuMs),
         s.maxRssKb);
}
}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? atoi(argv[1]) : 40;
  bool cxx = argc > 2 && std::string(argv[2]) == "cxx";
  const char* engine = cxx ? QFN_BENCH_CXX_ENGINE : QFN_BENCH_C_ENGINE;
  // The stores and the writer's file must be on a disk: QFN_BENCH_DIR, else /var/tmp.
  const char* base = getenv("QFN_BENCH_DIR");
  std::string pattern = std::string(base && base[0] ? base : "/var/tmp") + "/qfn-bench-XXXXXX";
  std::vector<char> patternBuffer(pattern.begin(), pattern.end());
  patternBuffer.push_back('\0');
  if (!mkdtemp(patternBuffer.data())) return 1;
  std::string root = patternBuffer.data();
  struct statfs fsInfo {};
  bool onTmpfs = statfs(root.c_str(), &fsInfo) == 0 && fsInfo.f_type == kTmpfsMagic;
  bool privileged = geteuid() == 0;
  chmod(root.c_str(), 0755);  // nobody reaches the bundle and its own home through it
  fs::create_directories(root + "/bundle/bin");
  fs::create_directories(root + "/bundle/Resources");
  fs::create_directories(root + "/home");
  fs::create_directories(root + "/nobody");
  fs::create_directories(root + "/system");
  if (privileged && chown((root + "/nobody").c_str(), kNobody, kNobody) != 0) return 1;
  fs::copy_file(QFN_BENCH_LAUNCHER, root + "/bundle/bin/quarn");
  fs::copy_file(engine, root + "/bundle/Resources/quarnc.so");
  std::string exe = root + "/bundle/bin/quarn";
  std::string library = root + "/bundle/Resources/quarnc.so";

  // A minimal, fixed environment: no display (no dialogs), dummy video, temporary stores.
  const char* path = getenv("PATH");
  auto environment = [&](const std::string& home) {
    std::vector<std::string> env = {
        "HOME=" + home,
        "XDG_DATA_HOME=" + home + "/.local/share",
        "XDG_CONFIG_HOME=" + home + "/.config",
        "QFN_SYSTEM_PREFS=" + root + "/system",
        "SDL_VIDEODRIVER=dummy",
        std::string("PATH=") + (path ? path : "/usr/bin:/bin"),
    };
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
      if (getenv(name)) env.push_back(std::string(name) + "=" + getenv(name));
    }
    return env;
  };
  std::vector<std::string> env = environment(root + "/home");
  std::vector<std::string> nobodyEnv = environment(root + "/nobody");
  std::vector<std::string> restartEnv = env;
  restartEnv.push_back("QRN_TEST_CLOSE_RESULTS=1");
  std::vector<std::string> nobodyRestartEnv = nobodyEnv;
  nobodyRestartEnv.push_back("QRN_TEST_CLOSE_RESULTS=1");
  // The same launch with both preference stores in memory (tmpfs): what remains once the
  // store's commits no longer wait for the disk.
  char shmPattern[] = "/dev/shm/qfn-bench-XXXXXX";
  std::string shm = mkdtemp(shmPattern) ? shmPattern : "";
  std::vector<std::string> memoryEnv = env;
  std::vector<std::string> memoryNobodyEnv = nobodyEnv;
  if (!shm.empty()) {
    chmod(shm.c_str(), 0755);
    memoryEnv[2] = "XDG_CONFIG_HOME=" + shm + "/config";
    memoryEnv[3] = "QFN_SYSTEM_PREFS=" + shm + "/system";
    fs::create_directories(shm + "/nobody");
    if (privileged && chown((shm + "/nobody").c_str(), kNobody, kNobody) != 0) return 1;
    memoryNobodyEnv[2] = "XDG_CONFIG_HOME=" + shm + "/nobody";
    memoryNobodyEnv[3] = memoryEnv[3];
  }

  // Warm the page cache and the preference stores once (root's launch makes the any-user
  // store, which nobody may then only read), then interleave the programs so that drifts in
  // machine load hit all of them alike.
  RunOnce({QFN_BENCH_FLOOR, library}, env);
  RunOnce({exe}, env);
  if (privileged) RunOnce({exe}, nobodyEnv, true);
  if (!shm.empty()) RunOnce({exe}, memoryEnv);
  if (!shm.empty() && privileged) RunOnce({exe}, memoryNobodyEnv, true);
  // The launches as nobody are held against the floor run as nobody: both then pay for
  // dropping the privileges before exec, and an unprivileged process's own costs.
  Series floor, floorNobody, asRoot, asNobody, restart, nobodyRestart, memory, memoryNobody;
  Series floorBusy, floorNobodyBusy, asRootBusy, asNobodyBusy;
  // Each round runs its programs in an order drawn for it: in a fixed order the first
  // program of a round always met what the last one left (a warm or a cold cache).
  std::vector<Program> quiet = {{&floor, {QFN_BENCH_FLOOR, library}, &env, false},
                                {&asRoot, {exe}, &env, false}};
  if (privileged) {
    quiet.push_back({&floorNobody, {QFN_BENCH_FLOOR, library}, &env, true});
    quiet.push_back({&asNobody, {exe}, &nobodyEnv, true});
  }
  if (!shm.empty()) quiet.push_back({&memory, {exe}, &memoryEnv, false});
  if (!shm.empty() && privileged) quiet.push_back({&memoryNobody, {exe}, &memoryNobodyEnv, true});
  // The restart loops, ten runs each, take turns in every other round.
  std::vector<Program> restarts = {{&restart, {exe}, &restartEnv, false}};
  if (privileged) restarts.push_back({&nobodyRestart, {exe}, &nobodyRestartEnv, true});
  std::mt19937 random(20261208);
  for (int i = 0; i < rounds; ++i) {
    std::vector<Program> round = quiet;
    if (i % 2 == 0) round.push_back(restarts[(i / 2) % restarts.size()]);
    RunRound(&round, &random);
  }
  pid_t writer = StartDiskWriter(root + "/writer.bin");
  usleep(200 * 1000);  // let the writer reach a steady state
  std::vector<Program> busy = {{&floorBusy, {QFN_BENCH_FLOOR, library}, &env, false},
                               {&asRootBusy, {exe}, &env, false}};
  if (privileged) {
    busy.push_back({&floorNobodyBusy, {QFN_BENCH_FLOOR, library}, &env, true});
    busy.push_back({&asNobodyBusy, {exe}, &nobodyEnv, true});
  }
  for (int i = 0; i < rounds && writer > 0; ++i) RunRound(&busy, &random);
  if (writer > 0) {
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
  }

  printf("launch benchmark, %s engine, %d rounds, folder on %s (median wall time per process)\n",
         cxx ? "C++" : "C", rounds,
         onTmpfs ? "tmpfs (NOT a disk: figures do not show the disk)" : "a disk");
  Line("floor (dlopen + SDL_Init video + SDL_Quit):", floor);
  if (privileged) Line("floor as nobody:", floorNobody);
  Line("launcher as root:", asRoot);
  if (privileged) Line("launcher as nobody:", asNobody);
  if (!shm.empty()) Line("launcher as root, stores on tmpfs:", memory);
  if (!shm.empty() && privileged) Line("launcher as nobody, stores on tmpfs:", memoryNobody);
  Line("launcher as root, 10-run restart loop:", restart);
  if (privileged) Line("launcher as nobody, 10-run restart loop:", nobodyRestart);
  Line("floor, disk writer running:", floorBusy);
  if (privileged) Line("floor as nobody, disk writer running:", floorNobodyBusy);
  Line("launcher as root, disk writer running:", asRootBusy);
  if (privileged) Line("launcher as nobody, disk writer running:", asNobodyBusy);
  double f = floor.median(), fb = floorBusy.median();
  double fn = floorNobody.median(), fnb = floorNobodyBusy.median();
  printf("  ratio launch as root / floor: %.3f (aim <= 1.20)\n", asRoot.median() / f);
  if (privileged)
    printf("  ratio launch as nobody / floor as nobody: %.3f (aim <= 1.12)\n",
           asNobody.median() / fn);
  if (!shm.empty())
    printf("  ratio launch as root, stores on tmpfs / floor: %.3f\n", memory.median() / f);
  if (!shm.empty() && privileged)
    printf("  ratio launch as nobody, stores on tmpfs / floor as nobody: %.3f\n",
           memoryNobody.median() / fn);
  printf("  ratio launch as root / floor, writer running: %.3f (aim <= 1.15)\n",
         asRootBusy.median() / fb);
  if (privileged)
    printf("  ratio launch as nobody / floor as nobody, writer running: %.3f (aim <= 1.15)\n",
           asNobodyBusy.median() / fnb);
  printf("  peak memory launch as root / floor: %.3f\n",
         static_cast<double>(asRoot.maxRssKb) / static_cast<double>(floor.maxRssKb));
  if (privileged)
    printf("  peak memory launch as nobody / floor as nobody: %.3f (aim <= 1.10)\n",
           static_cast<double>(asNobody.maxRssKb) / static_cast<double>(floorNobody.maxRssKb));
  printf("  restart loop as root: %.3f ms per run, %.3f x one whole launch (aim <= 0.30)\n",
         restart.median() / 10, restart.median() / 10 / asRoot.median());
  if (privileged)
    printf("  restart loop as nobody: %.3f ms per run, %.3f x one whole launch (aim <= 0.30)\n",
           nobodyRestart.median() / 10, nobodyRestart.median() / 10 / asNobody.median());
  if (!privileged) printf("  not root: the launches as nobody were not measured\n");
  int failures = floor.failures + floorNobody.failures + floorNobodyBusy.failures +
                 asRoot.failures + asNobody.failures + restart.failures + nobodyRestart.failures +
                 memory.failures + memoryNobody.failures + floorBusy.failures +
                 asRootBusy.failures + asNobodyBusy.failures;
  if (failures) printf("  %d process(es) failed\n", failures);
  std::error_code ignored;
  fs::remove_all(root, ignored);
  if (!shm.empty()) fs::remove_all(shm, ignored);
  return failures ? 1 : 0;
}
