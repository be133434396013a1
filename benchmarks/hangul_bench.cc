// Cost per key of a keystroke request, end to end through the engine, next
// to libhangul composing the same keys alone.
#include <benchmark/benchmark.h>
#include <hangul.h>

#include <string>

#include "host/testing/test_host.h"
#include "host/var.h"

namespace {

// Everyday typing: syllables of two to four keys and spaces.
std::string TypedKeys(size_t count) {
  static const std::string kSentence = "dkssudgktpdy rkskek gksrnrdj ";
  std::string keys;
  while (keys.size() < count) keys += kSentence;
  keys.resize(count);
  return keys;
}

// The worst case for segmentation: one key, then keys that compose
// nothing, then one more.
std::string SparseKeys(size_t count) {
  return "r" + std::string(count - 2, ' ') + "k";
}

std::string Request(const std::string& keys) {
  return R"({"app":"ime","text":")" + keys + R"(","num":0})";
}

void KeystrokeRequest(benchmark::State& state, std::string (*make)(size_t)) {
  velt::testing::TestHost host;
  VELT_Instance instance = host.Create();
  host.RunUntilIdle();
  const size_t keys = static_cast<size_t>(state.range(0));
  velt::Var message(Request(make(keys)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(host.Send(instance, message));
  }
  state.SetItemsProcessed(state.iterations() * keys);
  state.counters["ns_per_key"] = benchmark::Counter(
      static_cast<double>(keys), benchmark::Counter::kIsIterationInvariantRate |
                                     benchmark::Counter::kInvert);
}

void RawLibhangul(benchmark::State& state, std::string (*make)(size_t)) {
  HangulInputContext* context = hangul_ic_new("2");
  const size_t keys = static_cast<size_t>(state.range(0));
  std::string text = make(keys);
  for (auto _ : state) {
    hangul_ic_reset(context);
    for (char key : text) {
      hangul_ic_process(context, key);
      benchmark::DoNotOptimize(hangul_ic_get_commit_string(context));
    }
    benchmark::DoNotOptimize(hangul_ic_flush(context));
  }
  hangul_ic_delete(context);
  state.SetItemsProcessed(state.iterations() * keys);
  state.counters["ns_per_key"] = benchmark::Counter(
      static_cast<double>(keys), benchmark::Counter::kIsIterationInvariantRate |
                                     benchmark::Counter::kInvert);
}

BENCHMARK_CAPTURE(KeystrokeRequest, typed, TypedKeys)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(100000);
BENCHMARK_CAPTURE(RawLibhangul, typed, TypedKeys)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(100000);
BENCHMARK_CAPTURE(KeystrokeRequest, sparse, SparseKeys)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(100000);
BENCHMARK_CAPTURE(RawLibhangul, sparse, SparseKeys)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(100000);

}  // namespace

BENCHMARK_MAIN();
