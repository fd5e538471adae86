#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// The values of the EXIF GPS tags that place a photo, as the rationals and texts the tags hold.

struct URational {
    std::uint32_t Num = 0;
    std::uint32_t Den = 1;
    friend bool operator==(const URational&, const URational&) = default;
};

using Rational3 = std::array<URational, 3>;

struct GpsTags {
    Rational3 Latitude;                // degrees, minutes, seconds (to a millionth of a second)
    char LatitudeRef = 'N';            // 'N' or 'S'
    Rational3 Longitude;               // degrees, minutes, seconds
    char LongitudeRef = 'E';           // 'E' or 'W'
    std::optional<URational> Altitude; // metres (to the millimetre); nothing without a height
    std::uint8_t AltitudeRef = 0;      // 0 above sea level, 1 below
    Rational3 TimeStamp;               // UTC hours, minutes, seconds (to the millisecond)
    std::string DateStamp;             // UTC "YYYY:MM:DD"
    friend bool operator==(const GpsTags&, const GpsTags&) = default;
};

// The tags of a position (degrees, north and east positive; metres above sea level) at a UTC
// moment in whole milliseconds since 1899-12-30. A millionth of an arc second is below 3e-10
// degrees: the coordinates read back within 1e-7 degrees whatever the reader's rounding.
[[nodiscard]] GpsTags MakeGpsTags(double latDeg, double lonDeg, std::optional<double> heightM,
                                  std::int64_t utcMs);

// Degrees from degree, minute and second rationals; NaN when a denominator is 0.
[[nodiscard]] double DegreesOf(const Rational3& dms);
