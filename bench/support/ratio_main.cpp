// Benchmark driver: runs the registered benchmarks, then prints, for every
// group, the time of each variant as a ratio of the group's baseline.
// Naming: "<group>/baseline" and "<group>/<variant>" (arguments may follow).
// Wall time and the benchmark thread's CPU time are compared separately.
#include <benchmark/benchmark.h>

#include <cstdio>
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
      times_[group + args][variant] = r.GetAdjustedRealTime();
      cpuTimes_[group + args][variant] = r.GetAdjustedCPUTime();
      order_.push_back(group + args);
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nRatios against the baseline of the same run (lower is faster):\n");
    std::map<std::string, bool> done;
    for (const std::string& key : order_) {
      if (done[key]) continue;
      done[key] = true;
      auto& variants = times_[key];
      auto base = variants.find("baseline");
      if (base == variants.end() || base->second <= 0) continue;
      auto& cpu = cpuTimes_[key];
      const double cpuBase = cpu["baseline"];
      for (const auto& [variant, t] : variants) {
        if (variant == "baseline") continue;
        std::printf("  %-40s %-16s %8.3fx", key.c_str(), variant.c_str(), t / base->second);
        if (cpuBase > 0) std::printf("   cpu %8.3fx", cpu[variant] / cpuBase);
        std::printf("\n");
      }
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> times_;
  std::map<std::string, std::map<std::string, double>> cpuTimes_;
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
