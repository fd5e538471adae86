#include "geometry/PhotoMarks.h"

#include "support/SampleFix.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace t2ntest;

constexpr std::int32_t kTokyoBias = -540;
const std::int64_t kStartMs = CalendarToMilliseconds({2024, 5, 3, 0, 0, 0, 0}); // local

TGpsFix FixAt(std::int64_t seconds, double lat, double lon)
{
    return SampleFix(kStartMs + seconds * kMsPerSecond, lat, lon);
}

// Photos placed between two fixes lie on the line between their points, in the trip's colour;
// one placed near a trip's last fix takes that fix and that trip; across the antimeridian too.
TEST(PhotoMarks, PhotosLieOnTheDrawnLineInTheirTrip)
{
    const std::vector<TGpsFix> fixes{
        FixAt(0, 35.50, 139.50),     FixAt(10, 35.501, 139.501),     FixAt(20, 35.502, 139.503),
        FixAt(1000, 35.6, 179.9995), FixAt(1010, 35.601, -179.9985),
    };
    const TrackPlane plane(fixes, AnalyseTrips(fixes));
    for (std::size_t i = 0; i < fixes.size(); ++i)
        EXPECT_EQ(plane.PointOf(fixes[i].Latitude, fixes[i].Longitude), plane.Point(i)) << i;

    const PhotoTrack track(fixes, kTokyoBias);
    const auto placed = [&](std::int64_t seconds) {
        const std::int64_t utcMs =
            kStartMs + seconds * kMsPerSecond + std::int64_t{kTokyoBias} * kMsPerMinute;
        PhotoOutcome outcome;
        if (const Placement p = track.Place(utcMs, kDefaultMaxGapMs); p.Kind == PlaceKind::OnTrack)
            outcome.Place = p.Point;
        return outcome;
    };
    std::vector<PhotoOutcome> outcomes{placed(5), placed(-60), placed(25), placed(1002)};
    outcomes[2].PlaceHeld = true; // a position the photo holds itself: a hollow mark
    const TripAnalysis trips = AnalyseTrips(fixes);
    const std::vector<PhotoMark> marks = PhotoMarks(plane, trips.Trips, outcomes, kTokyoBias);

    ASSERT_EQ(marks.size(), 3u); // the photo a minute before the log has no place
    const auto between = [&](std::size_t a, std::size_t b, double fraction) {
        const PlanePoint& p = plane.Point(a);
        const PlanePoint& q = plane.Point(b);
        return PlanePoint{p.X + (q.X - p.X) * fraction, p.Y + (q.Y - p.Y) * fraction};
    };
    const struct {
        std::size_t Photo, Trip;
        PlanePoint At;
    } expected[] = {{0, 0, between(0, 1, 0.5)}, {2, 0, plane.Point(2)}, {3, 1, between(3, 4, 0.2)}};
    for (std::size_t i = 0; i < marks.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(marks[i].Photo, expected[i].Photo);
        EXPECT_EQ(marks[i].Trip, expected[i].Trip);
        EXPECT_EQ(marks[i].Held, expected[i].Photo == 2);
        EXPECT_NEAR(marks[i].At.X, expected[i].At.X, 1e-3);
        EXPECT_NEAR(marks[i].At.Y, expected[i].At.Y, 1e-3);
    }
}

} // namespace

namespace {

// A pixel near the track finds the nearest point of its trips' lines and the moment there, in
// proportion between the two fixes; the line between two trips is no track, nor is a far pixel.
TEST(PhotoMarks, ADraggedMarkFindsTheTracksSpotAndMoment)
{
    const std::vector<TGpsFix> fixes{FixAt(0, 35.50, 139.50), FixAt(10, 35.50, 139.51),
                                     FixAt(20, 35.51, 139.51),
                                     // Another trip an hour later, further east.
                                     FixAt(3600, 35.50, 139.60), FixAt(3610, 35.50, 139.61)};
    const TrackPlane plane(fixes, AnalyseTrips(fixes));
    ASSERT_EQ(plane.Trips().size(), 2u);
    const PlaneTransform transform = FitTransform(plane.Bounds(), {0, 0, 1000, 500});
    const auto pixel = [&](std::size_t a, std::size_t b, double share, double dy = 0) {
        const PlanePoint p = transform.Map(plane.Point(a));
        const PlanePoint q = transform.Map(plane.Point(b));
        return PlanePoint{p.X + (q.X - p.X) * share, p.Y + (q.Y - p.Y) * share + dy};
    };
    const struct {
        PlanePoint Pixel;
        std::optional<std::int64_t> Seconds;
    } rows[] = {
        {pixel(0, 1, 0.25, 3), 2},        // 3 px off the first line, a quarter along
        {pixel(1, 2, 0.5), 15},           // on the second
        {pixel(3, 4, 0.9, -4), 3609},     // the other trip
        {pixel(2, 3, 0.5), std::nullopt}, // between the trips: no track there
        {pixel(0, 1, 0.5, 40), std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Pixel.X);
        const std::optional<TrackSpot> spot = SpotNear(plane, transform, row.Pixel, 8);
        ASSERT_EQ(spot.has_value(), row.Seconds.has_value());
        if (!spot)
            continue;
        EXPECT_NEAR(static_cast<double>(spot->Moment - kStartMs),
                    static_cast<double>(*row.Seconds * kMsPerSecond), 500);
        const PlanePoint at = transform.Map(spot->At);
        EXPECT_LE(std::hypot(at.X - row.Pixel.X, at.Y - row.Pixel.Y), 8);
    }
}

} // namespace
