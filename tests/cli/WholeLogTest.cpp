// The command line over whole logs: every fix of a full log, every piece of a split.
#include "cli/Cli.h"
#include "support/LogWriter.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;
using namespace t2ntest;

namespace {

struct ToolRun {
    int Status;
    std::string Out;
    std::string Err;
};

ToolRun RunTool(std::vector<std::string> args)
{
    args.insert(args.begin(), {"--bias", "-540"});
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// A full log of 594 432 fixes from 09:00 on 3 May to 06:07:11 on 10 May: every output, --info,
// --trips and a split by day count them all.
TEST(WholeLog, EveryFixOfAFullLogCounts)
{
    TempDir dir;
    const std::string log = dir.Write("full.bin", FullCompactBlockLog());
    const std::string all = " (594432 of 594432 fixes)\n";
    const std::string day = log + " -> " + (dir.Path() / "full-202105").string();
    const struct {
        std::vector<std::string> Args;
        std::vector<std::string> Out;
        std::vector<std::string> Err;
    } cases[] = {
        {{log}, {}, {log + " -> " + (dir.Path() / "full.nmea").string() + all}},
        {{"--format", "gpx", log}, {}, {log + " -> " + (dir.Path() / "full.gpx").string() + all}},
        {{"--info", log},
         {"\nfixes: 594432\nfirst: 2021/05/03 09:00:00.000\nlast: 2021/05/10 06:07:11.000\n"},
         {}},
        {{"--trips", log}, {"\n1\t2021-05-03 09:00:00.000\t2021-05-10 06:07:11.000\t594432\t"}, {}},
        {{"--split", "day", log},
         {},
         {day + "03.nmea (54000 of", day + "06.nmea (86400 of", day + "10.nmea (22032 of"}},
    };
    for (const auto& c : cases) {
        const ToolRun r = RunTool(c.Args);
        EXPECT_EQ(r.Status, 0) << r.Err;
        for (const std::string& part : c.Out)
            EXPECT_NE(r.Out.find(part), std::string::npos) << r.Out;
        for (const std::string& part : c.Err)
            EXPECT_NE(r.Err.find(part), std::string::npos) << r.Err;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()),
              1 + 2 + 8);
}

// Three trips of two fixes, 15 minutes apart, from 09:00 local on 3 May.
Bytes ThreeTrips()
{
    FlashImage log = BlockLog(1, kBlockBasicMask);
    for (std::int32_t trip = 0; trip < 3; ++trip)
        for (std::int32_t i = 0; i < 2; ++i)
            log.Append(0, BlockRecord({.Seconds = kMay2021 + trip * 900 + i}, kBlockBasicMask));
    return log.Data();
}

// Every piece of a split is checked before any is written. A piece that cannot be created (a
// folder stands in its place) fails alone; a piece that would replace an output of the run (the
// same name from a log of the same name in another folder) is refused; the others are written.
TEST(WholeLog, SplitPiecesFailOrAreRefusedAlone)
{
    TempDir dir;
    const std::string first = dir.Write("a/x.bin", ThreeTrips());
    const std::string second = dir.Write("b/x.bin", ThreeTrips());
    const fs::path out = dir.Path() / "out";
    const std::string blocked = (out / "x-20210503-090000.nmea").string();
    fs::create_directories(blocked);
    const ToolRun r = RunTool({"--split", "trip", "--output-dir", out.string(), first, second});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(Count(r.Err, "tallo2nmea-cli: " + blocked + ": "), 2u) << r.Err;
    for (const char* time : {"091500", "093000"}) {
        const std::string piece = (out / ("x-20210503-" + std::string(time) + ".nmea")).string();
        EXPECT_EQ(Count(r.Err, first + " -> " + piece + " (2 of 6 fixes)\n"), 1u) << r.Err;
        EXPECT_EQ(Count(r.Err, "tallo2nmea-cli: " + piece + ": not written: the output of " +
                                   first + " in this run\n"),
                  1u)
            << r.Err;
        EXPECT_EQ(Count(ReadWholeFile(piece), "$GPRMC,"), 2u) << piece;
    }
    EXPECT_EQ(Count(r.Err, second + " -> "), 0u) << r.Err;
    EXPECT_TRUE(fs::is_directory(blocked));
}

} // namespace
