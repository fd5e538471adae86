#include "load/LogFile.h"

#include "store/TimeBase.h"
#include "support/BadFiles.h"
#include "support/LogWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace t2ntest;
namespace fs = std::filesystem;

class LogLoader : public ::testing::Test
{
  protected:
    LoadResult Load(const std::string& path) { return LoadLogFile(path, kJapanEpoch, table); }

    // Two recognisable table entries.
    void Prefill()
    {
        table.Clear();
        TGpsFix fix{};
        fix.Time = 44000.5;
        table.Append(fix);
        fix.Time = 44001.5;
        table.Append(fix);
    }
    void ExpectPrefillUntouched()
    {
        EXPECT_EQ(table.Count(), 2);
        EXPECT_EQ(table[1].Time, 44001.5);
    }
    // Entry i's time as "hh:mm:ss.zzz" (kMay2021 is 09:00:00 in Japan).
    std::string Clock(std::size_t i) const { return FormatDayCount(table[i].Time).substr(11); }

    FixTable table;
    TempDir dir;
};

TEST(LogKindFromPath, ExtensionOfTheLastComponentInAnyCase)
{
    for (const char* path :
         {"track.bnx4", "track.Bnx4", "TRACK.BNX4", "/a.b/track.bNX4", ".BNX4", "dir/.bnx4"})
        EXPECT_EQ(KindFromPath(path), LogKind::Sector) << path;
    for (const char* path : {"track.binx", "track.bin", "track.bnx", "track.bnx4.bak", "track",
                             "data.bnx4/track", "/x/data.bnx4/track", "track.bnx44", "t_bnx4"})
        EXPECT_EQ(KindFromPath(path), LogKind::Block) << path;
}

// The window's drop rule: the last component's extension, after its last dot, in any case.
TEST(LogName, ExtensionOfTheLastComponentInAnyCase)
{
    for (const char* path :
         {"track.bnx4", "TRACK.BNX4", "Log.BinX", "day.bin", "/a.b/x.BIN", "dir/.bin", "a.jpg.bin"})
        EXPECT_TRUE(IsLogName(path)) << path;
    for (const char* path : {"notes.txt", "track.bnx4.bak", "data.bin/photo.jpg", "track",
                             "track.bnx", "t_bin", "day.bin4", "photo.jpg", "bin", ""})
        EXPECT_FALSE(IsLogName(path)) << path;
}

// Accepted loads empty the table (these erased files hold no fix); ignored ones touch nothing.
TEST_F(LogLoader, ExistenceExtensionAndSizeRules)
{
    struct Case {
        const char* Name;
        std::size_t Size; // SIZE_MAX: no file at all; 1: a folder
        LogKind Kind;
        IgnoreReason Ignored;
    };
    const Case cases[] = {
        {"track.binx", 3 * kBlockBytes, LogKind::Block, IgnoreReason::None},
        {"track.binx", 3 * kBlockBytes + 4096, LogKind::None, IgnoreReason::SizeNotMultiple},
        {"track", kBlockBytes, LogKind::Block, IgnoreReason::None},
        {"track.bnx4", 5 * kSectorBytes, LogKind::Sector, IgnoreReason::None},
        {"track.bnx4", 4097, LogKind::None, IgnoreReason::SizeNotMultiple},
        {"TRACK.Bnx4", kSectorBytes, LogKind::Sector, IgnoreReason::None},
        {"track.bnx", kSectorBytes, LogKind::None, IgnoreReason::SizeNotMultiple},
        {"track.bnx4.bak", kSectorBytes, LogKind::None, IgnoreReason::SizeNotMultiple},
        {"data.bnx4/track", kSectorBytes, LogKind::None, IgnoreReason::SizeNotMultiple},
        {"empty.binx", 0, LogKind::Block, IgnoreReason::None},
        {"empty.bnx4", 0, LogKind::Sector, IgnoreReason::None},
        {"big.binx", kBufferBytes + kBlockBytes, LogKind::None, IgnoreReason::TooLarge},
        {"big.bnx4", kBufferBytes + kSectorBytes, LogKind::None, IgnoreReason::TooLarge},
        {"missing.bnx4", SIZE_MAX, LogKind::None, IgnoreReason::NotFound},
        {"folder.bnx4", 1, LogKind::None, IgnoreReason::NotAFile},
        {"folder.binx", 1, LogKind::None, IgnoreReason::NotAFile},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string path = (dir.Path() / std::to_string(n++) / c.Name).string();
        if (c.Size == 1)
            fs::create_directories(path);
        else if (c.Size != SIZE_MAX) {
            path = dir.Write(std::to_string(n - 1) + "/" + c.Name, Repeat(0xFF, 4096));
            fs::resize_file(path, c.Size); // the rest reads as zero bytes
        }
        Prefill();
        const LoadResult result = Load(path);
        EXPECT_EQ(result.Kind, c.Kind);
        EXPECT_EQ(result.Ignored, c.Ignored);
        EXPECT_FALSE(result.Failed());
        if (c.Kind == LogKind::None) {
            ExpectPrefillUntouched();
        } else {
            EXPECT_EQ(table.Count(), 0);
        }
    }
}

TEST_F(LogLoader, EveryUnitIsScannedAndFirstAndLastFollowTableOrder)
{
    FlashImage blocks = BlockLog(3, kBlockBasicMask);
    // Times run backwards through the file: "first" is entry 0 all the same.
    for (std::size_t b = 0; b < 3; ++b)
        blocks.Append(b, BlockRecord({.Seconds = kMay2021 + 30 - int(b) * 10,
                                      .Millisecond = std::uint16_t(b * 250)},
                                     kBlockBasicMask));
    LoadResult result = Load(dir.Write("track.binx", blocks.Data()));
    EXPECT_EQ(result.Kind, LogKind::Block);
    ASSERT_EQ(table.Count(), 3);
    EXPECT_EQ(Clock(0), "09:00:30.000");
    EXPECT_EQ(Clock(2), "09:00:10.500");

    FlashImage sectors = SectorLog(5, kSectorFixMask);
    for (std::size_t s = 0; s < 5; ++s)
        sectors.Append(s, SectorRecord({.Seconds = kMay2021 + int(s)}, kSectorFixMask));
    result = Load(dir.Write("track.BNX4", sectors.Data()));
    EXPECT_EQ(result.Kind, LogKind::Sector);
    ASSERT_EQ(table.Count(), 5);
    EXPECT_EQ(Clock(0), "09:00:00.000");
    EXPECT_EQ(Clock(4), "09:00:04.000");
}

TEST_F(LogLoader, FullSizeImagesReachTheirLastUnit)
{
    FlashImage blocks = BlockLog(256, kBlockBasicMask);
    blocks.Append(0, BlockRecord({}, kBlockBasicMask));
    blocks.Append(255, BlockRecord({.Seconds = kMay2021 + 1}, kBlockBasicMask));
    // A record that would end past the 16 MiB reads erased flash there: no '*', rejected.
    Bytes cut = BlockRecord({.Seconds = kMay2021 + 2}, kBlockBasicMask);
    cut.resize(16);
    blocks.SetCursor(255, kBlockBytes - 16);
    blocks.Append(255, cut);
    LoadResult result = Load(dir.Write("full.binx", blocks.Data()));
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(Clock(1), "09:00:01.000");

    FlashImage sectors = SectorLog(4096, kSectorFixMask);
    sectors.Append(0, SectorRecord({}, kSectorFixMask));
    sectors.Append(4095, SectorRecord({.Seconds = kMay2021 + 1}, kSectorFixMask));
    result = Load(dir.Write("full.bnx4", sectors.Data()));
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(Clock(1), "09:00:01.000");
}

TEST_F(LogLoader, NothingOfALongerEarlierFileSurvives)
{
    ASSERT_EQ(Load(dir.Write("big.binx", Bytes(16 * kBlockBytes, 0))).Kind, LogKind::Block);
    FlashImage small = BlockLog(1, kBlockBasicMask);
    small.Append(0, BlockRecord({}, kBlockBasicMask, Seal::BadChecksum));
    small.Append(0, BlockRecord({.Seconds = 0}, kBlockBasicMask));
    const LoadResult result = Load(dir.Write("small.binx", small.Data()));
    EXPECT_EQ(result.Kind, LogKind::Block);
    EXPECT_EQ(table.Count(), 0);
}

// The fix-type gate does not carry over from one file into the next.
TEST_F(LogLoader, FixTypeGateStartsAfreshForEveryFile)
{
    FlashImage first = SectorLog(1, kSectorFixMask);
    first.Append(0, SectorRecord({}, kSectorFixMask));
    first.Append(0, SectorRecord({.Seconds = kMay2021 + 1, .FixType = 2}, kSectorFixMask));
    ASSERT_EQ(Load(dir.Write("a.bnx4", first.Data())).Kind, LogKind::Sector);
    EXPECT_EQ(table.Count(), 1);

    FlashImage second = SectorLog(1, kSectorFixMask);
    for (int i = 0; i < 6; ++i)
        second.Append(0, SectorRecord({.Seconds = kMay2021 + 100 + i}, kSectorFixMask));
    EXPECT_EQ(Load(dir.Write("b.bnx4", second.Data())).Kind, LogKind::Sector);
    ASSERT_EQ(table.Count(), 6);
    EXPECT_EQ(Clock(0), "09:01:40.000");
}

// The same three 10 Hz fixes: smoothed from a sector log, untouched from a block log.
TEST_F(LogLoader, OnlySectorLogsAreSmoothed)
{
    const float speeds[] = {10.0f, 20.0f, 10.0f};
    FlashImage blocks = BlockLog(1, kBlockBasicMask), sectors = SectorLog(1, kSectorFixMask);
    for (std::uint16_t i = 0; i < 3; ++i) {
        const RawFix fix{.Speed = speeds[i], .Millisecond = std::uint16_t(100 * i)};
        blocks.Append(0, BlockRecord(fix, kBlockBasicMask));
        sectors.Append(0, SectorRecord(fix, kSectorFixMask));
    }
    ASSERT_EQ(Load(dir.Write("t.binx", blocks.Data())).Kind, LogKind::Block);
    EXPECT_EQ(table[1].Speed, 20.0f);
    ASSERT_EQ(Load(dir.Write("t.bnx4", sectors.Data())).Kind, LogKind::Sector);
    ASSERT_EQ(table.Count(), 3);
    EXPECT_EQ(table[1].Speed, float((1.8L * 20 + 0.5L * 10 + 0.5L * 10) / (1.8L + 0.5L + 0.5L)));
    // 200 ms lies inside the 210 ms window (10, 20, 10 is no run).
    EXPECT_EQ(table[0].Speed, float((1.8L * 10 + 0.5L * 20 + 0.35L * 10) / (1.8L + 0.5L + 0.35L)));
}

TEST_F(LogLoader, UnreadableFileIsAnIoErrorThatLeavesTheTable)
{
    // A sector log of one sector: the size rules pass, the open fails.
    const std::optional<std::string> path =
        UnreadableFile(dir, "locked.BNX4", Bytes(kSectorBytes, 0xFF));
    if (!path)
        GTEST_SKIP() << "no file here that the superuser cannot read";
    Prefill();
    const LoadResult result = Load(*path);
    EXPECT_EQ(result.IoErrno, EACCES);
    EXPECT_EQ(result.Kind, LogKind::None);
    EXPECT_EQ(table.Count(), 2);
}

// The week-rollover hint looks at the fixes with a position, and nearly all of them must agree:
// one stray record at the GPS epoch or a few true dates do not decide it.
TEST_F(LogLoader, WeekRolloverHintFollowsNearlyAllFixes)
{
    constexpr std::int32_t k2004 = 1083000000; // 2004-04-26
    constexpr std::int32_t kGpsEpoch = 315964800;
    struct Case {
        const char* name;
        std::int32_t early; // fixes in 2004
        std::int32_t stray; // fixes at the GPS epoch
        std::int32_t late;  // fixes in 2021
        std::int32_t noFix; // records without a fix, in 2021
        bool hint;
    };
    const Case cases[] = {
        {"all early", 200, 0, 0, 0, true},
        {"one at the GPS epoch", 200, 1, 0, 0, true},
        {"one true date in 200", 199, 0, 1, 0, true},
        {"three true dates in 200", 197, 0, 3, 0, false},
        {"records without a fix do not count", 200, 0, 0, 50, true},
        {"only the GPS epoch", 0, 5, 0, 0, false},
        {"all late", 0, 0, 200, 0, false},
    };
    for (const Case& c : cases) {
        FlashImage log = BlockLog(1, kBlockBasicMask);
        const auto add = [&](std::int32_t n, std::int32_t from, std::uint16_t type) {
            for (std::int32_t i = 0; i < n; ++i)
                log.Append(0, BlockRecord({.Seconds = from + i, .FixType = type}, kBlockBasicMask));
        };
        add(c.stray, kGpsEpoch, kSpsFixType);
        add(c.early, k2004, kSpsFixType);
        add(c.late, kMay2021, kSpsFixType);
        add(c.noFix, kMay2021 + 1000, kNoFixType);
        const LoadResult result = Load(dir.Write("log.bin", log.Data()));
        EXPECT_EQ(result.LikelyWeekRollover, c.hint) << c.name;
    }
}

// A log named for the other kind says so when its content fits that kind far better; the name
// still decides how it is read.
TEST_F(LogLoader, MisnamedLogsResembleTheOtherKind)
{
    FlashImage block = BlockLog(1, kBlockBasicMask);
    FlashImage sector = SectorLog(16, kSectorFixMask);
    const FlashImage erased = BlockLog(1, kBlockBasicMask);
    for (std::int32_t i = 0; i < 40; ++i) {
        const RawFix fix{.Seconds = kMay2021 + i, .Latitude = 35.0 + i * 1e-5};
        block.Append(0, BlockRecord(fix, kBlockBasicMask));
        sector.Append(static_cast<std::size_t>(i) / 10, SectorRecord(fix, kSectorFixMask));
    }
    const struct {
        const char* name;
        const Bytes& bytes;
        LogKind kind;
        LogKind resembles;
    } cases[] = {
        {"block.bin", block.Data(), LogKind::Block, LogKind::None},
        {"block.BNX4", block.Data(), LogKind::Sector, LogKind::Block},
        {"sector.BNX4", sector.Data(), LogKind::Sector, LogKind::None},
        {"sector.bin", sector.Data(), LogKind::Block, LogKind::Sector},
        {"erased.bin", erased.Data(), LogKind::Block, LogKind::None},
    };
    for (const auto& c : cases) {
        const LoadResult result = Load(dir.Write(c.name, c.bytes));
        EXPECT_EQ(result.Kind, c.kind) << c.name;
        EXPECT_EQ(result.Resembles, c.resembles) << c.name;
    }
}

} // namespace

namespace {

// A sister-layout file of `records` fixes under `mask`, opening with a signature.
FlashImage SisterFile(std::uint32_t mask, int records)
{
    FlashImage log = BlockLog(1, mask);
    log.SealHeader(0);
    log.Append(0, Signature("GR241"));
    for (int i = 0; i < records; ++i)
        log.Append(0, SisterRecord({.Seconds = kMay2021 + i}, mask));
    return log;
}

} // namespace

// A block log that is not whole blocks loads when every block it frames is of the sister layout
// (the partial last block read as erased flash); any other keeps the size rule, and one the
// plain layout frames is named a copy cut short.
TEST_F(LogLoader, PartialBlockLogsOfTheSisterLayoutLoad)
{
    FlashImage plain = BlockLog(2, kBlockBasicMask);
    for (int i = 0; i < 30; ++i)
        plain.Append(i < 20 ? 0 : 1, BlockRecord({.Seconds = kMay2021 + i}, kBlockBasicMask));
    const Bytes sister = SisterFile(kSisterBasicMask, 30).Data();
    struct Case {
        const char* What;
        Bytes File;
        LogKind Kind;
        std::int32_t Fixes;
        bool TruncatedCopy;
    };
    const Case cases[] = {
        {"a sister file saved without its erased end", FirstBytes(sister, 4544), LogKind::Block, 30,
         false},
        {"a sister file cut inside its records", FirstBytes(sister, 1000), LogKind::Block, 15,
         false},
        {"a sister block and a part of the next", Joined({sister, FirstBytes(sister, 2000)}),
         LogKind::Block, 60, false},
        {"a plain block log cut short", FirstBytes(plain.Data(), kBlockBytes + 700), LogKind::None,
         2, true},
        {"a plain block log cut inside its first block", FirstBytes(plain.Data(), 1000),
         LogKind::None, 2, true},
        {"a plain block, then a sister part", Joined({plain.Data(), FirstBytes(sister, 4544)}),
         LogKind::None, 2, true},
        {"a header alone", FirstBytes(sister, 512), LogKind::None, 2, false},
        {"erased flash", Repeat(0xFF, 4544), LogKind::None, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Prefill();
        const LoadResult result = Load(dir.Write("partial.bin", c.File));
        EXPECT_EQ(result.Kind, c.Kind);
        EXPECT_EQ(result.Ignored,
                  c.Kind == LogKind::None ? IgnoreReason::SizeNotMultiple : IgnoreReason::None);
        EXPECT_EQ(result.TruncatedCopy, c.TruncatedCopy);
        EXPECT_EQ(table.Count(), c.Fixes);
        if (c.Kind == LogKind::Block) {
            EXPECT_EQ(result.Layout, LogLayout::Sister);
        }
    }
    // A sector log keeps its size rule whatever it holds.
    Prefill();
    EXPECT_EQ(Load(dir.Write("partial.bnx4", FirstBytes(sister, 4544))).Ignored,
              IgnoreReason::SizeNotMultiple);
    ExpectPrefillUntouched();
}

// What the log's masks record decides which fields the files for other programs may claim.
TEST_F(LogLoader, RecordedFieldsFollowTheMasks)
{
    constexpr std::uint32_t kNoSatellites = 0x4007F; // bits 0-6, 18
    constexpr std::uint32_t kNoCourse = 0x4103F;     // bits 0-5, 12, 18
    constexpr std::uint32_t kTimeAndPosition = 0xD;  // bits 0, 2, 3
    const std::tuple<const char*, Bytes, bool, bool> cases[] = {
        {"sister, every field", SisterFile(kSisterBasicMask, 3).Data(), true, true},
        {"sister, no satellites", SisterFile(kNoSatellites, 3).Data(), false, true},
        {"sister, no course", SisterFile(kNoCourse, 3).Data(), true, false},
        {"sister, neither", SisterFile(kTimeAndPosition, 3).Data(), false, false},
    };
    for (const auto& [what, bytes, satellites, course] : cases) {
        const LoadResult result = Load(dir.Write("fields.bin", bytes));
        ASSERT_EQ(table.Count(), 3) << what;
        EXPECT_EQ(std::pair(result.RecordsSatellites, result.RecordsCourse),
                  std::pair(satellites, course))
            << what;
    }
    // A kind-2 marker brings the satellites in for the records after it.
    FlashImage plain = BlockLog(1, kNoSatellites);
    plain.Append(0, BlockRecord({}, kNoSatellites));
    plain.Append(0, MaskMarker(2, kBlockBasicMask | 0x1000));
    plain.Append(0, BlockRecord({.Seconds = kMay2021 + 1}, kBlockBasicMask | 0x1000));
    const LoadResult mixed = Load(dir.Write("marker.bin", plain.Data()));
    EXPECT_TRUE(mixed.RecordsSatellites && mixed.RecordsCourse);
    FlashImage sectors = SectorLog(1, kSectorFixMask);
    sectors.Append(0, SectorRecord({}, kSectorFixMask));
    const LoadResult sector = Load(dir.Write("s.bnx4", sectors.Data()));
    EXPECT_TRUE(sector.RecordsSatellites);
    EXPECT_FALSE(sector.RecordsCourse);
}
