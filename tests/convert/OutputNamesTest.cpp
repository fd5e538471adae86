#include "convert/OutputNames.h"

#include "store/TimeBase.h"

#include <gtest/gtest.h>

namespace {

TEST(OutputNames, DefaultTargetReplacesOrAppendsTheExtension)
{
    const struct {
        const char* path;
        TrackFormat format;
        const char* target;
    } cases[] = {
        {"track.txt", TrackFormat::Nmea, "track.nmea"},
        {"track", TrackFormat::Nmea, "track.nmea"},
        {"track.nmea", TrackFormat::Nmea, "track.nmea"},
        {"track.bnx4.bak", TrackFormat::Nmea, "track.bnx4.nmea"},
        {"track.", TrackFormat::Nmea, "track.nmea"},
        {"dir.d/track", TrackFormat::Nmea, "dir.d/track.nmea"},
        {"/home/u/logs.2021/day.binx", TrackFormat::Gpx, "/home/u/logs.2021/day.gpx"},
        {"出力/走行.BNX4", TrackFormat::Nmea, "出力/走行.nmea"},
        // A leading dot is no extension.
        {".hidden", TrackFormat::Nmea, ".hidden.nmea"},
        {"dir/.hidden", TrackFormat::Gpx, "dir/.hidden.gpx"},
        {"dir\\.hidden", TrackFormat::Nmea, "dir\\.hidden.nmea"},
        {".hidden.bin", TrackFormat::Nmea, ".hidden.nmea"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DefaultTarget(c.path, c.format), c.target) << c.path;
}

TEST(OutputNames, PiecesTakeTheirSuffixBeforeTheExtension)
{
    const std::int64_t ms = CalendarToMilliseconds({2021, 5, 3, 7, 8, 9, 999});
    EXPECT_EQ(PieceSuffix(ms, true), "-20210503-070809");
    EXPECT_EQ(PieceSuffix(ms, false), "-20210503");
    EXPECT_EQ(PieceSuffix(CalendarToMilliseconds({812, 1, 2, 0, 0, 0, 0}), false), "-08120102");
    EXPECT_EQ(PieceTarget("out/track.nmea", "-20210503"), "out/track-20210503.nmea");
    EXPECT_EQ(PieceTarget("out.d/track", "-20210503"), "out.d/track-20210503");
    EXPECT_EQ(PieceTarget(".hidden.gpx", "-20210503"), ".hidden-20210503.gpx");
}

} // namespace
