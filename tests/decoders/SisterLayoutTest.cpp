// The sister layout of the block log: its fields in either order, how its blocks are told from
// plain ones, and how the walk finds its records again after damage. The golden pair
// golden-sister shows the rest (signatures, a waypoint, an erased gap, a speed-first block).
#include "load/LogFile.h"
#include "store/TimeBase.h"
#include "support/LogWriter.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace t2ntest;

std::vector<TGpsFix> Decode(const FlashImage& log, LogLayout* layout = nullptr)
{
    FixTable table;
    const DecodedLog decoded = DecodeLogImage(LogKind::Block, log.Data(), kJapanEpoch, table);
    if (layout != nullptr)
        *layout = decoded.Layout;
    return {table.Fixes().begin(), table.Fixes().end()};
}

// A record of the given second after kMay2021 under kSisterBasicMask.
Bytes Sister(std::int32_t second, Seal seal = Seal::Good)
{
    return SisterRecord({.Seconds = kMay2021 + second}, kSisterBasicMask, SpeedPlace::AfterHeight,
                        seal);
}

// A speed-first model's signature binds the order to the end of the file, across blocks that
// carry none; records before it keep the other order. Positions are float32 widened exactly, the
// height is the float's three high-order bytes.
TEST(SisterLayout, FieldsInEitherOrder)
{
    const std::tuple<const char*, std::uint32_t, bool> cases[] = {
        {"GR245", 0x3D, true},
        {"M1200", kSisterBasicMask, true},
        {"GR241", kSisterBasicMask, false},
        {"M1200", 0x2D, true},     // speed without height
        {"GR245", 0x1D, true},     // height without speed
        {"GR241", 0xFFFFF, false}, // every field, satellite entries included
    };
    for (const auto& [model, mask, speedFirst] : cases) {
        FlashImage log = BlockLog(2, mask);
        std::vector<RawFix> written;
        for (int i = 0; i < 8; ++i) {
            written.push_back({.Seconds = kMay2021 + i,
                               .Latitude = -35.6812345 + i,
                               .Longitude = 139.7671234 - 30 * i,
                               .ExtraValue = 40.7f * static_cast<float>(i + 1),
                               .Speed = static_cast<float>((100 * i + 3) * 0.036), // whole cm/s
                               .SatelliteCount = static_cast<std::uint8_t>(i)});
            if (i == 2)
                log.Append(0, Signature(model, false, true));
            const bool first = speedFirst && i >= 2;
            log.Append(i < 5 ? 0 : 1,
                       SisterRecord(written.back(), mask,
                                    first ? SpeedPlace::BeforeHeight : SpeedPlace::AfterHeight));
        }
        const std::vector<TGpsFix> fixes = Decode(log);
        ASSERT_EQ(fixes.size(), written.size()) << model << std::hex << mask;
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            const RawFix& w = written[i];
            const auto height = std::bit_cast<std::uint32_t>(w.ExtraValue) & 0xFFFFFF00u;
            // Through volatile floats: GCC 12's vectorizer drops the rounding of a pair of
            // double-float-double conversions.
            const volatile float latitude = static_cast<float>(w.Latitude);
            const volatile float longitude = static_cast<float>(w.Longitude);
            const auto got = std::tuple(fixes[i].Latitude, fixes[i].Longitude, fixes[i].ExtraValue,
                                        fixes[i].Speed, int{fixes[i].SatelliteCount});
            const auto expected = std::tuple(double{latitude}, double{longitude},
                                             (mask & 0x10) ? std::bit_cast<float>(height) : 0.0f,
                                             (mask & 0x20) ? w.Speed : 0.0f,
                                             (mask & 0x1000) ? int{w.SatelliteCount} : 0);
            EXPECT_EQ(got, expected) << model << " " << std::hex << mask << " record " << i;
        }
    }
}

// A signature, or the first run of sealed records past any damage, tells a block's layout.
TEST(SisterLayout, BlocksAreToldApartPastDamage)
{
    const Bytes s = Sister(0), damaged = Sister(0, Seal::BadChecksum);
    // A time-only plain record whose time bytes XOR to '*' is sealed in both layouts: '*' is the
    // sister checksum, and the plain checksum '*' opens a sister record that 01 02 04 2D seals.
    std::vector<Bytes> both{Bytes{0x01, 0x02, 0x04, 0x2D}};
    for (std::int32_t t = kMay2021; both.size() < 2; ++t)
        if (const Bytes record = BlockRecord({.Seconds = t}, 0x1); record[5] == 0x2A)
            both.insert(both.begin(), record);
    for (std::int32_t t = 1; t < 3; ++t)
        both.push_back(SisterRecord({.Seconds = kMay2021 + t}, 0x1));
    struct Case {
        const char* What;
        std::uint32_t HeaderMask;
        std::vector<Bytes> Items;
        LogLayout Layout;
        std::size_t Fixes;
    };
    const Case cases[] = {
        {"three records", kSisterBasicMask, {s, s, s, damaged}, LogLayout::Sister, 3},
        {"all two records of a block", kSisterBasicMask, {s, s}, LogLayout::Sister, 2},
        {"two records, then damage", kSisterBasicMask, {s, s, damaged, s}, LogLayout::Sister, 3},
        {"two records, an erased gap",
         kSisterBasicMask,
         {s, s, Repeat(0xFF, 40), s},
         LogLayout::Sister,
         3},
        {"a damaged first record", kSisterBasicMask, {damaged, s, s, s}, LogLayout::Sister, 3},
        {"noise over the first records",
         kSisterBasicMask,
         {Repeat(0x5A, 3), Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, s, s, s},
         LogLayout::Sister,
         3},
        {"a zeroed signature", kSisterBasicMask, {Repeat(0, 20), s, s}, LogLayout::Sister, 2},
        {"a signature and no record", kSisterBasicMask, {Signature("GR241")}, LogLayout::Sister, 0},
        {"a plain block with a damaged first record",
         kBlockBasicMask,
         {BlockRecord({}, kBlockBasicMask, Seal::BadChecksum), BlockRecord({}, kBlockBasicMask),
          BlockRecord({}, kBlockBasicMask)},
         LogLayout::Plain,
         2},
        {"runs of one byte value seal as nothing",
         kSisterBasicMask,
         {Repeat(0x00, 200), Repeat(0x3C, 200)},
         LogLayout::Plain,
         0},
        {"a first record both layouts frame", 0x1, both, LogLayout::Plain, 1},
        {"records of no field bytes", 0xFFF00000, {Repeat(0x00, 5)}, LogLayout::Plain, 0},
        {"markers and signatures before and between",
         0x1,
         {MaskMarker(3, 0x1), MaskMarker(2, kSisterBasicMask), Signature("GR241"), s,
          MaskMarker(7, 0x106), s, Signature("GR241", true, true), s},
         LogLayout::Sister,
         3},
    };
    for (const Case& c : cases) {
        FlashImage log = BlockLog(1, c.HeaderMask);
        for (const Bytes& item : c.Items)
            log.Append(0, item);
        LogLayout layout{};
        EXPECT_EQ(Decode(log, &layout).size(), c.Fixes) << c.What;
        EXPECT_EQ(layout, c.Layout) << c.What;
    }
}

// After damage a record is taken again only where its seal holds and another item follows it:
// a marker, a signature, erased flash, a sealed record or the block's end.
TEST(SisterLayout, WalkFindsTheRecordsAgain)
{
    Bytes noise;
    for (int i = 0; i < 50; ++i)
        noise.push_back(static_cast<std::uint8_t>(i * 37 + 11));
    Bytes unfollowed = Sister(50);
    unfollowed.insert(unfollowed.end(), {0x01, 0x02, 0x03, 0x04, 0x05});
    const std::pair<std::vector<Bytes>, std::vector<long>> cases[] = {
        {{unfollowed}, {0, 1, 2, 5}},
        {{noise}, {0, 1, 2, 5}},
        {{Sister(4), MaskMarker(7, 0), noise}, {0, 1, 2, 4, 5}},
        {{Sister(4), Signature("GR241", true), noise}, {0, 1, 2, 4, 5}},
        {{}, {0, 1, 2, 5}}, // the record at the block's end
    };
    for (const auto& [between, kept] : cases) {
        FlashImage log = BlockLog(2, kSisterBasicMask);
        for (const Bytes& item : {Sister(0), Sister(1), Sister(2), Sister(3, Seal::BadChecksum)})
            log.Append(0, item);
        for (const Bytes& item : between)
            log.Append(0, item);
        if (between.empty())
            log.SetCursor(0, kBlockBytes - Sister(5).size());
        log.Append(0, Sister(5));
        std::vector<long> seconds;
        for (const TGpsFix& fix : Decode(log))
            seconds.push_back(std::lround((fix.Time - 44319.375) * 86400));
        EXPECT_EQ(seconds, kept) << between.size();
    }
}

// One flipped bit anywhere in a block's signature or first records costs at most the record it
// hits: every other record decodes as before, in the first block and in one that opens without
// a signature.
TEST(SisterLayout, OneBadBitCostsOneRecord)
{
    FlashImage log = BlockLog(2, kSisterBasicMask);
    log.Append(0, Signature("GR241", false, true));
    std::vector<std::pair<std::size_t, std::size_t>> records; // file offset, length
    for (std::size_t block = 0; block < 2; ++block) {
        for (std::int32_t i = 0; i < 6; ++i) {
            const Bytes record = Sister(static_cast<std::int32_t>(block) * 100 + i);
            records.emplace_back(block * kBlockBytes + log.Cursor(block), record.size());
            log.Append(block, record);
        }
    }
    const std::vector<TGpsFix> intact = Decode(log);
    ASSERT_EQ(intact.size(), 12u);
    const auto recordAt = [&](std::size_t offset) -> long {
        for (std::size_t r = 0; r < records.size(); ++r)
            if (offset >= records[r].first && offset < records[r].first + records[r].second)
                return static_cast<long>(r);
        return -1; // the signature
    };
    const std::pair<std::size_t, std::size_t> ranges[] = {
        {kItemsStart, records[3].first},                // signature, 3 records
        {kBlockBytes + kItemsStart, records[9].first}}; // 3 records
    for (const auto& [from, to] : ranges) {
        for (std::size_t offset = from; offset < to; ++offset) {
            for (int bit : {0, 3, 7}) {
                FixTable table;
                DecodeLogImage(LogKind::Block, FlipBit(log.Data(), offset, bit), kJapanEpoch,
                               table);
                std::vector<TGpsFix> expected = intact;
                if (const long hit = recordAt(offset); hit >= 0)
                    expected.erase(expected.begin() + hit);
                ASSERT_EQ(table.Count(), static_cast<std::int32_t>(expected.size()))
                    << "offset " << offset << " bit " << bit;
                for (std::size_t i = 0; i < expected.size(); ++i)
                    ASSERT_EQ(table[i].Time, expected[i].Time) << "offset " << offset;
            }
        }
    }
}

// Files of the sister layout joined as `cat` joins them, at sizes that are not whole blocks:
// each model's records decode in its own order and under its own mask, so the joined file gives
// the fixes of its parts one after the other. A speed-first model's order ends at the next
// model's header, or at another model's signature within one file.
TEST(SisterLayout, JoinedFilesKeepTheirModelsOrders)
{
    const auto file = [](const char* model, std::uint32_t mask, SpeedPlace place, int second,
                         bool signature, std::size_t bytes) {
        FlashImage log = BlockLog(1, mask);
        log.SealHeader(0);
        if (signature)
            log.Append(0, Signature(model, false, true));
        for (int i = 0; i < 20; ++i)
            log.Append(0, SisterRecord({.Seconds = kMay2021 + second + i,
                                        .Speed = static_cast<float>((100 * i + 3) * 0.036),
                                        .SatelliteCount = 4},
                                       mask, place));
        return FirstBytes(log.Data(), bytes);
    };
    const Bytes speedFirst = file("GR245", 0x3D, SpeedPlace::BeforeHeight, 0, true, 10240);
    const Bytes other = file("GR241", kSisterBasicMask, SpeedPlace::AfterHeight, 100, true, 4544);
    const Bytes noSignature = file("GR241", 0x3D, SpeedPlace::AfterHeight, 200, false, 1500);
    const auto decode = [](const Bytes& bytes) { return DecodeBytes(LogKind::Block, bytes); };
    const std::pair<const char*, std::vector<Bytes>> cases[] = {
        {"speed-first, then another model", {speedFirst, other}},
        {"another model, then speed-first", {other, speedFirst}},
        {"speed-first, then a file without a signature", {speedFirst, noSignature}},
        {"three files", {speedFirst, noSignature, speedFirst, other}},
    };
    for (const auto& [what, parts] : cases) {
        std::vector<TGpsFix> expected;
        Bytes joined;
        for (const Bytes& part : parts) {
            const std::vector<TGpsFix> fixes = decode(part);
            EXPECT_EQ(fixes.size(), 20u) << what;
            expected.insert(expected.end(), fixes.begin(), fixes.end());
            joined = Joined({joined, part});
        }
        const std::vector<TGpsFix> got = decode(joined);
        ASSERT_EQ(got.size(), expected.size()) << what;
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(std::tuple(got[i].Time, got[i].Speed, got[i].ExtraValue),
                      std::tuple(expected[i].Time, expected[i].Speed, expected[i].ExtraValue))
                << what << " fix " << i;
    }

    // Within one file: a speed-first signature, then another model's.
    FlashImage log = BlockLog(1, 0x3D);
    std::vector<float> speeds;
    for (int i = 0; i < 6; ++i) {
        const bool first = i < 3;
        if (i == 0 || i == 3)
            log.Append(0, Signature(first ? "M1200" : "GR241"));
        speeds.push_back(static_cast<float>((100 * i + 3) * 0.036));
        log.Append(0, SisterRecord({.Seconds = kMay2021 + i, .Speed = speeds.back()}, 0x3D,
                                   first ? SpeedPlace::BeforeHeight : SpeedPlace::AfterHeight));
    }
    std::vector<float> got;
    for (const TGpsFix& fix : Decode(log))
        got.push_back(fix.Speed);
    EXPECT_EQ(got, speeds);
}

// A steady 10 Hz log: consecutive records differ in a few bytes, so windows shifted into the next
// record seal, and some read as fixes. After damage anywhere in the first records (a zeroed
// signature before them too) the walk finds the records' own boundaries again: it loses the
// damaged record only and invents nothing.
TEST(SisterLayout, SteadyRecordsAreFoundAgainOnTheirOwnBoundaries)
{
    FlashImage log = BlockLog(1, kSisterBasicMask);
    log.Append(0, Repeat(0x00, 16)); // a signature zeroed
    std::vector<std::size_t> starts;
    for (std::uint32_t n = 0; n < 300; ++n) {
        starts.push_back(log.Cursor(0));
        log.Append(0, SisterRecord({.Seconds = kMay2021 + static_cast<std::int32_t>(n / 10),
                                    .Latitude = 35.5 + 0.01 * std::sin(n * 1e-4),
                                    .Longitude = 139.75 + 0.01 * std::cos(n * 1e-4),
                                    .Speed = static_cast<float>(30.0 + 10.0 * std::sin(n * 0.01)),
                                    .Course = static_cast<float>(n % 3600) / 10.0f,
                                    .SatelliteCount = 9,
                                    .ExtraCount = 8,
                                    .Millisecond = static_cast<std::uint16_t>(n % 10 * 100)},
                                   kSisterBasicMask));
    }
    const std::vector<TGpsFix> intact = Decode(log);
    ASSERT_EQ(intact.size(), 300u);
    for (std::size_t record = 0; record < 40; ++record) {
        for (std::size_t byte : {0, 5, 13, 29}) {
            FixTable table;
            DecodeLogImage(LogKind::Block, FlipBit(log.Data(), starts[record] + byte, 4),
                           kJapanEpoch, table);
            std::vector<TGpsFix> expected = intact;
            expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(record));
            ASSERT_EQ(table.Count(), 299) << "record " << record << " byte " << byte;
            for (std::size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(table[i].Time, expected[i].Time) << "record " << record;
        }
    }
}

} // namespace
