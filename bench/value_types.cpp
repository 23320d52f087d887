// Text and array value types against the standard library doing the same work.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "orvane/rt_array.h"
#include "orvane/rt_string.h"

namespace {

constexpr int kTextBytes = 1 << 20;

void StringAppendBaseline(benchmark::State& state) {
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < kTextBytes; ++i) s += static_cast<char>('a' + (i & 15));
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(StringAppendBaseline)->Name("append_1MiB_bytewise/baseline")->Unit(benchmark::kMillisecond);

void StringAppendRt(benchmark::State& state) {
  for (auto _ : state) {
    RtString s;
    for (int i = 0; i < kTextBytes; ++i) s += static_cast<char>('a' + (i & 15));
    benchmark::DoNotOptimize(s.CStr());
  }
}
BENCHMARK(StringAppendRt)->Name("append_1MiB_bytewise/RtString")->Unit(benchmark::kMillisecond);

constexpr int kW = 512, kH = 512;

void ArrayAccessBaseline(benchmark::State& state) {
  std::vector<double> v(kW * kH, 1.0);
  for (auto _ : state) {
    double sum = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) sum += v[static_cast<size_t>(x + y * kW)];
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(ArrayAccessBaseline)->Name("array_2d_read/baseline")->Unit(benchmark::kMicrosecond);

void ArrayAccessRt(benchmark::State& state) {
  RtArray<double> a;
  a.Dim(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) a.At(x, y) = 1.0;
  for (auto _ : state) {
    double sum = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) sum += a.At(x, y);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(ArrayAccessRt)->Name("array_2d_read/RtArray")->Unit(benchmark::kMicrosecond);

}  // namespace
