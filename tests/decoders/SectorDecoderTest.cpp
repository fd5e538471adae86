#include "decoders/SectorDecoder.h"

#include "support/LogWriter.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numeric>
#include <vector>

namespace {

using namespace t2ntest;

constexpr double kEpoch = kJapanEpoch;
constexpr std::int32_t kJan2021 = 1609426800; // 2021-01-01 00:00:00 in Japan
constexpr float kNanF = std::numeric_limits<float>::quiet_NaN();
// 2021-05-03 12:34:56.789 in Japan (logger second 1620012896, millisecond 789).
constexpr double kWorkedTime = 0x1.5a3f0c6ce8152p+15;

// A fix-type-3 record at kMay2021 + i seconds.
RawFix At(std::int32_t i, std::uint16_t fixType = 3) { return {kMay2021 + i, fixType}; }

// Scans the sectors directly, without the smoothing of a load.
class SectorScan : public ::testing::Test
{
  protected:
    // A fresh table and gate for every scan.
    void Scan(const FlashImage& log)
    {
        table.Clear();
        state = {};
        for (std::size_t s = 0; s < log.Data().size() / kSectorBytes; ++s)
            ScanSector(log.Data(), static_cast<std::int32_t>(s), kEpoch, state, table);
    }
    // The i of the stored fixes made by At(i): whole seconds after 2021-05-03 09:00:00 in Japan,
    // the day count 44319.375.
    std::vector<std::int32_t> Kept() const
    {
        std::vector<std::int32_t> out;
        for (const TGpsFix& fix : table.Fixes())
            out.push_back(static_cast<std::int32_t>(std::lround((fix.Time - 44319.375) * 86400)));
        return out;
    }
    FixTable table;
    SectorScanState state;
};

TEST(SectorRecord, LengthFromTheFieldTable)
{
    const std::pair<std::uint32_t, std::int32_t> cases[] = {
        {0x0, 2},         {0x1, 6},        {0x2, 4},      {0x4, 10},      {0x8, 10},
        {0x10, 6},        {0x20, 6},       {0x1000, 4},   {0x20000, 4},   {0x40000, 4},
        {0x200000, 54},   {0x4103F, 36},   {0x6103F, 38}, {0x24103F, 88}, {0x26103F, 90},
        {0xFFFFFFFF, 90}, {0xFFC00000, 2}, // bits 22-31 are ignored
        {0x19EFC0, 2},                     // bits 6-11, 13-16, 19 and 20 carry no bytes
    };
    for (const auto& [mask, length] : cases) {
        EXPECT_EQ(SectorRecordLength(mask), length) << std::hex << mask;
        EXPECT_EQ(SectorRecord({}, mask).size(), static_cast<std::size_t>(length));
    }
}

TEST_F(SectorScan, DecodesTheFields)
{
    const std::uint32_t mask = kSectorFullMask | 0x40; // bit 6 carries nothing here
    const RawFix raw{1620012896, 3,     -33.5, -70.25, std::bit_cast<float>(~0u),
                     22.7796f,   45.0f, 11,    9,      789};
    FlashImage log = SectorLog(1, mask);
    log.Append(0, SectorRecord(raw, mask));
    Scan(log);
    ASSERT_EQ(table.Count(), 1);
    const TGpsFix& got = table[0];
    EXPECT_EQ(got.Time, kWorkedTime);
    EXPECT_EQ(got.FixType, 3);
    EXPECT_EQ(got.Latitude, -33.5);
    EXPECT_EQ(got.Longitude, -70.25);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(got.ExtraValue), ~0u);
    EXPECT_EQ(got.Speed, 22.7796f);
    EXPECT_EQ(got.Course, 0.0f);
    EXPECT_EQ(got.SatelliteCount, 11);
    EXPECT_EQ(got.ExtraCount, 9);
    EXPECT_EQ(got.Millisecond, 789);
}

// Records fill a sector while both 16 bytes and a whole record fit before its end. The record
// that no longer fits is written anyway, running on into the next sector (whose header mask is
// written back over it): a walk that read past the sector's end would find one fix too many.
TEST_F(SectorScan, RecordsPerSector)
{
    const std::pair<std::uint32_t, std::int32_t> cases[] = {
        {kSectorFixMask, 99},  // 36-byte records at 512 ... 4040
        {0x6103F, 94},         // 38 bytes
        {0x24103F, 40},        // 88 bytes
        {kSectorFullMask, 39}, // 90-byte records at 512 ... 3932
    };
    for (const auto& [mask, count] : cases) {
        FlashImage log = SectorLog(2, mask);
        std::int32_t i = 0;
        while (log.Cursor(0) + SectorRecord({}, mask).size() <= kSectorBytes)
            log.Append(0, SectorRecord(At(i++), mask));
        ASSERT_EQ(i, count);
        log.Put(log.Cursor(0), SectorRecord(At(i), mask));
        log.SetHeaderMask(1, mask);
        Scan(log);
        EXPECT_EQ(table.Count(), count) << std::hex << mask;
        EXPECT_EQ(Kept().back(), count - 1);
    }
}

TEST_F(SectorScan, Markers)
{
    FlashImage log = SectorLog(4, 0x3F);
    // Kind 2 at 512: the header's mask is never used.
    log.Append(0, MaskMarker(2, kSectorFixMask));
    log.Append(0, SectorRecord(At(0), kSectorFixMask));
    // Kind 2 later on changes the record length for the rest of the sector.
    log.Append(0, MaskMarker(2, kSectorFixMask | 0x20000));
    log.Append(0, SectorRecord(At(1), kSectorFixMask | 0x20000));
    log.Append(0, SectorRecord(At(2), kSectorFixMask | 0x20000));
    // Kind 1 only moves the walk on by 16 bytes; the next sector starts from its own header.
    log.SetHeaderMask(1, kSectorFixMask);
    log.Append(1, MaskMarker(1, 0x3F));
    log.Append(1, SectorRecord(At(3), kSectorFixMask));
    // After 39 records of 90 bytes the walk stands at 4022: a marker would fit there, a record
    // would not, so the walk ends before the marker and the record that would fit after it.
    log.SetHeaderMask(2, kSectorFullMask);
    for (std::int32_t i = 4; i < 43; ++i)
        log.Append(2, SectorRecord(At(i), kSectorFullMask));
    ASSERT_EQ(log.Cursor(2), 4022u);
    log.Append(2, MaskMarker(2, kSectorFixMask));
    log.Append(2, SectorRecord(At(99), kSectorFixMask));
    Scan(log);
    std::vector<std::int32_t> expected(43);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(Kept(), expected);
}

TEST_F(SectorScan, ErasedSpaceAndLookalikes)
{
    FlashImage log = SectorLog(3, kSectorFixMask);
    // 36 erased bytes are one step; a 16-byte stride would land inside the record at 548.
    log.Append(0, Repeat(0xFF, 36));
    log.Append(0, SectorRecord(At(0), kSectorFixMask));
    // Six 0xFF bytes (seconds -1, fix type 0xFFFF) are empty space, never decoded, so they do
    // not arm the fix-type gate; four (fix type 2 after them) are a record, which does.
    log.Append(1, SectorRecord({-1, 0xFFFF}, kSectorFixMask));
    for (std::int32_t i = 1; i <= 5; ++i)
        log.Append(1, SectorRecord(At(i), kSectorFixMask));
    log.Append(1, SectorRecord({-1, 2}, kSectorFixMask));
    for (std::int32_t i = 6; i <= 11; ++i)
        log.Append(1, SectorRecord(At(i), kSectorFixMask));
    // Seven 0xAA without the closing 0xBB are a record: its fix type 0xAAAA arms the gate.
    const RawFix aa{static_cast<std::int32_t>(0xAAAAAAAAu), 0xAAAA,
                    std::bit_cast<double>(0x40418000000000AAull)};
    ASSERT_EQ(SectorRecord(aa, kSectorFixMask).at(6), 0xAA);
    log.Append(2, SectorRecord(aa, kSectorFixMask));
    for (std::int32_t i = 20; i <= 25; ++i)
        log.Append(2, SectorRecord(At(i), kSectorFixMask));
    Scan(log);
    EXPECT_EQ(Kept(), (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 11, 25}));

    FlashImage erased = SectorLog(1, 0); // erased throughout: mask 0xFFFFFFFF, 90-byte steps
    erased.Put(0, Repeat(0xFF, kItemsStart));
    Scan(erased);
    EXPECT_EQ(table.Count(), 0);
}

TEST_F(SectorScan, FixTypeGate)
{
    const std::pair<std::vector<std::uint16_t>, std::vector<std::int32_t>> cases[] = {
        {{3, 3, 3}, {0, 1, 2}},
        {{2, 3, 3, 3, 3, 3, 3}, {6}},
        {{3, 2, 3, 3, 3, 3, 3, 3}, {0, 7}},
        {{2, 3, 3, 2, 3, 3, 3, 3, 3, 3}, {9}},
        {{0, 0xFFFE, 3, 3, 3, 3, 3, 3}, {7}},
    };
    for (const auto& [fixTypes, kept] : cases) {
        FlashImage log = SectorLog(1, kSectorFixMask);
        for (std::size_t i = 0; i < fixTypes.size(); ++i)
            log.Append(0, SectorRecord(At(std::int32_t(i), fixTypes[i]), kSectorFixMask));
        Scan(log);
        EXPECT_EQ(Kept(), kept) << fixTypes.size() << " records";
    }
}

// The gate carries across sectors. A mask without all required fields yields no fix, yet its
// records still drive the gate; one without the fix type reads fix type 0.
TEST_F(SectorScan, FixTypeGateCrossesSectorBoundaries)
{
    const std::uint32_t noCounts = kSectorFixMask & ~0x1000u, noFixType = kSectorFixMask & ~0x2u;
    FlashImage log = SectorLog(5, kSectorFixMask);
    log.Append(0, SectorRecord(At(0), kSectorFixMask));
    log.Append(0, SectorRecord(At(1, 2), kSectorFixMask));
    for (std::int32_t i = 2; i < 8; ++i)
        log.Append(1, SectorRecord(At(i), kSectorFixMask));
    log.SetHeaderMask(2, noCounts);
    log.Append(2, SectorRecord(At(8, 2), noCounts));
    for (std::int32_t i = 9; i < 15; ++i)
        log.Append(3, SectorRecord(At(i), kSectorFixMask));
    log.SetHeaderMask(4, noFixType);
    log.Append(4, SectorRecord(At(15), noFixType));
    log.Append(4, MaskMarker(2, kSectorFixMask));
    for (std::int32_t i = 16; i < 22; ++i)
        log.Append(4, SectorRecord(At(i), kSectorFixMask));
    Scan(log);
    EXPECT_EQ(Kept(), (std::vector<std::int32_t>{0, 7, 14, 21}));
}

// Dropped by a plausibility test, NaN included: silently, leaving the gate as it is. Behind the
// gate a NaN is never compared at all.
TEST_F(SectorScan, NanAndImplausibleRecordsLeaveTheGateAlone)
{
    const std::vector<RawFix> records = {
        {kMay2021 + 0, 3, 35.0, 139.0, 0.0f, kNanF},                 // dropped
        {kMay2021 + 1, 3, std::numeric_limits<double>::quiet_NaN()}, // dropped
        {kMay2021 + 2, 3, 35.0, 139.0, 0.0f, 0.0f},                  // dropped
        At(3),                                                       // kept
        {kMay2021 + 4, 2, 35.0, 139.0, 0.0f, kNanF},                 // arms gate
        {kMay2021 + 5, 3, 35.0, 139.0, 0.0f, kNanF},
        {kMay2021 + 6, 3, 35.0, 139.0, 0.0f, kNanF},
        {kMay2021 + 7, 3, 35.0, 139.0, 0.0f, kNanF},
        {kMay2021 + 8, 3, 35.0, 139.0, 0.0f, kNanF},
        {kMay2021 + 9, 3, 35.0, 139.0, 0.0f, kNanF}, // gate at 0
        At(10),                                      // kept
    };
    FlashImage log = SectorLog(1, kSectorFixMask);
    for (const RawFix& raw : records)
        log.Append(0, SectorRecord(raw, kSectorFixMask));
    Scan(log);
    EXPECT_EQ(Kept(), (std::vector<std::int32_t>{3, 10}));
    EXPECT_EQ(state.SkipCounter, 0);
    EXPECT_EQ(state.Dropped.FixTypeGate, 6);
    EXPECT_EQ(state.Dropped.Implausible, 3);
    EXPECT_EQ(state.Dropped.BeforeEarliest, 0);
}

// The dated records the gate and the plausibility tests drop keep their moment, speed and
// height for the window's profile; one before 2021, or without a time, is not kept.
TEST_F(SectorScan, DroppedRecordsKeepTheirMomentAndValues)
{
    const struct {
        RawFix Raw;
        bool Kept;
    } cases[] = {
        {{kMay2021 + 0, 2, 35.0, 139.0, 12.5f, 30.0f}, true},  // not a 3D fix: arms the gate
        {{kMay2021 + 1, 3, 35.0, 139.0, 13.5f, 31.0f}, true},  // behind the gate
        {{kMay2021 + 2, 3, 35.0, 139.0, 14.5f, 32.0f}, true},  // behind the gate
        {{kMay2021 + 3, 3, 35.0, 139.0, 15.5f, 33.0f}, true},  // behind the gate
        {{kMay2021 + 4, 3, 35.0, 139.0, 16.5f, 34.0f}, true},  // behind the gate
        {{kMay2021 + 5, 3, 35.0, 139.0, 17.5f, 35.0f}, true},  // behind the gate
        {{kMay2021 + 6, 3, 35.0, 139.0, 18.5f, 36.0f}, false}, // a fix
        {{kMay2021 + 7, 3, 35.0, 139.0, 19.5f, 0.0f}, true},   // standing still: implausible
        {{kMay2021 + 8, 3, 95.0, 139.0, 20.5f, 9.0f}, true},   // latitude out of range
        {{kJan2021 - 10, 3, 35.0, 139.0, 21.5f, 0.0f}, false}, // implausible and before 2021
        {{kJan2021 - 10, 2, 35.0, 139.0, 22.5f, 9.0f}, false}, // gate, before 2021
        {{0, 3, 35.0, 139.0, 23.5f, 0.0f}, false},             // no time
        {{kMay2021 + 9, 3, 35.0, 139.0, 24.5f, kNanF}, true},  // NaN speed
    };
    FlashImage log = SectorLog(1, kSectorFixMask);
    for (const auto& c : cases)
        log.Append(0, SectorRecord(c.Raw, kSectorFixMask));
    Scan(log);
    std::vector<RawFix> expected;
    for (const auto& c : cases)
        if (c.Kept)
            expected.push_back(c.Raw);
    ASSERT_EQ(state.Dropped.Records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const DroppedRecord& got = state.Dropped.Records[i];
        EXPECT_EQ(got.Time, LoggerTimeToDayCount(expected[i].Seconds, 0, kEpoch)) << i;
        EXPECT_EQ(got.Height, expected[i].ExtraValue) << i;
        EXPECT_TRUE(got.Speed == expected[i].Speed ||
                    (std::isnan(got.Speed) && std::isnan(expected[i].Speed)))
            << i;
    }
    EXPECT_EQ(Kept(), (std::vector<std::int32_t>{6}));
}

TEST_F(SectorScan, PlausibilityLimits)
{
    const std::pair<RawFix, bool> cases[] = {
        {{}, true},
        {{.Speed = 2000.0f}, true},
        {{.Speed = std::nextafter(2000.0f, 3000.0f)}, false},
        {{.Speed = 0.0f}, false},
        {{.Speed = -0.0f}, false},
        {{.Speed = -1.0f}, false},
        {{.Speed = 1e-30f}, true},
        {{.Speed = HUGE_VALF}, false},
        {{.Latitude = 90.0}, true},
        {{.Latitude = -90.0}, true},
        {{.Latitude = 90.000001}, false},
        {{.Latitude = -90.000001}, false},
        {{.Longitude = 180.0}, true},
        {{.Longitude = -180.0}, true},
        {{.Longitude = 180.000001}, false},
        {{.Longitude = -180.000001}, false},
        {{.Longitude = std::bit_cast<double>(~0ull)}, false},
        {{.Millisecond = 999}, true},
        {{.Millisecond = 1000}, false},
        {{.Millisecond = 65535}, false},
        {{.Seconds = kJan2021}, true}, // 2021-01-01 00:00:00.000 local, exactly 44197.0
        {{.Seconds = kJan2021 - 1, .Millisecond = 999}, false},
        {{.Seconds = 0}, false},
    };
    for (const auto& [raw, kept] : cases) {
        FlashImage log = SectorLog(1, kSectorFixMask);
        log.Append(0, SectorRecord(raw, kSectorFixMask));
        Scan(log);
        EXPECT_EQ(table.Count(), kept ? 1 : 0)
            << raw.Speed << " " << raw.Latitude << " " << raw.Longitude << " " << raw.Millisecond
            << " " << raw.Seconds;
        EXPECT_EQ(state.SkipCounter, 0);
        // The date test is the last one: only otherwise good records count as too early.
        const bool early = raw.Seconds < kJan2021 && raw.Millisecond < 1000;
        EXPECT_EQ(state.Dropped.BeforeEarliest, early ? 1 : 0) << raw.Seconds;
        EXPECT_EQ(state.Dropped.Implausible, kept || early ? 0 : 1) << raw.Speed;
    }
}

TEST_F(SectorScan, RequiredAndExtraFields)
{
    for (int bit : {0, 1, 2, 3, 4, 5, 12, 18}) {
        const std::uint32_t mask = kSectorFixMask & ~(1u << bit);
        FlashImage log = SectorLog(1, mask);
        log.Append(0, SectorRecord(At(0), mask));
        Scan(log);
        EXPECT_EQ(table.Count(), 0) << "without bit " << bit;
    }
    for (std::uint32_t mask : {0x6103Fu, 0x24103Fu, kSectorFullMask, kSectorFixMask | 0x19E040u,
                               kSectorFixMask | 0xFFC00000u}) {
        FlashImage log = SectorLog(1, mask);
        log.Append(0, SectorRecord(At(0), mask));
        log.Append(0, SectorRecord(At(1), mask));
        Scan(log);
        EXPECT_EQ(Kept(), (std::vector<std::int32_t>{0, 1})) << std::hex << mask;
    }
}

TEST_F(SectorScan, FullTableGrows)
{
    FlashImage log = SectorLog(1, kSectorFixMask);
    log.Append(0, SectorRecord(At(0), kSectorFixMask));
    FixTable full(1);
    TGpsFix before{};
    before.Time = 77.0;
    full.Append(before);
    ScanSector(log.Data(), 0, kEpoch, state, full);
    ASSERT_EQ(full.Count(), 2);
    EXPECT_EQ(full[0].Time, 77.0);
    EXPECT_EQ(full[1].Time, 44319.375);
}

} // namespace
