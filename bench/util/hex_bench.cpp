// BytesToHex and HexToBytes against the plain C way of doing the same work, measured in the
// same run: snprintf("%02X") per byte, and sscanf("%2hhx") per pair of digits. Sizes: an
// 8-byte process identity and a 4 KiB block. Prints the speed-up over each baseline (above 1
// means the library is faster).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "util/hex.h"

namespace {

const std::vector<unsigned char>& Bytes(int count) {
  static std::map<int, std::vector<unsigned char>> s_inputs;
  std::vector<unsigned char>& bytes = s_inputs[count];
  if (bytes.empty()) {
    for (int i = 0; i < count; i++) bytes.push_back(static_cast<unsigned char>(i * 37 + 11));
  }
  return bytes;
}

std::string Digits(int count) {
  const std::vector<unsigned char>& bytes = Bytes(count);
  std::string text(2 * bytes.size() + 1, '\0');
  BytesToHex(bytes.data(), count, &text[0], static_cast<int>(text.size()));
  text.pop_back();
  return text;
}

void BM_BytesToHex(benchmark::State& state) {
  int count = static_cast<int>(state.range(0));
  const std::vector<unsigned char>& bytes = Bytes(count);
  std::vector<char> out(2 * count + 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(BytesToHex(bytes.data(), count, out.data(), (int)out.size()));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * count);
}

void BM_SnprintfHex(benchmark::State& state) {
  int count = static_cast<int>(state.range(0));
  const std::vector<unsigned char>& bytes = Bytes(count);
  std::vector<char> out(2 * count + 1);
  for (auto _ : state) {
    for (int i = 0; i < count; i++) snprintf(&out[2 * i], 3, "%02X", bytes[i]);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * count);
}

void BM_HexToBytes(benchmark::State& state) {
  int count = static_cast<int>(state.range(0));
  std::string text = Digits(count);
  std::vector<unsigned char> out(count);
  for (auto _ : state) {
    benchmark::DoNotOptimize(HexToBytes(text.c_str(), out.data(), count, -1));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * count);
}

void BM_SscanfHex(benchmark::State& state) {
  int count = static_cast<int>(state.range(0));
  std::string text = Digits(count);
  std::vector<unsigned char> out(count);
  for (auto _ : state) {
    for (int i = 0; i < count; i++) {
      // Each pair on its own, so that sscanf does not measure the rest of the text each time.
      char pair[3] = {text[2 * i], text[2 * i + 1], '\0'};
      if (sscanf(pair, "%2hhx", &out[i]) != 1) state.SkipWithError("bad digit");
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * count);
}

BENCHMARK(BM_BytesToHex)->Arg(8)->Arg(4096);
BENCHMARK(BM_SnprintfHex)->Arg(8)->Arg(4096);
BENCHMARK(BM_HexToBytes)->Arg(8)->Arg(4096);
BENCHMARK(BM_SscanfHex)->Arg(8)->Arg(4096);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) m_time[run.benchmark_name()] = run.GetAdjustedCPUTime();
  }
  double Time(const std::string& name) const {
    auto it = m_time.find(name);
    return it == m_time.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> m_time;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (int count : {8, 4096}) {
    std::string suffix = "/" + std::to_string(count);
    double toHex = reporter.Time("BM_BytesToHex" + suffix);
    double printfHex = reporter.Time("BM_SnprintfHex" + suffix);
    double fromHex = reporter.Time("BM_HexToBytes" + suffix);
    double scanfHex = reporter.Time("BM_SscanfHex" + suffix);
    if (toHex > 0 && printfHex > 0) {
      printf("%d bytes: BytesToHex speed-up vs snprintf %%02X: %.1f\n", count, printfHex / toHex);
    }
    if (fromHex > 0 && scanfHex > 0) {
      printf("%d bytes: HexToBytes speed-up vs sscanf %%2hhx: %.1f\n", count, scanfHex / fromHex);
    }
  }
  benchmark::Shutdown();
  return 0;
}
