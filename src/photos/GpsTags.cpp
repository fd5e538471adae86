#include "photos/GpsTags.h"

#include "store/TimeBase.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr std::int64_t kMicroSecondsOfArcPerDegree = 3600000000;
constexpr std::uint32_t kSecondDenominator = 1000000;
constexpr std::uint32_t kAltitudeDenominator = 1000;
// The largest altitude in millimetres that fits the rational's numerator.
constexpr double kMaxAltitudeMm = std::numeric_limits<std::uint32_t>::max();

// Whole degrees, whole minutes and seconds in millionths, from the magnitude of an angle;
// rounded once as a whole, so 59.9999999 seconds never shows as 60.
Rational3 Dms(double magnitudeDeg)
{
    const auto total =
        std::llround(magnitudeDeg * static_cast<double>(kMicroSecondsOfArcPerDegree));
    const std::int64_t perMinute = kMicroSecondsOfArcPerDegree / 60;
    return {URational{static_cast<std::uint32_t>(total / kMicroSecondsOfArcPerDegree), 1},
            URational{static_cast<std::uint32_t>(total / perMinute % 60), 1},
            URational{static_cast<std::uint32_t>(total % perMinute), kSecondDenominator}};
}

} // namespace

GpsTags MakeGpsTags(double latDeg, double lonDeg, std::optional<double> heightM, std::int64_t utcMs)
{
    GpsTags tags;
    tags.Latitude = Dms(std::fabs(latDeg));
    tags.LatitudeRef = latDeg < 0 ? 'S' : 'N';
    tags.Longitude = Dms(std::fabs(lonDeg));
    tags.LongitudeRef = lonDeg < 0 ? 'W' : 'E';
    if (heightM && std::isfinite(*heightM)) {
        const double mm =
            std::fmin(std::round(std::fabs(*heightM) * kAltitudeDenominator), kMaxAltitudeMm);
        tags.Altitude = URational{static_cast<std::uint32_t>(mm), kAltitudeDenominator};
        tags.AltitudeRef = *heightM < 0 && mm > 0 ? 1 : 0; // never "0 m below"
    }
    const CalendarTime t = MillisecondsToCalendar(utcMs);
    tags.TimeStamp = {URational{static_cast<std::uint32_t>(t.Hour), 1},
                      URational{static_cast<std::uint32_t>(t.Minute), 1},
                      URational{static_cast<std::uint32_t>(t.Second * 1000 + t.Millisecond), 1000}};
    char date[32];
    std::snprintf(date, sizeof date, "%04d:%02d:%02d", t.Year, t.Month, t.Day);
    tags.DateStamp = date;
    return tags;
}

double DegreesOf(const Rational3& dms)
{
    double degrees = 0;
    double unit = 1;
    for (const URational& part : dms) {
        if (part.Den == 0)
            return std::numeric_limits<double>::quiet_NaN();
        degrees += static_cast<double>(part.Num) / part.Den / unit;
        unit *= 60;
    }
    return degrees;
}
