#pragma once

// Decoded fixes for the tests of the stages after decoding: writers, trips, geometry, photos.

#include "store/GpsFix.h"
#include "store/TimeBase.h"
#include "support/LogWriter.h"

#include <cmath>
#include <cstdint>

namespace t2ntest {

// The worked fix: 2021-05-03 12:34:56.789 local time in Japan (03:34:56.789 UTC) as a logger's
// clock gives it, 35.5020576 N 139.75 E (3530.123456 and 13945.000000 in NMEA), a
// three-dimensional fix (type 3) 1.25 m high at 12.3 knots heading north, 9 satellites used.
inline TGpsFix SampleFix()
{
    TGpsFix fix{};
    fix.Time = LoggerTimeToDayCount(1620012896, 789, kJapanEpoch);
    fix.FixType = 3;
    fix.Latitude = 35.5020576;
    fix.Longitude = 139.75;
    fix.ExtraValue = 1.25f;
    fix.Speed = 22.7796f;
    fix.Course = 0.0f;
    fix.ExtraCount = 9;
    fix.Millisecond = 789;
    return fix;
}

// A three-dimensional fix (type 3) at a local time in whole milliseconds since 1899-12-30 and a
// position, without a height or a speed (NaN), course 0, no satellites.
inline TGpsFix SampleFix(std::int64_t localMs, double latDeg, double lonDeg)
{
    TGpsFix fix{};
    fix.Time = static_cast<double>(localMs) / static_cast<double>(kMillisecondsPerDay);
    fix.FixType = 3;
    fix.Latitude = latDeg;
    fix.Longitude = lonDeg;
    fix.ExtraValue = NAN;
    fix.Speed = NAN;
    return fix;
}

} // namespace t2ntest
