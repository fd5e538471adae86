// The outputs beside the default file: GPX tracks of trips, split exports, NMEA of a window.
#include "convert/ConversionService.h"
#include "support/GoldenLogs.h"
#include "support/LogWriter.h"
#include "system/Paths.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using namespace t2ntest;

// Trip A from 23:59:58 to 00:00:01 UTC (08:59:58 to 09:00:01 in Japan), trip B at 01:00:00 UTC;
// a wrapped log (the logger wrote on from the front) holds B0 B1 A0 A1 A2 A3.
ConversionService& Loaded(ConversionService& service, const TempDir& dir, bool wrapped)
{
    std::vector<std::int32_t> seconds = {3600, 3601, -2, -1, 0, 1};
    if (!wrapped)
        std::sort(seconds.begin(), seconds.end());
    FlashImage log = BlockLog(1, kBlockBasicMask);
    for (const std::int32_t s : seconds)
        log.Append(0, BlockRecord({.Seconds = kMay2021 + s}, kBlockBasicMask));
    EXPECT_EQ(service.Load(dir.Write("w.bin", log.Data())).Kind, LogKind::Block);
    return service;
}

const std::int64_t kA1 = *MomentOfFields({2021, 5, 3, 8, 59, 59, 0});

std::size_t Tracks(const std::string& path)
{
    const std::string text = ReadWholeFile(path);
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find("<trk>", at)) != std::string::npos; ++at)
        ++n;
    return n;
}

TEST(Outputs, GpxHasATrackPerTripInTimeOrder)
{
    TempDir dir;
    ConversionService service(-540);
    Loaded(service, dir, true);
    const std::string target = (dir.Path() / "w.gpx").string();
    const ExportFormat gpx{TrackFormat::Gpx};
    ASSERT_EQ(service.Export(target, ExportRequest{gpx, {}}).FixesWritten, 6u);
    EXPECT_EQ(Tracks(target), 2u);
    const std::string text = ReadWholeFile(target);
    std::size_t at = 0;
    for (const char* time : {"23:59:58", "23:59:59", "00:00:00", "00:00:01", "01:00:00"})
        ASSERT_NE(at = text.find(time, at), std::string::npos) << time << " out of order";

    // A window that cuts trip A; a gap that joins both trips.
    EXPECT_EQ(service.Export(target, ExportRequest{gpx, {kA1, kA1 + 3000}}).FixesWritten, 3u);
    EXPECT_EQ(Tracks(target), 1u);
    ASSERT_TRUE(service.Export(target, ExportRequest{gpx, {}, 3600 * 1000}).Ok());
    EXPECT_EQ(Tracks(target), 1u);
}

// Each piece's window exports its fixes from a wrapped table and from one in time order, whose
// entries of a window are searched rather than all filtered.
TEST(Outputs, SplitPiecesByTripAndDayInLocalTimeOrUtc)
{
    TempDir dir;
    const ExportFormat local{TrackFormat::Nmea};
    const ExportFormat utc{TrackFormat::Nmea, true};
    const struct {
        SplitMode Mode;
        ExportFormat Format;
        std::vector<std::string> Suffixes;
        std::vector<std::size_t> Fixes;
    } cases[] = {
        {SplitMode::Day, local, {"-20210503"}, {6}},
        {SplitMode::Day, utc, {"-20210502", "-20210503"}, {2, 4}},
        {SplitMode::Trip, local, {"-20210503-085958", "-20210503-100000"}, {4, 2}},
        {SplitMode::Trip, utc, {"-20210502-235958", "-20210503-010000"}, {4, 2}},
    };
    const std::string target = (dir.Path() / "piece.nmea").string();
    for (const bool wrapped : {true, false}) {
        ConversionService service(-540);
        Loaded(service, dir, wrapped);
        for (const auto& c : cases) {
            const std::vector<ExportPiece> pieces =
                service.SplitPieces(c.Mode, ExportRequest{c.Format, {}}, target);
            ASSERT_EQ(pieces.size(), c.Suffixes.size());
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                EXPECT_EQ(pieces[i].Suffix, c.Suffixes[i]);
                EXPECT_EQ(
                    service.Export(target, ExportRequest{c.Format, pieces[i].Window}).FixesWritten,
                    c.Fixes[i]);
            }
        }
    }
    // A trip without a fix in the window gets no piece.
    ConversionService service(-540);
    Loaded(service, dir, true);
    EXPECT_EQ(service.SplitPieces(SplitMode::Trip, ExportRequest{local, {kA1 + 2000, {}}}, "w.nmea")
                  .size(),
              2u);
    EXPECT_EQ(service.SplitPieces(SplitMode::Trip, ExportRequest{local, {kA1 + 3000, {}}}, "w.nmea")
                  .size(),
              1u);
}

// Eight 10-minute trips at 1 Hz, 30 minutes apart, from 22:55 UTC on 2021-05-03: in UTC+1 the
// first runs over local midnight, the third over UTC midnight. The logger's order is the time
// order (shape 0), wrapped within a trip (1), or with neighbours swapped now and then (2).
Bytes EightTripLog(int shape)
{
    std::vector<std::int32_t> seconds;
    for (std::int32_t trip = 0; trip < 8; ++trip)
        for (std::int32_t s = 0; s < 600; ++s)
            seconds.push_back(kMay2021 + 22 * 3600 + 55 * 60 + trip * 1800 + s);
    if (shape == 1)
        std::rotate(seconds.begin(), seconds.begin() + 3300, seconds.end());
    for (std::size_t i = 3; shape == 2 && i + 1 < seconds.size(); i += 7)
        std::swap(seconds[i], seconds[i + 1]);
    FlashImage log = BlockLog(3, kBlockBasicMask);
    for (std::size_t i = 0; i < seconds.size(); ++i)
        log.Append(i / 1600, BlockRecord({.Seconds = seconds[i],
                                          .Latitude = 35.0 + static_cast<double>(i) * 1e-5,
                                          .Speed = static_cast<float>(i % 40)},
                                         kBlockBasicMask));
    return log.Data();
}

// One pass writes every piece of a split with the bytes an export of the piece's window alone
// gives: trips and days, each format, and a request with a window, chosen trips and a gap that
// joins all trips; a piece not marked is left alone.
TEST(Outputs, OnePassWritesEachPieceAsItsOwnExport)
{
    TempDir dir;
    const ExportFormat formats[] = {{}, {TrackFormat::Nmea, true, true}, {TrackFormat::Gpx}};
    const std::string single = (dir.Path() / "single.out").string();
    std::size_t compared = 0;
    for (int shape = 0; shape < 3; ++shape) {
        ConversionService service(-60);
        ASSERT_EQ(service.Load(dir.Write("eight.bin", EightTripLog(shape))).Kind, LogKind::Block);
        const std::vector<Trip>& trips = service.Trips().Trips;
        ASSERT_EQ(trips.size(), 8u);
        for (const ExportFormat& format : formats) {
            ExportRequest narrow{
                format,
                {MomentOfFields({2021, 5, 3, 23, 58, 0}), MomentOfFields({2021, 5, 4, 2, 30, 0})},
                21 * 60000};
            narrow.Chosen = {TripWindow(trips[1]), TripWindow(trips[2]), TripWindow(trips[5])};
            for (const ExportRequest& request : {ExportRequest{format, {}}, narrow}) {
                for (const SplitMode mode : {SplitMode::Trip, SplitMode::Day}) {
                    const std::string where = "shape " + std::to_string(shape) + ", format " +
                                              std::to_string(&format - formats) +
                                              (format.Utc ? " utc" : "") +
                                              (mode == SplitMode::Trip ? ", trips" : ", days") +
                                              (request.Chosen.empty() ? "" : ", narrow");
                    std::vector<ExportPiece> pieces =
                        service.SplitPieces(mode, request, (dir.Path() / "piece.out").string());
                    ASSERT_EQ(pieces.size(), request.Chosen.empty()
                                                 ? (mode == SplitMode::Trip ? 8u : 2u)
                                                 : (mode == SplitMode::Day && format.Utc ? 2u : 1u))
                        << where;
                    pieces.back().Write = pieces.size() == 1;
                    const auto results = service.ExportPieces(pieces, request);
                    ASSERT_EQ(results.size(), pieces.size());
                    for (std::size_t i = 0; i < pieces.size(); ++i) {
                        if (!pieces[i].Write) {
                            EXPECT_FALSE(results[i] || fs::exists(pieces[i].Target)) << where;
                            continue;
                        }
                        ExportRequest alone = request;
                        alone.Window = pieces[i].Window;
                        const ExportResult expected = service.Export(single, alone);
                        ASSERT_TRUE(results[i] && results[i]->Ok()) << where;
                        EXPECT_EQ(results[i]->FixesWritten, expected.FixesWritten) << where;
                        EXPECT_EQ(ReadWholeFile(pieces[i].Target), ReadWholeFile(single)) << where;
                        fs::remove(NativePath(pieces[i].Target));
                        ++compared;
                    }
                }
            }
        }
    }
    EXPECT_EQ(compared, 3u * 3 * (7 + 1 + 1 + 1));
}

// A piece that is the loaded log is refused, and the other pieces are written.
TEST(Outputs, PiecesNeverWriteOverTheLoadedLog)
{
    TempDir dir;
    ConversionService service(-60);
    const Bytes log = EightTripLog(0);
    ASSERT_EQ(service.Load(dir.Write("eight.bin", log)).Kind, LogKind::Block);
    std::vector<ExportPiece> pieces =
        service.SplitPieces(SplitMode::Day, ExportRequest{}, (dir.Path() / "eight.nmea").string());
    ASSERT_EQ(pieces.size(), 2u);
    pieces[0].Target = service.LoadedPath();
    const auto results = service.ExportPieces(pieces, {});
    ASSERT_TRUE(results[0] && results[1]);
    EXPECT_EQ(results[0]->Status, ExportStatus::SameAsLog);
    EXPECT_EQ(results[1]->FixesWritten, 8u * 600 - 300);
    const std::string after = ReadWholeFile(service.LoadedPath());
    EXPECT_EQ(Bytes(after.begin(), after.end()), log);
}

// Once a run has begun (ProtectInputs), a file is one target whatever its name: a piece named
// like a piece of the same split, or any later export named like an output of the run, is
// refused with the log it came from. An output written before the run is written again.
TEST(Outputs, ARunWritesEachFileOnceWhateverItsName)
{
    TempDir dir;
    ConversionService service(-60);
    const std::string log = dir.Write("eight.bin", EightTripLog(0));
    const std::string other = dir.Write("other.bin", EightTripLog(0));
    ASSERT_EQ(service.Load(log).Kind, LogKind::Block);
    const std::string out = (dir.Path() / "out").string();
    fs::create_directory(out);
    ASSERT_TRUE(service.Export(out + "/a.nmea", {}).Ok());
    ASSERT_TRUE(service.Export(out + "/a.nmea", {}).Ok());

    service.ProtectInputs({log, other});
    std::vector<ExportPiece> pieces =
        service.SplitPieces(SplitMode::Day, ExportRequest{}, out + "/./eight.nmea");
    ASSERT_EQ(pieces.size(), 2u);
    const std::string name = pieces[0].Target.substr(out.size() + 3);
    pieces[1].Target = out + "/" + name;
    const auto results = service.ExportPieces(pieces, {});
    ASSERT_TRUE(results[0] && results[1]);
    ASSERT_EQ(results[0]->FixesWritten, 300u);
    EXPECT_EQ(results[1]->Status, ExportStatus::WrittenEarlier);
    EXPECT_EQ(results[1]->Input, log);
    const std::string first = ReadWholeFile(out + "/" + name);
    EXPECT_EQ(static_cast<std::size_t>(std::count(first.begin(), first.end(), '\n')),
              results[0]->LinesWritten);

    const struct {
        std::string Target;
        ExportStatus Status;
        std::string Input;
    } cases[] = {
        {out + "/../out/" + name, ExportStatus::WrittenEarlier, log},
        {out + "/a.nmea", ExportStatus::Ok, ""},
        {out + "/./a.nmea", ExportStatus::WrittenEarlier, log},
        {(dir.Path() / "." / "eight.bin").string(), ExportStatus::SameAsLog, ""},
        {(dir.Path() / "out" / ".." / "other.bin").string(), ExportStatus::SameAsInput, other},
    };
    for (const auto& c : cases) {
        const ExportResult result = service.Export(c.Target, {});
        EXPECT_EQ(result.Status, c.Status) << c.Target;
        EXPECT_EQ(result.Input, c.Input) << c.Target;
    }
}

} // namespace

namespace {

// The golden logs, a wrapped log and a decoded random log of every trip and window shape the
// tests write: each format's bytes do not depend on how many threads format them or on where
// the batches end (one position a batch puts a part's open and close texts at every edge).
TEST(Outputs, ThreadsAndBatchesNeverChangeTheBytes)
{
    TempDir dir;
    std::vector<std::string> logs;
    for (const GoldenPair& pair : kGoldenPairs)
        logs.push_back(dir.Write(pair.Log, pair.Make()));
    // Three blocks of 1 Hz outings with pauses, heights and speeds that vary.
    FlashImage trips = BlockLog(3, kBlockBasicMask);
    for (std::int32_t i = 0; i < 4500; ++i)
        trips.Append(static_cast<std::size_t>(i / 1500),
                     BlockRecord({.Seconds = kMay2021 + i + i / 700 * 1200,
                                  .Latitude = 35.0 + i * 1e-5,
                                  .ExtraValue = static_cast<float>(i % 97) - 3.5f,
                                  .Speed = static_cast<float>(i % 50)},
                                 kBlockBasicMask));
    logs.push_back(dir.Write("trips.bin", trips.Data()));
    ConversionService wrapped(-540);
    logs.push_back(Loaded(wrapped, dir, true).LoadedPath());
    const ExportFormat formats[] = {{},
                                    {TrackFormat::Nmea, true, true},
                                    {TrackFormat::Gpx, false, false},
                                    {TrackFormat::Kml, false, false},
                                    {TrackFormat::GeoJson, false, false},
                                    {TrackFormat::Csv, false, false}};
    const WriteThreads settings[] = {{2, 1}, {2, 3}, {1, 5}, {2, 8192}};
    std::size_t compared = 0;
    for (const std::string& log : logs) {
        ConversionService service(-540);
        ASSERT_NE(service.Load(log).Kind, LogKind::None) << log;
        for (const ExportFormat& format : formats) {
            for (const TimeWindow& window : {TimeWindow{}, TimeWindow{kA1, std::nullopt}}) {
                ExportRequest request{format, window, 2000};
                request.Threads = {0, 4096};
                const std::string single = (dir.Path() / "single").string();
                ASSERT_TRUE(service.Export(single, request).Ok());
                for (const WriteThreads& threads : settings) {
                    request.Threads = threads;
                    const std::string threaded = (dir.Path() / "threaded").string();
                    ASSERT_TRUE(service.Export(threaded, request).Ok());
                    ASSERT_EQ(ReadWholeFile(threaded), ReadWholeFile(single))
                        << log << " format " << static_cast<int>(format.Format) << " batch "
                        << threads.BatchPositions;
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, logs.size() * std::size(formats) * 2 * 4);
}

} // namespace
