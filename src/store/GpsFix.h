#pragma once

#include <cstdint>

// One decoded position fix. Plain data, copied by value between the table, the decoders'
// scratch record and the smoothing pass's work table.
struct TGpsFix {
    double Time;                 // local standard time as a day count (days since 1899-12-30)
    std::uint16_t FixType;       // the logger's fix-type word; 3 is a three-dimensional fix
    double Latitude;             // degrees, north positive
    double Longitude;            // degrees, east positive
    float ExtraValue;            // field bit 4, passed through to the export untouched
    float Speed;                 // km/h
    float Course;                // degrees; 0 for sector logs, which carry no course
    std::uint8_t ExtraCount;     // second byte of field bit 12
    std::uint8_t SatelliteCount; // first byte of field bit 12
    std::uint16_t Millisecond;   // 0..999 for every stored fix
};

// The fix-type word of a block-log record: one bit for the kind of fix the logger had. Sector
// logs keep only fixes of their own type 3 (a three-dimensional fix), which is none of these.
enum BlockFixType : std::uint16_t {
    kNoFixType = 1, // no fix: the position is a stale one, left over from the last fix
    kSpsFixType = 2,
    kDgpsFixType = 4,
    kPpsFixType = 8,
    kRtkFixType = 16,
    kFloatRtkFixType = 32,
    kEstimatedFixType = 64,
    kManualFixType = 128,
    kSimulatedFixType = 256,
};

// A fix with a position other programs can take: not flagged "no fix" by the logger, and both
// coordinates numbers within their ranges.
[[nodiscard]] inline bool HasPosition(const TGpsFix& fix)
{
    return fix.FixType != kNoFixType && fix.Latitude >= -90 && fix.Latitude <= 90 &&
           fix.Longitude >= -180 && fix.Longitude <= 180;
}
