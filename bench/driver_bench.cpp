// Speed of start-up and of the host's periodic read call.
#include <benchmark/benchmark.h>

#include "Ostrevane800.h"
#include "bench_support.h"
#include "driver/DLLMain.h"
#include "framework/DLLBase.h"

namespace {

void releaseText(char* text) { std::free(text); }

// IniDriver with many tags: address checks, tag table, grouping into poll commands.
void IniDriverWithManyTags(benchmark::State& state)
{
    bench_support::SilentLine line;
    OstrevanePDB plant = bench_support::fullPlant();
    bench_support::HostTags tags(static_cast<size_t>(state.range(0)), 1000);
    for (auto _ : state) {
        char* msg = nullptr;
        const bool ok = IniDriver(tags.count(), tags.pointers(), &plant, &msg);
        state.PauseTiming();
        releaseText(msg);
        if (!ok) state.SkipWithError("IniDriver failed");
        FreeDriver();  // the statistics block of the run is not part of start-up
        state.ResumeTiming();
    }
    driver::detach();
    state.SetComplexityN(state.range(0));
}
BENCHMARK(IniDriverWithManyTags)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

// One OnDataRead over 10,000 tags of which none is due for a report.
void OnDataReadNothingDue(benchmark::State& state)
{
    bench_support::SilentLine line;
    OstrevanePDB plant = bench_support::fullPlant();
    bench_support::HostTags tags(10000, 3600u * 1000u);
    char* msg = nullptr;
    IniDriver(tags.count(), tags.pointers(), &plant, &msg);
    releaseText(msg);
    std::vector<TagDataRec> records(tags.count());
    uint32_t count = 0;
    // The six unconditional first reports are over once the interval is long past.
    for (int i = 0; i < 6; ++i) {
        OnDataRead(&count, records.data(), &msg);
        releaseText(msg);
    }
    for (auto _ : state) {
        OnDataRead(&count, records.data(), &msg);
        releaseText(msg);
        benchmark::DoNotOptimize(count);
    }
    FreeDriver();
    driver::detach();
}
BENCHMARK(OnDataReadNothingDue)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
