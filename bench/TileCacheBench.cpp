// The map's memory cache of decoded tiles: 256-pixel tiles decoded from PNG as a source decodes
// them, inserted past the cache's bound as a long pan would. The bytes the cache holds must stay
// within its bound however many tiles pass through; the counters give the bytes held, the bound,
// the tiles kept and the growth of the process's resident memory over the run.

#include "map/TileDecode.h"
#include "support/TilePictures.h"
#include "tiles/LruCache.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <fstream>
#include <unistd.h>

namespace {

// The resident set in bytes (Linux: the second field of /proc/self/statm, in pages).
double ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

void BM_TileMemoryCache(benchmark::State& state)
{
    const auto boundBytes = static_cast<std::int64_t>(state.range(0)) * 1'000'000;
    const int tiles = static_cast<int>(state.range(1));
    std::vector<std::string> encoded;
    for (int i = 0; i < 64; ++i) {
        encoded.push_back(SolidPng(TileColour(12, i, i * 3), 256));
    }
    std::int64_t mostHeld = 0;
    double residentGrowth = 0;
    std::size_t kept = 0;
    for (auto _ : state) {
        const double residentBefore = ResidentBytes();
        LruCache<TileCoord, QImage> cache(boundBytes);
        for (int i = 0; i < tiles; ++i) {
            const QImage image = DecodeTile(encoded[static_cast<std::size_t>(i) % encoded.size()]);
            cache.Insert(TileCoord{16, i % 65536, i / 65536}, image, ImageBytes(image));
            mostHeld = std::max(mostHeld, cache.Bytes());
        }
        residentGrowth = std::max(residentGrowth, ResidentBytes() - residentBefore);
        kept = cache.Count();
        benchmark::DoNotOptimize(cache);
    }
    if (mostHeld > boundBytes) {
        state.SkipWithError("the memory cache held more than its bound");
    }
    state.counters["held_MB"] = static_cast<double>(mostHeld) / 1e6;
    state.counters["bound_MB"] = static_cast<double>(boundBytes) / 1e6;
    state.counters["tiles_kept"] = static_cast<double>(kept);
    state.counters["rss_growth_MB"] = residentGrowth / 1e6;
    state.SetItemsProcessed(state.iterations() * tiles);
}
// The default bound of 64 MB with 1000 and 4000 tiles passing (256 and 1024 MB decoded), and a
// small bound of 8 MB.
BENCHMARK(BM_TileMemoryCache)
    ->Args({64, 1000})
    ->Args({64, 4000})
    ->Args({8, 1000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
