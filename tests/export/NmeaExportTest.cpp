#include "export/NmeaExport.h"

#include "messages/ErrorText.h"
#include "store/TimeBase.h"
#include "support/LogWriter.h"
#include "support/SampleFix.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

using namespace t2ntest;
namespace fs = std::filesystem;

std::string Line(const TGpsFix& fix)
{
    std::vector<char> out(kMaxRmcLength);
    const char* end = FormatRmcLine(fix, out.data());
    return std::string(static_cast<const char*>(out.data()), end);
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> out;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, ',');)
        out.push_back(field);
    return out;
}

std::string Printf(const char* format, long double v)
{
    char out[6000];
    std::snprintf(out, sizeof out, format, v);
    return out;
}

TEST(FormatNmeaCoordinate, DegreesAndMinutes)
{
    const std::pair<double, const char*> cases[] = {
        {35.5, "3530.000000"},
        {139.75, "13945.000000"},
        {5.25, "515.000000"},
        {0.5, "30.000000"},
        {0.0, "0.000000"},
        {35.5020576, "3530.123456"},
        {90.0, "9000.000000"},
        {180.0, "18000.000000"},
        {35.0 + 59.99999996 / 60.0, "3560.000000"}, // 59.99999996' rounds up to 60.000000'
        {35.0 + 59.9999994 / 60.0, "3559.999999"},
    };
    for (const auto& [degrees, text] : cases)
        EXPECT_EQ(FormatNmeaCoordinate(degrees), text) << degrees;

    // d * 100 + (v - d) * 60 of |v| in extended precision, printed by the C library: values of
    // a coordinate's range, random bit patterns of any magnitude below 2^34 (either sign, tiny
    // and subnormal ones included), whole and half degrees and their neighbours.
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> any(-180.0, 180.0);
    std::vector<double> values;
    for (int i = 0; i < 40000; ++i) {
        values.push_back(any(random));
        const std::uint64_t bits = random();
        values.push_back(
            std::bit_cast<double>(bits % (std::uint64_t{1056} << 52) | bits >> 63 << 63));
    }
    for (double whole = 0; whole <= 181; whole += 0.5)
        for (double v : {std::nextafter(whole, -1.0), whole, std::nextafter(whole, 200.0)})
            values.push_back(v);
    for (double v : values) {
        const long double magnitude = std::fabs(static_cast<long double>(v));
        const long double d = std::trunc(magnitude);
        const long double value = d * 100 + (magnitude - d) * 60;
        ASSERT_EQ(FormatNmeaCoordinate(v), Printf("%.6Lf", value)) << std::hexfloat << v;
    }
}

TEST(FormatRmcLine, WorkedExamples)
{
    EXPECT_EQ(Line(SampleFix()),
              "$GPRMC,123456.789,A,3530.123456,N,13945.000000,E,12.3,0.0,030521,1.250,9,A*43");

    TGpsFix south = SampleFix();
    south.Latitude = -33.5;
    south.Longitude = -70.25;
    south.Speed = 18.52f;
    south.ExtraValue = 0.0f;
    south.ExtraCount = 0;
    const auto f = Fields(Line(south));
    ASSERT_EQ(f.size(), 13u);
    EXPECT_EQ(f[3] + "," + f[4] + "," + f[5] + "," + f[6] + "," + f[7] + "," + f[8],
              "3330.000000,S,7015.000000,W,10.0,0.0");

    TGpsFix zero = SampleFix();
    zero.Latitude = 0.0;
    zero.Longitude = -0.0;
    const auto z = Fields(Line(zero));
    EXPECT_EQ(z[3] + "," + z[4] + "," + z[5] + "," + z[6], "0.000000,N,0.000000,E");
}

TEST(FormatRmcLine, TimeAndDateFields)
{
    for (std::uint32_t ms = 0; ms < 1000; ++ms) {
        TGpsFix fix = SampleFix();
        fix.Time = LoggerTimeToDayCount(1620012896, ms, kJapanEpoch);
        const auto f = Fields(Line(fix));
        char expected[16];
        std::snprintf(expected, sizeof expected, "123456.%03u", ms);
        ASSERT_EQ(f[1], expected);
        ASSERT_EQ(f[9], "030521");
    }
    TGpsFix fix = SampleFix();
    fix.Time = LoggerTimeToDayCount(1609426799, 999, kJapanEpoch); // the last ms of 2020
    EXPECT_EQ(Fields(Line(fix))[1], "235959.999");
    EXPECT_EQ(Fields(Line(fix))[9], "311220");
    fix.Time = *EncodeDateTime(2000, 2, 29, 7, 5, 3);
    EXPECT_EQ(Fields(Line(fix))[1], "070503.000");
    EXPECT_EQ(Fields(Line(fix))[9], "290200");
}

TEST(FormatRmcLine, NumberFields)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float Course, ExtraValue;
        const char* CourseText;
        const char* ExtraText;
    };
    const Case cases[] = {
        {nan, -nan, "NAN", "-NAN"},
        {std::bit_cast<float>(0xFFFFFFFFu), std::bit_cast<float>(0x7F800001u), "-NAN", "NAN"},
        {std::bit_cast<float>(0xFF800001u), std::bit_cast<float>(0x7FC00000u), "-NAN", "NAN"},
        {HUGE_VALF, -HUGE_VALF, "INF", "-INF"},
        {256.25f, 1.0625f, "256.2", "1.062"}, // ties to even
        {0.75f, 0.1875f, "0.8", "0.188"},
        {-0.0f, -0.0f, "-0.0", "-0.000"},
        {-0.04f, -0.0004f, "-0.0", "-0.000"},
        {1e30f, -1e20f, "1000000015047466219876688855040.0", "-100000002004087734272.000"},
        {359.95f, 12345.6789f, "360.0", "12345.679"},
    };
    // 173.625 km/h is 93.75 knots in decimal; divided by 1.852L it lies just above the tie.
    TGpsFix tie = SampleFix();
    tie.Speed = 173.625f;
    EXPECT_EQ(Fields(Line(tie))[7], "93.8");
    for (const Case& c : cases) {
        TGpsFix fix = SampleFix();
        fix.Course = c.Course;
        fix.ExtraValue = c.ExtraValue;
        const auto f = Fields(Line(fix));
        ASSERT_EQ(f.size(), 13u);
        EXPECT_EQ(f[8], c.CourseText);
        EXPECT_EQ(f[10], c.ExtraText);
    }

    // Knots are the km/h value divided by 1.852 in extended precision.
    std::mt19937 random(3);
    std::uniform_real_distribution<float> speed(0.0f, 2000.0f);
    for (int i = 0; i < 5000; ++i) {
        TGpsFix fix = SampleFix();
        fix.Speed = speed(random);
        fix.ExtraCount = static_cast<std::uint8_t>(i);
        const auto f = Fields(Line(fix));
        ASSERT_EQ(f[7], Printf("%.1Lf", fix.Speed / 1.852L)) << fix.Speed;
        ASSERT_EQ(f[11], std::to_string(i % 256));
    }
}

// The checksum is the XOR of every byte between '$' and '*', as two upper-case hex digits.
TEST(FormatRmcLine, Checksum)
{
    // Hemispheres and the number of digits change the upper nibble of the checksum.
    bool sawSmall = false;
    for (int count = 0; count < 256; ++count)
        for (int variant = 0; variant < 16; ++variant) {
            TGpsFix fix = SampleFix();
            fix.ExtraCount = static_cast<std::uint8_t>(count);
            fix.Latitude = variant & 1 ? -fix.Latitude : fix.Latitude;
            fix.Longitude = variant & 2 ? -fix.Longitude : fix.Longitude;
            fix.Speed = variant & 4 ? 2.0f : 1852.0f;
            fix.ExtraValue = variant & 8 ? std::numeric_limits<float>::quiet_NaN() : 0.5f;
            const std::string line = Line(fix);
            ASSERT_GE(line.size(), 4u);
            ASSERT_EQ(line.front(), '$');
            ASSERT_EQ(line[line.size() - 3], '*');
            unsigned x = 0;
            for (std::size_t i = 1; i + 3 < line.size(); ++i)
                x ^= static_cast<unsigned char>(line[i]);
            char hex[3];
            std::snprintf(hex, sizeof hex, "%.2X", x);
            ASSERT_EQ(line.substr(line.size() - 2), hex) << line;
            ASSERT_EQ(line.substr(line.size() - 5, 3), ",A*") << line;
            sawSmall = sawSmall || x < 0x10;
        }
    EXPECT_TRUE(sawSmall) << "no checksum below 0x10 was exercised";
}

class Export : public ::testing::Test
{
  protected:
    void SetFixes(const std::vector<double>& times)
    {
        fixes.clear();
        for (double t : times) {
            TGpsFix fix = SampleFix();
            fix.Time = t;
            fix.ExtraCount = static_cast<std::uint8_t>(fixes.size());
            fixes.push_back(fix);
        }
    }

    // The fixes with from <= Time < to.
    ExportResult Write(const std::string& target, double from, double to) const
    {
        return ExportNmea(fixes, target,
                          [=](const TGpsFix& fix) { return from <= fix.Time && fix.Time < to; });
    }

    std::string Expected(const std::vector<int>& indices) const
    {
        std::string out;
        for (int i : indices)
            out += Line(fixes[static_cast<std::size_t>(i)]) + "\r\n";
        return out;
    }

    std::vector<std::string> FolderContents() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            names.push_back(entry.path().filename().string());
        return names;
    }

    std::vector<TGpsFix> fixes;
    TempDir dir;
    const double start = *EncodeDateTime(2021, 5, 3, 12, 0, 0);
    const double end = *EncodeDateTime(2021, 5, 3, 12, 0, 10);
};

// Start inclusive, End exclusive, table order kept, CR LF after every line, an existing
// (longer) file replaced, nothing left beside it.
TEST_F(Export, SelectsTheWindowInTableOrder)
{
    SetFixes({std::nextafter(start, 0.0), start, std::nextafter(end, 0.0), end,
              LoggerTimeToDayCount(1620010805, 5, kJapanEpoch), end + 1.0 / 86400, start - 1.0,
              LoggerTimeToDayCount(1620010800, 0, kJapanEpoch),   // 12:00:00 from the logger
              LoggerTimeToDayCount(1620010810, 0, kJapanEpoch)}); // 12:00:10
    const std::string target = dir.Write("track.nmea", Bytes(100000, 'x'));
    const ExportResult result = Write(target, start, end);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result.LinesWritten, 4u);
    const std::string text = ReadWholeFile(target);
    EXPECT_EQ(text, Expected({1, 2, 4, 7}));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
    EXPECT_EQ(text.find("$GPRMC,120005.005,A,3530.123456,N,13945.000000,E,12.3,0.0,030521,1.250,4,"
                        "A*"),
              Line(fixes[1]).size() + Line(fixes[2]).size() + 4);
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"track.nmea"});
}

TEST_F(Export, NothingSelectedGivesAnEmptyFile)
{
    SetFixes({start, end - 0.5 / 86400});
    const std::pair<double, double> windows[] = {
        {end, start}, {start, start}, {end, end + 1}, {start - 1, start}};
    for (const auto& [from, to] : windows) {
        const std::string target = dir.Write("empty.nmea", Bytes(20, 'x'));
        const ExportResult result = Write(target, from, to);
        EXPECT_TRUE(result.Ok());
        EXPECT_EQ(result.LinesWritten, 0u);
        EXPECT_EQ(ReadWholeFile(target), "");
    }
    fixes.clear();
    const std::string target = (dir.Path() / "none.nmea").string();
    EXPECT_TRUE(Write(target, start, end).Ok());
    EXPECT_TRUE(fs::exists(target));
    EXPECT_EQ(fs::file_size(target), 0u);
}

TEST_F(Export, MissingFolderIsACreationError)
{
    SetFixes({start});
    const std::string target = (dir.Path() / "no-such-folder" / "track.nmea").string();
    const ExportResult result = Write(target, start, end);
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.Status, ExportStatus::CreateFailed);
    EXPECT_EQ(result.Errno, ENOENT);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(ExportErrorText(result, target), CreateErrorText(target, ENOENT));
    EXPECT_EQ(CreateErrorText(target, ENOENT).rfind("ファイル \"" + target + "\". ", 0), 0u);
}

TEST_F(Export, FullDeviceIsAWriteError)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no device that is always full";
#else
    if (::access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no writable full device";
    SetFixes({start});
    const ExportResult result = Write("/dev/full", start, end);
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.Status, ExportStatus::WriteFailed);
    EXPECT_EQ(result.Errno, ENOSPC);
    EXPECT_FALSE(ExportErrorText(result, "/dev/full").empty());
#endif
}

// A write that fails half-way (here: the process may not write files over 4 KiB) is reported,
// and the existing target keeps its content; nothing else is left in the folder.
TEST_F(Export, FailedWriteLeavesTheTargetIntact)
{
    std::vector<double> times;
    times.reserve(500);
    for (int i = 0; i < 500; ++i)
        times.push_back(start + i * 0.01 / 86400);
    SetFixes(times);
    const std::string target = dir.Write("keep.nmea", Bytes(100, 'k'));
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no limit on the size of the files a process writes";
#else
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const ExportResult result = Write(target, start, end);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.Status, ExportStatus::WriteFailed);
    EXPECT_EQ(result.Errno, EFBIG);
    EXPECT_EQ(ReadWholeFile(target), std::string(100, 'k'));
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"keep.nmea"});
    EXPECT_FALSE(ExportErrorText(result, target).empty());
#endif
}

} // namespace
