#include "cli/Cli.h"

#include "messages/ErrorText.h"
#include "support/LogWriter.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;
using namespace t2ntest;

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun RunTool(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

// One block with two fixes: 2021-05-03 03:34:56.789 UTC and one second later.
Bytes TwoFixBlockLog()
{
    FlashImage log = BlockLog(1, kBlockBasicMask);
    RawFix fix;
    fix.Seconds = 1620012896;
    fix.Millisecond = 789;
    log.Append(0, BlockRecord(fix, kBlockBasicMask));
    fix.Seconds += 1;
    fix.Millisecond = 0;
    log.Append(0, BlockRecord(fix, kBlockBasicMask));
    return log.Data();
}

std::size_t CountLines(const std::string& text)
{
    std::size_t n = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++n;
    return n;
}

} // namespace

TEST(Cli, InfoPrintsKindCountAndSpanInLocalTime)
{
    TempDir dir;
    const std::string log = dir.Write("track.bin", TwoFixBlockLog());
    const CliRun r = RunTool({"--info", "--bias", "-540", log});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "file: " + log +
                         "\nkind: block\nfixes: 2\nfirst: 2021/05/03 12:34:56.789\n"
                         "last: 2021/05/03 12:34:57.000\n");
}

// A sister-layout log names its layout right after its kind; one that mixes it with plain blocks
// is mixed. Plain logs print no layout line (above).
TEST(Cli, InfoNamesTheSisterLayout)
{
    TempDir dir;
    FlashImage log = BlockLog(2, kSisterBasicMask);
    for (std::int32_t i = 0; i < 3; ++i)
        log.Append(0, SisterRecord({.Seconds = 1620012896 + i}, kSisterBasicMask));
    const std::string sister = dir.Write("sister.bin", log.Data());
    log.SetHeaderMask(1, kBlockBasicMask);
    log.Append(1, BlockRecord({.Seconds = 1620012900}, kBlockBasicMask));
    const std::string mixed = dir.Write("mixed.bin", log.Data());
    const CliRun r = RunTool({"--info", "--bias", "-540", sister, mixed});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "file: " + sister +
                         "\nkind: block\nlayout: sister\nfixes: 3\nfirst: 2021/05/03 12:34:56.000\n"
                         "last: 2021/05/03 12:34:58.000\nfile: " +
                         mixed +
                         "\nkind: block\nlayout: mixed\nfixes: 4\nfirst: 2021/05/03 12:34:56.000\n"
                         "last: 2021/05/03 12:35:00.000\n");
}

TEST(Cli, InfoOfEmptyAndIgnoredInputs)
{
    TempDir dir;
    const std::string empty = dir.Write("empty.bin", {});
    const std::string erased = dir.Write("erased.BNX4", SectorLog(2, kSectorFixMask).Data());
    const std::string odd = dir.Write("odd.bin", Bytes(100, 0));
#ifdef _WIN32
    // Windows makes no loop of links here; a name it refuses cannot be examined either.
    const std::string loop = (dir.Path() / "a<b.bin").string();
    const int loopError = EINVAL;
#else
    const std::string loop = (dir.Path() / "loop.bin").string();
    fs::create_symlink(loop, loop);
    const int loopError = ELOOP;
#endif
    CliRun r = RunTool({"--info", "--bias", "0", empty, erased, odd});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "file: " + empty + "\nkind: block\nfixes: 0\nfirst: -\nlast: -\n" +
                         "file: " + erased + "\nkind: sector\nfixes: 0\nfirst: -\nlast: -\n" +
                         "file: " + odd + "\nkind: ignored\n");
    EXPECT_NE(r.err.find("odd.bin"), std::string::npos);
    EXPECT_NE(r.err.find("whole number of 65536-byte blocks"), std::string::npos);
    // A path that cannot be examined is an error, which outranks an ignored input.
    r = RunTool({"--info", odd, loop});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "file: " + odd + "\nkind: ignored\nfile: " + loop + "\nkind: error\n");
    EXPECT_NE(r.err.find(loop + ": " + WithFinalPoint(IoErrorText(loopError, Language::English))),
              std::string::npos)
        << r.err;
}

TEST(Cli, ConvertsToTheDefaultNameWithinTheWindow)
{
    TempDir dir;
    const std::string log = dir.Write("track.binx", TwoFixBlockLog());
    const std::string nmea = (dir.Path() / "track.nmea").string();

    // Whole log: both lines, the first one exactly as the logger's software wrote it.
    CliRun r = RunTool({"--bias", "-540", log});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string all = ReadWholeFile(nmea);
    EXPECT_EQ(CountLines(all), 2u);
    EXPECT_EQ(all.rfind("$GPRMC,123456.789,A,3530.000000,N,13945.000000,E,", 0), 0u) << all;

    // --from inclusive, --to exclusive, whole seconds.
    const struct {
        std::string from, to;
        std::size_t lines;
    } windows[] = {
        {"2021-05-03 12:34:56", "2021-05-03 12:34:57", 1},
        {"2021-05-03 12:34:57", "2021-05-03 12:34:58", 1},
        {"2021-05-03 12:35:00", "2021-05-03 12:36:00", 0},
    };
    for (const auto& w : windows) {
        r = RunTool({"--bias", "-540", "--from", w.from, "--to", w.to, log});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(CountLines(ReadWholeFile(nmea)), w.lines) << w.from << " .. " << w.to;
    }
    // A start that is not before the end is a usage error: the last output stays as it was.
    for (const auto& [from, to] : {std::pair{"2021-05-03 12:34:57", "2021-05-03 12:34:57"},
                                   std::pair{"2021-05-03 12:34:58", "2021-05-03 12:34:56"}}) {
        r = RunTool({"--bias", "-540", "--from", from, "--to", to, log});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("the start is not before the end"), std::string::npos) << r.err;
        EXPECT_EQ(CountLines(ReadWholeFile(nmea)), 0u);
    }
}

TEST(Cli, DefaultBiasIsTheStandardOffsetOfTheLocalZone)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows takes the zone from GetTimeZoneInformation, which TZ does not change";
#else
    TempDir dir;
    const std::string log = dir.Write("track.bin", TwoFixBlockLog());
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    // New York in May keeps its standard offset (-5 h): daylight saving is never applied. The
    // standard time is the smaller offset of January and July: Dublin's is GMT, though tz rules
    // call Irish winter time the daylight-saving one. Fixes in a zone's summer are noted once.
    const struct {
        const char* zone;
        const char* first;
        const char* note; // nothing when the fixes lie in standard time
    } zones[] = {
        {"JST-9", "first: 2021/05/03 12:34:56.789", nullptr},
        {"EST5EDT,M3.2.0,M11.1.0", "first: 2021/05/02 22:34:56.789", "UTC-05:00"},
        {"Europe/Dublin", "first: 2021/05/03 03:34:56.789", "UTC+00:00"},
        {"Europe/Berlin", "first: 2021/05/03 04:34:56.789", "UTC+01:00"},
        {"Australia/Sydney", "first: 2021/05/03 13:34:56.789", nullptr}, // May is its winter
    };
    for (const auto& z : zones) {
        setenv("TZ", z.zone, 1);
        tzset();
        CliRun r = RunTool({"--info", log, log});
        EXPECT_NE(r.out.find(z.first), std::string::npos) << z.zone << "\n" << r.out;
        const std::string note = z.note ? "tallo2nmea-cli: " + log +
                                              ": note: times are standard time (" + z.note +
                                              "); summer time is not applied\n"
                                        : "";
        EXPECT_EQ(r.err, note) << z.zone;
        // A zone given on the command line is the user's choice: nothing to note.
        r = RunTool({"--info", "--bias", "0", log});
        EXPECT_EQ(r.err, "") << z.zone;
    }
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
#endif
}

TEST(Cli, StatusesOnBadCommandLinesAndInputs)
{
    TempDir dir;
    const std::string log = dir.Write("track.bin", TwoFixBlockLog());
    const std::string other = dir.Write("other.bin", TwoFixBlockLog());
    fs::create_directory(dir.Path() / "folder.bin");
    const std::string folder = (dir.Path() / "folder.bin").string();
    const std::string badSize = dir.Write("short.BNX4", Bytes(4097, 0xFF));
    const std::string tooLarge = dir.Write("huge.bin", Bytes(16777216 + 65536, 0xFF));
    const std::string missing = (dir.Path() / "missing.bin").string();

    const struct {
        std::vector<std::string> args;
        int status;
        const char* errorHas;
    } cases[] = {
        {{}, 2, "no input"},
        {{"--frobnicate", log}, 2, "unknown option"},
        {{log, "--bias"}, 2, "needs a value"},
        {{"--bias", log}, 2, "--bias takes whole minutes"},
        {{"--bias", "abc", log}, 2, "--bias"},
        {{"--from", "2021-05-03", log}, 2, "YYYY-MM-DD"},
        {{"--from", "2021-05-03 24:00:00", log}, 2, "hour"},
        {{"--to", "2021-05-03 12:60:00", log}, 2, "minute"},
        {{"-o", "x.nmea", log, other}, 2, "single input"},
        {{"-o", "", log}, 2, "-o needs a path"},
        {{"--output-dir", "", log}, 2, "--output-dir needs a path"},
        {{"-o", "x.nmea", "--output-dir", "d", log}, 2, "cannot be used together"},
        {{"--bias", "0", "--utc-offset", "+09:00", log}, 2, "either --bias or --utc-offset"},
        {{"--utc-offset", "9:00", log}, 2, "+HH:MM"},
        {{"--utc-offset", "+24:01", log}, 2, "+HH:MM"},
        {{"--utc-offset", "+09:60", log}, 2, "+HH:MM"},
        {{"--quiet=yes", log}, 2, "unknown option"},
        {{"--format", "kmz", log}, 2, "--format takes nmea, gpx, kml, geojson or csv, not 'kmz'"},
        {{"--format", "csv", "--gga", log}, 2, "cannot be used with --format csv"},
        {{"--split", "week", log}, 2, "--split takes trip or day"},
        {{"--split", "day", "-o", "x.nmea", log}, 2, "with --output-dir, not -o"},
        {{"--format", "gpx", "--gga", log}, 2, "--gga adds NMEA lines"},
        {{"--from", "2024-02-30 00:00:00", log}, 1, "a value that is not a date was given."},
        {{"--to", "2021-13-01 00:00:00", log}, 1, "a value that is not a date was given."},
        {{"--from", "0000-01-01 00:00:00", log}, 1, "a value that is not a date was given."},
        {{"--trips", "--format", "gpx", "--gga", log}, 2, "--gga adds NMEA lines"},
        {{"--info", "--format", "gpx", "--gga", log}, 2, "--gga adds NMEA lines"},
        {{"-qx", log}, 2, "unknown option '-x'"},
        {{"-xq", log}, 2, "unknown option '-xq'"},
        {{"-qo"}, 2, "option '-o' needs a value"},
        {{"-q", "-x", log}, 2, "unknown option '-x'"},
        {{missing}, 3, "no such file"},
        {{folder}, 3, "not a regular file"},
        {{badSize},
         3,
         "whole number of 4096-byte sectors (sector log) (4097 bytes; the next "
         "whole size is 8192)"},
        {{tooLarge}, 3, "16 MiB"},
        {{"-o", (dir.Path() / "no" / "such" / "out.nmea").string(), log}, 1, "cannot create"},
        {{missing, badSize, log}, 3, "missing.bin"},
#ifdef _WIN32
        {{missing, (dir.Path() / "a|b.bin").string()}, 1, "the file name is not valid"},
#else
        {{missing, (dir.Path() / std::string(300, 'n')).string() + ".bin"},
         1,
         "the file name is not valid"},
#endif
    };
    for (const auto& c : cases) {
        const CliRun r = RunTool(c.args);
        std::string joined;
        for (const auto& a : c.args)
            joined += a + " ";
        EXPECT_EQ(r.status, c.status) << joined << "\n" << r.err;
        EXPECT_NE(r.err.find(c.errorHas), std::string::npos) << joined << "\n" << r.err;
    }
    // Nothing was written for an ignored input, and a date error reads no file at all.
    EXPECT_FALSE(fs::exists(dir.Path() / "short.nmea"));
    EXPECT_FALSE(fs::exists(dir.Path() / "huge.nmea"));
}

TEST(Cli, SeveralInputsAreConvertedAndAFailureOutranksAnIgnoredInput)
{
    TempDir dir;
    const std::string a = dir.Write("a.bin", TwoFixBlockLog());
    const std::string b = dir.Write("b.bnx4", SectorLog(1, kSectorFixMask).Data());
    const std::string missing = (dir.Path() / "gone.bin").string();
    CliRun r = RunTool({"--bias", "0", a, missing, b});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(CountLines(ReadWholeFile((dir.Path() / "a.nmea").string())), 2u);
    ASSERT_TRUE(fs::exists(dir.Path() / "b.nmea"));
    EXPECT_EQ(fs::file_size(dir.Path() / "b.nmea"), 0u); // a log without any fix
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(a + " -> " + (dir.Path() / "a.nmea").string() + " (2 of 2 fixes)\n"),
              std::string::npos)
        << r.err;

    // Two inputs of one run with the same default output: the second is refused.
    const std::string sameName = dir.Write("a.binx", TwoFixBlockLog());
    r = RunTool({"--bias", "0", "--to", "2021-05-03 03:34:57", a, missing, sameName});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("a.nmea: not written: the output of " + a), std::string::npos) << r.err;
    EXPECT_EQ(CountLines(ReadWholeFile((dir.Path() / "a.nmea").string())), 1u);
}

// Standard output carries data only; the summary goes to standard error unless --quiet, and a
// window without any fix still writes its (empty) file, with a warning.
TEST(Cli, SummaryQuietAndEmptyWindowWarning)
{
    TempDir dir;
    const std::string log = dir.Write("track.bin", TwoFixBlockLog());
    const std::string nmea = (dir.Path() / "track.nmea").string();
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"-q", log}, ""},
        {{"--quiet", "--from", "2030-01-01 00:00:00", log},
         "tallo2nmea-cli: " + log + ": warning: no fix lies in the time window; " + nmea +
             " is empty\n"},
        {{"--from", "2030-01-01 00:00:00", log},
         "tallo2nmea-cli: " + log + ": warning: no fix lies in the time window; " + nmea +
             " is empty\n" + log + " -> " + nmea + " (0 of 2 fixes)\n"},
    };
    for (const auto& c : cases) {
        const CliRun r = RunTool(c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
        EXPECT_TRUE(fs::exists(nmea));
    }
}

// "--" ends the options; the long and short names, --utc-offset and --bias, and --output-dir.
TEST(Cli, OptionSpellingsAndOutputPlaces)
{
    TempDir dir;
    const std::string help = dir.Write("--help", TwoFixBlockLog());
    fs::create_directory(dir.Path() / "out");
    const std::string out = (dir.Path() / "out").string();
    const std::string plain = dir.Write("plain.bin", TwoFixBlockLog());
    const struct {
        std::vector<std::string> args;
        fs::path written;
    } cases[] = {
        {{"--utc-offset", "+09:00", "--", help}, dir.Path() / "--help.nmea"},
        {{"--bias", "-540", "--output", (dir.Path() / "o1.txt").string(), plain},
         dir.Path() / "o1.txt"},
        {{"--utc-offset=+09:00", "--output-dir", out, plain}, dir.Path() / "out" / "plain.nmea"},
        {{"--bias=-540", "--output-dir=" + out, "-o", "-", "--help"}, {}},
    };
    for (const auto& c : cases) {
        const CliRun r = RunTool(c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        if (c.written.empty()) {
            EXPECT_NE(r.out.find("Usage:"), std::string::npos); // --help wins wherever it is
            continue;
        }
        const std::string text = ReadWholeFile(c.written.string());
        EXPECT_EQ(text.rfind("$GPRMC,123456.789,", 0), 0u) << c.written << "\n" << text;
    }
    EXPECT_EQ(RunTool({"-h"}).out, RunTool({"--help"}).out);
    EXPECT_FALSE(fs::exists(dir.Path() / "plain.nmea"));
}

// -o does not choose the format; split files are named after the default output.
TEST(Cli, OutputNamesOfFormatsAndSplits)
{
    TempDir dir;
    const std::string log = dir.Write("track.bin", TwoFixBlockLog());
    const fs::path gpx = dir.Path() / "x.gpx", out = dir.Path() / "out";
    fs::create_directory(out);
    const struct {
        std::vector<std::string> args;
        fs::path written;
        const char* starts;
    } cases[] = {
        {{"--bias=-540", "-o", gpx.string(), log}, gpx, "$GPRMC,123456.789,"},
        {{"--bias=-540", "--split=trip", "--utc", "--gga", "--output-dir", out.string(), log},
         out / "track-20210503-033456.nmea",
         "$GPGGA,033456.789,"},
        {{"--bias=-540", "--split=day", "--format=gpx", log},
         dir.Path() / "track-20210503.gpx",
         "<?xml"},
    };
    for (const auto& c : cases) {
        const CliRun r = RunTool(c.args);
        EXPECT_EQ(r.err, log + " -> " + c.written.string() + " (2 of 2 fixes)\n");
        EXPECT_EQ(ReadWholeFile(c.written.string()).rfind(c.starts, 0), 0u) << c.written;
    }
}

TEST(Cli, RefusesToOverwriteItsOwnInput)
{
    TempDir dir;
    const Bytes bytes = TwoFixBlockLog();
    const std::string log = dir.Write("x.nmea", bytes);
    const CliRun r = RunTool({"--bias", "0", log});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("never written over."), std::string::npos) << r.err;
    const std::string after = ReadWholeFile(log);
    EXPECT_EQ(Bytes(after.begin(), after.end()), bytes);
}

TEST(Cli, HelpAndVersion)
{
    CliRun r = RunTool({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: tallo2nmea-cli"), std::string::npos);
    r = RunTool({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("tallo2nmea-cli ", 0), 0u);
}

namespace {

// Three outings of two fixes each, 15 minutes apart; the second fix of each lies 0.001 degrees
// (111.195 m on the 6371.0088 km sphere) north of the first.
Bytes ThreeTripBlockLog()
{
    FlashImage log = BlockLog(1, kBlockBasicMask);
    for (std::int32_t trip = 0; trip < 3; ++trip)
        for (std::int32_t k = 0; k < 2; ++k)
            log.Append(0, BlockRecord({.Seconds = kMay2021 + trip * 900 + k * 10,
                                       .Latitude = 35.0 + k * 0.001,
                                       .ExtraValue = 2.5f + static_cast<float>(trip),
                                       .Speed = 36.0f + static_cast<float>(k)},
                                      kBlockBasicMask));
    return log.Data();
}

} // namespace

TEST(Cli, TripsListTheOutingsAndTripConvertsChosenOnes)
{
    TempDir dir;
    const std::string log = dir.Write("day.bin", ThreeTripBlockLog());
    const std::string nmea = (dir.Path() / "day.nmea").string();
    CliRun r = RunTool({"--trips", "--bias", "-540", "--from", "2030-01-01 00:00:00", log});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string header = "file: " + log +
                               "\ntrip\tstart\tend\tfixes\tduration\tdistance_km\tmax_kmh\t"
                               "min_height_m\tmax_height_m\tmoving\tavg_kmh\tascent_m\tdescent_m\n";
    EXPECT_EQ(r.out, header +
                         "1\t2021-05-03 09:00:00.000\t2021-05-03 09:00:10.000\t2\t00:00:10\t0.111\t"
                         "37.0\t2.5\t2.5\t00:00:10\t36.5\t0.0\t0.0\n"
                         "2\t2021-05-03 09:15:00.000\t2021-05-03 09:15:10.000\t2\t00:00:10\t0.111\t"
                         "37.0\t3.5\t3.5\t00:00:10\t36.5\t0.0\t0.0\n"
                         "3\t2021-05-03 09:30:00.000\t2021-05-03 09:30:10.000\t2\t00:00:10\t0.111\t"
                         "37.0\t4.5\t4.5\t00:00:10\t36.5\t0.0\t0.0\n");
    EXPECT_FALSE(fs::exists(nmea));
    r = RunTool({"--trips", "--gap", "15", "--bias", "-540", log});
    EXPECT_NE(r.out.find("\n1\t2021-05-03 09:00:00.000\t2021-05-03 09:30:10.000\t6\t00:30:10\t"),
              std::string::npos)
        << r.out;

    const struct {
        std::vector<std::string> trips;
        std::size_t lines;
    } chosen[] = {{{"1,3"}, 4}, {{"3", "--trip", "2-3"}, 4}, {{"1-3"}, 6}};
    for (const auto& c : chosen) {
        std::vector<std::string> args{"--bias", "-540", "-q", "--trip"};
        args.insert(args.end(), c.trips.begin(), c.trips.end());
        args.push_back(log);
        r = RunTool(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(CountLines(ReadWholeFile(nmea)), c.lines) << c.trips[0];
    }
    fs::remove(nmea);
    r = RunTool({"--trip", "2,4", log});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("there is no trip 4: the log has 3 trips"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(nmea));

    const std::vector<std::string> usage[] = {
        {"--trip", "1", "--from", "2021-05-03 09:00:00", log},
        {"--trip", "1", log, log},
        {"--trip", "0", log},
        {"--trip", "3-1", log},
        {"--trip", "1,,2", log},
        {"--info", "--trips", log},
        {"--trips", "--trip", "1", log},
        {"--gap", "0", "--trips", log},
    };
    for (const auto& args : usage) {
        r = RunTool(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << args[1] << "\n" << r.err;
        EXPECT_EQ(r.out, "");
    }
}

// A logger that missed a GPS week rollover writes dates 1024 weeks early. Without the repair the
// block log keeps its 2001 dates and the sector log loses every fix to its 2021 cut-off, with a
// hint; with --add-weeks 1024 both convert exactly as the same logs with the true dates.
TEST(Cli, WeekRolloverIsFoundAndRepaired)
{
    constexpr std::int32_t kEarly = 1024 * 604800;
    TempDir dir;
    for (const bool sector : {false, true}) {
        const auto make = [sector](std::int32_t shift) {
            FlashImage log = sector ? SectorLog(1, kSectorFixMask) : BlockLog(1, kBlockBasicMask);
            for (std::int32_t i = 0; i < 12; ++i) {
                const RawFix fix{.Seconds = kMay2021 + i / 5 - shift,
                                 .Latitude = 35.0 + i * 1e-4,
                                 .Speed = 30.0f + static_cast<float>(i % 3),
                                 .Millisecond = static_cast<std::uint16_t>(i % 5 * 200)};
                log.Append(0, sector ? SectorRecord(fix, kSectorFixMask)
                                     : BlockRecord(fix, kBlockBasicMask));
            }
            return log.Data();
        };
        const std::string ext = sector ? ".BNX4" : ".bin";
        const std::string early = dir.Write("early" + ext, make(kEarly));
        const std::string right = dir.Write("right" + ext, make(0));
        const std::string earlyOut = (dir.Path() / "early.nmea").string();
        const std::string rightOut = (dir.Path() / "right.nmea").string();

        CliRun r = RunTool({"-q", "--bias", "-540", early, right});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "tallo2nmea-cli: " + early +
                             ": warning: the dates look 1024 weeks (about 19.6 years) early, as "
                             "from a logger that missed a GPS week rollover; --add-weeks 1024 "
                             "repairs them\n");
        const std::string before = ReadWholeFile(earlyOut);
        EXPECT_EQ(CountLines(before), sector ? 0u : 12u);
        if (!sector) {
            EXPECT_NE(before.find(",170901,"), std::string::npos) << before; // 2001-09-17
        }
        r = RunTool({"-q", "--bias", "-540", "--add-weeks", "1024", early});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(ReadWholeFile(earlyOut), ReadWholeFile(rightOut)) << ext;
        EXPECT_EQ(CountLines(ReadWholeFile(rightOut)), 12u);

        r = RunTool({"--info", early});
        EXPECT_EQ(r.out.find("weeks"), std::string::npos);
        EXPECT_NE(r.err.find("--add-weeks 1024"), std::string::npos);
    }
    EXPECT_EQ(RunTool({"--add-weeks", "2049", "x.bin"}).status, 2);
}
