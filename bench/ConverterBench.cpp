#include "BenchLogs.h"
#include "cli/Cli.h"
#include "convert/ConversionService.h"
#include "decoders/SectorDecoder.h"
#include "decoders/Smoothing.h"
#include "export/GpxExport.h"
#include "export/NmeaExport.h"
#include "load/LogFile.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ScratchPath(const std::string& name)
{
    return (fs::temp_directory_path() / ("t2n-bench-" + std::to_string(getpid()) + "-" + name))
        .string();
}

// Logs written for this run, removed at exit.
std::vector<std::string> g_written;

const std::string& BlockLogPath()
{
    static const std::string path = [] {
        std::string p = ScratchPath("log.bin");
        WriteFile(p, MakeBlockLog());
        g_written.push_back(p);
        return p;
    }();
    return path;
}

// The full log of the shortest usual records: more fixes than any other.
const std::string& CompactLogPath()
{
    static const std::string path = [] {
        std::string p = ScratchPath("compact.bin");
        WriteFile(p, MakeCompactBlockLog());
        g_written.push_back(p);
        return p;
    }();
    return path;
}

const std::string& SectorLogPath()
{
    static const std::string path = [] {
        std::string p = ScratchPath("log.BNX4");
        WriteFile(p, MakeSectorLog());
        g_written.push_back(p);
        return p;
    }();
    return path;
}

void SetPerFix(benchmark::State& state, const FixTable& table)
{
    state.counters["fixes"] = table.Count();
    state.counters["ns_per_fix"] = benchmark::Counter(
        static_cast<double>(table.Count()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

constexpr double kJapanEpoch = 25569.375;

// Load: read the 16 MiB file, decode every block.
void BM_LoadBlockLog(benchmark::State& state)
{
    FixTable table;
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadLogFile(BlockLogPath(), kJapanEpoch, table));
    SetPerFix(state, table);
}
BENCHMARK(BM_LoadBlockLog)->Unit(benchmark::kMillisecond);

// Decode only: the log already lies in memory.
void BM_DecodeBlockLog(benchmark::State& state)
{
    FixTable table;
    const std::vector<std::uint8_t> log = MakeBlockLog();
    for (auto _ : state)
        DecodeLogImage(LogKind::Block, log, kJapanEpoch, table);
    SetPerFix(state, table);
}
BENCHMARK(BM_DecodeBlockLog)->Unit(benchmark::kMillisecond);

void BM_LoadCompactLog(benchmark::State& state)
{
    FixTable table;
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadLogFile(CompactLogPath(), kJapanEpoch, table));
    if (table.Count() != kCompactLogFixes)
        state.SkipWithError("fixes lost");
    SetPerFix(state, table);
}
BENCHMARK(BM_LoadCompactLog)->Unit(benchmark::kMillisecond);

// The sister layout, with a damaged record and an erased gap to step over in every block; with
// argument 1 each block's signature is also zeroed and its first record damaged, so that every
// block's layout is looked for past the damage.
void BM_DecodeSisterLog(benchmark::State& state)
{
    FixTable table;
    std::vector<std::uint8_t> log = MakeSisterLog();
    constexpr std::size_t kBlock = 65536;
    constexpr std::size_t kSignature = 512 + 16; // after the block's opening marker
    for (std::size_t block = 0; state.range(0) == 1 && block < log.size() / kBlock; ++block) {
        std::fill_n(log.begin() + static_cast<std::ptrdiff_t>(block * kBlock + kSignature), 16, 0);
        log[block * kBlock + kSignature + 16 + 5] ^= 0x10;
    }
    for (auto _ : state)
        DecodeLogImage(LogKind::Block, log, kJapanEpoch, table);
    SetPerFix(state, table);
}
BENCHMARK(BM_DecodeSisterLog)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LoadSectorLog(benchmark::State& state)
{
    FixTable table;
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadLogFile(SectorLogPath(), kJapanEpoch, table));
    SetPerFix(state, table);
}
BENCHMARK(BM_LoadSectorLog)->Unit(benchmark::kMillisecond);

// Sector decoding without the smoothing step.
void BM_DecodeSectorsOnly(benchmark::State& state)
{
    FixTable table;
    const std::vector<std::uint8_t> log = MakeSectorLog();
    DecodeLogImage(LogKind::Sector, log, kJapanEpoch, table);
    const std::int32_t expected = table.Count();
    for (auto _ : state) {
        table.Clear();
        SectorScanState scan;
        for (std::int32_t i = 0; i < 4096; ++i)
            ScanSector(log, i, kJapanEpoch, scan, table);
    }
    if (table.Count() != expected)
        state.SkipWithError("sector decoding changed between runs");
    SetPerFix(state, table);
}
BENCHMARK(BM_DecodeSectorsOnly)->Unit(benchmark::kMillisecond);

void BM_SmoothFixes(benchmark::State& state)
{
    FixTable table;
    const std::vector<std::uint8_t> log = MakeSectorLog();
    DecodeLogImage(LogKind::Sector, log, kJapanEpoch, table);
    std::vector<TGpsFix> work(static_cast<std::size_t>(table.Count()));
    for (auto _ : state) {
        SmoothFixes(table.Fixes().data(), table.Count(), work.data());
        benchmark::ClobberMemory();
    }
    SetPerFix(state, table);
}
BENCHMARK(BM_SmoothFixes)->Unit(benchmark::kMillisecond);

void BM_FormatRmcLine(benchmark::State& state)
{
    TGpsFix fix{};
    fix.Time = 44319.524268391204;
    fix.Latitude = 35.5020576;
    fix.Longitude = 139.75;
    fix.Speed = 22.7796f;
    fix.Course = 123.4f;
    fix.ExtraValue = 1.25f;
    fix.ExtraCount = 9;
    char line[kMaxRmcLength];
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatRmcLine(fix, line));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FormatRmcLine);

// The records of every fix of the 16 MiB block log, formatted on one thread into a reused buffer
// (no file): the per-record cost on real, varying values.
void BM_FormatBlockLogRecords(benchmark::State& state)
{
    static const RecordStyle kStyles[] = {{-540, false, false}, {-540, true, true}, {-540}};
    static const RecordFormatter kFormatters[] = {FormatNmeaRecord, FormatNmeaRecord,
                                                  FormatGpxPoint};
    FixTable table;
    DecodeLogImage(LogKind::Block, MakeBlockLog(), kJapanEpoch, table);
    const RecordStyle& style = kStyles[state.range(0)];
    const RecordFormatter format = kFormatters[state.range(0)];
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        char* p = buffer.data();
        for (const TGpsFix& fix : table.Fixes()) {
            p = format(fix, style, p);
            if (p > buffer.data() + buffer.size() - 1024)
                p = buffer.data();
        }
        benchmark::DoNotOptimize(p);
    }
    SetPerFix(state, table);
    state.SetLabel(state.range(0) == 0 ? "nmea" : state.range(0) == 1 ? "utc+gga" : "gpx");
}
BENCHMARK(BM_FormatBlockLogRecords)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// Export of a large table: 480 000 fixes to a file.
void BM_ExportFullTable(benchmark::State& state)
{
    constexpr std::size_t kFixes = 480000;
    FixTable decoded;
    DecodeLogImage(LogKind::Block, MakeBlockLog(), kJapanEpoch, decoded);
    std::vector<TGpsFix> fixes;
    while (fixes.size() < kFixes)
        fixes.push_back(decoded[fixes.size() % static_cast<std::size_t>(decoded.Count())]);
    const std::string target = ScratchPath("export.nmea");
    for (auto _ : state) {
        const ExportResult r = ExportNmea(fixes, target, [](const TGpsFix&) { return true; });
        if (!r.Ok())
            state.SkipWithError("export failed");
    }
    state.counters["ns_per_line"] =
        benchmark::Counter(static_cast<double>(kFixes) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    fs::remove(target);
}
BENCHMARK(BM_ExportFullTable)->Unit(benchmark::kMillisecond);

// Every writer over a loaded 16 MiB block log, by the number of formatting threads (0: all on
// the writing thread): the formats' own cost, without the load.
void BM_ExportFormats(benchmark::State& state)
{
    static const ExportFormat kFormats[] = {
        {}, {TrackFormat::Nmea, true, true}, {TrackFormat::Gpx, false, false}};
    ConversionService service(-540);
    if (service.Load(BlockLogPath()).Kind != LogKind::Block)
        state.SkipWithError("load failed");
    ExportRequest request{kFormats[state.range(0)], TimeWindow{}};
    request.Threads.Workers = static_cast<unsigned>(state.range(1));
    const std::string target = ScratchPath("export.out");
    for (auto _ : state)
        if (!service.Export(target, request).Ok())
            state.SkipWithError("export failed");
    state.SetLabel(std::string(state.range(0) == 0   ? "nmea"
                               : state.range(0) == 1 ? "utc+gga"
                                                     : "gpx") +
                   ", " + std::to_string(state.range(1)) + " workers");
    fs::remove(target);
}
BENCHMARK(BM_ExportFormats)
    ->ArgsProduct({{0, 1, 2}, {0, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The command-line converter end to end, in process: a fresh service, load, convert, write.
void CliEndToEnd(benchmark::State& state, const std::string& input,
                 const std::vector<std::string>& format = {})
{
    const std::string output = ScratchPath("cli.out");
    std::vector<std::string> args = {"--bias", "-540", "-q", "-o", output, input};
    args.insert(args.begin(), format.begin(), format.end());
    for (auto _ : state) {
        std::ostringstream out, err;
        if (RunCli(args, out, err) != 0)
            state.SkipWithError("conversion failed");
    }
    fs::remove(output);
}
void BM_CliBlockLog(benchmark::State& state) { CliEndToEnd(state, BlockLogPath()); }
void BM_CliSectorLog(benchmark::State& state) { CliEndToEnd(state, SectorLogPath()); }
void BM_CliBlockLogGpx(benchmark::State& state)
{
    CliEndToEnd(state, BlockLogPath(), {"--format", "gpx"});
}
void BM_CliBlockLogUtcGga(benchmark::State& state)
{
    CliEndToEnd(state, BlockLogPath(), {"--utc", "--gga"});
}
void BM_CliCompactLog(benchmark::State& state) { CliEndToEnd(state, CompactLogPath()); }
BENCHMARK(BM_CliBlockLog)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliSectorLog)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliBlockLogGpx)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliBlockLogUtcGga)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliCompactLog)->Unit(benchmark::kMillisecond)->UseRealTime();

// A folder in memory (Linux's /dev/shm where there is one), so that the disk's syncs do not
// count when many files are written.
fs::path MemoryFolder()
{
    std::error_code ec;
    const fs::path shm = "/dev/shm";
    const fs::path base = fs::is_directory(shm, ec) ? shm : fs::temp_directory_path();
    const fs::path folder = base / ("t2n-bench-" + std::to_string(getpid()) + "-split");
    fs::create_directories(folder);
    return folder;
}

// The compact log (1 949 trips over 28 days) into a memory folder: one file, or one file a trip
// or a day. A split is to cost at most a few times one file.
void BM_CliCompactLogInMemory(benchmark::State& state)
{
    static const char* const kModes[] = {nullptr, "trip", "day"};
    const char* const mode = kModes[state.range(0)];
    const fs::path folder = MemoryFolder();
    std::vector<std::string> args = {"--bias", "-540", "-q", CompactLogPath()};
    if (mode == nullptr)
        args.insert(args.begin(), {"-o", (folder / "compact.nmea").string()});
    else
        args.insert(args.begin(), {"--split", mode, "--output-dir", folder.string()});
    for (auto _ : state) {
        std::ostringstream out, err;
        if (RunCli(args, out, err) != 0)
            state.SkipWithError("conversion failed");
    }
    const auto files = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    state.counters["files"] = static_cast<double>(files);
    state.SetLabel(mode == nullptr ? "one file" : std::string("split ") + mode);
    fs::remove_all(folder);
}
BENCHMARK(BM_CliCompactLogInMemory)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const std::string& path : g_written)
        fs::remove(path);
    return 0;
}
