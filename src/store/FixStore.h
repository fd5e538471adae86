#pragma once

#include "store/GpsFix.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

constexpr std::int32_t FixCapacity = 480000;

// Raw flash images are read whole into one 16 MiB buffer. The buffer carries extra 0xFF bytes
// after its 16 MiB, so a marker test or a record that starts near the end of a full-size image
// reads erased flash, exactly as it does after a shorter image.
constexpr std::size_t kLogBufferSize = 16u * 1024u * 1024u;
constexpr std::size_t kLogBufferSlack = 4096;

constexpr std::int32_t kBlockSize = 65536;
constexpr std::int32_t kSectorSize = 4096;
constexpr std::int32_t kFirstRecordOffset = 512;

struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};

// The process-wide state of the converter: the fix table, its count, the local time base, the
// raw log buffer and the sector decoder's fix-type gate. Owned by whoever drives a conversion
// (the window, the command-line converter, a test) and passed by reference.
struct FixStore {
    FixStore();
    FixStore(const FixStore&) = delete;
    FixStore& operator=(const FixStore&) = delete;

    // FixCapacity zero-filled entries; entries at FixCount and beyond are never read.
    std::unique_ptr<TGpsFix[], FreeDeleter> FixTable;
    std::int32_t FixCount = 0;
    // 1970-01-01 00:00:00 UTC in local standard time, as a day count.
    double LocalEpoch = 25569.0;
    // Number of fix-type-3 sector records still to drop after a record of another fix type.
    std::int32_t SkipCounter = 0;
    // kLogBufferSize + kLogBufferSlack bytes.
    std::unique_ptr<std::uint8_t[], FreeDeleter> LogBuffer;
    // Scratch table of the smoothing step: empty except while that step runs.
    std::vector<TGpsFix> WorkTable;
};
