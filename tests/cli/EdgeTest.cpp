// The edges a new user meets on the command line: outputs that would replace another input,
// logs without fixes, records without a fix, odd names, bundled options, the language of the
// messages and output that cannot be written. Each case runs the converter in-process.
#include "cli/Cli.h"
#include "support/ChildProcess.h"
#include "support/LogWriter.h"
#include "system/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <streambuf>

namespace fs = std::filesystem;
using namespace t2ntest;

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome RunTool(const std::vector<std::string>& args, Language language = Language::English)
{
    std::ostringstream out, err;
    const int status = RunCli(args, out, err, language);
    return {status, out.str(), err.str()};
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::size_t CountOf(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// A block log of `count` fixes one second apart from 2021-05-03 00:00:00 UTC, then, an hour
// later, `noFix` records the logger wrote without a fix (a stale position 2 km away).
Bytes BlockLogOf(int count, int noFix = 0)
{
    constexpr std::uint32_t kMask = kBlockBasicMask | 0x1000; // with the satellite counts
    FlashImage log = BlockLog(1, kMask);
    for (int i = 0; i < count; ++i)
        log.Append(0, BlockRecord({.Seconds = kMay2021 + i,
                                   .FixType = kSpsFixType,
                                   .Latitude = 35.5 + i * 1e-5,
                                   .SatelliteCount = 9,
                                   .ExtraCount = 6},
                                  kMask));
    for (int i = 0; i < noFix; ++i)
        log.Append(0, BlockRecord({.Seconds = kMay2021 + 3600 + i,
                                   .FixType = kNoFixType,
                                   .Latitude = 35.52,
                                   .ExtraCount = 0},
                                  kMask));
    return log.Data();
}

Bytes SectorLogOf(int count)
{
    FlashImage log = SectorLog(4, kSectorFixMask);
    for (int i = 0; i < count; ++i)
        log.Append(static_cast<std::size_t>(i) / 40,
                   SectorRecord({.Seconds = kMay2021 + i / 10,
                                 .Latitude = 35.5 + i * 1e-6,
                                 .Millisecond = static_cast<std::uint16_t>(i % 10 * 100)},
                                kSectorFixMask));
    return log.Data();
}

// An output never replaces another input of the run: it is refused before anything is written
// to it, with an error naming both, and the other inputs are still converted.
TEST(CliEdges, OutputsThatWouldReplaceAnotherInput)
{
    struct Case {
        const char* name;
        std::vector<std::string> options;
        std::vector<std::string> inputs;  // written as logs, in this order
        std::vector<std::string> written; // outputs that must exist afterwards
    };
    const Case cases[] = {
        {"raw log named .nmea after", {}, {"walk.bin", "walk.nmea", "b.bin"}, {"b.nmea"}},
        {"raw log named .nmea before", {}, {"walk.nmea", "walk.bin"}, {}},
        {"gpx", {"--format", "gpx"}, {"y.bin", "y.gpx"}, {}},
        {"output folder", {"--output-dir", "od"}, {"z.bin", "od/z.nmea"}, {}},
        {"split piece",
         {"--split", "day"},
         {"x.bin", "x-20210503.nmea"},
         {"x-20210503-20210503.nmea"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::vector<std::string> args = c.options;
        for (std::string& a : args)
            if (a == "od")
                a = (dir.Path() / "od").string();
        std::vector<std::string> paths;
        for (const std::string& name : c.inputs)
            paths.push_back(dir.Write(name, BlockLogOf(3)));
        args.insert(args.end(), paths.begin(), paths.end());
        const Outcome r = RunTool(args);
        EXPECT_EQ(r.status, 1) << c.name << "\n" << r.err;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            EXPECT_EQ(ReadWholeFile(paths[i]), ReadWholeFile(paths[0])) << c.name << " " << i;
            const std::string input = paths[i];
            if (c.inputs[i].find(".bin") == std::string::npos) { // a raw log named as an output
                EXPECT_TRUE(Has(r.err, ": not written: it is the input " + input)) << c.name << "\n"
                                                                                   << r.err;
            }
        }
        for (const std::string& name : c.written)
            EXPECT_TRUE(fs::exists(dir.Path() / name)) << c.name << " " << name;
    }
}

// Records the logger wrote without a fix make no trip and keep their stale position out of the
// files for other programs; the default file keeps them as it always did.
TEST(CliEdges, RecordsWithoutAFix)
{
    TempDir dir;
    const std::string log = dir.Write("day.bin", BlockLogOf(5, 3));
    Outcome r = RunTool({"--trips", "--bias", "0", log});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << r.out; // file, header, 1 trip
    EXPECT_TRUE(Has(r.out, "\n1\t2021-05-03 00:00:00.000\t2021-05-03 00:00:04.000\t5\t")) << r.out;

    const std::string out = (dir.Path() / "out.nmea").string();
    r = RunTool({"-q", "--bias", "0", "--utc", "--gga", "-o", out, log});
    std::string lines = ReadWholeFile(out);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 16) << lines;
    EXPECT_TRUE(Has(lines, "$GPGGA,010000.000,,,,,0,00,,1.25,M,,,,*")) << lines;
    EXPECT_TRUE(Has(lines, "$GPRMC,010000.000,V,,,,,19.4,90.0,030521,,,N*")) << lines;
    EXPECT_TRUE(Has(lines, ",E,1,06,,1.25,M,,,,*")) << lines; // the satellites used, not in view

    r = RunTool({"-q", "--bias", "0", "-o", out, log});
    lines = ReadWholeFile(out);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 8) << lines;
    EXPECT_TRUE(Has(lines, "$GPRMC,010000.000,A,3531.200000,N,")) << lines;

    r = RunTool({"-q", "--bias", "0", "--format", "gpx", "-o", out, log});
    lines = ReadWholeFile(out);
    EXPECT_EQ(CountOf(lines, "<trkpt"), 5u) << lines; // no-fix records outside every trip
    EXPECT_EQ(CountOf(lines, "<sat>6</sat>"), 5u) << lines;
}

// The odd inputs of the smaller items: each case's arguments, status and what stdout, stderr
// and the files must show.
TEST(CliEdges, SmallerThings)
{
    TempDir dir;
    const std::string log = dir.Write("track.bin", BlockLogOf(3));
    const std::string empty = dir.Write("empty.bin", BlockLog(1, kBlockBasicMask).Data());
    const std::string hidden = dir.Write(".hidden", BlockLogOf(3));
    const std::string sector = dir.Write("sector.BNX4", SectorLogOf(60));
    const std::string blockAsSector = dir.Write("block.BNX4", BlockLogOf(40));
    // Not written: Windows takes no control character in a name (there such a name cannot even
    // be examined); the record shows the name all the same.
    const std::string odd = Utf8Path(dir.Path() / "a\tb\nc.bin");
#ifdef _WIN32
    const int oddStatus = 1;
#else
    const int oddStatus = 3;
#endif
    const struct {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::vector<std::string> out, err; // parts each must hold
        std::vector<std::string> files;    // in the folder afterwards
    } cases[] = {
        {"split of a log without fixes",
         {"--split", "trip", empty},
         0,
         {},
         {empty + ": warning: the log holds no fix; no file written\n"},
         {}},
        {"a dot file", {"-q", hidden}, 0, {}, {}, {".hidden.nmea"}},
        {"an odd name",
         {"--info", odd},
         oddStatus,
         {"file: " + Utf8Path(dir.Path() / "a\\tb\\nc.bin") + "\n"},
         {},
         {}},
        {"empty gpx",
         {"--format", "gpx", "--from", "2030-01-01 00:00:00", log},
         0,
         {},
         {"warning: no fix lies in the time window; " + (dir.Path() / "track.gpx").string() +
          " holds no track point"},
         {"track.gpx"}},
        {"trips in UTC",
         {"--trips", "--bias", "-540", "--utc", log},
         0,
         {"\n1\t2021-05-03 00:00:00.000\t"},
         {},
         {}},
        {"info in UTC",
         {"--info", "--bias", "-540", "--utc", log},
         0,
         {"first: 2021/05/03 00:00:00.000\n"},
         {},
         {}},
        {"bundled -qo", {"-qo", (dir.Path() / "q.nmea").string(), log}, 0, {}, {}, {"q.nmea"}},
        {"attached -o", {"-o" + (dir.Path() / "r.nmea").string(), log}, 0, {}, {}, {"r.nmea"}},
        {"block log named .BNX4",
         {"--info", blockAsSector},
         0,
         {"kind: sector\nfixes: 0\n"},
         {"warning: this looks like a block log; block logs end in .bin or .binx"},
         {}},
        {"sector course", {"-q", "--format", "gpx", sector}, 0, {}, {}, {"sector.gpx"}},
    };
    for (const auto& c : cases) {
        const Outcome r = RunTool(c.args);
        EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.err;
        for (const std::string& part : c.out)
            EXPECT_TRUE(Has(r.out, part)) << c.name << "\n" << r.out;
        for (const std::string& part : c.err)
            EXPECT_TRUE(Has(r.err, part)) << c.name << "\n" << r.err;
        for (const std::string& file : c.files)
            EXPECT_TRUE(fs::exists(dir.Path() / file)) << c.name << " " << file;
    }
    const std::string gpx = ReadWholeFile((dir.Path() / "sector.gpx").string());
    EXPECT_TRUE(Has(gpx, "<gpxtpx:speed>")) << gpx;
    EXPECT_FALSE(Has(gpx, "course")) << gpx; // sector logs carry no course
    EXPECT_TRUE(Has(RunTool({"--help"}).out, "without --utc both lines carry local"));
}

// One language a run: English, or Japanese throughout for a Japanese locale.
TEST(CliEdges, OneLanguagePerRun)
{
    EXPECT_EQ(LanguageFromLocaleVariables(nullptr, nullptr, nullptr), Language::English);
    EXPECT_EQ(LanguageFromLocaleVariables(nullptr, nullptr, "ja_JP.UTF-8"), Language::Japanese);
    EXPECT_EQ(LanguageFromLocaleVariables("C", nullptr, "ja_JP.UTF-8"), Language::English);
    EXPECT_EQ(LanguageFromLocaleVariables("", "ja", "C"), Language::Japanese);

    TempDir dir;
    const std::string log = dir.Write("track.bin", BlockLogOf(3));
    const std::string odd = dir.Write("odd.bin", Bytes(100, 0));
    const std::string missingFolder = (dir.Path() / "none" / "x.nmea").string();
    const std::vector<std::vector<std::string>> runs = {
        {log, odd},           {"-o", missingFolder, log},
        {"--trip", "9", log}, {"--from", "2021-02-30 00:00:00", log},
        {"--gap", "0", log},  {"--from", "2021-05-04 00:00:00", log},
    };
    const auto japanese = [](const std::string& text) {
        return std::any_of(text.begin(), text.end(),
                           [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    };
    for (const auto& args : runs) {
        const Outcome english = RunTool(args, Language::English);
        const Outcome nihongo = RunTool(args, Language::Japanese);
        EXPECT_EQ(english.status, nihongo.status);
        EXPECT_FALSE(japanese(english.err)) << english.err;
        std::istringstream lines(nihongo.err);
        for (std::string line; std::getline(lines, line);)
            EXPECT_TRUE(japanese(line)) << line;
        EXPECT_FALSE(Has(nihongo.err, " is ") || Has(nihongo.err, " not ")) << nihongo.err;
    }
}

// A stream whose writes fail as a full disk's do.
class FullDisk : public std::streambuf
{
  protected:
    int_type overflow(int_type) override
    {
        errno = ENOSPC;
        return traits_type::eof();
    }
    std::streamsize xsputn(const char*, std::streamsize) override
    {
        errno = ENOSPC;
        return 0;
    }
};

// --info and --trips lose nothing silently: output that cannot be written is an error.
TEST(CliEdges, ListingsOnAFullDisk)
{
    TempDir dir;
    const std::string log = dir.Write("track.bin", BlockLogOf(3));
    for (const char* listing : {"--info", "--trips"}) {
        FullDisk disk;
        std::ostream out(&disk);
        std::ostringstream err;
        EXPECT_EQ(RunCli({listing, log}, out, err), 1) << listing;
        EXPECT_EQ(err.str(), "tallo2nmea-cli: standard output: the disk is full.\n") << listing;
    }
}

#ifndef _WIN32
// The manual page's synopsis, as man renders it, names every option --help lists.
TEST(CliEdges, ManualSynopsisHasEveryOption)
{
    const ChildOptions quiet = {.Out = {}, .Err = {}};
    if (RunProgram("man", {"--version"}, quiet).Status != 0)
        GTEST_SKIP() << "man is not installed";
    const ProgramResult man = RunProgram("env", {"MANWIDTH=200", "man", "-l", T2N_MAN_PAGE});
    ASSERT_EQ(man.Status, 0) << man.Err;
    const std::string& text = man.Out;
    const std::size_t from = text.find("SYNOPSIS"), to = text.find("DESCRIPTION");
    ASSERT_LT(from, to) << text;
    // The synopsis's words, split at spaces, brackets and bars.
    std::string synopsis = text.substr(from, to - from);
    std::replace_if(
        synopsis.begin(), synopsis.end(), [](char c) { return c == '[' || c == ']' || c == '|'; },
        ' ');
    std::set<std::string> named;
    std::istringstream synopsisWords(synopsis);
    for (std::string word; synopsisWords >> word;)
        named.insert(word);

    std::istringstream help(RunTool({"--help"}).out);
    std::size_t options = 0;
    for (std::string line; std::getline(help, line);) {
        // "  -o, --output FILE    ...": the option names at the start of an entry.
        if (!line.starts_with("  -"))
            continue;
        std::istringstream words(line);
        for (std::string word; words >> word && word.starts_with("-");) {
            if (word.ends_with(","))
                word.pop_back();
            ++options;
            EXPECT_TRUE(named.count(word)) << word << "\n" << text.substr(from, to - from);
        }
    }
    EXPECT_GE(options, 20u);
}

// The real converter with its standard output on a full device or closed.
TEST(CliEdges, ListingsToAFullDeviceOrAClosedOutput)
{
    TempDir dir;
    const std::string log = dir.Write("track.bin", BlockLogOf(3));
    for (const char* listing : {"--info", "--trips"}) {
        for (const Stream& out : {ToFile("/dev/full"), Stream{Stream::Closed, {}}}) {
            ChildOptions options;
            options.Out = out;
            const ProgramResult r = RunProgram(T2N_CLI_BINARY, {listing, log}, options);
            EXPECT_TRUE(!r.Crashed && r.Status == 1) << listing << ' ' << out.Path;
            EXPECT_TRUE(Has(r.Err, "tallo2nmea-cli: standard output: "))
                << listing << ' ' << out.Path << "\n"
                << r.Err;
        }
    }
    // The track itself to standard output (-o -) is named so too, and ENOSPC is a full disk.
    ChildOptions full;
    full.Out = ToFile("/dev/full");
    const ProgramResult r = RunProgram(T2N_CLI_BINARY, {"-o", "-", log}, full);
    EXPECT_TRUE(!r.Crashed && r.Status == 1);
    EXPECT_EQ(r.Err, "tallo2nmea-cli: standard output: the disk is full.\n");
}
#endif

} // namespace
