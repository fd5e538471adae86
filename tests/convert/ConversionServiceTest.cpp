#include "convert/ConversionService.h"

#include "store/TimeBase.h"
#include "support/LogWriter.h"

#include <gtest/gtest.h>

namespace {

using namespace t2ntest;

// A logger that filled its memory wrote on from the front: the table starts after its end.
TEST(ConversionService, SpanKeepsTableOrderAndFindsTheEarliestAndLatest)
{
    TempDir dir;
    FlashImage log = BlockLog(1, kBlockBasicMask);
    for (const std::int32_t s : {100, 200, 300, 0, 50})
        log.Append(0, BlockRecord({.Seconds = kMay2021 + s}, kBlockBasicMask));
    ConversionService service(-540);
    EXPECT_FALSE(service.Span());
    ASSERT_EQ(service.Load(dir.Write("wrapped.bin", log.Data())).Kind, LogKind::Block);
    const std::optional<LogSpan> span = service.Span();
    ASSERT_TRUE(span);
    EXPECT_EQ(FormatDayCount(span->First), "2021/05/03 09:01:40.000");
    EXPECT_EQ(FormatDayCount(span->Last), "2021/05/03 09:00:50.000");
    EXPECT_EQ(FormatDayCount(span->Earliest), "2021/05/03 09:00:00.000");
    EXPECT_EQ(FormatDayCount(span->Latest), "2021/05/03 09:05:00.000");
}

// The dates a week-rollover repair would move, found and repaired: a block log's earliest and
// latest fix, and for a sector log that dropped every record as too early, those records' dates.
TEST(ConversionService, NamesTheDatesTheWeekRolloverRepairMoves)
{
    TempDir dir;
    constexpr std::int32_t kEarly = kMay2021 - 1024 * 604800; // 2001-09-17 00:00:00 UTC
    FlashImage block = BlockLog(1, kBlockBasicMask);
    FlashImage sector = SectorLog(1, kSectorFixMask);
    for (const std::int32_t s : {86400 + 7, 0, 3 * 86400 + 59}) {
        block.Append(0, BlockRecord({.Seconds = kEarly + s}, kBlockBasicMask));
        sector.Append(0, SectorRecord({.Seconds = kEarly + s}, kSectorFixMask));
    }
    const auto ms = [](int year, int month, int day, int hour, int minute, int second) {
        return CalendarToMilliseconds({year, month, day, hour, minute, second, 0});
    };
    ConversionService service(-540);
    for (const char* name : {"early.bin", "early.bnx4"}) {
        SCOPED_TRACE(name);
        const LoadResult loaded = service.Load(
            dir.Write(name, std::string(name).ends_with("bin") ? block.Data() : sector.Data()));
        ASSERT_TRUE(loaded.LikelyWeekRollover);
        const std::optional<RolloverSpans> spans = service.WeekRolloverSpans();
        ASSERT_TRUE(spans);
        EXPECT_EQ(spans->FoundFirstMs, ms(2001, 9, 17, 9, 0, 0));
        EXPECT_EQ(spans->FoundLastMs, ms(2001, 9, 20, 9, 0, 59));
        EXPECT_EQ(spans->RepairedFirstMs, ms(2021, 5, 3, 9, 0, 0));
        EXPECT_EQ(spans->RepairedLastMs, ms(2021, 5, 6, 9, 0, 59));
    }
    ASSERT_EQ(service.FixCount(), 0); // the sector log dropped them all
    (void)service.Load(dir.Write("today.bin", BlockLog(1, kBlockBasicMask).Data()));
    EXPECT_FALSE(service.WeekRolloverSpans());
}

// The loaded log is never written over, whatever name leads to it; an ignored file does not
// become the loaded log.
TEST(ConversionService, RefusesToWriteOverTheLoadedLog)
{
    TempDir dir;
    FlashImage log = BlockLog(1, kBlockBasicMask);
    log.Append(0, BlockRecord({}, kBlockBasicMask));
    const std::string path = dir.Write("track.nmea", log.Data());
    ConversionService service(-540);
    ASSERT_EQ(service.Load(path).Kind, LogKind::Block);
    EXPECT_EQ(service.Load(dir.Write("odd.bin", Bytes(10, 0))).Kind, LogKind::None);
    EXPECT_EQ(service.LoadedPath(), path);
    for (const std::string& target : {path, (dir.Path() / "." / "track.nmea").string()}) {
        EXPECT_EQ(service.Export(target, ExportRequest{}).Status, ExportStatus::SameAsLog)
            << target;
    }
    EXPECT_EQ(ReadWholeFile(path).size(), kBlockBytes);
    EXPECT_TRUE(service.Export((dir.Path() / "other.nmea").string(), {}).Ok());
}

// A full log of compact records holds 594 432 fixes, more than the 480 000 a table once held:
// the table, its span, the trips and every output keep them all, up to the last one, 594 431 s
// (6 days 21:07:11) after the first at 09:00 local.
TEST(ConversionService, KeepsEveryFixOfAFullLog)
{
    TempDir dir;
    ConversionService service(-540);
    ASSERT_EQ(service.Load(dir.Write("full.bin", FullCompactBlockLog())).Kind, LogKind::Block);
    ASSERT_EQ(service.FixCount(), kFullCompactLogFixes);
    EXPECT_EQ(FormatDayCount(service.Span()->Last), "2021/05/10 06:07:11.000");
    ASSERT_EQ(service.Trips().Trips.size(), 1u);
    EXPECT_EQ(service.Trips().Trips[0].FixCount(), std::size_t{kFullCompactLogFixes});
    const struct {
        ExportFormat Format;
        const char* LastRecord;
    } outputs[] = {
        {{}, "$GPRMC,060711.000,A,3500.258600,N,13945.000000,E,0.0,0.0,100521,1.250,0,A*75\r\n"},
        {{TrackFormat::Gpx},
         R"(<trkpt lat="35.00431" lon="139.75"><ele>1.25</ele>)"
         "<time>2021-05-09T21:07:11.000Z</time>"},
    };
    for (const auto& output : outputs) {
        const std::string target = (dir.Path() / "full.out").string();
        EXPECT_EQ(service.Export(target, ExportRequest{output.Format, {}}).FixesWritten,
                  std::size_t{kFullCompactLogFixes});
        const std::string text = ReadWholeFile(target);
        const std::size_t last = text.rfind(output.LastRecord);
        ASSERT_NE(last, std::string::npos) << output.LastRecord;
        EXPECT_GT(last, text.size() - 600);
    }
}

// A fix at an exact local second lies inside a window that starts at that second and outside
// one that ends there, in every time zone: the decision is taken on whole milliseconds, as the
// printed time rounds them, never on the last bit of a day count.
TEST(TimeWindow, ExactSecondsAtEveryBias)
{
    const std::int64_t utcMidnight = CalendarToMilliseconds({2021, 5, 3, 0, 0, 0, 0});
    for (std::int32_t bias = -1440; bias <= 1440; ++bias) {
        const double epoch = LocalEpochFromBias(bias);
        for (std::int32_t second = 0; second < 86400; second += 3607) {
            TGpsFix fix{};
            fix.Time = LoggerTimeToDayCount(kMay2021 + second, 0, epoch);
            const std::int64_t local = utcMidnight + second * 1000LL - bias * 60000LL;
            ASSERT_TRUE((TimeWindow{local, std::nullopt}.Contains(fix))) << bias << " " << second;
            ASSERT_FALSE((TimeWindow{std::nullopt, local}.Contains(fix))) << bias << " " << second;
            ASSERT_TRUE((TimeWindow{local - 1000, local + 1}.Contains(fix)));
        }
    }
    // Impossible dates give no moment; whole seconds give exact milliseconds.
    EXPECT_FALSE(MomentOfFields({2024, 2, 30, 0, 0, 0, 0}));
    EXPECT_EQ(MomentOfFields({1899, 12, 31, 0, 0, 1, 0}), 86401000);
}

} // namespace
