// GetSystemPreference and SetSystemPreference against a baseline measured in the same run:
// the same read and upsert done directly with SQLite, a prepared statement on an open
// connection to the same database file (same journal mode and synchronous setting, same busy
// timeout). Prints the ratio of each operation to its baseline; the aim is 1.5 or less.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/prefs.h"
#include "tests/support/host.h"

namespace {

std::string s_root;
std::string s_database;
const char kDomain[] = "com.quillfen.Big Game";
const char kValue[] = "0001E24000001092";

struct Direct {
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  std::string host = ThisHost();
  explicit Direct(const char* sql) {
    sqlite3_open_v2(s_database.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_busy_timeout(db, 2000);
    sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);  // as the store
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
  }
  ~Direct() {
    sqlite3_finalize(stmt);
    sqlite3_close(db);
  }
  void BindKey() {
    sqlite3_bind_text(stmt, 1, kDomain, -1, SQLITE_STATIC);
    sqlite3_bind_text(stmt, 2, host.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(stmt, 3, "PSN", -1, SQLITE_STATIC);
  }
};

void PrefsGet(benchmark::State& state) {
  for (auto _ : state) {
    const char* value = GetSystemPreference(1, "Big Game", "PSN", nullptr);
    if (value == nullptr) state.SkipWithError("value missing");
    benchmark::DoNotOptimize(value);
  }
}

void DirectGet(benchmark::State& state) {
  Direct direct("SELECT value FROM prefs WHERE domain = ?1 AND host = ?2 AND key = ?3");
  char out[1024];
  for (auto _ : state) {
    direct.BindKey();
    if (sqlite3_step(direct.stmt) != SQLITE_ROW) state.SkipWithError("value missing");
    const unsigned char* text = sqlite3_column_text(direct.stmt, 0);
    snprintf(out, sizeof out, "%s", text ? reinterpret_cast<const char*>(text) : "");
    sqlite3_reset(direct.stmt);
    benchmark::DoNotOptimize(out);
  }
}

void PrefsSet(benchmark::State& state) {
  for (auto _ : state) {
    if (!SetSystemPreference(1, "Big Game", "PSN", kValue)) state.SkipWithError("not written");
  }
}

void DirectSet(benchmark::State& state) {
  Direct direct(
      "INSERT INTO prefs (domain, host, key, value) VALUES (?1, ?2, ?3, ?4) "
      "ON CONFLICT (domain, host, key) DO UPDATE SET value = excluded.value");
  for (auto _ : state) {
    direct.BindKey();
    sqlite3_bind_text(direct.stmt, 4, kValue, -1, SQLITE_STATIC);
    if (sqlite3_step(direct.stmt) != SQLITE_DONE) state.SkipWithError("not written");
    sqlite3_reset(direct.stmt);
  }
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
  s_database = s_root + "/preferences.db";
  setenv("QFN_SYSTEM_PREFS", s_database.c_str(), 1);
  setenv("HOME", s_root.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (s_root + "/config").c_str(), 1);
  if (!SetSystemPreference(1, "Big Game", "PSN", kValue)) return 1;

  // The machine is shared: repetitions in random order, compared by their medians.
  for (auto* b : {benchmark::RegisterBenchmark("GetSystemPreference", PrefsGet),
                  benchmark::RegisterBenchmark("DirectSqliteGet", DirectGet),
                  benchmark::RegisterBenchmark("SetSystemPreference", PrefsSet),
                  benchmark::RegisterBenchmark("DirectSqliteSet", DirectSet)})
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
  ratio("GetSystemPreference", "DirectSqliteGet");
  ratio("SetSystemPreference", "DirectSqliteSet");
  std::error_code ignored;
  std::filesystem::remove_all(s_root, ignored);
  return 0;
}
