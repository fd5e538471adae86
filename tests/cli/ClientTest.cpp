// Our GPX and our --utc --gga NMEA read back by the programs people load them into: gpsbabel,
// exiftool geotagging a JPEG, and gpxpy. A test whose program is missing is skipped, naming it
// (scripts/install-deps.sh test installs them all).
#include "cli/Cli.h"
#include "convert/ConversionService.h"
#include "support/ChildProcess.h"
#include "support/LogWriter.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

using namespace t2ntest;

struct Point {
    std::int64_t UtcMs = 0; // since 1899-12-30
    double Lat = 0, Lon = 0, Height = 0;
};

// The program runs and says it is fine. The readers belong to the machine that builds: the
// Windows programs run none of them (Wine would start them, but with Windows paths).
bool Installed(const std::string& program, const std::vector<std::string>& args)
{
#ifdef _WIN32
    (void)program, (void)args;
    return false;
#else
    return RunProgram(program, args, {.Out = {}, .Err = {}}).Status == 0;
#endif
}

class Clients : public ::testing::Test
{
  protected:
    // Two trips of 20 fixes in Japan's time zone: one across midnight UTC in the north-east with
    // milliseconds, one an hour later in the south-west below sea level.
    void SetUp() override
    {
        FlashImage log = BlockLog(1, kBlockBasicMask);
        for (int i = 0; i < 40; ++i) {
            const int k = i % 20;
            const bool first = i < 20;
            RawFix fix{.Seconds = kMay2021 + (first ? -10 : 3600) + k,
                       .Latitude = first ? 35.6 + k * 1.2345678e-4 : -33.8 - k * 1e-4,
                       .Longitude = first ? 139.7 + k * 1.5e-4 : -70.6 - k * 2.5e-4,
                       .ExtraValue = first ? 12.5f + 0.3f * k : -3.25f + 0.1f * k};
            fix.Millisecond = static_cast<std::uint16_t>(k % 2 * 125 * k % 1000);
            log.Append(0, BlockRecord(fix, kBlockBasicMask));
        }
        const std::string input = dir.Write("ride.bin", log.Data());
        std::ostringstream out, err;
        for (const char* format : {"--format=gpx", "--gga"})
            ASSERT_EQ(RunCli({"-q", "--bias=-540", "--utc", format, input}, out, err), 0);
        ConversionService service(-540);
        ASSERT_EQ(service.Load(input).Kind, LogKind::Block);
        for (const TGpsFix& fix : service.Fixes())
            expected.push_back({DayCountToMilliseconds(fix.Time) - 540 * 60000, fix.Latitude,
                                fix.Longitude, fix.ExtraValue});
    }

    // What a program writes to its standard output; it must succeed.
    static std::string Run(const std::string& program, const std::vector<std::string>& args)
    {
        const ProgramResult r = RunProgram(program, args);
        EXPECT_EQ(r.Status, 0) << program << ' ' << (args.empty() ? "" : args[0]) << "\n" << r.Err;
        return r.Out;
    }

    static void ExpectSame(const std::vector<Point>& read, const std::vector<Point>& want,
                           const std::string& what)
    {
        ASSERT_EQ(read.size(), want.size()) << what;
        for (std::size_t i = 0; i < read.size(); ++i) {
            EXPECT_EQ(read[i].UtcMs, want[i].UtcMs) << what << " point " << i;
            EXPECT_NEAR(read[i].Lat, want[i].Lat, 1e-6) << what << " point " << i;
            EXPECT_NEAR(read[i].Lon, want[i].Lon, 1e-6) << what << " point " << i;
            EXPECT_NEAR(read[i].Height, want[i].Height, 0.05) << what << " point " << i;
        }
    }

    [[nodiscard]] std::string File(const std::string& name) const
    {
        return (dir.Path() / name).string();
    }

    TempDir dir;
    std::vector<Point> expected; // in time order, as the log was written
};

TEST_F(Clients, GpsbabelReadsGpxAndNmea)
{
    if (!Installed("gpsbabel", {"-V"}))
        GTEST_SKIP() << "gpsbabel is not installed";
    for (const std::string input : {"gpx", "nmea"}) {
        // gpsbabel's own GPX: <trkpt lat lon>, <ele>, <time> with milliseconds when not 0.
        const std::string gpx =
            Run("gpsbabel", {"-i", input, "-f", File("ride." + input), "-o", "gpx", "-F", "-"});
        std::vector<Point> read;
        for (std::size_t at = 0; (at = gpx.find("<trkpt ", at + 1)) != std::string::npos;) {
            Point& p = read.emplace_back();
            CalendarTime t;
            std::sscanf(gpx.c_str() + at,
                        "<trkpt lat=\"%lf\" lon=\"%lf\"> <ele>%lf</ele> <time>%d-%d-%dT%d:%d:%d.%d",
                        &p.Lat, &p.Lon, &p.Height, &t.Year, &t.Month, &t.Day, &t.Hour, &t.Minute,
                        &t.Second, &t.Millisecond);
            p.UtcMs = CalendarToMilliseconds(t);
        }
        ExpectSame(read, expected, "gpsbabel -i " + input);
    }
}

// gpsbabel reads the satellites used and the kind of fix of each point: none for a record the
// logger wrote without a fix inside a trip, dgps and pps where its type says so, nothing for a
// plain fix (which does not say 2D or 3D).
TEST_F(Clients, GpsbabelReadsSatellitesAndFixKinds)
{
    if (!Installed("gpsbabel", {"-V"}))
        GTEST_SKIP() << "gpsbabel is not installed";
    constexpr std::uint32_t kMask = kBlockBasicMask | 0x3000; // with satellite counts and entries
    const std::uint16_t types[] = {kSpsFixType, kDgpsFixType, kNoFixType, kPpsFixType, 0};
    FlashImage log = BlockLog(1, kMask);
    for (int i = 0; i < 5; ++i)
        log.Append(0, BlockRecord({.Seconds = kMay2021 + i,
                                   .FixType = types[i],
                                   .SatelliteCount = 9,
                                   .ExtraCount = static_cast<std::uint8_t>(4 + i)},
                                  kMask));
    const std::string input = dir.Write("kinds.bin", log.Data());
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"-q", "--bias=0", "--format=gpx", input}, out, err), 0) << err.str();
    EXPECT_EQ(
        Run("gpsbabel", {"-t", "-i", "gpx", "-f", File("kinds.gpx"), "-o", "unicsv", "-F", "-"}),
        "No,Latitude,Longitude,Altitude,FIX,Satellites,Date,Time\r\n"
        "1,35.500000,139.750000,1.3,,4,2021/05/03,00:00:00\r\n"
        "2,35.500000,139.750000,1.3,\"dgps\",5,2021/05/03,00:00:01\r\n"
        "3,35.500000,139.750000,1.3,\"none\",6,2021/05/03,00:00:02\r\n"
        "4,35.500000,139.750000,1.3,\"pps\",7,2021/05/03,00:00:03\r\n"
        "5,35.500000,139.750000,1.3,,8,2021/05/03,00:00:04\r\n");
}

TEST_F(Clients, ExiftoolGeotagsAPhotoTakenDuringATrip)
{
    if (!Installed("exiftool", {"-ver"}) || !Installed("convert", {"-version"}))
        GTEST_SKIP() << "exiftool or ImageMagick's convert is not installed";
    const Point& at = expected[24]; // a whole second of the second trip
    const CalendarTime t = MillisecondsToCalendar(at.UtcMs);
    char taken[32];
    std::snprintf(taken, sizeof taken, "%04d:%02d:%02d %02d:%02d:%02d", t.Year, t.Month, t.Day,
                  t.Hour, t.Minute, t.Second);
    ASSERT_EQ(t.Millisecond, 0);
    for (const std::string track : {"ride.gpx", "ride.nmea"}) {
        const std::string photo = File("photo.jpg");
        Run("convert", {"-size", "8x8", "xc:gray", photo});
        Run("exiftool",
            {"-q", "-overwrite_original", "-DateTimeOriginal=" + std::string(taken), photo});
        Run("exiftool", {"-q", "-overwrite_original", "-geotag", File(track),
                         "-geotime<${DateTimeOriginal}+00:00", photo});
        Point read;
        std::istringstream(
            Run("exiftool", {"-n", "-s3", "-Composite:GPSLatitude", "-Composite:GPSLongitude",
                             "-Composite:GPSAltitude", photo})) >>
            read.Lat >> read.Lon >> read.Height;
        read.UtcMs = at.UtcMs;
        ExpectSame({read}, {at}, "exiftool -geotag " + track);
    }
}

TEST_F(Clients, GpxpyFindsEveryPointInTwoTracks)
{
    // Debian's python3-gpxpy belongs to Debian's interpreter, whatever python3 comes first.
    if (!Installed("/usr/bin/python3", {"-c", "import gpxpy"}))
        GTEST_SKIP() << "python3-gpxpy is not installed for /usr/bin/python3";
    EXPECT_EQ(Run("/usr/bin/python3", {"-c",
                                       "import gpxpy, sys; g = gpxpy.parse(open(sys.argv[1])); "
                                       "print(len(g.tracks), g.get_points_no())",
                                       File("ride.gpx")}),
              "2 40\n");
}

} // namespace
