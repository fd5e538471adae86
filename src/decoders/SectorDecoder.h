#pragma once

#include "decoders/MaskMarker.h"
#include "store/FixTable.h"
#include "store/TimeBase.h"

#include <cstdint>
#include <span>
#include <vector>

// The sector log (".BNX4"): 4 KiB flash sectors. Each sector holds its field mask at offset 2
// and, from offset 512, records (the fields the mask selects, then 2 bytes not interpreted),
// mask markers and erased 0xFF space. Fixes are gated on fix type and filtered for plausibility.

constexpr std::int32_t kSectorSize = 4096;

// Field bits of a sector record's mask that carry bytes, in the order the bytes follow.
enum class SectorField : int {
    Time = 0,             // 4 bytes: seconds since 1970-01-01 UTC, signed
    FixType = 1,          // 2 bytes
    Latitude = 2,         // 8 bytes: double, degrees
    Longitude = 3,        // 8 bytes: double, degrees
    Height = 4,           // 4 bytes: float, metres above sea level
    Speed = 5,            // 4 bytes: float, km/h
    SatelliteCounts = 12, // 2 bytes: satellites used, then the extra count
    Reserved17 = 17,      // 2 bytes, not interpreted
    Millisecond = 18,     // 2 bytes
    Reserved21 = 21,      // 52 bytes, not interpreted
};

constexpr std::uint32_t FieldBit(SectorField field) { return 1u << static_cast<int>(field); }

// The fields every fix-bearing record needs: time, fix type, latitude, longitude, height, speed,
// the satellite counts and the millisecond.
constexpr std::uint32_t kSectorRequiredMask =
    FieldBit(SectorField::Time) | FieldBit(SectorField::FixType) | FieldBit(SectorField::Latitude) |
    FieldBit(SectorField::Longitude) | FieldBit(SectorField::Height) |
    FieldBit(SectorField::Speed) | FieldBit(SectorField::SatelliteCounts) |
    FieldBit(SectorField::Millisecond);

// The shortest record that gives a fix: the required fields and the 2 trailing bytes.
constexpr std::int32_t kShortestSectorRecord = 36;
// The most fixes a sector gives: the records it keeps lie whole between offset 512 and its end.
constexpr std::int32_t kMostFixesPerSector =
    (kSectorSize - kFirstRecordOffset) / kShortestSectorRecord;

// A record the fix-type gate or a plausibility test dropped, dated on or after 2021-01-01: its
// moment, speed and height as read (either value may be out of range or not a number), so that a
// picture can show what the tests took away. Records dropped for their date are not kept.
struct DroppedRecord {
    double Time;  // local standard time as a day count, as a fix's
    float Speed;  // km/h
    float Height; // metres above sea level
};

// How many records of a sector log were dropped, by the test that dropped them, and the dated
// ones among them.
struct SectorDropCounts {
    std::int32_t FixTypeGate = 0; // not a 3D fix, or one of the five 3D fixes after one
    std::int32_t Implausible = 0; // speed, position or millisecond out of range, or a field missing
    std::int32_t BeforeEarliest = 0; // a time before 2021-01-01 (or none)
    // The earliest and latest logger second (as the clock shifted it) among the records that
    // carried a time and were dropped only for being before 2021; 0 when there was none.
    std::int64_t EarliestTooEarly = 0;
    std::int64_t LatestTooEarly = 0;
    // The gate's and the plausibility tests' drops with a date, in the order met.
    std::vector<DroppedRecord> Records;
};

// The state of one decode: the fix-type gate and the drop counts.
struct SectorScanState {
    // Number of fix-type-3 records still to drop after a record of another fix type.
    std::int32_t SkipCounter = 0;
    SectorDropCounts Dropped;
};

// Length in bytes of one record under `FieldMask`: 2 plus the sizes of the sized fields.
std::int32_t SectorRecordLength(std::uint32_t FieldMask);

// Decodes every whole 4 KiB sector of a sector-log image in order, appends the accepted fixes to
// `table` (after reserving room for the most the image can give) and smooths the table. The
// fix-type gate starts open.
SectorDropCounts DecodeSectorLog(std::span<const std::uint8_t> image, const LoggerClock& clock,
                                 FixTable& table);

// Walks sector `SectorIndex` of the image and appends its accepted fixes.
void ScanSector(std::span<const std::uint8_t> image, std::int32_t SectorIndex,
                const LoggerClock& clock, SectorScanState& state, FixTable& table);

// Decodes one record, runs the fix-type gate and the plausibility tests, and appends the fix.
void DecodeSectorRecord(const std::uint8_t* RecordStart, std::uint32_t FieldMask,
                        const LoggerClock& clock, SectorScanState& state, FixTable& table);
