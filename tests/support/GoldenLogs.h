#pragma once

// The logs of the golden pairs in tests/data: small logs that show at a glance what the
// converter does with the features of each format. `t2n_make_golden DIR` (make golden) writes
// them and their exact outputs in every format; the golden test checks that both still agree
// with the converter.

#include "support/LogWriter.h"

#include <filesystem>
#include <string>
#include <vector>

namespace t2ntest {

// The time-zone bias the golden outputs were written with (Japan).
inline constexpr std::int32_t kGoldenBias = -540;

struct GoldenPair {
    const char* Log;  // file name in tests/data
    const char* Nmea; // its default file; the other outputs are named after it (GoldenOutputs)
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

// Writes the outputs of a golden log into `dir`, each through the conversion service with the
// golden bias, and returns their names: the default file (the pair's Nmea), then, named after
// it, the GPX, KML, GeoJSON and CSV files ("golden-block.gpx", ...), NMEA with UTC times and GGA
// lines ("golden-block-utc-gga.nmea") and one default file a day
// ("golden-block-day-20210503.nmea").
std::vector<std::string> WriteGoldenOutputs(const GoldenPair& pair, const std::string& log,
                                            const std::filesystem::path& dir);

} // namespace t2ntest
