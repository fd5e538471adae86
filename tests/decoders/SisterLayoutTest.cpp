// The sister layout of the block log: float32 positions, a 3-byte height, the checksum without
// '*', signatures, the speed-first order; how its blocks are told from plain ones, and how the
// walk finds its records again after damage and erased gaps.
#include "decoders/BlockDecoder.h"
#include "load/LogFile.h"
#include "store/TimeBase.h"
#include "support/LogWriter.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

using namespace t2ntest;

struct Decoded {
    std::vector<TGpsFix> Fixes;
    LogLayout Layout;
};

Decoded Decode(const Bytes& log)
{
    FixTable table;
    const DecodedLog decoded = DecodeLogImage(LogKind::Block, log, kJapanEpoch, table);
    return {{table.Fixes().begin(), table.Fixes().end()}, decoded.Layout};
}

// Whole seconds after 2021-05-03 09:00:00 in Japan (kMay2021), the day count 44319.375.
std::vector<long> Seconds(const std::vector<TGpsFix>& fixes)
{
    std::vector<long> seconds;
    for (const TGpsFix& fix : fixes)
        seconds.push_back(std::lround((fix.Time - 44319.375) * 86400));
    return seconds;
}

// The height as the layout keeps it: the float's three high-order bytes, the lowest one 0.
float HighBytes(float value)
{
    return std::bit_cast<float>(std::bit_cast<std::uint32_t>(value) & 0xFFFFFF00u);
}

// A record of the given second, under kSisterBasicMask unless told otherwise.
Bytes Sister(std::int32_t second, Seal seal = Seal::Good, std::uint32_t mask = kSisterBasicMask)
{
    return SisterRecord({.Seconds = kMay2021 + second}, mask, SpeedPlace::AfterHeight, seal);
}

TEST(SisterRecord, FieldsAreReadInEitherOrder)
{
    struct Case {
        const char* What;
        std::uint32_t Mask;
        SpeedPlace Speed;
    };
    const Case cases[] = {
        {"basic fields", kSisterBasicMask, SpeedPlace::AfterHeight},
        {"basic fields, speed first", kSisterBasicMask, SpeedPlace::BeforeHeight},
        {"time, position, height and speed, speed first", 0x3D, SpeedPlace::BeforeHeight},
        {"speed first without height", 0x2D, SpeedPlace::BeforeHeight},
        {"height without speed, speed-first model", 0x1D, SpeedPlace::BeforeHeight},
        {"uninterpreted fields between", 0x21EBF, SpeedPlace::AfterHeight},
        {"every field and satellite entries", 0xFFFFF, SpeedPlace::AfterHeight},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        FlashImage log = BlockLog(1, c.Mask);
        if (c.Speed == SpeedPlace::BeforeHeight)
            log.Append(0, Signature("GR245"));
        std::vector<RawFix> written;
        for (int i = 0; i < 4; ++i) {
            const double cmPerSecond = 1000 * i + 7; // a speed both orders store exactly
            written.push_back({.Seconds = kMay2021 + i,
                               .FixType = static_cast<std::uint16_t>(i + 1),
                               .Latitude = -35.6812345 + i,
                               .Longitude = 139.7671234 - 100 * i,
                               .ExtraValue = 40.7f * static_cast<float>(i + 1),
                               .Speed = static_cast<float>(cmPerSecond * 0.036),
                               .Course = 12.5f * static_cast<float>(i),
                               .SatelliteCount = static_cast<std::uint8_t>(i + 1),
                               .ExtraCount = 9,
                               .Millisecond = static_cast<std::uint16_t>(250 * i)});
            log.Append(0, SisterRecord(written.back(), c.Mask, c.Speed));
        }
        const Decoded d = Decode(log.Data());
        EXPECT_EQ(d.Layout, LogLayout::Sister);
        ASSERT_EQ(d.Fixes.size(), written.size());
        const auto has = [&](int bit) { return (c.Mask >> bit & 1u) != 0; };
        for (std::size_t i = 0; i < written.size(); ++i) {
            const RawFix& w = written[i];
            const TGpsFix& f = d.Fixes[i];
            char clock[48];
            std::snprintf(clock, sizeof clock, "09:00:%02zu.%03zu", i, has(18) ? 250 * i : 0);
            EXPECT_EQ(FormatDayCount(f.Time).substr(11), clock);
            EXPECT_EQ(f.FixType, has(1) ? w.FixType : 0);
            EXPECT_EQ(f.Latitude, static_cast<double>(static_cast<float>(w.Latitude)));
            EXPECT_EQ(f.Longitude, static_cast<double>(static_cast<float>(w.Longitude)));
            EXPECT_EQ(f.ExtraValue, has(4) ? HighBytes(w.ExtraValue) : 0.0f);
            EXPECT_EQ(f.Speed, has(5) ? w.Speed : 0.0f);
            EXPECT_EQ(f.Course, has(6) ? w.Course : 0.0f);
            EXPECT_EQ(f.SatelliteCount, has(12) ? w.SatelliteCount : 0);
            EXPECT_EQ(f.Millisecond, has(18) ? w.Millisecond : 0);
        }
    }
}

TEST(SisterLayout, BlocksAreToldApartByTheirFirstRecords)
{
    const Bytes s = Sister(0), damaged = Sister(0, Seal::BadChecksum), gap = Repeat(0xFF, 40);
    struct Case {
        const char* What;
        std::uint32_t HeaderMask;
        std::vector<Bytes> Items;
        LogLayout Layout;
        std::size_t Fixes;
    };
    const Case cases[] = {
        {"three records", kSisterBasicMask, {s, s, s, s}, LogLayout::Sister, 4},
        {"two records, erased to the end", kSisterBasicMask, {s, s}, LogLayout::Sister, 2},
        {"one record", kSisterBasicMask, {s}, LogLayout::Sister, 1},
        {"two records, then damage", kSisterBasicMask, {s, s, damaged, s, s}, LogLayout::Plain, 0},
        {"two records, an erased gap, more",
         kSisterBasicMask,
         {s, s, gap, s, s},
         LogLayout::Plain,
         0},
        {"a damaged first record", kSisterBasicMask, {damaged, s, s, s}, LogLayout::Plain, 0},
        {"plain records", kBlockBasicMask, {BlockRecord({}, kBlockBasicMask)}, LogLayout::Plain, 1},
        {"a plain first record, sister records after",
         kBlockBasicMask,
         {BlockRecord({}, kBlockBasicMask), Sister(1, Seal::Good, kBlockBasicMask),
          Sister(2, Seal::Good, kBlockBasicMask), Sister(3, Seal::Good, kBlockBasicMask)},
         LogLayout::Plain,
         1},
        {"markers and a padded signature open the block",
         0x1,
         {MaskMarker(3, 0x1), MaskMarker(2, kSisterBasicMask), Signature("GR241", false, true), s,
          MaskMarker(7, 0x106), s, s},
         LogLayout::Sister,
         3},
        {"a waypoint among the first records",
         kSisterBasicMask,
         {Signature("GR241"), s, Signature("GR241", true), s, s},
         LogLayout::Sister,
         3},
        {"records of no field bytes", 0xFFF00000, {Repeat(0x00, 5)}, LogLayout::Plain, 0},
    };
    for (const Case& c : cases) {
        FlashImage log = BlockLog(1, c.HeaderMask);
        for (const Bytes& item : c.Items)
            log.Append(0, item);
        const Decoded d = Decode(log.Data());
        EXPECT_EQ(d.Layout, c.Layout) << c.What;
        EXPECT_EQ(d.Fixes.size(), c.Fixes) << c.What;
    }
}

// After a damaged record or erased space that does not run to the block's end, a record is taken
// again only where its seal holds and another item follows it.
TEST(SisterLayout, WalkFindsTheRecordsAgain)
{
    Bytes tornTail = Sister(9);
    tornTail.erase(tornTail.begin(), tornTail.begin() + 19);
    Bytes noise;
    for (int i = 0; i < 50; ++i)
        noise.push_back(static_cast<std::uint8_t>(i * 37 + 11));
    const Bytes outOfRange =
        SisterRecord({.Seconds = kMay2021 + 2, .Latitude = 91.0}, kSisterBasicMask);
    // A sealed record whose next bytes start no item: not taken.
    Bytes unfollowed = Sister(50);
    unfollowed.insert(unfollowed.end(), {0x01, 0x02, 0x03, 0x04, 0x05});
    const Bytes lastRecord = Sister(7);
    struct Case {
        const char* What;
        std::vector<Bytes> Items;
        std::vector<long> Kept;
        bool EndsAtBlockEnd = false;
    };
    const Case cases[] = {
        {"a damaged record",
         {Sister(0), Sister(1), Sister(2), Sister(3, Seal::BadChecksum), Sister(4)},
         {0, 1, 2, 4}},
        {"a record out of range", {Sister(0), Sister(1), outOfRange, Sister(3)}, {0, 1, 3}},
        {"an erased gap, then a torn record",
         {Sister(0), Sister(1), Sister(2), Repeat(0xFF, 37), tornTail, Sister(10), Sister(11)},
         {0, 1, 2, 10, 11}},
        {"bytes of no record", {Sister(0), Sister(1), Sister(2), noise, Sister(3)}, {0, 1, 2, 3}},
        {"a sealed record that nothing follows",
         {Sister(0), Sister(1), Sister(2), Sister(3, Seal::BadChecksum), unfollowed, Sister(4)},
         {0, 1, 2, 4}},
        {"followed by a marker",
         {Sister(0), Sister(1), Sister(2), Sister(3, Seal::BadChecksum), Sister(4),
          MaskMarker(7, 0), noise, Sister(5)},
         {0, 1, 2, 4, 5}},
        {"followed by a signature",
         {Sister(0), Sister(1), Sister(2), Sister(3, Seal::BadChecksum), Sister(4),
          Signature("GR241", true), noise, Sister(5)},
         {0, 1, 2, 4, 5}},
        {"followed by erased space",
         {Sister(0), Sister(1), Sister(2), Sister(3, Seal::BadChecksum), Sister(4)},
         {0, 1, 2, 4}},
        {"followed by the block's end",
         {Sister(0), Sister(1), Sister(2), Sister(6, Seal::BadChecksum)},
         {0, 1, 2, 7},
         true},
    };
    for (const Case& c : cases) {
        FlashImage log = BlockLog(2, kSisterBasicMask);
        for (const Bytes& item : c.Items)
            log.Append(0, item);
        if (c.EndsAtBlockEnd) {
            log.SetCursor(0, kBlockBytes - lastRecord.size() - 3);
            log.Append(0, {0x10, 0x20, 0x30});
            log.Append(0, lastRecord);
        }
        EXPECT_EQ(Seconds(Decode(log.Data()).Fixes), c.Kept) << c.What;
    }
}

// A signature of a speed-first model binds the order from there to the end of the file, across
// blocks that carry no signature; other models keep the speed after the height.
TEST(SisterLayout, SpeedFirstModelsBindTheRestOfTheFile)
{
    const std::pair<const char*, bool> models[] = {
        {"GR245", true}, {"M1200", true}, {"GR241", false}, {"M1000", false}};
    for (const auto& [model, speedFirst] : models) {
        const SpeedPlace place = speedFirst ? SpeedPlace::BeforeHeight : SpeedPlace::AfterHeight;
        FlashImage log = BlockLog(2, 0x3D);
        std::vector<RawFix> written;
        for (int i = 0; i < 9; ++i) {
            written.push_back({.Seconds = kMay2021 + i,
                               .ExtraValue = 100.0f + static_cast<float>(i),
                               .Speed = static_cast<float>((100 * i + 3) * 0.036)});
            // Block 0: three records in the other order, the signature, three in the model's;
            // block 1: three in the model's order, no signature.
            const std::size_t block = i < 6 ? 0 : 1;
            if (i == 3)
                log.Append(0, Signature(model, false, true));
            log.Append(block,
                       SisterRecord(written.back(), 0x3D, i < 3 ? SpeedPlace::AfterHeight : place));
        }
        const Decoded d = Decode(log.Data());
        ASSERT_EQ(d.Fixes.size(), written.size()) << model;
        for (std::size_t i = 0; i < written.size(); ++i) {
            EXPECT_EQ(d.Fixes[i].Speed, written[i].Speed) << model << " " << i;
            EXPECT_EQ(d.Fixes[i].ExtraValue, written[i].ExtraValue) << model << " " << i;
        }
    }
}

TEST(SisterLayout, FilesMayMixTheLayoutsByBlock)
{
    const auto plain = [](std::int32_t second) {
        return BlockRecord({.Seconds = kMay2021 + second}, kBlockBasicMask);
    };
    FlashImage mixed = BlockLog(4, kBlockBasicMask);
    mixed.Append(0, plain(0));
    mixed.Append(0, plain(1));
    mixed.SetHeaderMask(1, kSisterBasicMask);
    for (std::int32_t i = 2; i < 5; ++i)
        mixed.Append(1, Sister(i));
    mixed.Append(3, plain(5)); // block 2 stays erased
    const Decoded d = Decode(mixed.Data());
    EXPECT_EQ(d.Layout, LogLayout::Mixed);
    EXPECT_EQ(Seconds(d.Fixes), (std::vector<long>{0, 1, 2, 3, 4, 5}));

    TempDir dir;
    FixTable table;
    EXPECT_EQ(LoadLogFile(dir.Write("mixed.bin", mixed.Data()), kJapanEpoch, table).Layout,
              LogLayout::Mixed);
    const std::pair<std::vector<std::size_t>, LogLayout> others[] = {
        {{1}, LogLayout::Sister}, {{0, 3}, LogLayout::Plain}, {{2}, LogLayout::Plain}};
    for (const auto& [kept, layout] : others) {
        FlashImage part = BlockLog(4, kBlockBasicMask);
        for (const std::size_t block : kept)
            part.Put(block * kBlockBytes,
                     Bytes(mixed.Data().begin() + static_cast<std::ptrdiff_t>(block * kBlockBytes),
                           mixed.Data().begin() +
                               static_cast<std::ptrdiff_t>((block + 1) * kBlockBytes)));
        EXPECT_EQ(Decode(part.Data()).Layout, layout) << kept.size();
    }
}

} // namespace
