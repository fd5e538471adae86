// Fuzzes the loading path of raw logs: the input is a flash image cut down to whole units
// (65536-byte blocks, or 4096-byte sectors when T2N_FUZZ_SECTOR is set) and goes straight into
// the store's 16 MiB buffer, the rest of which reads as erased flash, as after a load.
//
// Without T2N_FUZZ_NEARLY_FULL the image sits at the buffer's start and is decoded as a load
// decodes it (the table emptied first; a sector log smoothed after).
//
// With T2N_FUZZ_NEARLY_FULL the first two input bytes give the table's headroom (0..1023 free
// entries), the image fills the LAST units of the buffer (so records near the end run into the
// slack after the 16 MiB) and its units are scanned into a table that already holds
// FixCapacity - headroom fixes. A sector image is then smoothed over its new fixes and the ones
// just before them.

#include "FuzzCommon.h"
#include "decoders/BlockDecoder.h"
#include "decoders/SectorDecoder.h"
#include "decoders/Smoothing.h"
#include "store/LogLoader.h"
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

FixStore& Store()
{
    static FixStore* store = [] {
        auto* s = new FixStore();
        s->LocalEpoch = LocalEpochFromBias(-540);
        std::memset(s->LogBuffer.get(), 0xFF, kLogBufferSize + kLogBufferSlack);
        return s;
    }();
    return *store;
}

void CheckFix(const TGpsFix& f, std::int64_t i)
{
    if constexpr (kKind == LogKind::Sector)
        CheckSectorFix(f, i);
    else
        CheckBlockFix(f, i);
}

#ifndef T2N_FUZZ_NEARLY_FULL

void Run(FixStore& store, const std::uint8_t* data, std::size_t size)
{
    const std::size_t bytes = std::min(size, kLogBufferSize) / kUnit * kUnit;
    std::memcpy(store.LogBuffer.get(), data, bytes);
    // Stale entries from the last input must not count.
    store.FixCount = 12345;
    store.SkipCounter = 4;

    DecodeLogBuffer(store, kKind, bytes);

    CheckCount(store, 0);
    Check(store.WorkTable.empty() && store.WorkTable.capacity() == 0, "work table released");
    Check(store.SkipCounter >= 0 && store.SkipCounter <= 5, "skip counter within 0..5");
    for (std::int32_t i = 0; i < store.FixCount; ++i)
        CheckFix(store.FixTable[static_cast<std::size_t>(i)], i);
    // The shortest record that can yield a fix is 6 bytes in a block (time, terminator,
    // checksum) and 36 in a sector: more fixes would mean some were counted that no record
    // carried.
    const std::size_t perUnit = (kUnit - 512) / (kKind == LogKind::Sector ? 36 : 6);
    Check(static_cast<std::size_t>(store.FixCount) <= bytes / kUnit * perUnit,
          "no more fixes than records fit");

    // The buffer reads as erased flash again for the next input.
    std::memset(store.LogBuffer.get(), 0xFF, bytes);
}

#else

// Entries before this many from the end keep a recognisable sentinel.
constexpr std::int32_t kWatchedEntries = 1024 + 16;

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

void Run(FixStore& store, const std::uint8_t* data, std::size_t size)
{
    static bool filled = false;
    if (!filled) {
        for (std::int32_t i = FixCapacity - kWatchedEntries; i < FixCapacity; ++i)
            store.FixTable[static_cast<std::size_t>(i)] = Sentinel(i);
        filled = true;
    }
    if (size < 2)
        return;
    const std::int32_t headroom = (data[0] | data[1] << 8) & 1023;
    data += 2;
    size -= 2;
    const std::size_t units = std::min(size, kLogBufferSize) / kUnit;
    const std::size_t firstUnit = kLogBufferSize / kUnit - units;
    std::uint8_t* place = store.LogBuffer.get() + firstUnit * kUnit;
    std::memcpy(place, data, units * kUnit);

    const std::int32_t preset = FixCapacity - headroom;
    store.FixCount = preset;
    store.SkipCounter = 0;
    for (std::size_t u = firstUnit; u < firstUnit + units; ++u) {
        if constexpr (kKind == LogKind::Sector)
            ScanSector(store, static_cast<std::int32_t>(u));
        else
            ScanBlock(store, static_cast<std::int32_t>(u));
        CheckCount(store, preset);
    }
    for (std::int32_t i = preset; i < store.FixCount; ++i)
        CheckFix(store.FixTable[static_cast<std::size_t>(i)], i);

    if constexpr (kKind == LogKind::Sector) {
        // Smooth the new fixes together with the sentinels just before them.
        const std::int32_t from = preset - 8;
        const std::int32_t count = store.FixCount - from;
        std::vector<TGpsFix> work(static_cast<std::size_t>(count));
        SmoothFixes(store.FixTable.get() + from, count, work.data());
        for (std::int32_t i = 0; i < count; ++i)
            CheckFix(work[static_cast<std::size_t>(i)], from + i);
    }

    // Nothing before the preset count was touched.
    for (std::int32_t i = FixCapacity - kWatchedEntries; i < preset; ++i)
        Check(SameBits(store.FixTable[static_cast<std::size_t>(i)], Sentinel(i)),
              "entries before the count untouched", i);
    // Stored fixes that were overwritten get their sentinel back for the next input.
    for (std::int32_t i = preset; i < FixCapacity; ++i)
        store.FixTable[static_cast<std::size_t>(i)] = Sentinel(i);

    std::memset(place, 0xFF, units * kUnit);
}

#endif

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Run(Store(), data, size);
    return 0;
}
