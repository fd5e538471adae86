// The camera's clock error from a photo that holds its true position, on tracks built here.
#include "photos/ClockFromPlace.h"

#include "support/SampleFix.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>

namespace {

// 2021-05-03 00:00:00 UTC, in milliseconds since 1899-12-30.
constexpr std::int64_t kT0 = std::int64_t{44319} * 86400000;

// A photo at a position, taken at `utcMs` on a clock set to UTC.
PhotoInfo PhotoAt(std::int64_t utcMs, std::optional<std::pair<double, double>> latLon)
{
    const CalendarTime t = MillisecondsToCalendar(utcMs);
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", t.Year, t.Month, t.Day,
                  t.Hour, t.Minute, t.Second);
    PhotoInfo photo;
    photo.HasClock = true;
    photo.Clock = {text, std::to_string(t.Millisecond + 1000).substr(1), ""};
    if (latLon)
        photo.HeldPlace = TrackPoint{0, latLon->first, latLon->second, std::nullopt};
    return photo;
}

// Fixes at (seconds after kT0, latitude, longitude), on a log in UTC.
PhotoTrack Track(std::initializer_list<std::array<double, 3>> fixes)
{
    std::vector<TGpsFix> table;
    for (const auto& [seconds, lat, lon] : fixes)
        table.push_back(
            t2ntest::SampleFix(kT0 + static_cast<std::int64_t>(seconds * 1000), lat, lon));
    return PhotoTrack(table, 0);
}

TEST(ClockFromPlace, NearestPointOfTheTrackWithinHoursAndMetres)
{
    // Heading east along the equator across the date line, 0.001 degrees (111 m) a step of 10 s,
    // then after a pause of 10 minutes (longer than the 60 s gap) one fix further on.
    const PhotoTrack track = Track({{0, 0, 179.998},
                                    {10, 0, 179.999},
                                    {20, 0, -180.0},
                                    {30, 0, -179.999},
                                    {630, 0, -179.990}});
    const GeotagSettings settings;
    const struct {
        std::int64_t photoMs; // the photo's clock, after kT0
        std::pair<double, double> at;
        ClockFromPlaceStatus status;
        std::int64_t offsetMs; // camera minus true time
        double distanceM;
    } rows[] = {
        // A quarter of the way from the second fix to the third, 5.56 m north of the track.
        {100000, {0.00005, 179.99925}, ClockFromPlaceStatus::Found, 100000 - 12500, 5.56},
        // Across the date line, the clock slow.
        {-60000, {0, -179.9995}, ClockFromPlaceStatus::Found, -60000 - 25000, 0},
        // Halfway into the pause: the step is too long to walk, the nearer fix wins.
        {330000, {0, -179.9945}, ClockFromPlaceStatus::NotNear, 0, 500.4},
        {0, {0.002, 179.999}, ClockFromPlaceStatus::NotNear, 0, 222.4},
        // The track lies more than 12 hours from the photo's time.
        {13 * 3600000,
         {0, 179.999},
         ClockFromPlaceStatus::NotNear,
         0,
         std::numeric_limits<double>::infinity()},
        {12 * 3600000, {0, 179.999}, ClockFromPlaceStatus::Found, 12 * 3600000 - 10000, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.photoMs);
        const ClockFromPlace clock =
            ClockErrorFromPlace(PhotoAt(kT0 + row.photoMs, row.at), track, settings);
        EXPECT_EQ(clock.Status, row.status);
        if (std::isinf(row.distanceM)) {
            EXPECT_TRUE(std::isinf(clock.DistanceM));
        } else {
            EXPECT_NEAR(clock.DistanceM, row.distanceM, 0.1);
        }
        if (row.status == ClockFromPlaceStatus::Found) {
            EXPECT_NEAR(static_cast<double>(clock.OffsetMs), static_cast<double>(row.offsetMs),
                        1.0);
        }
    }
    EXPECT_EQ(ClockErrorFromPlace(PhotoAt(kT0, std::nullopt), track, settings).Status,
              ClockFromPlaceStatus::NoPosition);
    PhotoInfo untimed = PhotoAt(kT0, std::pair(0.0, 179.999));
    untimed.Clock.DateTime.clear();
    EXPECT_EQ(ClockErrorFromPlace(untimed, track, settings).Status, ClockFromPlaceStatus::NoTime);
    // The camera's zone moves the photo's own time: a clock set to +09:00.
    GeotagSettings japan;
    japan.CameraBiasMinutes = -540;
    EXPECT_EQ(ClockErrorFromPlace(PhotoAt(kT0 + 9 * 3600000 + 10000, std::pair(0.0, 179.999)),
                                  track, japan)
                  .OffsetMs,
              0);
}

} // namespace
