#pragma once

#include "store/TimeBase.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// When a photo was taken, from the clock tags a camera writes into it. All moments are whole
// milliseconds since 1899-12-30 00:00 (as CalendarToMilliseconds counts them).

// The photo's own clock tags as the file holds them.
struct PhotoClock {
    std::string DateTime; // DateTimeOriginal, "YYYY:MM:DD hh:mm:ss" on the camera's clock
    std::string SubSec;   // SubSecTimeOriginal: the digits of a fraction of a second
    std::string Offset;   // OffsetTimeOriginal, "+HH:MM" east of UTC; empty when there is none
};

// How the camera's clock relates to UTC.
struct CameraClock {
    // The camera's zone when the photo does not say: UTC = camera time + bias (west positive).
    std::int32_t BiasMinutes = 0;
    std::int64_t OffsetMs = 0; // the clock's error: camera minus true time (+75000: 75 s fast)
};

struct PhotoMoment {
    std::int64_t TakenMs = 0;     // the camera's clock as the photo shows it
    std::int32_t ZoneMinutes = 0; // the zone applied, east of UTC
    bool ZoneFromPhoto = false;   // OffsetTimeOriginal gave the zone, not the camera's setting
    std::int64_t UtcMs = 0;       // the true moment in UTC: zone and clock error taken off
};

// "YYYY:MM:DD hh:mm:ss" (trailing spaces and a terminating zero allowed) as calendar fields; a
// date or time that cannot be (the "0000:00:00 00:00:00" of an unset camera) gives nothing.
[[nodiscard]] std::optional<CalendarTime> ParseExifDateTime(std::string_view text);
// "+HH:MM" or "-HH:MM" (at most 24:00) as minutes east of UTC; nothing for any other text.
[[nodiscard]] std::optional<std::int32_t> ParseExifOffset(std::string_view text);
// The milliseconds of a fraction of a second written as digits ("5" is 500, "123456" is 123:
// further digits are dropped); 0 when the text holds no digits or anything but digits and spaces.
[[nodiscard]] int SubSecMilliseconds(std::string_view text);

// The photo's moment; nothing when it has no readable DateTimeOriginal.
[[nodiscard]] std::optional<PhotoMoment> PhotoMomentOf(const PhotoClock& clock,
                                                       const CameraClock& camera);

// The clock error (camera minus true time, in whole seconds as the window's field and the
// command line take it) that puts a photo at a true moment: a photo slid along the track to the
// place it was taken moves every photo with it, as the field does. `moment` is the photo's as
// placed with the error `offsetMs`.
[[nodiscard]] std::int64_t ClockErrorSecondsFor(const PhotoMoment& moment, std::int64_t offsetMs,
                                                std::int64_t trueUtcMs);
