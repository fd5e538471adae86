// Properties of the decoders over a few hundred generated logs: random but structured block and
// sector logs (random masks, records good and damaged, markers, erased gaps, flipped bytes).
// Each seed builds the same log on every run, so a failure names a seed that reproduces it.

#include "decoders/BlockDecoder.h"
#include "decoders/SectorDecoder.h"
#include "load/LogFile.h"
#include "store/TimeBase.h"
#include "support/LogWriter.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace t2ntest;

constexpr int kSeeds = 300;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Raw engine output only: the distributions of the standard library may differ between
// library versions, the engine's sequence never does.
class Rng
{
  public:
    explicit Rng(unsigned seed) : m_engine(seed) {}
    std::uint32_t Next() { return static_cast<std::uint32_t>(m_engine()); }
    // 0 .. n-1
    std::uint32_t Below(std::uint32_t n) { return Next() % n; }
    bool Chance(std::uint32_t percent) { return Below(100) < percent; }
    template <class T> T Pick(std::initializer_list<T> values)
    {
        return values.begin()[Below(static_cast<std::uint32_t>(values.size()))];
    }

  private:
    std::mt19937 m_engine;
};

// A record's values: mostly a plausible fix 100 ms after the previous one, sometimes a value at
// a limit or beyond it, an erased-flash NaN, no time or another fix type.
RawFix RandomFix(Rng& r, int& tenths)
{
    tenths += r.Chance(90) ? 1 : static_cast<int>(r.Below(50));
    RawFix f;
    f.Seconds = kMay2021 + tenths / 10;
    f.Millisecond = static_cast<std::uint16_t>(tenths % 10 * 100 + r.Below(3));
    f.FixType = r.Chance(92) ? 3 : r.Pick<std::uint16_t>({0, 1, 2, 0xFFFF});
    f.Latitude = -90.0 + r.Below(18000001) / 1e5;
    f.Longitude = -180.0 + r.Below(36000001) / 1e5;
    f.Speed = static_cast<float>(r.Below(200001)) / 100.0f;
    f.Course = static_cast<float>(r.Below(3600)) / 10.0f;
    f.ExtraValue = static_cast<float>(r.Next() % 1000) / 8.0f;
    f.SatelliteCount = static_cast<std::uint8_t>(r.Below(13));
    f.ExtraCount = static_cast<std::uint8_t>(r.Next());
    if (r.Chance(20)) {
        switch (r.Below(12)) {
        case 0:
            f.Latitude = r.Pick({90.0, -90.0, 90.000001, -91.0, kNaN});
            break;
        case 1:
            f.Longitude = r.Pick({180.0, -180.0, 180.5, -1e300, kNaN});
            break;
        case 2:
            f.Speed = r.Pick({0.0f, 2000.0f, 2000.001f, -1.0f, -0.0f});
            break;
        case 3:
            f.Speed = std::numeric_limits<float>::quiet_NaN();
            break;
        case 4:
            f.Millisecond = r.Pick<std::uint16_t>({999, 1000, 65535});
            break;
        case 5:
            f.Seconds = 0;
            break;
        case 6:
            f.Seconds = r.Pick({-1, 1, 1609459199, 1609426800, 1609426799});
            break;
        case 7:
            f.Speed = std::numeric_limits<float>::infinity();
            break;
        case 8:
            f.SatelliteCount = 255;
            break;
        default:
            f.Latitude = std::bit_cast<double>(~std::uint64_t{0});
            break;
        }
    }
    return f;
}

// Flips a few random bytes anywhere in the image, headers included.
void Corrupt(Rng& r, Bytes& image)
{
    const std::uint32_t flips = r.Below(6);
    for (std::uint32_t i = 0; i < flips; ++i)
        image[r.Below(static_cast<std::uint32_t>(image.size()))] ^=
            static_cast<std::uint8_t>(1u << r.Below(8));
}

bool Fits(const FlashImage& image, std::size_t unit, std::size_t unitBytes, const Bytes& item)
{
    return image.Cursor(unit) + item.size() <= unitBytes;
}

Bytes RandomBlockLog(unsigned seed)
{
    Rng r(seed);
    auto mask = [&] {
        return r.Pick<std::uint32_t>({kBlockBasicMask, kBlockBasicMask | 0x1000u, 0xFFFFF, 0x3FFF,
                                      0x1u, 0x0u, r.Next() & 0xFFFFF, r.Next()});
    };
    const std::size_t blocks = 1 + r.Below(4);
    FlashImage image = BlockLog(blocks, kBlockBasicMask);
    int tenths = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        std::uint32_t current = mask();
        image.SetHeaderMask(b, current);
        // Some blocks stay partly erased; a few are filled up to their end.
        const std::size_t items = r.Chance(15) ? 20000 : r.Below(400);
        for (std::size_t i = 0; i < items; ++i) {
            Bytes item;
            const std::uint32_t kind = r.Below(100);
            if (kind < 75) {
                const Seal seal =
                    r.Chance(90) ? Seal::Good : r.Pick({Seal::BadChecksum, Seal::BadTerminator});
                item = BlockRecord(RandomFix(r, tenths), current, seal);
            } else if (kind < 80) {
                const std::uint32_t next = mask();
                const std::uint8_t markerKind = r.Pick<std::uint8_t>({2, 2, 1, 0, 3});
                if (markerKind == 2)
                    current = next;
                item = MaskMarker(markerKind, next);
            } else if (kind < 84) {
                item = IncompleteMarker(4 + r.Below(4));
            } else if (kind < 94) {
                item = Repeat(0xFF, r.Below(200));
            } else {
                item.resize(r.Below(40));
                for (auto& byte : item)
                    byte = static_cast<std::uint8_t>(r.Next());
            }
            if (item.empty())
                continue;
            if (!Fits(image, b, kBlockBytes, item))
                break;
            image.Append(b, item);
        }
    }
    Bytes data = image.Data();
    if (r.Chance(30))
        Corrupt(r, data);
    return data;
}

Bytes RandomSectorLog(unsigned seed)
{
    Rng r(seed);
    auto mask = [&] {
        return r.Pick<std::uint32_t>({kSectorFixMask, kSectorFixMask, kSectorFullMask,
                                      kSectorFixMask | 0x20000u, 0x3Fu, 0xFFFFFFFFu,
                                      r.Next() & 0x26103F, r.Next()});
    };
    const std::size_t sectors = 1 + r.Below(24);
    FlashImage image = SectorLog(sectors, kSectorFixMask);
    int tenths = 0;
    for (std::size_t s = 0; s < sectors; ++s) {
        std::uint32_t current = mask();
        image.SetHeaderMask(s, current);
        const std::size_t items = r.Below(110);
        for (std::size_t i = 0; i < items; ++i) {
            Bytes item;
            const std::uint32_t kind = r.Below(100);
            if (kind < 85) {
                item = SectorRecord(RandomFix(r, tenths), current);
            } else if (kind < 90) {
                const std::uint32_t next = mask();
                const std::uint8_t markerKind = r.Pick<std::uint8_t>({2, 2, 1, 7});
                if (markerKind == 2)
                    current = next;
                item = MaskMarker(markerKind, next);
            } else if (kind < 93) {
                item = IncompleteMarker(7);
            } else {
                // Erased space of whole records, as the walk steps over it.
                item = Repeat(0xFF, SectorRecord(RawFix{}, current).size() * (1 + r.Below(3)));
            }
            if (!Fits(image, s, kSectorBytes, item))
                break;
            image.Append(s, item);
        }
    }
    Bytes data = image.Data();
    if (r.Chance(30))
        Corrupt(r, data);
    return data;
}

// The table's valid entries, copied out.
std::vector<TGpsFix> Table(const FixTable& table)
{
    return {table.Fixes().begin(), table.Fixes().end()};
}

bool SameBits(double a, double b)
{
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool SameBits(float a, float b)
{
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// Field by field and bit for bit (the record has padding; NaN never compares equal).
bool SameFix(const TGpsFix& a, const TGpsFix& b)
{
    return SameBits(a.Time, b.Time) && a.FixType == b.FixType && SameBits(a.Latitude, b.Latitude) &&
           SameBits(a.Longitude, b.Longitude) && SameBits(a.ExtraValue, b.ExtraValue) &&
           SameBits(a.Speed, b.Speed) && SameBits(a.Course, b.Course) &&
           a.ExtraCount == b.ExtraCount && a.SatelliteCount == b.SatelliteCount &&
           a.Millisecond == b.Millisecond;
}

// Empty when equal, else where the two tables first differ.
std::string Difference(const std::vector<TGpsFix>& a, const std::vector<TGpsFix>& b)
{
    if (a.size() != b.size())
        return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!SameFix(a[i], b[i]))
            return "entry " + std::to_string(i);
    return {};
}

void ExpectCommonRanges(const TGpsFix& f, const std::string& where)
{
    EXPECT_TRUE(f.Latitude >= -90.0 && f.Latitude <= 90.0) << where << ": " << f.Latitude;
    EXPECT_TRUE(f.Longitude >= -180.0 && f.Longitude <= 180.0) << where << ": " << f.Longitude;
    EXPECT_LE(f.Millisecond, 999) << where;
    EXPECT_TRUE(std::isfinite(f.Time)) << where;
}

void ExpectBlockRanges(const std::vector<TGpsFix>& table, unsigned seed)
{
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::string where = "seed " + std::to_string(seed) + " entry " + std::to_string(i);
        ExpectCommonRanges(table[i], where);
        EXPECT_TRUE(table[i].Speed >= 0.0f && table[i].Speed <= 2000.0f) << where;
        EXPECT_NE(table[i].Time, 0.0) << where; // a record without time is never stored
    }
}

void ExpectSectorRanges(const std::vector<TGpsFix>& table, unsigned seed)
{
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::string where = "seed " + std::to_string(seed) + " entry " + std::to_string(i);
        ExpectCommonRanges(table[i], where);
        EXPECT_TRUE(table[i].Speed > 0.0f && table[i].Speed <= 2000.0f) << where;
        EXPECT_GE(table[i].Time, 44197.0) << where;
        EXPECT_EQ(table[i].FixType, 3) << where;
        EXPECT_TRUE(SameBits(table[i].Course, 0.0f)) << where;
    }
}

class Properties : public ::testing::Test
{
  protected:
    // Scans the units of the log into a table of the given capacity that already holds
    // `preset` entries, without the smoothing of a sector-log load.
    static void ScanInto(LogKind kind, const Bytes& log, FixTable& table)
    {
        SectorScanState state;
        if (kind == LogKind::Block) {
            for (std::size_t b = 0; b < log.size() / kBlockBytes; ++b)
                ScanBlock(log, static_cast<std::int32_t>(b), kJapanEpoch, table);
        } else {
            for (std::size_t s = 0; s < log.size() / kSectorBytes; ++s)
                ScanSector(log, static_cast<std::int32_t>(s), kJapanEpoch, state, table);
        }
    }
};

TEST_F(Properties, BlockLogFixesStayWithinTheirRanges)
{
    std::size_t total = 0;
    for (unsigned seed = 1; seed <= kSeeds; ++seed) {
        const std::vector<TGpsFix> table = DecodeBytes(LogKind::Block, RandomBlockLog(seed));
        ExpectBlockRanges(table, seed);
        total += table.size();
    }
    // The generator must actually produce fixes, or the ranges above are checked on nothing.
    EXPECT_GT(total, 10000u);
}

TEST_F(Properties, SectorLogFixesStayWithinTheirRangesAfterSmoothing)
{
    std::size_t total = 0;
    for (unsigned seed = 1; seed <= kSeeds; ++seed) {
        const std::vector<TGpsFix> table = DecodeBytes(LogKind::Sector, RandomSectorLog(seed));
        ExpectSectorRanges(table, seed);
        total += table.size();
    }
    EXPECT_GT(total, 10000u);
}

// The plain layout's walk of a block log as the format describes it, record by record.
std::vector<TGpsFix> PlainWalk(const Bytes& log)
{
    Bytes image = log;
    image.resize(log.size() + 4096, 0xFF);
    std::vector<TGpsFix> fixes;
    for (std::size_t b = 0; b < log.size() / kBlockBytes; ++b) {
        const std::uint8_t* base = image.data() + b * kBlockBytes;
        const auto u32 = [](const std::uint8_t* p) {
            return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                   std::uint32_t{p[3]} << 24;
        };
        std::uint32_t mask = u32(base + 2);
        for (std::size_t at = kItemsStart; at < kBlockBytes;) {
            const std::uint8_t* p = base + at;
            const auto all = [p](std::size_t from, std::size_t n, std::uint8_t v) {
                return std::all_of(p + from, p + from + n, [v](std::uint8_t x) { return x == v; });
            };
            TGpsFix fix;
            bool rejected = false;
            if (all(0, 7, 0xAA) && all(12, 4, 0xBB)) {
                mask = p[7] == 2 ? u32(p + 8) : mask;
                at += 16;
            } else if (all(0, 4, 0xAA)) {
                at += 16;
            } else if (all(0, 4, 0xFF)) {
                at = (at + 16) & ~std::size_t{15};
            } else if (const auto length = static_cast<std::size_t>(
                           DecodeBlockRecord(p, mask, fix, rejected, kJapanEpoch));
                       !rejected) {
                fixes.push_back(fix);
                at += length;
            } else {
                const std::uint8_t* star = std::find(p, p + length, 0x2A);
                at += star != p + length ? static_cast<std::size_t>(star - p) + 2 : length;
            }
        }
    }
    return fixes;
}

// However their records are damaged, plain block logs decode exactly as the plain layout's walk
// alone decodes them: telling the layouts apart never takes a plain block for a sister one.
TEST_F(Properties, PlainBlockLogsDecodeAsThePlainWalk)
{
    for (unsigned seed = 1; seed <= kSeeds; ++seed) {
        const Bytes log = RandomBlockLog(seed);
        EXPECT_EQ(Difference(DecodeBytes(LogKind::Block, log), PlainWalk(log)), "")
            << "seed " << seed;
    }
}

// Each block starts from its own header mask; only the count carries over. So scanning block k
// alone into an empty table gives exactly the fixes the whole decode stored for it.
TEST_F(Properties, BlockLogDecodesAsItsBlocksOneByOne)
{
    for (unsigned seed = 1; seed <= kSeeds; ++seed) {
        const Bytes log = RandomBlockLog(seed);
        const std::vector<TGpsFix> whole = DecodeBytes(LogKind::Block, log);

        std::vector<TGpsFix> joined;
        for (std::size_t b = 0; b < log.size() / kBlockBytes; ++b) {
            FixTable table;
            ScanBlock(log, static_cast<std::int32_t>(b), kJapanEpoch, table);
            const std::vector<TGpsFix> part = Table(table);
            joined.insert(joined.end(), part.begin(), part.end());
        }
        EXPECT_EQ(Difference(whole, joined), "") << "seed " << seed;
    }
}

// A table that fills up grows and goes on exactly as before: after the entries it held, which
// stay as they were, it stores every fix an empty table would have taken, in the same order.
TEST_F(Properties, FullTableGrowsAndTakesEveryFix)
{
    int grown = 0; // logs with more fixes than the first room
    for (const LogKind kind : {LogKind::Block, LogKind::Sector}) {
        for (unsigned seed = 1; seed <= kSeeds; ++seed) {
            const Bytes log = kind == LogKind::Block ? RandomBlockLog(seed) : RandomSectorLog(seed);
            FixTable empty;
            ScanInto(kind, log, empty);
            const std::vector<TGpsFix> all = Table(empty);

            Rng r(seed);
            const auto headroom = static_cast<std::int32_t>(r.Below(40));
            const std::int32_t preset = 1 + static_cast<std::int32_t>(r.Below(3));
            FixTable table(preset + headroom);
            TGpsFix before{};
            before.Time = 44444.0;
            before.Latitude = 1.5;
            for (std::int32_t i = 0; i < preset; ++i)
                table.Append(before);
            ScanInto(kind, log, table);

            const std::string where = std::string(kind == LogKind::Block ? "block" : "sector") +
                                      " seed " + std::to_string(seed);
            grown += all.size() > static_cast<std::size_t>(headroom) ? 1 : 0;
            ASSERT_EQ(table.Count(), preset + static_cast<std::int32_t>(all.size())) << where;
            for (std::int32_t i = 0; i < preset; ++i)
                EXPECT_TRUE(SameFix(table[static_cast<std::size_t>(i)], before)) << where;
            const std::vector<TGpsFix> stored(table.Fixes().begin() + preset, table.Fixes().end());
            EXPECT_EQ(Difference(stored, all), "") << where;
        }
    }
    EXPECT_GT(grown, kSeeds);
}

// A full 16 MiB block log of the shortest records that carry a time (6 bytes) gives 2.8 million
// fixes, nearly six times what the table once held: every one is kept, in the file's order.
TEST_F(Properties, DenseFullSizeBlockLogKeepsEveryRecord)
{
    // One block of records whose times count up from kMay2021, repeated 256 times.
    FlashImage block = BlockLog(1, 0x1u);
    std::int32_t perBlock = 0;
    for (RawFix fix; kBlockBytes - block.Cursor(0) >= 6; ++perBlock) {
        fix.Seconds = kMay2021 + perBlock;
        block.Append(0, BlockRecord(fix, 0x1u));
    }
    ASSERT_EQ(perBlock, 10837);
    FlashImage log = BlockLog(kBufferBytes / kBlockBytes, 0x1u);
    for (std::size_t b = 0; b < kBufferBytes / kBlockBytes; ++b)
        log.Put(b * kBlockBytes, block.Data());
    FixTable table;
    DecodeLogImage(LogKind::Block, log.Data(), kJapanEpoch, table);
    ASSERT_EQ(table.Count(), 256 * perBlock);
    // Each block's last record is 10836 s (3:00:36) after 09:00 local.
    for (const std::size_t b : {std::size_t{0}, std::size_t{44}, std::size_t{255}})
        EXPECT_EQ(FormatDayCount(table[(b + 1) * 10837 - 1].Time), "2021/05/03 12:00:36.000");
    EXPECT_EQ(FormatDayCount(table[256 * 10837 - 10837].Time), "2021/05/03 09:00:00.000");
}

// Loading a file twice gives the same table, whatever was loaded in between (a sector log whose
// last record closed the fix-type gate, a block log, an ignored file).
TEST_F(Properties, LoadingTheSameFileTwiceGivesTheSameTable)
{
    TempDir dir;
    const std::string ignored = dir.Write("odd.bin", Bytes(1000, 0x2A));
    FlashImage gateCloser = SectorLog(1, kSectorFixMask);
    RawFix bad;
    bad.FixType = 2;
    gateCloser.Append(0, SectorRecord(bad, kSectorFixMask));
    const std::string closer = dir.Write("closer.BNX4", gateCloser.Data());

    FixTable table;
    for (unsigned seed = 1; seed <= kSeeds; ++seed) {
        const bool sector = seed % 2 == 0;
        const std::string path = dir.Write(sector ? "log.bnx4" : "log.bin",
                                           sector ? RandomSectorLog(seed) : RandomBlockLog(seed));
        const LoadResult first = LoadLogFile(path, kJapanEpoch, table);
        ASSERT_EQ(first.Kind, sector ? LogKind::Sector : LogKind::Block) << "seed " << seed;
        const std::vector<TGpsFix> fixes = Table(table);

        const std::string between = seed % 3 == 0 ? closer : seed % 3 == 1 ? ignored : path;
        (void)LoadLogFile(between, kJapanEpoch, table);
        (void)LoadLogFile(seed % 5 == 0 ? closer : ignored, kJapanEpoch, table);

        const LoadResult second = LoadLogFile(path, kJapanEpoch, table);
        EXPECT_EQ(second.Kind, first.Kind) << "seed " << seed;
        EXPECT_EQ(Difference(Table(table), fixes), "") << "seed " << seed;
    }
}

} // namespace
