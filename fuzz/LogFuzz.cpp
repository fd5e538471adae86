// Fuzzes the decoding of raw logs: the input is a flash image cut down to whole units
// (65536-byte blocks, or 4096-byte sectors when T2N_FUZZ_SECTOR is set), copied into a buffer of
// exactly that size, so that any read past the image's end is caught by the address sanitizer.
//
// Without T2N_FUZZ_NEARLY_FULL the image is decoded as a load decodes it (the table emptied
// first; a sector log smoothed after).
//
// With T2N_FUZZ_NEARLY_FULL the first two input bytes give the table's headroom (0..1023 free
// entries) and the image's units are scanned into a table that already holds recognisable
// fixes and has room for only that many more, so that it grows while the units are scanned. A
// sector image is then smoothed over its new fixes and the ones just before them.

#include "FuzzCommon.h"
#include "decoders/BlockDecoder.h"
#include "decoders/SectorDecoder.h"
#include "decoders/Smoothing.h"
#include "load/LogFile.h"
#include "store/TimeBase.h"

#include <algorithm>
#include <memory>
#include <vector>

using namespace t2nfuzz;

namespace {

#ifdef T2N_FUZZ_SECTOR
constexpr LogKind kKind = LogKind::Sector;
constexpr std::size_t kUnit = kSectorSize;
#else
constexpr LogKind kKind = LogKind::Block;
constexpr std::size_t kUnit = kBlockSize;
#endif

constexpr double kJapanEpoch = 25569.375;

// The whole units of the input, in a buffer of their own size.
std::vector<std::uint8_t> Image(const std::uint8_t* data, std::size_t size)
{
    const std::size_t bytes = std::min<std::size_t>(size, kLargestLogBytes) / kUnit * kUnit;
    return {data, data + bytes};
}

void CheckCount(const FixTable& table, std::int32_t atLeast)
{
    Check(table.Count() >= atLeast && static_cast<std::size_t>(table.Count()) <= table.Capacity(),
          "count within range");
}

void CheckFix(const TGpsFix& f, std::int64_t i)
{
    if constexpr (kKind == LogKind::Sector)
        CheckSectorFix(f, i);
    else
        CheckBlockFix(f, i);
}

#ifndef T2N_FUZZ_NEARLY_FULL

void Run(const std::uint8_t* data, std::size_t size)
{
    static FixTable table;
    const std::vector<std::uint8_t> image = Image(data, size);
    // Stale entries from the last input must not count.
    TGpsFix stale{};
    table.Append(stale);

    DecodeLogImage(kKind, image, kJapanEpoch, table);

    CheckCount(table, 0);
    for (std::int32_t i = 0; i < table.Count(); ++i)
        CheckFix(table[static_cast<std::size_t>(i)], i);
    // The shortest record that can yield a fix is 5 bytes in a block (time and checksum in the
    // sister layout; the plain one adds a terminator) and 36 in a sector: more fixes would mean
    // some were counted that no record carried.
    const std::size_t perUnit = (kUnit - 512) / (kKind == LogKind::Sector ? 36 : 5);
    Check(static_cast<std::size_t>(table.Count()) <= image.size() / kUnit * perUnit,
          "no more fixes than records fit");
}

#else

// Entries already in the table before the scan, which must keep their sentinels.
constexpr std::int32_t kPresetEntries = 16;

// A fix that the decoders could have stored, for the entries of a nearly full table.
TGpsFix Sentinel(std::int32_t i)
{
    TGpsFix f{};
    f.Time = 45000.0 + i / 86400.0;
    f.FixType = 3;
    f.Latitude = 35.5;
    f.Longitude = 139.75;
    f.Speed = 12.5f;
    f.ExtraCount = 7;
    f.Millisecond = 250;
    return f;
}

bool SameBits(const TGpsFix& a, const TGpsFix& b)
{
    // Compared field by field: the struct has padding.
    return std::memcmp(&a.Time, &b.Time, sizeof a.Time) == 0 && a.FixType == b.FixType &&
           std::memcmp(&a.Latitude, &b.Latitude, sizeof a.Latitude) == 0 &&
           std::memcmp(&a.Longitude, &b.Longitude, sizeof a.Longitude) == 0 &&
           std::memcmp(&a.Speed, &b.Speed, sizeof a.Speed) == 0 && a.ExtraCount == b.ExtraCount &&
           a.Millisecond == b.Millisecond;
}

void Run(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return;
    const std::int32_t headroom = (data[0] | data[1] << 8) & 1023;
    const std::vector<std::uint8_t> image = Image(data + 2, size - 2);
    const std::size_t units = image.size() / kUnit;

    FixTable table(kPresetEntries + headroom);
    for (std::int32_t i = 0; i < kPresetEntries; ++i)
        table.Append(Sentinel(i));
    SectorScanState state;
    BlockScanState blockState;
    for (std::size_t u = 0; u < units; ++u) {
        if constexpr (kKind == LogKind::Sector)
            ScanSector(image, static_cast<std::int32_t>(u), kJapanEpoch, state, table);
        else
            ScanBlock(image, static_cast<std::int32_t>(u), kJapanEpoch, blockState, table);
        CheckCount(table, kPresetEntries);
    }
    for (std::int32_t i = kPresetEntries; i < table.Count(); ++i)
        CheckFix(table[static_cast<std::size_t>(i)], i);

    if constexpr (kKind == LogKind::Sector) {
        // Smooth the new fixes together with the sentinels just before them.
        const std::int32_t from = kPresetEntries - 8;
        const std::int32_t count = table.Count() - from;
        std::vector<TGpsFix> work(static_cast<std::size_t>(count));
        SmoothFixes(table.Fixes().data() + from, count, work.data());
        for (std::int32_t i = 0; i < count; ++i)
            CheckFix(work[static_cast<std::size_t>(i)], from + i);
    }

    // Nothing before the preset count was touched.
    for (std::int32_t i = 0; i < kPresetEntries; ++i)
        Check(SameBits(table[static_cast<std::size_t>(i)], Sentinel(i)),
              "entries before the count untouched", i);
}

#endif

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Run(data, size);
    return 0;
}
