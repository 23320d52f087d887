// Benchmark driver: runs the registered benchmarks, then prints, for every
// group, the time of each variant as a ratio of the group's baseline.
// Naming: "<group>/baseline" and "<group>/<variant>" (arguments may follow).
// Wall time and CPU time (the benchmark thread's, or the whole process's
// where a benchmark measures that) are compared separately. With
// --benchmark_repetitions=N each round's ratio pairs the variant with the
// baseline of the same round; the median is printed with the lowest and
// highest round (add --benchmark_enable_random_interleaving=true so the
// rounds of all benchmarks interleave).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred || r.run_type != Run::RT_Iteration) continue;
      std::string name = r.benchmark_name();
      size_t slash = name.find('/');
      if (slash == std::string::npos) continue;
      std::string group = name.substr(0, slash);
      std::string rest = name.substr(slash + 1);
      // Arguments after the variant name belong to the group key.
      std::string variant = rest, args;
      size_t s2 = rest.find('/');
      if (s2 != std::string::npos) {
        variant = rest.substr(0, s2);
        args = rest.substr(s2);
      }
      times_[group + args][variant][r.repetition_index] = r.GetAdjustedRealTime();
      cpuTimes_[group + args][variant][r.repetition_index] = r.GetAdjustedCPUTime();
      order_.push_back(group + args);
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nRatios against the baseline of the same run (lower is faster; median [lowest highest] of the rounds):\n");
    std::map<std::string, bool> done;
    for (const std::string& key : order_) {
      if (done[key]) continue;
      done[key] = true;
      auto& variants = times_[key];
      auto base = variants.find("baseline");
      if (base == variants.end()) continue;
      auto& cpu = cpuTimes_[key];
      for (const auto& [variant, rounds] : variants) {
        if (variant == "baseline") continue;
        const Spread wall = Ratios(rounds, base->second), cpuRatio = Ratios(cpu[variant], cpu["baseline"]);
        if (wall.n == 0) continue;
        std::printf("  %-40s %-16s %8.3fx", key.c_str(), variant.c_str(), wall.median);
        if (wall.n > 1) std::printf(" [%.3f %.3f]", wall.low, wall.high);
        if (cpuRatio.n > 0) std::printf("   cpu %8.3fx", cpuRatio.median);
        if (cpuRatio.n > 1) std::printf(" [%.3f %.3f]", cpuRatio.low, cpuRatio.high);
        if (wall.n > 1) std::printf("   (%d rounds)", wall.n);
        std::printf("\n");
      }
    }
  }

 private:
  // Times by group, variant and round.
  using Rounds = std::map<int64_t, double>;
  struct Spread {
    double median = 0, low = 0, high = 0;
    int n = 0;
  };
  // The ratio of each round that both measured.
  static Spread Ratios(const Rounds& variant, const Rounds& baseline) {
    std::vector<double> r;
    for (const auto& [round, t] : variant) {
      auto b = baseline.find(round);
      if (b != baseline.end() && b->second > 0) r.push_back(t / b->second);
    }
    Spread s;
    s.n = static_cast<int>(r.size());
    if (r.empty()) return s;
    std::sort(r.begin(), r.end());
    const size_t m = r.size() / 2;
    s.median = r.size() % 2 ? r[m] : (r[m - 1] + r[m]) / 2;
    s.low = r.front();
    s.high = r.back();
    return s;
  }
  std::map<std::string, std::map<std::string, Rounds>> times_;
  std::map<std::string, std::map<std::string, Rounds>> cpuTimes_;
  std::vector<std::string> order_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
