// The archive: importing a full log into an empty archive and into one of ten such logs, against
// converting that log; an export of one day from an archive of ten million fixes. The archives
// are built once per run in a folder of their own, removed at exit.

#include "BenchLogs.h"
#include "archive/Archive.h"
#include "convert/ConversionService.h"
#include "system/Paths.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kUnixEpochMs = 25569 * kMillisecondsPerDay;
// The compact log spans four weeks: copies shifted by five weeks each never meet.
constexpr std::int32_t kWeeksApart = 5;

// A folder for the run's logs and archives, removed at exit.
struct Scratch {
    fs::path Folder;
    Scratch()
    {
        std::random_device seed;
        Folder = fs::temp_directory_path() / ("t2n-archive-bench-" + std::to_string(seed()));
        fs::create_directories(Folder);
    }
    ~Scratch()
    {
        std::error_code error;
        fs::remove_all(Folder, error);
    }
    [[nodiscard]] std::string Path(const std::string& name) const
    {
        return Utf8Path(Folder / name);
    }
};

Scratch& Folder()
{
    static Scratch scratch;
    return scratch;
}

// The full compact log, and copies of it that differ in one byte no decoder reads (a block
// header's filler), so that each is a copy of its own: imported with more weeks added, its fixes
// are all new.
const std::string& LogPath(int copy)
{
    static std::vector<std::string> paths;
    static const std::vector<std::uint8_t> log = MakeCompactBlockLog();
    while (paths.size() <= static_cast<std::size_t>(copy)) {
        std::vector<std::uint8_t> bytes = log;
        bytes[bytes.size() - 65536 + 100] ^= static_cast<std::uint8_t>(paths.size());
        paths.push_back(Folder().Path("copy" + std::to_string(paths.size()) + ".bin"));
        WriteFile(paths.back(), bytes);
    }
    return paths[static_cast<std::size_t>(copy)];
}

void ImportCopies(const std::string& db, int from, int to)
{
    Archive archive;
    if (!archive.Open(db, Archive::Mode::Write).Ok())
        return;
    for (int copy = from; copy < to; ++copy)
        (void)archive.Import(LogPath(copy), copy * kWeeksApart, kDefaultTripGapMs);
}

// An archive of `copies` copies of the full log, built in the scratch folder.
std::string ArchiveOfCopies(const char* name, int copies)
{
    std::string db = Folder().Path(name);
    ImportCopies(db, 0, copies);
    return db;
}

// An archive of ten copies, and one of seventeen (ten million fixes), each built once.
const std::string& TenLogArchive()
{
    static const std::string path = ArchiveOfCopies("ten.sqlite", 10);
    return path;
}

const std::string& TenMillionArchive()
{
    static const std::string path = ArchiveOfCopies("big.sqlite", 17);
    return path;
}

void BM_ConvertFullLog(benchmark::State& state)
{
    const std::string target = Folder().Path("log.nmea");
    (void)LogPath(0);
    for (auto _ : state) {
        ConversionService service(0);
        benchmark::DoNotOptimize(service.Load(LogPath(0)));
        benchmark::DoNotOptimize(service.Export(target, ExportRequest{}));
    }
}
BENCHMARK(BM_ConvertFullLog)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// An archive holding the first copy, for a later copy of the same memory.
const std::string& OneLogArchive()
{
    static const std::string path = [] {
        std::string db = Folder().Path("one.sqlite");
        ImportCopies(db, 0, 1);
        return db;
    }();
    return path;
}

void ImportInto(benchmark::State& state, const std::string& start,
                std::int32_t weeks = 17 * kWeeksApart)
{
    const std::string db = Folder().Path("import.sqlite");
    std::int64_t fixes = 0;
    (void)LogPath(17);
    for (auto _ : state) {
        state.PauseTiming();
        for (const char* end : {"", "-wal", "-shm"})
            fs::remove(db + end);
        if (!start.empty())
            fs::copy_file(start, db);
        state.ResumeTiming();
        Archive archive;
        if (!archive.Open(db, Archive::Mode::Write).Ok())
            state.SkipWithError("the archive does not open");
        const ImportReport report = archive.Import(LogPath(17), weeks, kDefaultTripGapMs);
        fixes = report.New + report.Known;
    }
    state.counters["fixes"] = static_cast<double>(fixes);
    ArchiveSummary summary;
    Archive archive;
    if (archive.Open(db, Archive::Mode::Read).Ok() && archive.Summarise(summary).Ok())
        state.counters["bytes_per_fix"] =
            static_cast<double>(fs::file_size(db)) / static_cast<double>(summary.Fixes);
}

void BM_ImportIntoEmptyArchive(benchmark::State& state) { ImportInto(state, {}); }
BENCHMARK(BM_ImportIntoEmptyArchive)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3);

void BM_ImportIntoArchiveOfTenLogs(benchmark::State& state) { ImportInto(state, TenLogArchive()); }
BENCHMARK(BM_ImportIntoArchiveOfTenLogs)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3);

// A later copy of the memory the archive holds: every fix within the span it holds, all known.
void BM_ImportOverlappingCopy(benchmark::State& state) { ImportInto(state, OneLogArchive(), 0); }
BENCHMARK(BM_ImportOverlappingCopy)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3);

// A day in the middle of the ten million fixes, in local milliseconds of UTC.
TimeWindow MiddleDay(const ArchiveSummary& summary)
{
    const std::int64_t day =
        (summary.FirstUtcMs.value_or(0) + kUnixEpochMs) / kMillisecondsPerDay + 200;
    return {day * kMillisecondsPerDay, (day + 1) * kMillisecondsPerDay};
}

// The archive's part of an export: the day's fixes read into the service's table.
void BM_ReadOneDayOfTenMillionFixes(benchmark::State& state)
{
    const std::string& db = TenMillionArchive();
    Archive archive;
    ArchiveSummary summary;
    if (!archive.Open(db, Archive::Mode::Read).Ok() || !archive.Summarise(summary).Ok())
        state.SkipWithError("the archive does not open");
    const TimeWindow window = MiddleDay(summary);
    std::int32_t fixes = 0;
    for (auto _ : state) {
        ConversionService service(0);
        if (!service.LoadArchive(db, window).Ok())
            state.SkipWithError("the archive does not load");
        fixes = service.FixCount();
    }
    state.counters["day_fixes"] = fixes;
}
BENCHMARK(BM_ReadOneDayOfTenMillionFixes)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same day read and written as GPX.
void BM_ExportOneDayOfTenMillionFixes(benchmark::State& state)
{
    const std::string& db = TenMillionArchive();
    Archive archive;
    ArchiveSummary summary;
    if (!archive.Open(db, Archive::Mode::Read).Ok() || !archive.Summarise(summary).Ok())
        state.SkipWithError("the archive does not open");
    const TimeWindow window = MiddleDay(summary);
    const std::string target = Folder().Path("day.gpx");
    std::size_t written = 0;
    for (auto _ : state) {
        ConversionService service(0);
        if (!service.LoadArchive(db, window).Ok())
            state.SkipWithError("the archive does not load");
        ExportRequest request(ExportFormat{TrackFormat::Gpx, true}, window);
        written = service.Export(target, request).FixesWritten;
    }
    state.counters["archive_fixes"] = static_cast<double>(summary.Fixes);
    state.counters["day_fixes"] = static_cast<double>(written);
    state.counters["bytes_per_fix"] =
        static_cast<double>(fs::file_size(db)) / static_cast<double>(summary.Fixes);
}
BENCHMARK(BM_ExportOneDayOfTenMillionFixes)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
