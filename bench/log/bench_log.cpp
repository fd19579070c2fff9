// Cost of one logged message (format, write, flush) against the plain baseline of fprintf +
// fflush on a file of the same kind in the same folder, measured in the same run; prints
// the ratio, which should stay within 1.2.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "launcher/state.h"
#include "platform/log.h"
#include "util/strbuf.h"

namespace {

std::string g_folder;

void BM_Logf(benchmark::State& state) {
  StrCopy(g_UserPath, g_folder.c_str());
  StrCopy(g_AppFilename, "Game");
  InitLog(0);
  int i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(Logf("[main] message %d of the run\n", ++i));
  CloseLog();
}

void BM_FprintfFflush(benchmark::State& state) {
  std::string path = g_folder + "Baseline.txt";
  FILE* fp = fopen(path.c_str(), "a");
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fprintf(fp, "[main] message %d of the run\n", ++i));
    fflush(fp);
  }
  fclose(fp);
}

BENCHMARK(BM_FprintfFflush)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Logf)->Repetitions(5)->ReportAggregatesOnly(true);

// Keeps the median time per iteration of each benchmark, for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.aggregate_name == "median")
        m_median[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> m_median;
};

}  // namespace

int main(int argc, char** argv) {
  char folder[] = "/tmp/qfn-bench-log-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  g_folder = std::string(folder) + "/";
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double logf = reporter.m_median["BM_Logf"];
  double base = reporter.m_median["BM_FprintfFflush"];
  if (logf > 0 && base > 0) {
    printf("Logf / (fprintf + fflush) = %.3f (%.0f ns vs %.0f ns, target <= 1.2)\n", logf / base,
           logf, base);
  }
  unlink((g_folder + "Game.txt").c_str());
  unlink((g_folder + "Baseline.txt").c_str());
  rmdir(folder);
  return 0;
}
