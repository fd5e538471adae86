// The writers for other programs and the pipeline every writer goes through. The expected lines
// were checked by hand, checksums included.
#include "export/CsvExport.h"
#include "export/GpxExport.h"
#include "export/NmeaExport.h"
#include "store/TimeBase.h"
#include "support/LogWriter.h"
#include "support/SampleFix.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace t2ntest;

// The worked fix at 36 km/h; `change` makes a variant.
TGpsFix JapanFix(void (*change)(TGpsFix&) = [](TGpsFix&) {})
{
    TGpsFix fix = SampleFix();
    fix.Speed = 36.0f;
    fix.SatelliteCount = 9; // in view; the files for other programs carry the 7 used
    fix.ExtraCount = 7;
    change(fix);
    return fix;
}

void NoValues(TGpsFix& f)
{
    f.Latitude = -33.5;
    f.Longitude = -70.25;
    f.Speed = f.ExtraValue = NAN;
    f.Course = INFINITY;
}

std::string Record(RecordFormatter format, const TGpsFix& fix, const RecordStyle& style)
{
    static char buffer[kMaxNmeaRecordLength + kMaxGpxPointLength];
    return {buffer, format(fix, style, buffer)};
}

TEST(TrackRecords, NmeaLinesForOtherToolsAndGpxPoints)
{
    const RecordStyle japan{-540, true, true};
    const struct {
        TGpsFix Fix;
        RecordStyle Style;
        const char* Lines;
    } lines[] = {
        {JapanFix(), japan,
         "$GPGGA,033456.789,3530.123456,N,13945.000000,E,1,07,,1.25,M,,,,*19\r\n"
         "$GPRMC,033456.789,A,3530.123456,N,13945.000000,E,19.4,0.0,030521,,,A*5E\r\n"},
        {JapanFix(NoValues), japan,
         "$GPGGA,033456.789,3330.000000,S,07015.000000,W,1,07,,,,,,,*4B\r\n"
         "$GPRMC,033456.789,A,3330.000000,S,07015.000000,W,,,030521,,,A*65\r\n"},
        {JapanFix([](TGpsFix& f) { f.Course = -1e12f, f.ExtraValue = 1e30f; }), japan,
         "$GPGGA,033456.789,3530.123456,N,13945.000000,E,1,07,,,,,,,*4C\r\n"
         "$GPRMC,033456.789,A,3530.123456,N,13945.000000,E,19.4,,030521,,,A*70\r\n"},
        {JapanFix([](TGpsFix& f) { f.Latitude = NAN; }), japan,
         "$GPGGA,033456.789,,,,,0,07,,1.25,M,,,,*2B\r\n"
         "$GPRMC,033456.789,V,,,,,19.4,0.0,030521,,,N*75\r\n"},
        // A record the logger wrote without a fix keeps its stale position to itself.
        {JapanFix([](TGpsFix& f) { f.FixType = kNoFixType; }), japan,
         "$GPGGA,033456.789,,,,,0,07,,1.25,M,,,,*2B\r\n"
         "$GPRMC,033456.789,V,,,,,19.4,0.0,030521,,,N*75\r\n"},
        // A log without courses (a sector log) leaves the field empty.
        {JapanFix(),
         {-540, true, true, false},
         "$GPGGA,033456.789,3530.123456,N,13945.000000,E,1,07,,1.25,M,,,,*19\r\n"
         "$GPRMC,033456.789,A,3530.123456,N,13945.000000,E,19.4,,030521,,,A*70\r\n"},
        // One without satellite counts leaves the GGA's satellites empty.
        {JapanFix(),
         {-540, true, true, false, false},
         "$GPGGA,033456.789,3530.123456,N,13945.000000,E,1,,,1.25,M,,,,*1E\r\n"
         "$GPRMC,033456.789,A,3530.123456,N,13945.000000,E,19.4,,030521,,,A*70\r\n"},
    };
    for (const auto& c : lines)
        EXPECT_EQ(Record(FormatNmeaRecord, c.Fix, c.Style), c.Lines);

    // Positions in receivers' fixed width, "ddmm.mmmmmm" and "dddmm.mmmmmm"; the default file
    // keeps its own form.
    const std::tuple<double, double, const char*, const char*> positions[] = {
        {1.33, 1.33, "0119.800000,N,00119.800000,E", "119.800000,N,119.800000,E"},
        {0.0, -0.5, "0000.000000,N,00030.000000,W", "0.000000,N,30.000000,W"},
        // Minutes that round up to 60 stay in their degree (d * 100 + m), padded all the same.
        {-9.999999999, 99.999999999, "0960.000000,S,09960.000000,E", "960.000000,S,9960.000000,E"},
        {-90.0, 180.0, "9000.000000,S,18000.000000,E", "9000.000000,S,18000.000000,E"},
    };
    for (const auto& [latitude, longitude, padded, plain] : positions) {
        TGpsFix fix = JapanFix();
        fix.Latitude = latitude;
        fix.Longitude = longitude;
        const std::string tool = Record(FormatNmeaRecord, fix, japan);
        const std::string own = Record(FormatNmeaRecord, fix, {});
        EXPECT_EQ(tool.substr(18, std::string_view(padded).size()), padded);
        EXPECT_EQ(tool.substr(tool.find("$GPRMC") + 20, std::string_view(padded).size()), padded);
        EXPECT_EQ(own.substr(20, std::string_view(plain).size()), plain);
    }

    // The GGA quality from the logger's fix type; a sector log's 3 (a 3D fix) is a plain fix.
    const std::pair<std::uint16_t, const char*> qualities[] = {
        {0, "1*19"}, {kSpsFixType, "1*19"},       {kDgpsFixType, "2*1A"},
        {3, "1*19"}, {kPpsFixType, "3*1B"},       {kRtkFixType, "4*1C"},
        {6, "1*19"}, {kEstimatedFixType, "6*1E"},
    };
    for (const auto& [type, quality] : qualities) {
        TGpsFix fix = JapanFix();
        fix.FixType = type;
        const std::string gga = Record(FormatNmeaRecord, fix, {-540, false, true});
        EXPECT_EQ(gga.substr(0, gga.find('\r')), "$GPGGA,123456.789,3530.123456,N,13945.000000,E," +
                                                     std::string(quality, 1) + ",07,,1.25,M,,,," +
                                                     "*" + (quality + 2))
            << type;
    }

    const struct {
        TGpsFix Fix;
        std::int32_t Bias;
        const char* Point;
    } points[] = {
        {JapanFix(), -540,
         "      <trkpt lat=\"35.5020576\" lon=\"139.75\"><ele>1.25</ele>"
         "<time>2021-05-03T03:34:56.789Z</time><sat>7</sat><extensions>"
         "<gpxtpx:TrackPointExtension><gpxtpx:speed>10</gpxtpx:speed><gpxtpx:course>0"
         "</gpxtpx:course></gpxtpx:TrackPointExtension></extensions></trkpt>\n"},
        {JapanFix(NoValues), 720, // UTC is the next day
         "      <trkpt lat=\"-33.5\" lon=\"-70.25\"><time>2021-05-04T00:34:56.789Z</time>"
         "<sat>7</sat></trkpt>\n"},
        {JapanFix([](TGpsFix& f) { f.Longitude = 180.5; }), 0, ""},
        {JapanFix([](TGpsFix& f) { f.FixType = kNoFixType, f.Speed = NAN; }), -540,
         "      <trkpt lat=\"35.5020576\" lon=\"139.75\"><ele>1.25</ele>"
         "<time>2021-05-03T03:34:56.789Z</time><fix>none</fix><sat>7</sat><extensions>"
         "<gpxtpx:TrackPointExtension><gpxtpx:course>0</gpxtpx:course>"
         "</gpxtpx:TrackPointExtension></extensions></trkpt>\n"},
        {JapanFix([](TGpsFix& f) { f.FixType = kDgpsFixType, f.Speed = NAN; }), -540,
         "      <trkpt lat=\"35.5020576\" lon=\"139.75\"><ele>1.25</ele>"
         "<time>2021-05-03T03:34:56.789Z</time><fix>dgps</fix><sat>7</sat><extensions>"
         "<gpxtpx:TrackPointExtension><gpxtpx:course>0</gpxtpx:course>"
         "</gpxtpx:TrackPointExtension></extensions></trkpt>\n"},
        {JapanFix([](TGpsFix& f) { f.FixType = kPpsFixType, f.Speed = NAN; }), -540,
         "      <trkpt lat=\"35.5020576\" lon=\"139.75\"><ele>1.25</ele>"
         "<time>2021-05-03T03:34:56.789Z</time><fix>pps</fix><sat>7</sat><extensions>"
         "<gpxtpx:TrackPointExtension><gpxtpx:course>0</gpxtpx:course>"
         "</gpxtpx:TrackPointExtension></extensions></trkpt>\n"},
    };
    for (const auto& c : points)
        EXPECT_EQ(Record(FormatGpxPoint, c.Fix, {c.Bias, false, false}), c.Point);
    // A log without courses has none in its points, and no extensions without a speed either.
    EXPECT_EQ(Record(FormatGpxPoint, JapanFix([](TGpsFix& f) { f.Speed = NAN; }),
                     {-540, false, false, false}),
              "      <trkpt lat=\"35.5020576\" lon=\"139.75\"><ele>1.25</ele>"
              "<time>2021-05-03T03:34:56.789Z</time><sat>7</sat></trkpt>\n");
    // One without satellite counts claims none.
    EXPECT_EQ(Record(FormatGpxPoint, JapanFix([](TGpsFix& f) { f.Speed = NAN; }),
                     {-540, false, false, false, false}),
              "      <trkpt lat=\"35.5020576\" lon=\"139.75\"><ele>1.25</ele>"
              "<time>2021-05-03T03:34:56.789Z</time></trkpt>\n");
    // A CSV row leaves the course and the satellites empty where the log's records carry none.
    const std::string csv = Record(FormatCsvRecord, JapanFix(), {-540, false, false, true, true});
    const std::string bare =
        Record(FormatCsvRecord, JapanFix(), {-540, false, false, false, false});
    EXPECT_NE(csv.find(",7,"), std::string::npos) << csv;
    EXPECT_EQ(bare.find(",7,"), std::string::npos) << bare;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), ','), std::count(bare.begin(), bare.end(), ','));
    EXPECT_NE(bare.find(",,,"), std::string::npos) << bare; // course and satellites, empty
}

// A part is opened only around records it writes; chunk boundaries change no byte.
TEST(WriteTrack, PartsAroundTheirRecordsAcrossChunks)
{
    std::vector<TGpsFix> fixes(9000, JapanFix());
    std::vector<std::int32_t> order;
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        fixes[i].Time += static_cast<double>(i) / 86400;
        fixes[i].Millisecond = i >= 8900; // not selected
        order.push_back(static_cast<std::int32_t>(fixes.size() - 1 - i));
    }
    TrackLayout layout = GpxLayout();
    layout.PartOpen = '<';
    layout.PartClose = '>';
    const RecordStyle style{60, false, false};
    const std::vector<RecordPart> parts = {{0, 100}, {100, fixes.size()}};
    TempDir dir;
    const std::string target = (dir.Path() / "t.gpx").string();
    const ExportResult result = WriteTrack(target, layout, style, {fixes, order, parts},
                                           [](const TGpsFix& fix) { return !fix.Millisecond; });
    std::string expected = layout.Header;
    expected += layout.PartOpen;
    for (std::size_t i = 8900; i-- > 0;)
        expected += Record(FormatGpxPoint, fixes[i], style);
    expected += layout.PartClose;
    expected += layout.Footer;
    ASSERT_GT(expected.size(), std::size_t{1} << 20); // more than one chunk
    EXPECT_EQ(result.FixesWritten, 8900u);
    EXPECT_EQ(ReadWholeFile(target), expected);
}

} // namespace

namespace {

char* Letter(const TGpsFix& fix, const RecordStyle& style, char* out)
{
    *out++ = ',';
    *out++ = static_cast<char>('a' + fix.Millisecond);
    *out++ = static_cast<char>('0' + style.Trip);
    return out;
}

char* Upper(const TGpsFix& fix, const RecordStyle&, char* out)
{
    *out++ = ',';
    *out++ = static_cast<char>('A' + fix.Millisecond);
    return out;
}

// A list's separators: between the parts that write (a part selecting nothing leaves none
// behind), and between the records of a part (its first goes without), the second pass with its
// own formatter and texts, whatever the batches.
TEST(WriteTrack, SeparatedPartsInTwoPasses)
{
    std::vector<TGpsFix> fixes(6, JapanFix());
    for (std::size_t i = 0; i < fixes.size(); ++i)
        fixes[i].Millisecond = static_cast<std::uint16_t>(i);
    // Whole strings assigned: GCC 12 warns falsely (-Wrestrict) on a one-letter literal.
    TrackLayout layout;
    layout.Header = std::string(1, '[');
    layout.Footer = std::string(1, ']');
    layout.PartSeparator = std::string(1, ';');
    layout.LeadingSeparator = true;
    layout.Passes = 2;
    layout.Format = Letter;
    layout.SecondFormat = Upper;
    layout.MaxRecordLength = 4;
    layout.Describe = [](const PartSummary& trip) {
        PartTexts texts;
        texts.Open = {std::string(1, '(').append(std::to_string(trip.Number)), "|"};
        texts.Close = {"", ")"};
        return texts;
    };
    const RecordPart trips[] = {{0, 2, 1}, {2, 4, 2}, {4, 6, 3}};
    const PartSummary summaries[] = {{.Number = 1}, {.Number = 2}, {.Number = 3}};
    const std::vector<RecordPart> parts = LayoutParts(layout, trips, summaries);
    ASSERT_EQ(parts.size(), 6u);
    TempDir dir;
    const std::string target = (dir.Path() / "t.txt").string();
    for (const WriteThreads threads :
         {WriteThreads{0, 1}, WriteThreads{2, 1}, WriteThreads{0, 9}}) {
        // The second trip's fixes are not selected.
        const ExportResult result = WriteTrack(
            target, layout, {}, {fixes, {}, parts},
            [](const TGpsFix& fix) { return fix.Millisecond / 2 != 1; }, threads);
        EXPECT_EQ(result.FixesWritten, 4u);
        EXPECT_EQ(ReadWholeFile(target), "[(1a1,b1|A,B);(3e3,f3|E,F)]") << threads.BatchPositions;
    }
}

} // namespace
