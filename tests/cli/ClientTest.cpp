// Our GPX, KML, GeoJSON, CSV and --utc --gga NMEA read back by the programs people load them
// into: gpsbabel, exiftool geotagging a JPEG, gpxpy, and python's json and csv. A test whose
// program is missing is skipped, naming it (scripts/install-deps.sh test installs them all).
#include "cli/Cli.h"
#include "convert/ConversionService.h"
#include "store/TimeBase.h"
#include "support/ChildProcess.h"
#include "support/LogWriter.h"

#include <cmath>
#include <filesystem>
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
                       .ExtraValue = first ? 12.5f + 0.3f * static_cast<float>(k)
                                           : -3.25f + 0.1f * static_cast<float>(k)};
            fix.Millisecond = static_cast<std::uint16_t>(k % 2 * 125 * k % 1000);
            log.Append(0, BlockRecord(fix, kBlockBasicMask));
        }
        const std::string input = dir.Write("ride.bin", log.Data());
        std::ostringstream out, err;
        for (const char* format :
             {"--format=gpx", "--gga", "--format=kml", "--format=geojson", "--format=csv"})
            ASSERT_EQ(RunCli({"-q", "--bias=-540", "--utc", format, input}, out, err), 0);
        ConversionService service(-540);
        ASSERT_EQ(service.Load(input).Kind, LogKind::Block);
        for (const TGpsFix& fix : service.Fixes())
            expected.push_back({DayCountToMilliseconds(fix.Time) - 540 * kMsPerMinute, fix.Latitude,
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
    for (const std::string input : {"gpx", "nmea", "kml"}) {
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

// Python's json and csv read every fix's time, position and height, and its trip, from our
// GeoJSON and CSV, as GPX gives them.
TEST_F(Clients, PythonReadsGeoJsonAndCsv)
{
    if (!Installed("/usr/bin/python3", {"-c", ""}))
        GTEST_SKIP() << "python3 is not installed";
    // One line a fix: its trip, its UTC time and its latitude, longitude and height.
    const std::string script = R"(import csv, json, sys
d = json.load(open(sys.argv[1]))
assert d['type'] == 'FeatureCollection'
for f in d['features']:
    assert f['type'] == 'Feature' and f['geometry']['type'] == 'LineString'
    times = f['properties']['coordTimes']
    assert len(times) == len(f['geometry']['coordinates'])
    for t, (lon, lat, h) in zip(times, f['geometry']['coordinates']):
        print(f['properties']['trip'], t, repr(lat), repr(lon), repr(h))
with open(sys.argv[2], newline='') as c:
    for r in csv.DictReader(c):
        print(r['trip'], r['time_utc'], r['latitude'], r['longitude'], r['height_m']))";
    std::istringstream lines(
        Run("/usr/bin/python3", {"-c", script, File("ride.geojson"), File("ride.csv")}));
    std::vector<Point> geoJson, csv;
    std::size_t index = 0;
    for (std::string line; std::getline(lines, line); ++index) {
        Point& p = (index < expected.size() ? geoJson : csv).emplace_back();
        int trip = 0;
        CalendarTime t;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d %d-%d-%dT%d:%d:%d.%dZ %lf %lf %lf", &trip, &t.Year,
                              &t.Month, &t.Day, &t.Hour, &t.Minute, &t.Second, &t.Millisecond,
                              &p.Lat, &p.Lon, &p.Height),
                  11)
            << line;
        p.UtcMs = CalendarToMilliseconds(t);
        EXPECT_EQ(trip, index % expected.size() < 20 ? 1 : 2) << line;
    }
    ExpectSame(geoJson, expected, "json");
    ExpectSame(csv, expected, "csv");
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

// The trip figures of --trips against an independent reading of our GPX in Python: the moving
// time, average moving speed, ascent and descent of each track worked out from its points'
// times, speeds and heights by the rules of docs/cli.md.
TEST_F(Clients, TripFiguresMatchAPythonReadingOfTheGpx)
{
    if (!Installed("/usr/bin/python3", {"-c", ""}))
        GTEST_SKIP() << "python3 is not installed";
    // Three outings of 2 s fixes with stops, crawls below 1 km/h and uneven steps; the heights
    // swing by 30 m with noise of up to 3.4 m.
    FlashImage log = BlockLog(1, kBlockBasicMask);
    for (int i = 0; i < 600; ++i) {
        const int phase = i % 23;
        log.Append(0, BlockRecord({.Seconds = kMay2021 + i * 2 + i / 200 * 1800 + i / 37 * 5,
                                   .Latitude = 35.0 + i * 1e-5,
                                   .ExtraValue = static_cast<float>(100 + 30 * std::sin(i / 25.0) +
                                                                    ((i * 7) % 5 - 2) * 1.7),
                                   .Speed = phase < 5   ? 0.0f
                                            : phase < 7 ? 0.8f
                                                        : 3.0f + static_cast<float>(i % 11) * 2.5f},
                                  kBlockBasicMask));
    }
    const std::string input = dir.Write("walk.bin", log.Data());
    std::ostringstream out, err;
    ASSERT_EQ(RunCli({"-q", "--bias=0", "--format=gpx", input}, out, err), 0) << err.str();
    ASSERT_EQ(RunCli({"--bias=0", "--trips", input}, out, err), 0) << err.str();

    const std::string script = R"(import sys, xml.etree.ElementTree as ET
from datetime import datetime
G = '{http://www.topografix.com/GPX/1/1}'
X = '{http://www.garmin.com/xmlschemas/TrackPointExtension/v2}'
for n, trk in enumerate(ET.parse(sys.argv[1]).getroot().iter(G + 'trk'), 1):
    pts = []
    for p in trk.iter(G + 'trkpt'):
        t = datetime.strptime(p.find(G + 'time').text, '%Y-%m-%dT%H:%M:%S.%fZ')
        ms = round((t - datetime(1970, 1, 1)).total_seconds() * 1000)
        pts.append((ms, float(p.find('.//' + X + 'speed').text) * 3.6, float(p.find(G + 'ele').text)))
    moving = weighted = 0
    for (t0, v0, _), (t1, v1, _) in zip(pts, pts[1:]):
        v = (v0 + v1) / 2
        if t1 > t0 and v > 1:
            moving += t1 - t0
            weighted += v * (t1 - t0)
    up = down = 0
    low = high = pts[0][2]
    way = 0
    for _, _, h in pts[1:]:
        if way == 0:
            if h - low >= 5: up += h - low; way, turn = 1, h
            elif high - h >= 5: down += high - h; way, turn = -1, h
            low, high = min(low, h), max(high, h)
        elif way == 1:
            if h > turn: up += h - turn; turn = h
            elif turn - h >= 5: down += turn - h; way, turn = -1, h
        else:
            if h < turn: down += turn - h; turn = h
            elif h - turn >= 5: up += h - turn; way, turn = 1, h
    print(n, moving // 1000, weighted / moving, up, down))";
    std::istringstream python(Run("/usr/bin/python3", {"-c", script, File("walk.gpx")}));
    std::istringstream listed(out.str());
    std::string line;
    std::getline(listed, line); // file:
    std::getline(listed, line); // the header
    int trips = 0;
    for (; std::getline(listed, line); ++trips) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            fields.push_back(cell);
        ASSERT_EQ(fields.size(), 13u) << line;
        int number = 0;
        long long movingS = 0;
        double avg = 0, ascent = 0, descent = 0;
        ASSERT_TRUE(python >> number >> movingS >> avg >> ascent >> descent) << line;
        SCOPED_TRACE(line);
        EXPECT_EQ(std::to_string(number), fields[0]);
        int h = 0, m = 0, sec = 0;
        ASSERT_EQ(std::sscanf(fields[9].c_str(), "%d:%d:%d", &h, &m, &sec), 3);
        EXPECT_EQ(h * 3600 + m * 60 + sec, movingS);
        EXPECT_NEAR(std::stod(fields[10]), avg, 0.051);
        EXPECT_NEAR(std::stod(fields[11]), ascent, 0.051);
        EXPECT_NEAR(std::stod(fields[12]), descent, 0.051);
        // Not a trivial trip: stops, climbs and descents all count.
        EXPECT_GT(movingS, 100);
        EXPECT_GT(ascent, 20);
        EXPECT_GT(descent, 20);
    }
    EXPECT_EQ(trips, 3);
}

// A chosen trip and a split export keep each file whole: the JSON parses with the features it
// should have (no separator left for a trip not written), and the CSV names the trips it holds.
TEST_F(Clients, ChosenTripsAndSplitFilesParse)
{
    if (!Installed("/usr/bin/python3", {"-c", ""}))
        GTEST_SKIP() << "python3 is not installed";
    const std::string input = File("ride.bin");
    std::ostringstream out, err;
    for (const std::string format : {"geojson", "csv"})
        ASSERT_EQ(RunCli({"-q", "--bias=-540", "--format", format, "--trip", "2", "-o",
                          File("second." + format), input},
                         out, err),
                  0)
            << err.str();
    std::filesystem::create_directories(File("pieces"));
    ASSERT_EQ(RunCli({"-q", "--bias=-540", "--format=geojson", "--split=trip", "--output-dir",
                      File("pieces"), input},
                     out, err),
              0)
        << err.str();
    // Per file: its features' trips and positions, or the CSV's trips.
    const std::string script = R"(import csv, glob, json, sys
for name in [sys.argv[1]] + sorted(glob.glob(sys.argv[3] + '/*.geojson')):
    d = json.load(open(name))
    print([(f['properties']['trip'], len(f['geometry']['coordinates'])) for f in d['features']])
with open(sys.argv[2], newline='') as c:
    print(sorted(set(r['trip'] for r in csv.DictReader(c)))))";
    EXPECT_EQ(Run("/usr/bin/python3",
                  {"-c", script, File("second.geojson"), File("second.csv"), File("pieces")}),
              "[(2, 20)]\n[(1, 20)]\n[(2, 20)]\n['2']\n");
}

} // namespace
