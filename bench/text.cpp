// Text search and the random generator.
//   find_16B_in_1MiB: FindText and FindTextReverse against memmem (the
//     baseline), std::string::find and the Boyer-Moore-Horspool searcher, on
//     1 MiB of text from a small alphabet with the pattern only at the far end.
//   random_call: one Random call (a whole 256-step generation round by
//     design) against one draw of std::mt19937; items/s is calls per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>

#include "orvane/math.h"
#include "orvane/text.h"
#include "runtime/lib/text.h"

namespace {

constexpr int kTextBytes = 1 << 20;
const char kPattern[] = "quick brown foxe";  // 16 bytes

// The text with the pattern at its very end, or at its very start (for the
// backward search, which then scans the same megabyte).
const std::string& Haystack(bool patternFirst = false) {
  static const std::string body = [] {
    std::mt19937 rng(42);
    const char alphabet[] = "abcdefghijklmnopqrstuvwxyz     eeettaaoinshr";
    std::string t(kTextBytes - 16, ' ');
    for (char& c : t) c = alphabet[rng() % (sizeof alphabet - 1)];
    return t;
  }();
  static const std::string last = body + kPattern, first = kPattern + body;
  return patternFirst ? first : last;
}

void FindMemmem(benchmark::State& state) {
  const std::string& text = Haystack();
  for (auto _ : state) benchmark::DoNotOptimize(memmem(text.data(), text.size(), kPattern, 16));
  state.SetBytesProcessed(state.iterations() * kTextBytes);
}
BENCHMARK(FindMemmem)->Name("find_16B_in_1MiB/baseline")->Unit(benchmark::kMicrosecond);

void FindStd(benchmark::State& state) {
  const std::string& text = Haystack();
  const std::string pattern(kPattern);
  for (auto _ : state) benchmark::DoNotOptimize(text.find(pattern));
  state.SetBytesProcessed(state.iterations() * kTextBytes);
}
BENCHMARK(FindStd)->Name("find_16B_in_1MiB/std_find")->Unit(benchmark::kMicrosecond);

void FindRt(benchmark::State& state) {
  const RtString text(Haystack().data(), kTextBytes);
  const RtString pattern(kPattern);
  for (auto _ : state) benchmark::DoNotOptimize(FindText(text, pattern, 0));
  if (FindText(text, pattern, 0) != kTextBytes - 16) state.SkipWithError("wrong position");
  state.SetBytesProcessed(state.iterations() * kTextBytes);
}
BENCHMARK(FindRt)->Name("find_16B_in_1MiB/FindText")->Unit(benchmark::kMicrosecond);

// The backward search over the same megabyte, to the pattern at the start.
void FindReverseRt(benchmark::State& state) {
  const RtString text(Haystack(true).data(), kTextBytes);
  const RtString pattern(kPattern);
  for (auto _ : state) benchmark::DoNotOptimize(FindTextReverse(text, pattern, -1));
  if (FindTextReverse(text, pattern, -1) != 0) state.SkipWithError("wrong position");
  state.SetBytesProcessed(state.iterations() * kTextBytes);
}
BENCHMARK(FindReverseRt)->Name("find_16B_in_1MiB/FindTextReverse")->Unit(benchmark::kMicrosecond);

// The Boyer-Moore-Horspool searches both commands used before, for reference.
void FindHorspool(benchmark::State& state) {
  const std::string& text = Haystack();
  const orv::TextSearcher searcher(kPattern, 16);
  for (auto _ : state) benchmark::DoNotOptimize(searcher.Find(text.data(), kTextBytes));
  state.SetBytesProcessed(state.iterations() * kTextBytes);
}
BENCHMARK(FindHorspool)->Name("find_16B_in_1MiB/Horspool")->Unit(benchmark::kMicrosecond);

void FindReverseHorspool(benchmark::State& state) {
  const std::string& text = Haystack(true);
  const orv::TextSearcher searcher(kPattern, 16);
  for (auto _ : state) benchmark::DoNotOptimize(searcher.FindLast(text.data(), kTextBytes, kTextBytes));
  state.SetBytesProcessed(state.iterations() * kTextBytes);
}
BENCHMARK(FindReverseHorspool)->Name("find_16B_in_1MiB/HorspoolReverse")->Unit(benchmark::kMicrosecond);

void RandomBaseline(benchmark::State& state) {
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> dist(0, 1000);
  for (auto _ : state) benchmark::DoNotOptimize(dist(rng));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(RandomBaseline)->Name("random_call/baseline");

void RandomRt(benchmark::State& state) {
  SeedRandom(1);
  for (auto _ : state) benchmark::DoNotOptimize(Random(1000));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(RandomRt)->Name("random_call/Random");

}  // namespace
