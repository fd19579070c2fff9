// GetSystemPreference and SetSystemPreference against a baseline measured in the same run:
// the same read and write done directly with the system calls on the key's file (one open and
// one read; a new file written, flushed and renamed over the key, then its folder flushed).
// Prints the ratio of each operation to its baseline; the aim is 1.5 or less.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/prefs.h"
#include "tests/support/host.h"

namespace {

std::string s_root;
std::string s_folder;  // the domain's folder of the any-user store
const char kValue[] = "0001E24000001092";

void PrefsGet(benchmark::State& state) {
  for (auto _ : state) {
    const char* value = GetSystemPreference(1, "Big Game", "PSN", nullptr);
    if (value == nullptr) state.SkipWithError("value missing");
    benchmark::DoNotOptimize(value);
  }
}

void DirectGet(benchmark::State& state) {
  std::string key = s_folder + "/PSN";
  char out[1024];
  for (auto _ : state) {
    int fd = open(key.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    ssize_t n = fd < 0 ? -1 : read(fd, out, sizeof out - 1);
    if (fd >= 0) close(fd);
    if (n < 0) state.SkipWithError("value missing");
    out[n < 0 ? 0 : n] = '\0';
    benchmark::DoNotOptimize(out);
  }
}

void PrefsSet(benchmark::State& state) {
  for (auto _ : state) {
    if (!SetSystemPreference(1, "Big Game", "PSN", kValue)) state.SkipWithError("not written");
  }
}

void DirectSet(benchmark::State& state) {
  std::string key = s_folder + "/PSN";
  std::string temporary = s_folder + "/.direct.tmp";
  int folder = open(s_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (auto _ : state) {
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    bool ok = fd >= 0 && write(fd, kValue, sizeof kValue - 1) == sizeof kValue - 1 &&
              fdatasync(fd) == 0;
    if (fd >= 0) close(fd);
    ok = ok && rename(temporary.c_str(), key.c_str()) == 0 && fsync(folder) == 0;
    if (!ok) state.SkipWithError("not written");
  }
  close(folder);
}

// Keeps each benchmark's median real and CPU time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}
  std::map<std::string, std::pair<double, double>> median;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs)
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        median[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  char pattern[] = "/tmp/qfn-bench-prefs-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  s_root = pattern;
  setenv("QFN_SYSTEM_PREFS", (s_root + "/system").c_str(), 1);
  s_folder = s_root + "/system/" + ThisHost() + "/com.quillfen.Big Game";
  setenv("HOME", s_root.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (s_root + "/config").c_str(), 1);
  if (!SetSystemPreference(1, "Big Game", "PSN", kValue)) return 1;

  // The machine is shared: repetitions in random order, compared by their medians.
  for (auto* b : {benchmark::RegisterBenchmark("GetSystemPreference", PrefsGet),
                  benchmark::RegisterBenchmark("DirectFileGet", DirectGet),
                  benchmark::RegisterBenchmark("SetSystemPreference", PrefsSet),
                  benchmark::RegisterBenchmark("DirectFileSet", DirectSet)})
    b->Repetitions(9)->ReportAggregatesOnly(true)->MinTime(0.05);
  std::vector<char*> args(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto ratio = [&](const char* ours, const char* base) {
    auto a = reporter.median[ours], b = reporter.median[base];
    if (a.first > 0 && b.first > 0 && a.second > 0 && b.second > 0)
      printf("ratio %s / %s: %.2f real time, %.2f CPU time (medians; aim <= 1.5)\n", ours, base,
             a.first / b.first, a.second / b.second);
  };
  ratio("GetSystemPreference", "DirectFileGet");
  ratio("SetSystemPreference", "DirectFileSet");
  std::error_code ignored;
  std::filesystem::remove_all(s_root, ignored);
  return 0;
}
