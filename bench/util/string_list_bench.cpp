// Split plus reading every item, on a short line and on 1 MiB of short comma-separated items,
// for SStringList and two baselines: a copying split into std::vector<std::string> and a
// std::string_view split that copies nothing. After the run it prints each input's ratio of
// SStringList's throughput to each baseline's (above 1 means SStringList is faster).
#include "util/string_list.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string MakeText(size_t size) {
  // Items of 1 to 8 characters: words and numbers, as in a typical settings line.
  static const char* const kWords[] = {"a",     "42",     "alpha",   "7",    "beta", "3.5",
                                       "gamma", "x1",     "delta99", "-12",  "eps",  "zeta",
                                       "q",     "100000", "omega",   "tau12"};
  std::string text;
  for (size_t i = 0; text.size() < size; i++) {
    if (i > 0) text += ',';
    text += kWords[(i * 7 + i / 3) % 16];
  }
  text.resize(size);
  if (text.back() == ',') text.back() = 'z';
  return text;
}

const std::string& Input(int which) {
  static const std::string kLine = MakeText(64);
  static const std::string kBig = MakeText(1 << 20);
  return which == 0 ? kLine : kBig;
}

void BM_SStringList(benchmark::State& state) {
  const std::string& text = Input(static_cast<int>(state.range(0)));
  SStringList list;
  for (auto _ : state) {
    int count = list.Split(text.c_str(), ',', 0, 0);
    size_t sum = 0;
    for (int i = 0; i < count; i++) {
      const char* item = list.GetItem(i);
      sum += static_cast<unsigned char>(item[0]);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}

void BM_VectorString(benchmark::State& state) {
  const std::string& text = Input(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
      size_t end = text.find(',', start);
      if (end == std::string::npos) {
        items.push_back(text.substr(start));
        break;
      }
      items.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    size_t sum = 0;
    for (const std::string& item : items) sum += static_cast<unsigned char>(item.c_str()[0]);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}

void BM_StringView(benchmark::State& state) {
  const std::string& text = Input(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string_view rest(text);
    std::vector<std::string_view> items;
    for (;;) {
      size_t end = rest.find(',');
      items.push_back(rest.substr(0, end));
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + 1);
    }
    size_t sum = 0;
    for (std::string_view item : items) {
      sum += item.empty() ? 0 : static_cast<unsigned char>(item[0]);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}

BENCHMARK(BM_SStringList)->Arg(0)->Arg(1);
BENCHMARK(BM_VectorString)->Arg(0)->Arg(1);
BENCHMARK(BM_StringView)->Arg(0)->Arg(1);

// Keeps each run's throughput so that main can print the ratios after all runs.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      auto it = run.counters.find("bytes_per_second");
      if (it != run.counters.end()) rates_[run.benchmark_name()] = it->second;
    }
  }
  double Rate(const std::string& name) const {
    auto it = rates_.find(name);
    return it == rates_.end() ? 0.0 : it->second.value;
  }

 private:
  std::map<std::string, benchmark::Counter> rates_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const char* const kNames[] = {"64-byte line", "1 MiB text"};
  for (int arg = 0; arg < 2; arg++) {
    std::string suffix = "/" + std::to_string(arg);
    double ours = reporter.Rate("BM_SStringList" + suffix);
    double vec = reporter.Rate("BM_VectorString" + suffix);
    double view = reporter.Rate("BM_StringView" + suffix);
    if (ours <= 0 || vec <= 0 || view <= 0) continue;  // filtered out
    printf("%s: ratio vs vector: %.2f, vs string_view: %.2f\n", kNames[arg], ours / vec,
           ours / view);
  }
  benchmark::Shutdown();
  return 0;
}
