#pragma once

// The logs of the golden pairs in tests/data: small logs that show at a glance what the
// converter does with the features of each format. `t2n_make_golden DIR` writes them and their
// exact outputs; the golden test checks that both still agree with the converter.

#include "support/LogWriter.h"

namespace t2ntest {

// The time-zone bias the golden outputs were written with (Japan).
inline constexpr std::int32_t kGoldenBias = -540;

struct GoldenPair {
    const char* Log;  // file name in tests/data
    const char* Nmea; // its converted file
    Bytes (*Make)();
};

// One block: fixes at 1 Hz with milliseconds across both hemispheres, a mask marker that adds
// the satellite counts and entries, a record with a bad checksum, erased space, a torn record.
Bytes GoldenBlockLog();
// Four sectors: 10 Hz fixes that are smoothed, a fix-type gate, implausible records, a record
// from before 2021, an erased sector.
Bytes GoldenSectorLog();

// Two blocks of the sister layout: a recording that opens with markers, a signature and a
// "logger on" marker, a waypoint, a damaged record, an erased gap with older records after it;
// then a recording of a speed-first model, with a record out of range.
Bytes GoldenSisterLog();

inline constexpr GoldenPair kGoldenPairs[] = {
    {"golden-block.bin", "golden-block.nmea", GoldenBlockLog},
    {"golden-sister.bin", "golden-sister.nmea", GoldenSisterLog},
    {"golden-sector.BNX4", "golden-sector.nmea", GoldenSectorLog},
};

} // namespace t2ntest
