#include "decoders/BlockDecoder.h"

#include "store/TimeBase.h"
#include "support/LogWriter.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace t2ntest;

constexpr double kEpoch = kJapanEpoch;
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr float kNanF = std::numeric_limits<float>::quiet_NaN();
// 2021-05-03 12:34:56.789 and 12:34:56.000 in Japan (logger second 1620012896).
constexpr double kWorkedTime = 0x1.5a3f0c6ce8152p+15;
constexpr double kWorkedSecond = 0x1.5a3f0c6bb5aa5p+15;

// Whole seconds after 2021-05-03 09:00:00 in Japan (kMay2021), the day count 44319.375.
long SecondsAfterMay2021(double time) { return std::lround((time - 44319.375) * 86400); }

struct Decoded {
    std::int32_t Length;
    bool Rejected;
    TGpsFix Fix;
};

// DecodeBlockRecord over the record followed by erased flash, into a slot holding stale bytes.
Decoded Decode(const Bytes& record, std::uint32_t mask)
{
    Bytes area = record;
    area.resize(record.size() + 4096, 0xFF);
    Decoded out{0, false, {}};
    std::memset(&out.Fix, 0x5A, sizeof out.Fix);
    out.Length = DecodeBlockRecord(area.data(), mask, out.Fix, out.Rejected, kEpoch);
    return out;
}

TEST(BlockRecord, LengthFollowsTheMaskWhateverTheOutcome)
{
    const std::tuple<std::uint32_t, std::uint8_t, std::int32_t> cases[] = {
        {0x0, 0, 2},          {0x1, 0, 6},
        {0x2, 0, 4},          {0x4, 0, 10},
        {0x8, 0, 10},         {0x10, 0, 6},
        {0x20, 0, 6},         {0x40, 0, 6},
        {0x80, 0, 4},         {0x100, 0, 6},
        {0x200, 0, 4},        {0x400, 0, 4},
        {0x800, 0, 4},        {0x1000, 9, 4},
        {0x20000, 0, 4},      {0x40000, 0, 4},
        {0x80000, 0, 10},     {0x1FFF, 200, 50},
        {0xE0001, 0, 18},     {0x7001, 5, 38}, // bits 12-14: 5 entries of 6 bytes
        {0x2001, 7, 6},                        // bit 13 without bit 12: no entries
        {0x1B001, 2, 24},                      // bits 12, 13, 15, 16: 2 entries of 8 bytes
        {0x1F001, 255, 2558},                  // 255 entries of 10 bytes
        {0xFFFFF, 255, 2612}, {0xFFFFFFFF, 255, 2612},
        {0xFFF00000, 0, 2},
    };
    for (const auto& [mask, satellites, length] : cases)
        for (Seal seal : {Seal::Good, Seal::BadTerminator, Seal::BadChecksum}) {
            const Bytes record = BlockRecord({.SatelliteCount = satellites}, mask, seal);
            ASSERT_EQ(record.size(), static_cast<std::size_t>(length)) << std::hex << mask;
            EXPECT_EQ(Decode(record, mask).Length, length) << std::hex << mask;
        }
    EXPECT_FALSE(Decode(BlockRecord({.SatelliteCount = 255}, 0xFFFFF), 0xFFFFF).Rejected);
}

TEST(BlockRecord, DecodesEveryFieldAndZeroesTheUnselected)
{
    const RawFix fix{1620012896, 0x1234, -35.5020576, 139.75, -2.5f, 22.7796f, 359.9f, 3, 9, 789};
    const Decoded d = Decode(BlockRecord(fix, 0xFFFFF), 0xFFFFF);
    ASSERT_FALSE(d.Rejected);
    EXPECT_EQ(d.Fix.Time, kWorkedTime);
    EXPECT_EQ(d.Fix.FixType, 0x1234);
    EXPECT_EQ(d.Fix.Latitude, -35.5020576);
    EXPECT_EQ(d.Fix.Longitude, 139.75);
    EXPECT_EQ(d.Fix.ExtraValue, -2.5f);
    EXPECT_EQ(d.Fix.Speed, 22.7796f);
    EXPECT_EQ(d.Fix.Course, 359.9f);
    EXPECT_EQ(d.Fix.SatelliteCount, 3);
    EXPECT_EQ(d.Fix.ExtraCount, 9);
    EXPECT_EQ(d.Fix.Millisecond, 789);

    const Decoded few = Decode(BlockRecord(fix, 0x5), 0x5); // time and latitude only
    ASSERT_FALSE(few.Rejected);
    const TGpsFix& f = few.Fix;
    EXPECT_EQ(std::tuple(f.Time, f.FixType, f.Latitude, f.Longitude, f.ExtraValue, f.Speed,
                         f.Course, f.ExtraCount, f.SatelliteCount, f.Millisecond),
              std::tuple(kWorkedSecond, 0, -35.5020576, 0.0, 0.0f, 0.0f, 0.0f, 0, 0, 0));
}

TEST(BlockRecord, AcceptanceRules)
{
    struct Case {
        const char* What;
        RawFix Fix;
        bool Rejected;
        std::uint32_t Mask = kBlockBasicMask;
        Seal Sealing = Seal::Good;
    };
    const Case cases[] = {
        {"plain", {}, false},
        {"latitude 90", {.Latitude = 90.0}, false},
        {"latitude -90", {.Latitude = -90.0}, false},
        {"latitude 90.000001", {.Latitude = 90.000001}, true},
        {"latitude -90.000001", {.Latitude = -90.000001}, true},
        {"longitude 180", {.Longitude = 180.0}, false},
        {"longitude -180", {.Longitude = -180.0}, false},
        {"longitude 180.000001", {.Longitude = 180.000001}, true},
        {"longitude -180.000001", {.Longitude = -180.000001}, true},
        {"speed 0", {.Speed = 0.0f}, false},
        {"speed -0", {.Speed = -0.0f}, false},
        {"speed 2000", {.Speed = 2000.0f}, false},
        {"speed above 2000", {.Speed = std::nextafter(2000.0f, 3000.0f)}, true},
        {"speed below 0", {.Speed = -1e-30f}, true},
        {"millisecond 999", {.Millisecond = 999}, false},
        {"millisecond 1000", {.Millisecond = 1000}, true},
        {"millisecond 65535", {.Millisecond = 65535}, true},
        {"NaN latitude", {.Latitude = kNan}, true},
        {"erased longitude", {.Longitude = std::bit_cast<double>(~0ull)}, true},
        {"erased speed", {.Speed = std::bit_cast<float>(~0u)}, true},
        {"signalling NaN speed", {.Speed = std::bit_cast<float>(0x7F800001u)}, true},
        {"infinite speed", {.Speed = HUGE_VALF}, true},
        {"infinite latitude", {.Latitude = -HUGE_VAL}, true},
        {"time 0", {.Seconds = 0}, true},
        {"time -2", {.Seconds = -2}, false},
        {"no time field", {}, true, kBlockBasicMask & ~1u},
        {"bad checksum", {}, true, kBlockBasicMask, Seal::BadChecksum},
        {"bad terminator", {}, true, kBlockBasicMask, Seal::BadTerminator},
        {"NaN course and extra value", {.ExtraValue = kNanF, .Course = kNanF}, false},
        {"any fix type, huge course", {.FixType = 0, .Course = 1e30f}, false},
        {"time, speed, course, millisecond only", {}, false, 0x40061},
    };
    for (const Case& c : cases) {
        const Decoded d = Decode(BlockRecord(c.Fix, c.Mask, c.Sealing), c.Mask);
        EXPECT_EQ(d.Rejected, c.Rejected) << c.What;
        const char* clock = c.Fix.Seconds == -2        ? "08:59:58.000"
                            : c.Fix.Millisecond == 999 ? "09:00:00.999"
                                                       : "09:00:00.000";
        if (!d.Rejected) {
            EXPECT_EQ(FormatDayCount(d.Fix.Time).substr(11), clock) << c.What;
        }
    }
    // 86400 s and 250 ms: the epoch plus one day plus 250 ms; -2 s is 1969-12-31 23:59:58 UTC.
    Bytes area = BlockRecord({.Seconds = 86400, .Millisecond = 250}, kBlockBasicMask);
    area.resize(4096, 0xFF);
    TGpsFix fix{};
    bool rejected = true;
    DecodeBlockRecord(area.data(), kBlockBasicMask, fix, rejected, 25569.0);
    EXPECT_EQ(fix.Time, double(25570.0L + (long double)double(250 / 86400000.0L)));
    area = BlockRecord({.Seconds = -2}, kBlockBasicMask);
    area.resize(4096, 0xFF);
    DecodeBlockRecord(area.data(), kBlockBasicMask, fix, rejected, 25569.0);
    EXPECT_EQ(FormatDayCount(fix.Time), "1969/12/31 23:59:58.000");
}

class BlockScan : public ::testing::Test
{
  protected:
    void Load(const FlashImage& log) { fixes = DecodeBytes(LogKind::Block, log.Data()); }
    // The fixes' times as whole seconds after kMay2021.
    void ExpectTimes(const std::vector<long>& seconds)
    {
        ASSERT_EQ(fixes.size(), seconds.size());
        for (std::size_t i = 0; i < seconds.size(); ++i)
            EXPECT_EQ(SecondsAfterMay2021(fixes[i].Time), seconds[i]) << "entry " << i;
    }
    std::vector<TGpsFix> fixes;
};

// Erased space ends at the next block offset that is a multiple of 16, wherever its four 0xFF
// bytes begin. Under mask 0 a record is '*' and a checksum: "2A 00" moves the scan on by 2 and
// "00 2A" by 3, so the erased bytes can start anywhere; a marker then switches to real records.
TEST_F(BlockScan, ErasedSpaceEndsAtTheNextMultipleOf16)
{
    const Bytes odd = {0x00, 0x2A}, even = {0x2A, 0x00};
    const std::pair<std::vector<Bytes>, std::size_t> cases[] = {
        {{}, 528},                                               // erased from 512
        {{odd}, 528},                                            // from 515
        {{odd, even, even, even, even, even, even}, 544},        // from 527 (528 erased too)
        {{even, even, even, even, even, even, even, even}, 544}, // from 528
    };
    for (const auto& [leadIn, next] : cases) {
        FlashImage log = BlockLog(1, 0);
        for (const Bytes& item : leadIn)
            log.Append(0, item);
        log.Append(0, Repeat(0xFF, 4));
        log.SetCursor(0, next);
        log.Append(0, MaskMarker(2, kBlockBasicMask));
        log.Append(0, BlockRecord({}, kBlockBasicMask));
        Load(log);
        ExpectTimes({0});
    }
}

TEST_F(BlockScan, MarkersReplaceTheMaskForTheRestOfTheirBlockOnly)
{
    const std::uint32_t wider = kBlockBasicMask | 0x1000; // adds the satellite counts
    const std::pair<Bytes, std::uint32_t> cases[] = {
        {MaskMarker(2, wider), wider},           {MaskMarker(0, wider), kBlockBasicMask},
        {MaskMarker(1, wider), kBlockBasicMask}, {MaskMarker(0xFF, wider), kBlockBasicMask},
        {IncompleteMarker(4), kBlockBasicMask}, // skipped whole
        {IncompleteMarker(7), kBlockBasicMask}, // seven 0xAA and kind 2, but no 0xBB
    };
    for (const auto& [marker, mask] : cases) {
        FlashImage log = BlockLog(2, kBlockBasicMask);
        log.Append(0, BlockRecord({}, kBlockBasicMask));
        log.Append(0, marker);
        log.Append(0, BlockRecord({.Seconds = kMay2021 + 1, .ExtraCount = 44}, mask));
        log.Append(1, BlockRecord({.Seconds = kMay2021 + 2, .ExtraCount = 44}, kBlockBasicMask));
        Load(log);
        ExpectTimes({0, 1, 2});
        EXPECT_EQ(fixes[1].ExtraCount, mask == wider ? 44 : 0);
        EXPECT_EQ(fixes[2].ExtraCount, 0);
    }
}

TEST_F(BlockScan, RejectedRecordsAreSteppedOver)
{
    FlashImage log = BlockLog(2, kBlockBasicMask);
    log.Append(0, BlockRecord({}, kBlockBasicMask, Seal::BadChecksum));
    const Bytes noStar =
        BlockRecord({.Seconds = kMay2021 + 1}, kBlockBasicMask, Seal::BadTerminator);
    ASSERT_EQ(std::count(noStar.begin(), noStar.end(), 0x2A), 0);
    log.Append(0, noStar);
    log.Append(0, BlockRecord({.Seconds = kMay2021 + 2}, kBlockBasicMask));
    for (std::int32_t i = 3; i < 6; ++i)
        log.Append(0, BlockRecord({.Seconds = kMay2021 + i, .Latitude = i == 4 ? kNan : 35.0},
                                  kBlockBasicMask));
    // A mask without any of bits 0-19: records of '*' and checksum 0, rejected, 2 bytes each.
    log.SetHeaderMask(1, 0xFFF00000);
    for (int i = 0; i < 3; ++i)
        log.Append(1, {0x2A, 0x00});
    log.Append(1, MaskMarker(2, kBlockBasicMask));
    log.Append(1, BlockRecord({.Seconds = kMay2021 + 6}, kBlockBasicMask));
    Load(log);
    ExpectTimes({2, 3, 5, 6});
}

// After a rejected record the scan resumes two bytes after its first 0x2A, even inside it.
// Record R (time and latitude, 14 bytes) has 0x2A as its first latitude byte; a whole record S
// starts two bytes later, and R's own terminator and (wrong) checksum are bytes 6 and 7 of S.
TEST_F(BlockScan, ResyncResumesTwoBytesAfterAnInnerStar)
{
    const Bytes r = {0x10, 0x11, 0x12, 0x5F, 0x2A, 0x01};
    RawFix inner{.Seconds = kMay2021 + 5};
    Bytes s;
    for (std::uint64_t byte3 = 0; byte3 < 256; ++byte3) {
        inner.Latitude = std::bit_cast<double>(0x4041800000000000ull | 0x2Aull << 16 | byte3 << 24);
        s = BlockRecord(inner, 0x5);
        if (s[7] != (XorOf(r) ^ XorOf(Bytes(s.begin(), s.begin() + 6))))
            break;
    }
    ASSERT_EQ(s[6], 0x2A);
    FlashImage log = BlockLog(1, 0x5);
    log.Append(0, r);
    log.Append(0, s);
    Load(log);
    ExpectTimes({5});
}

TEST_F(BlockScan, RecordRunningPastTheBlockEnd)
{
    const std::uint32_t mask = 0x25; // time, latitude, speed: 18-byte records
    // Block 0's last record ends with '*' and checksum as bytes 0 and 1 of block 1.
    FlashImage log = BlockLog(2, kBlockBasicMask);
    log.SetHeaderMask(0, mask);
    log.Put(kBlockBytes - 16, BlockRecord({}, mask));
    log.Append(1, BlockRecord({.Seconds = kMay2021 + 1}, kBlockBasicMask));
    Load(log);
    ExpectTimes({0, 1});

    // In the last block a record that ends exactly at the block's end is taken; one that runs
    // into the erased flash after the file is rejected.
    FlashImage last = BlockLog(1, 0x7); // time, fix type, latitude: 16-byte records
    last.SetCursor(0, kBlockBytes - 16);
    last.Append(0, BlockRecord({.Seconds = kMay2021 + 2}, 0x7));
    Load(last);
    ExpectTimes({2});
    last.SetHeaderMask(0, mask);
    Bytes cut = BlockRecord({}, mask);
    cut.resize(16);
    last.Put(kBlockBytes - 16, cut);
    Load(last);
    ExpectTimes({});
}

// A full table grows: every accepted record is stored after the entries it held, which stay.
TEST_F(BlockScan, FullTableGrowsAndKeepsEveryFix)
{
    FlashImage log = BlockLog(1, kBlockBasicMask);
    for (std::int32_t i = 0; i < 5; ++i)
        log.Append(0, BlockRecord({.Seconds = kMay2021 + i}, kBlockBasicMask,
                                  i == 3 ? Seal::BadChecksum : Seal::Good));
    FixTable table(2);
    TGpsFix before{};
    before.Time = 123.0;
    table.Append(before);
    table.Append(before);
    for (int pass = 1; pass <= 2; ++pass) {
        ScanBlock(log.Data(), 0, kEpoch, table);
        ASSERT_EQ(table.Count(), 2 + 4 * pass);
        EXPECT_EQ(table[1].Time, 123.0);
        EXPECT_EQ(SecondsAfterMay2021(table[2].Time), 0);
        EXPECT_EQ(SecondsAfterMay2021(table.Fixes().back().Time), 4);
    }
}

} // namespace
