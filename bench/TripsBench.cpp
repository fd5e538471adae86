#include "convert/Trips.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstddef>
#include <limits>
#include <vector>

namespace {

constexpr std::size_t kTableFixes = 480000;
constexpr std::size_t kFixesPerTrip = 20000;

// A full table: one fix a second, north at about 40 km/h and stepping back west every 1000 fixes,
// with a 15-minute stop after every 20 000 fixes (24 trips). Every 97th height is erased.
std::vector<TGpsFix> MakeTable()
{
    std::vector<TGpsFix> table(kTableFixes);
    double seconds = 0;
    for (std::size_t i = 0; i < kTableFixes; ++i) {
        if (i > 0 && i % kFixesPerTrip == 0)
            seconds += 900;
        TGpsFix& fix = table[i];
        fix.Time = 45383.25 + seconds / 86400.0;
        fix.Latitude = 35.0 + static_cast<double>(i) * 0.0001;
        fix.Longitude = 139.0 + static_cast<double>(i % 1000) * 0.00007;
        fix.Speed = static_cast<float>(30 + i % 17);
        fix.ExtraValue =
            i % 97 == 0 ? -std::numeric_limits<float>::quiet_NaN() : static_cast<float>(i % 500);
        fix.Millisecond = 0;
        seconds += 1;
    }
    return table;
}

void RunAnalysis(benchmark::State& state, const std::vector<TGpsFix>& table)
{
    for (auto _ : state) {
        const TripAnalysis a = AnalyseTrips(table);
        if (a.Trips.size() != kTableFixes / kFixesPerTrip)
            state.SkipWithError("unexpected trip count");
        benchmark::DoNotOptimize(a.DistanceM);
    }
    state.counters["ns_per_fix"] = benchmark::Counter(
        static_cast<double>(kTableFixes) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Trips and their figures of a table already in time order: checked, never sorted.
void BM_TripsSorted(benchmark::State& state) { RunAnalysis(state, MakeTable()); }
BENCHMARK(BM_TripsSorted)->Unit(benchmark::kMillisecond);

// The same log written on from the front after the memory filled: the table starts a third of
// the way in and wraps.
void BM_TripsWrapped(benchmark::State& state)
{
    std::vector<TGpsFix> table = MakeTable();
    std::rotate(table.begin(), table.begin() + kTableFixes / 3, table.end());
    RunAnalysis(state, table);
}
BENCHMARK(BM_TripsWrapped)->Unit(benchmark::kMillisecond);

} // namespace
