// A photo's moment from its clock tags, its place on a track, and the rationals written for it.
#include "photos/GpsTags.h"
#include "photos/PhotoTime.h"
#include "photos/PhotoTrack.h"
#include "support/SampleFix.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

std::int64_t Ms(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return CalendarToMilliseconds({y, mo, d, h, mi, s, ms});
}

TEST(PhotoTime, MomentFromTheClockTagsTheZoneAndTheClockError)
{
    const CameraClock japan{-540, 0};
    const struct {
        PhotoClock clock;
        CameraClock camera;
        std::optional<std::int64_t> utc;
        std::int32_t zone;
    } rows[] = {
        {{"2021:05:03 09:00:00", "", ""}, japan, Ms(2021, 5, 3, 0, 0, 0), 540},
        // The photo's own zone wins over the camera's; the sub-seconds are a fraction.
        {{"2021:05:03 09:00:00", "5", "+02:00"}, japan, Ms(2021, 5, 3, 7, 0, 0, 500), 120},
        {{"2021:05:03 09:00:00", "05", "-03:30"}, japan, Ms(2021, 5, 3, 12, 30, 0, 50), -210},
        {{std::string("2021:05:03 09:00:00\0", 20), "123987 ", "   :  "},
         japan,
         Ms(2021, 5, 3, 0, 0, 0, 123),
         540},
        // A camera 75 s fast: the true moment is 75 s earlier, across midnight here.
        {{"2021:05:03 09:00:30", "", ""}, {-540, 75000}, Ms(2021, 5, 2, 23, 59, 15), 540},
        {{"2021:05:03 00:00:00", "", ""}, {0, -1500}, Ms(2021, 5, 3, 0, 0, 1, 500), 0},
        {{"2020:02:29 23:59:59", "x", "+24:00"}, {}, Ms(2020, 2, 28, 23, 59, 59), 1440},
        // No time: unset, impossible or malformed.
        {{"0000:00:00 00:00:00", "", ""}, japan, std::nullopt, 0},
        {{"2021:02:29 10:00:00", "", ""}, japan, std::nullopt, 0},
        {{"2021:05:03 24:00:00", "", ""}, japan, std::nullopt, 0},
        {{"2021-05-03 09:00:00", "", ""}, japan, std::nullopt, 0},
        {{"", "", "+09:00"}, japan, std::nullopt, 0},
    };
    for (const auto& row : rows) {
        const std::optional<PhotoMoment> moment = PhotoMomentOf(row.clock, row.camera);
        ASSERT_EQ(moment.has_value(), row.utc.has_value()) << row.clock.DateTime;
        if (!moment)
            continue;
        EXPECT_EQ(moment->UtcMs, *row.utc) << row.clock.DateTime << ' ' << row.clock.Offset;
        EXPECT_EQ(moment->ZoneMinutes, row.zone) << row.clock.DateTime;
        EXPECT_EQ(moment->ZoneFromPhoto, ParseExifOffset(row.clock.Offset).has_value());
    }
}

// A photo slid to a true moment: the error found places it there again (to the half second the
// field's whole seconds allow), whatever error it was placed with before.
TEST(PhotoTime, ClockErrorThatPutsAPhotoAtAMoment)
{
    const struct {
        PhotoClock clock;
        std::int64_t offsetMs; // the error it is placed with now
        std::int64_t trueUtcMs;
        std::int64_t seconds; // the error that puts it there
    } rows[] = {
        // Taken at 09:00:30 Japan's time (00:00:30 UTC), where the track was at 00:00:00 UTC.
        {{"2021:05:03 09:00:30", "", ""}, 0, Ms(2021, 5, 3, 0, 0, 0), 30},
        {{"2021:05:03 09:00:30", "", ""}, 75000, Ms(2021, 5, 3, 0, 0, 0), 30},
        {{"2021:05:03 09:00:30", "", ""}, -4000, Ms(2021, 5, 3, 0, 2, 0), -90},
        // The photo's own zone; a fraction of a second rounds to the nearer whole one.
        {{"2021:05:03 02:00:00", "6", "+02:00"}, 0, Ms(2021, 5, 3, 0, 0, 0), 1},
        {{"2021:05:03 02:00:00", "4", "+02:00"}, 0, Ms(2021, 5, 3, 0, 0, 0), 0},
        {{"2021:05:03 09:00:00", "", ""}, 0, Ms(2021, 5, 3, 0, 0, 0, 500), -1},
        {{"2021:05:03 09:00:00", "", ""}, 0, Ms(2021, 5, 3, 0, 0, 0, -500), 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.trueUtcMs);
        const std::optional<PhotoMoment> before = PhotoMomentOf(row.clock, {-540, row.offsetMs});
        ASSERT_TRUE(before);
        const std::int64_t seconds = ClockErrorSecondsFor(*before, row.offsetMs, row.trueUtcMs);
        EXPECT_EQ(seconds, row.seconds);
        const std::optional<PhotoMoment> after = PhotoMomentOf(row.clock, {-540, seconds * 1000});
        EXPECT_LE(std::abs(after->UtcMs - row.trueUtcMs), 500);
    }
}

TGpsFix Fix(std::int64_t utcMs, double lat, double lon, float height = 10, std::uint16_t type = 3)
{
    TGpsFix f = t2ntest::SampleFix(utcMs + 540 * kMsPerMinute, lat, lon); // in Japan's time
    f.FixType = type;
    f.ExtraValue = height;
    return f;
}

TEST(PhotoTrack, PlacesBetweenNearFixesAndNowhereElse)
{
    const std::int64_t t0 = Ms(2021, 5, 3, 0, 0, 0);
    const float noHeight = std::nanf("");
    // Out of time order; a no-fix record and a fix outside the ranges are left out; a 100 s gap
    // after 40 s; a run across the date line without heights.
    const std::vector<TGpsFix> fixes = {
        Fix(t0 + 40000, 35.2, 139.4, 30),
        Fix(t0, 35.0, 139.0, 10),
        Fix(t0 + 20000, 35.1, 139.2, 20),
        Fix(t0 + 30000, 10, 10, 0, 1),
        Fix(t0 + 35000, 91, 139.3),
        Fix(t0 + 140000, -20.0, 179.9, noHeight),
        Fix(t0 + 150000, -20.1, -179.9, noHeight),
    };
    const PhotoTrack track(fixes, -540);
    ASSERT_EQ(track.Points().size(), 5u);
    const struct {
        std::int64_t at;
        PlaceKind kind;
        double lat, lon;
        std::optional<double> height;
    } rows[] = {
        {t0, PlaceKind::OnTrack, 35.0, 139.0, 10},
        {t0 + 5000, PlaceKind::OnTrack, 35.025, 139.05, 12.5},
        {t0 + 30000, PlaceKind::OnTrack, 35.15, 139.3, 25}, // the no-fix record is not there
        {t0 - 10000, PlaceKind::OnTrack, 35.0, 139.0, 10},  // a run's edge
        {t0 - 10001, PlaceKind::OutsideLog, 0, 0, {}},
        {t0 + 50000, PlaceKind::OnTrack, 35.2, 139.4, 30},
        {t0 + 90000, PlaceKind::InGap, 0, 0, {}},
        {t0 + 131000, PlaceKind::OnTrack, -20.0, 179.9, {}},
        {t0 + 145000, PlaceKind::OnTrack, -20.05, 180.0, {}}, // the short way round
        {t0 + 147500, PlaceKind::OnTrack, -20.075, -179.95, {}},
        {t0 + 160000, PlaceKind::OnTrack, -20.1, -179.9, {}},
        {t0 + 160001, PlaceKind::OutsideLog, 0, 0, {}},
    };
    for (const auto& row : rows) {
        const Placement p = track.Place(row.at, kDefaultMaxGapMs);
        EXPECT_EQ(p.Kind, row.kind) << row.at - t0;
        if (p.Kind != PlaceKind::OnTrack)
            continue;
        EXPECT_NEAR(p.Point.LatDeg, row.lat, 1e-9) << row.at - t0;
        EXPECT_NEAR(p.Point.LonDeg, row.lon, 1e-9) << row.at - t0;
        EXPECT_EQ(p.Point.HeightM.has_value(), row.height.has_value()) << row.at - t0;
        if (p.Point.HeightM && row.height) {
            EXPECT_NEAR(*p.Point.HeightM, *row.height, 1e-6) << row.at - t0;
        }
    }
    // A wider gap allowed bridges the pause; a narrower one bounds the snap to a run's edge too,
    // and none allowed leaves the fixes alone.
    EXPECT_EQ(track.Place(t0 + 90000, 100000).Kind, PlaceKind::OnTrack);
    EXPECT_EQ(track.Place(t0 + 30000, 10000).Point.LatDeg,
              35.1); // the nearer edge, the earlier on a tie
    const std::pair<std::int64_t, std::int64_t> gaps[][2] = {
        {{t0 + 20000, 0}, {t0 - 3000, 5000}},  // placed: on a fix, 3 s before a run
        {{t0 + 30000, 0}, {t0 + 50000, 9000}}, // in a gap: 10 s from the edges
        {{t0 - 1, 0}, {t0 - 6000, 5000}},      // outside the log
    };
    const PlaceKind kinds[] = {PlaceKind::OnTrack, PlaceKind::InGap, PlaceKind::OutsideLog};
    for (std::size_t k = 0; k < 3; ++k)
        for (const auto& [at, gap] : gaps[k])
            EXPECT_EQ(track.Place(at, gap).Kind, kinds[k]) << at - t0 << ' ' << gap;
    EXPECT_EQ(PhotoTrack().Place(t0, kDefaultMaxGapMs).Kind, PlaceKind::OutsideLog);
}

TEST(GpsTags, RationalsHoldTheCoordinatesToATenMillionthOfADegree)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> lat(-90, 90), lon(-180, 180);
    for (int i = 0; i < 100000; ++i) {
        const double a = i == 0 ? 35.99999999999 : lat(random);
        const double b = i == 0 ? -179.999999999 : lon(random);
        const GpsTags tags = MakeGpsTags(a, b, std::nullopt, 0);
        const double readLat = DegreesOf(tags.Latitude) * (tags.LatitudeRef == 'S' ? -1 : 1);
        const double readLon = DegreesOf(tags.Longitude) * (tags.LongitudeRef == 'W' ? -1 : 1);
        ASSERT_NEAR(readLat, a, 1e-9) << i;
        ASSERT_NEAR(readLon, b, 1e-9) << i;
        ASSERT_LT(tags.Latitude[1].Num, 60u);
        ASSERT_LT(tags.Latitude[2].Num, 60u * tags.Latitude[2].Den);
    }
}

TEST(GpsTags, HeightTimeAndDate)
{
    const GpsTags below = MakeGpsTags(1, 2, -12.3456, Ms(2021, 12, 31, 23, 59, 58, 765));
    EXPECT_EQ(below.AltitudeRef, 1);
    EXPECT_EQ(below.Altitude, (URational{12346, 1000}));
    EXPECT_EQ(below.TimeStamp, (Rational3{{{23, 1}, {59, 1}, {58765, 1000}}}));
    EXPECT_EQ(below.DateStamp, "2021:12:31");
    EXPECT_EQ(MakeGpsTags(1, 2, -0.0004, 0).AltitudeRef, 0); // no "0 m below sea level"
    EXPECT_FALSE(MakeGpsTags(1, 2, std::nullopt, 0).Altitude.has_value());
    EXPECT_FALSE(MakeGpsTags(1, 2, std::nan(""), 0).Altitude.has_value());
}

} // namespace
