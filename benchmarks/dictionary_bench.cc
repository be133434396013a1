// The dictionary next to libhangul's own Hanja table, on the same files:
// loading both tables, answering Hanja requests of 1 to 10 syllables, the
// memory of an instance with both tables, and a 1 MB text. The ratios are
// printed after the table of timings.
#include <benchmark/benchmark.h>
#include <hangul.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/hanja_lookup.h"
#include "dictionary/hanja_match.h"
#include "host/runtime/directory_fetcher.h"
#include "host/runtime/runtime.h"
#include "host/runtime/task_queue.h"
#include "host/runtime/url.h"
#include "host/var.h"

// Every operator new of this program is counted, so that the memory an
// instance takes can be read off. libhangul allocates with malloc and is
// measured with mallinfo2 instead.
namespace {
size_t heap_now = 0;
size_t heap_peak = 0;

void* Allocate(size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  heap_now += malloc_usable_size(block);
  if (heap_now > heap_peak) heap_peak = heap_now;
  return block;
}
void Release(void* block) {
  if (block == nullptr) return;
  heap_now -= malloc_usable_size(block);
  std::free(block);
}
}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, size_t) noexcept { Release(block); }
void operator delete[](void* block, size_t) noexcept { Release(block); }

namespace {

constexpr char kHanjaPath[] = "/usr/share/libhangul/hanja/hanja.txt";
constexpr char kSymbolPath[] = "/usr/share/libhangul/hanja/mssymbol.txt";

std::string ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

const std::string& HanjaText() {
  static const std::string* text = new std::string(ReadFile(kHanjaPath));
  return *text;
}
const std::string& SymbolText() {
  static const std::string* text = new std::string(ReadFile(kSymbolPath));
  return *text;
}

// A page directory holding the two tables under the names the engine
// fetches.
const std::string& PageDirectory() {
  static const std::string* dir = [] {
    char pattern[] = "/tmp/dictionary_bench.XXXXXX";
    std::string path = mkdtemp(pattern);
    if (symlink(kHanjaPath, (path + "/hanja.txt").c_str()) != 0 ||
        symlink(kSymbolPath, (path + "/symbol.txt").c_str()) != 0) {
      std::abort();
    }
    return new std::string(path);
  }();
  return *dir;
}

// The runtime on a plain queue with the directory fetcher: the engine as
// the command-line host runs it.
class Host {
 public:
  Host() : fetcher_(&queue_), runtime_(&queue_, &fetcher_) {}

  // An instance with both tables loaded.
  VELT_Instance Create() {
    VELT_Instance instance = runtime_.CreateInstance(
        velt::runtime::url::FromDirectory(PageDirectory()),
        [this](const velt::Var& reply) { reply_ = reply.AsString(); });
    queue_.RunUntilIdle();
    return instance;
  }
  void Destroy(VELT_Instance instance) {
    runtime_.DestroyInstance(instance);
    queue_.RunUntilIdle();
  }
  // Delivers the message to HandleMessage and returns the reply.
  const std::string& Ask(VELT_Instance instance, const velt::Var& message) {
    runtime_.DeliverMessage(instance, message);
    queue_.RunUntilIdle();
    return reply_;
  }

 private:
  velt::runtime::TaskQueue queue_;
  velt::runtime::DirectoryFetcher fetcher_;
  velt::runtime::Runtime runtime_;
  std::string reply_;
};

// Texts of 1, 3, 6 and 10 syllables.
std::string Text(int64_t syllables) {
  switch (syllables) {
    case 1:
      return "가";
    case 3:
      return "대한민";
    case 6:
      return "대한민국만세";
    default:
      return "대한민국만세대한민국";
  }
}

std::string Request(const std::string& text) {
  return R"({"app":"ime","text":")" + text + R"(","num":0})";
}

// Parsing and sorting both tables, as a download's completion does; the
// copy of the text that the download would hand over is not timed.
void LoadTables(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::string hanja = HanjaText();
    std::string symbol = SymbolText();
    HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
    state.ResumeTiming();
    lookup->LoadFromMemory(std::move(hanja));
    lookup->LoadFromMemory(std::move(symbol));
    benchmark::DoNotOptimize(lookup->items().data());
    state.PauseTiming();
    lookup.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(LoadTables)->Unit(benchmark::kMillisecond);

// An instance from creation until both tables are in: files read by the
// host, 32 KiB reads, parsing and merging.
void InstanceReady(benchmark::State& state) {
  Host host;
  for (auto _ : state) {
    VELT_Instance instance = host.Create();
    state.PauseTiming();
    host.Destroy(instance);
    state.ResumeTiming();
  }
}
BENCHMARK(InstanceReady)->Unit(benchmark::kMillisecond);

void LibhangulLoadTables(benchmark::State& state) {
  for (auto _ : state) {
    HanjaTable* hanja = hanja_table_load(kHanjaPath);
    HanjaTable* symbol = hanja_table_load(kSymbolPath);
    benchmark::DoNotOptimize(hanja);
    benchmark::DoNotOptimize(symbol);
    state.PauseTiming();
    hanja_table_delete(hanja);
    hanja_table_delete(symbol);
    state.ResumeTiming();
  }
}
BENCHMARK(LibhangulLoadTables)->Unit(benchmark::kMillisecond);

// A Hanja request with no limit, from the message to the reply's text.
void HanjaRequest(benchmark::State& state) {
  Host host;
  VELT_Instance instance = host.Create();
  const velt::Var message(Request(Text(state.range(0))));
  for (auto _ : state) {
    benchmark::DoNotOptimize(host.Ask(instance, message).data());
  }
  host.Destroy(instance);
}
BENCHMARK(HanjaRequest)->Arg(1)->Arg(3)->Arg(6)->Arg(10);

// The floor of a Hanja request: a syllable with no entry, so the reply is
// the short one with null lists.
void HanjaRequestWithoutCandidates(benchmark::State& state) {
  Host host;
  VELT_Instance instance = host.Create();
  const velt::Var message(Request("뷁"));
  for (auto _ : state) {
    benchmark::DoNotOptimize(host.Ask(instance, message).data());
  }
  host.Destroy(instance);
}
BENCHMARK(HanjaRequestWithoutCandidates);

// The lookup alone: every candidate of every prefix, without the request
// and the reply.
void HanjaLookupOnly(benchmark::State& state) {
  HanjaLookup::Ptr lookup = HanjaLookup::Create(nullptr);
  lookup->LoadFromMemory(HanjaText());
  lookup->LoadFromMemory(SymbolText());
  const std::string text = Text(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(hanja_match::Match(*lookup, text, 0).data());
  }
}
BENCHMARK(HanjaLookupOnly)->Arg(1)->Arg(3)->Arg(6)->Arg(10);

// libhangul's prefix match on hanja.txt, where every candidate of these
// texts lies, and the release of its list.
void LibhangulMatchPrefix(benchmark::State& state) {
  HanjaTable* table = hanja_table_load(kHanjaPath);
  const std::string text = Text(state.range(0));
  for (auto _ : state) {
    HanjaList* list = hanja_table_match_prefix(table, text.c_str());
    benchmark::DoNotOptimize(list);
    hanja_list_delete(list);
  }
  hanja_table_delete(table);
}
BENCHMARK(LibhangulMatchPrefix)->Arg(1)->Arg(3)->Arg(6)->Arg(10);

// A pasted text of 1 MB: 349,525 syllables after a reading that has
// entries.
void LongHanjaRequest(benchmark::State& state) {
  Host host;
  VELT_Instance instance = host.Create();
  std::string text = "대한민국";
  while (text.size() < (1 << 20)) text += "가";
  const velt::Var message(Request(text));
  for (auto _ : state) {
    benchmark::DoNotOptimize(host.Ask(instance, message).data());
  }
  host.Destroy(instance);
  state.counters["text_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(LongHanjaRequest)->Unit(benchmark::kMillisecond);

// The heap an instance takes while its tables load (peak) and once they
// have (retained), next to libhangul's two tables. Counted, not timed.
void InstanceMemory(benchmark::State& state) {
  size_t peak = 0;
  size_t retained = 0;
  size_t libhangul = 0;
  for (auto _ : state) {
    Host host;
    const size_t before = heap_now;
    heap_peak = heap_now;
    VELT_Instance instance = host.Create();
    peak = heap_peak - before;
    retained = heap_now - before;
    host.Destroy(instance);

    const size_t malloc_before = mallinfo2().uordblks;
    HanjaTable* hanja = hanja_table_load(kHanjaPath);
    HanjaTable* symbol = hanja_table_load(kSymbolPath);
    libhangul = mallinfo2().uordblks - malloc_before;
    hanja_table_delete(hanja);
    hanja_table_delete(symbol);
  }
  state.counters["peak_MiB"] = peak / 1048576.0;
  state.counters["retained_MiB"] = retained / 1048576.0;
  state.counters["libhangul_MiB"] = libhangul / 1048576.0;
}
BENCHMARK(InstanceMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's CPU time per iteration, in nanoseconds, for the
// ratios: on a shared machine it varies less than the wall time.
class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // With --benchmark_repetitions the median stands for the benchmark.
      const bool median =
          run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type != Run::RT_Iteration && !median) continue;
      nanoseconds_[median ? run.run_name.str() : run.benchmark_name()] =
          run.GetAdjustedCPUTime() /
          benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
    }
  }

  void PrintRatios() const {
    std::printf(
        "\nRatios (goal: load <= 0.5 of libhangul's time; lookups "
        ">= 50x faster)\n");
    Ratio("load: ours / libhangul", "LoadTables", "LibhangulLoadTables");
    Ratio("instance ready / libhangul load", "InstanceReady",
          "LibhangulLoadTables");
    for (const char* n : {"1", "3", "6", "10"}) {
      const std::string arg = std::string("/") + n;
      Ratio(std::string("request of ") + n +
                " syllables: libhangul / ours (end to end)",
            "LibhangulMatchPrefix" + arg, "HanjaRequest" + arg);
      Ratio(std::string("lookup of ") + n +
                " syllables: libhangul / ours (lookup only)",
            "LibhangulMatchPrefix" + arg, "HanjaLookupOnly" + arg);
    }
  }

 private:
  void Ratio(const std::string& label, const std::string& numerator,
             const std::string& denominator) const {
    auto top = nanoseconds_.find(numerator);
    auto bottom = nanoseconds_.find(denominator);
    if (top == nanoseconds_.end() || bottom == nanoseconds_.end()) return;
    std::printf("  %-58s %8.2f\n", label.c_str(), top->second / bottom->second);
  }

  std::map<std::string, double> nanoseconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
