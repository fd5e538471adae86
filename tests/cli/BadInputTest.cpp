// Every bad input a user can hand the command-line converter, run through the real executable
// in a child process: each case states the exit status, the message on stderr and which files
// must exist afterwards with which content. A crash (a signal) fails the case whatever it prints.

#include "messages/ErrorText.h"
#include "support/BadFiles.h"
#include "support/ChildProcess.h"
#include "support/GoldenLogs.h"
#include "support/LogWriter.h"
#include "support/PhotoWriter.h"
#include "system/Paths.h"

#include <cerrno>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <random>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using namespace t2ntest;
namespace fs = std::filesystem;

constexpr std::size_t kMiB = 1024 * 1024;

// Runs the converter, its standard output and error captured.
ProgramResult RunConverter(const std::vector<std::string>& args)
{
    ProgramResult r = RunProgram(T2N_CLI_BINARY, args);
    EXPECT_TRUE(r.Started) << T2N_CLI_BINARY;
    return r;
}

Bytes Filled(std::size_t size, std::uint8_t value) { return Bytes(size, value); }

// What must hold for one file after the run: absent, or present with exact content, or
// present with a number of RMC lines.
struct FileCheck {
    std::string path;
    enum Kind { Absent, Content, Lines } kind = Absent;
    std::string content;
    std::size_t lines = 0;
};

FileCheck Absent(const fs::path& p) { return {Utf8Path(p), FileCheck::Absent, {}, 0}; }
FileCheck HasContent(const fs::path& p, const std::string& c)
{
    return {Utf8Path(p), FileCheck::Content, c, 0};
}
FileCheck HasLines(const fs::path& p, std::size_t n)
{
    return {Utf8Path(p), FileCheck::Lines, {}, n};
}

std::string AsText(const Bytes& b) { return {b.begin(), b.end()}; }

struct Scenario {
    std::vector<std::string> args;
    int status;
    std::string message; // must appear on stderr (empty: stderr must be empty)
    std::vector<FileCheck> files;
    std::string skip; // non-empty: the case cannot be run here, and why
};

struct Case {
    const char* name;
    std::function<Scenario(const TempDir&)> prepare;
};

std::string Ignored(const std::string& what) { return ": ignored: " + what; }

// The inputs that are no log file at all.
std::vector<Case> InputKindCases()
{
    return {
        {"MissingFile",
         [](const TempDir& d) -> Scenario {
             return {{(d.Path() / "nothing.bin").string()},
                     3,
                     Ignored("no such file"),
                     {Absent(d.Path() / "nothing.nmea")},
                     {}};
         }},
        {"Folder",
         [](const TempDir& d) -> Scenario {
             fs::create_directory(d.Path() / "folder.bin");
             return {{(d.Path() / "folder.bin").string()},
                     3,
                     Ignored("not a regular file"),
                     {Absent(d.Path() / "folder.nmea")},
                     {}};
         }},
        {"PipeNamedAsALog",
         []([[maybe_unused]] const TempDir& d) -> Scenario {
#ifdef _WIN32
             return {{}, 0, "", {}, "Windows keeps its named pipes outside the folders"};
#else
             // Opening a pipe without a writer would block for ever.
             const fs::path pipe = d.Path() / "pipe.bin";
             if (::mkfifo(pipe.c_str(), 0600) != 0)
                 return {{}, 0, "", {}, "cannot make a named pipe here"};
             return {{pipe.string()},
                     3,
                     Ignored("not a regular file"),
                     {Absent(d.Path() / "pipe.nmea")},
                     {}};
#endif
         }},
        {"EndlessDeviceLinkedAsALog",
         [](const TempDir& d) -> Scenario {
#ifdef _WIN32
             // A device name, which every folder has.
             return {{"NUL"}, 3, Ignored("not a regular file"), {}, {}};
#endif
             if (!fs::exists("/dev/zero"))
                 return {{}, 0, "", {}, "no /dev/zero on this system"};
             fs::create_symlink("/dev/zero", d.Path() / "zero.BNX4");
             return {{(d.Path() / "zero.BNX4").string()},
                     3,
                     Ignored("not a regular file"),
                     {Absent(d.Path() / "zero.nmea")},
                     {}};
         }},
    };
}

// Sizes: an empty log, logs that are not whole, logs too large.
std::vector<Case> SizeCases()
{
    return {
        {"EmptyFileGivesAnEmptyOutput",
         [](const TempDir& d) -> Scenario {
             return {{"-q", d.Write("empty.bin", {})},
                     0,
                     "",
                     {HasContent(d.Path() / "empty.nmea", "")},
                     {}};
         }},
        {"BlockLogOneByteShortOfABlock",
         [](const TempDir& d) -> Scenario {
             return {{d.Write("short.bin", Filled(65535, 0))},
                     3,
                     Ignored("its size is not a whole number of 65536-byte blocks"),
                     {Absent(d.Path() / "short.nmea")},
                     {}};
         }},
        {"BlockLogOfSectorSize",
         [](const TempDir& d) -> Scenario {
             return {{d.Write("sector-sized.binx", SectorLogWithFixes())},
                     3,
                     Ignored("its size is not a whole number of 65536-byte blocks"),
                     {Absent(d.Path() / "sector-sized.nmea")},
                     {}};
         }},
        {"SectorLogOneByteOverASector",
         [](const TempDir& d) -> Scenario {
             return {{d.Write("long.bnx4", Filled(4097, 0xFF))},
                     3,
                     Ignored("its size is not a whole number of 4096-byte sectors"),
                     {Absent(d.Path() / "long.nmea")},
                     {}};
         }},
        {"BlockLogOverSixteenMiB",
         [](const TempDir& d) -> Scenario {
             return {{d.Write("huge.bin", Filled(16 * kMiB + 65536, 0xFF))},
                     3,
                     Ignored("larger than 16 MiB"),
                     {Absent(d.Path() / "huge.nmea")},
                     {}};
         }},
        {"SectorLogOverSixteenMiB",
         [](const TempDir& d) -> Scenario {
             return {{d.Write("huge.BNX4", Filled(16 * kMiB + 4096, 0xFF))},
                     3,
                     Ignored("larger than 16 MiB"),
                     {Absent(d.Path() / "huge.nmea")},
                     {}};
         }},
    };
}

// Files that cannot be read, outputs that cannot be written.
std::vector<Case> ReadAndOutputCases()
{
    return {
        {"UnreadableFile",
         [](const TempDir& d) -> Scenario {
             const std::optional<std::string> log =
                 UnreadableFile(d, "locked.BNX4", SectorLogWithFixes());
             if (!log)
                 return {{}, 0, "", {}, "running as root and no write-only kernel attribute"};
             return {{*log},
                     1,
                     WithFinalPoint(IoErrorText(EACCES, Language::English)),
                     {Absent(d.Path() / "locked.nmea")},
                     {}};
         }},
        {"LinkLoopIsAnErrorNotAMissingFile",
         [](const TempDir& d) -> Scenario {
#ifdef _WIN32
             return {
                 {}, 0, "", {}, "no symbolic links under Wine; see InfoOfEmptyAndIgnoredInputs"};
#endif
             const fs::path loop = d.Path() / "loop.bin";
             fs::create_symlink(loop, loop);
             return {{loop.string()},
                     1,
                     loop.string() + ": " + WithFinalPoint(IoErrorText(ELOOP, Language::English)),
                     {Absent(d.Path() / "loop.nmea")},
                     {}};
         }},
        {"OutputFolderMissing",
         [](const TempDir& d) -> Scenario {
             const fs::path target = d.Path() / "no such folder" / "out.nmea";
             return {{"-o", target.string(), d.Write("track.bin", BlockLogWithFixes())},
                     1,
                     WithFinalPoint(CreateErrorText(target.string(), ENOENT, Language::English)),
                     {Absent(target)},
                     {}};
         }},
        {"OutputOnAFullDevice",
         [](const TempDir& d) -> Scenario {
#ifdef _WIN32
             return {{}, 0, "", {}, "Windows has no device that is always full"};
#endif
             if (!fs::exists("/dev/full"))
                 return {{}, 0, "", {}, "no /dev/full on this system"};
             return {{"-o", "/dev/full", d.Write("track.bin", BlockLogWithFixes())},
                     1,
                     "the disk is full.",
                     {},
                     {}};
         }},
    };
}

// An output named as the log, and outputs kept when nothing is converted.
std::vector<Case> SameFileCases()
{
    return {
        {"DefaultOutputNameIsTheLogItself",
         [](const TempDir& d) -> Scenario {
             const Bytes log = BlockLogWithFixes();
             return {{d.Write("x.nmea", log)},
                     1,
                     WithFinalPoint(SameFileErrorText(Language::English)),
                     {HasContent(d.Path() / "x.nmea", AsText(log))},
                     {}};
         }},
        {"OutputNamedAsTheLogByAnotherPath",
         [](const TempDir& d) -> Scenario {
             const Bytes log = SectorLogWithFixes();
             const std::string path = d.Write("sub/run.BNX4", log);
#ifdef _WIN32
             fs::create_hard_link(path, d.Path() / "alias.nmea");
#else
             fs::create_symlink(path, d.Path() / "alias.nmea");
#endif
             return {{"-o", (d.Path() / "sub" / ".." / "alias.nmea").string(), path},
                     1,
                     WithFinalPoint(SameFileErrorText(Language::English)),
                     {HasContent(d.Path() / "sub" / "run.BNX4", AsText(log))},
                     {}};
         }},
        {"ExistingOutputKeptWhenTheInputIsIgnored",
         [](const TempDir& d) -> Scenario {
             const std::string kept = d.Write("track.nmea", Bytes{'k', 'e', 'e', 'p'});
             return {{d.Write("track.bin", Filled(100, 0))},
                     3,
                     Ignored("its size is not a whole number of 65536-byte blocks"),
                     {HasContent(kept, "keep")},
                     {}};
         }},
        {"ExistingOutputKeptWhenTheInputCannotBeRead",
         [](const TempDir& d) -> Scenario {
             const std::optional<std::string> log =
                 UnreadableFile(d, "locked.BNX4", SectorLogWithFixes());
             if (!log)
                 return {{}, 0, "", {}, "running as root and no write-only kernel attribute"};
             const std::string kept = d.Write("locked.nmea", Bytes{'k', 'e', 'e', 'p'});
             return {{*log},
                     1,
                     WithFinalPoint(IoErrorText(EACCES, Language::English)),
                     {HasContent(kept, "keep")},
                     {}};
         }},
    };
}

// Outputs kept or replaced, and paths with spaces and Japanese.
std::vector<Case> KeptAndNameCases()
{
    return {
        {"ExistingOutputKeptWhenTheDateIsImpossible",
         [](const TempDir& d) -> Scenario {
             const std::string kept = d.Write("track.nmea", Bytes{'k', 'e', 'e', 'p'});
             return {{"--from", "2024-02-30 00:00:00", d.Write("track.bin", BlockLogWithFixes())},
                     1,
                     WithFinalPoint(DateConversionErrorText(Language::English)),
                     {HasContent(kept, "keep")},
                     {}};
         }},
        {"ExistingOutputReplacedOnSuccess",
         [](const TempDir& d) -> Scenario {
             d.Write("track.nmea", Bytes{'o', 'l', 'd'});
             return {{"--quiet", d.Write("track.bin", BlockLogWithFixes())},
                     0,
                     "",
                     {HasLines(d.Path() / "track.nmea", 3)},
                     {}};
         }},
        {"BlockLogPathWithSpacesAndJapanese",
         [](const TempDir& d) -> Scenario {
             return {{"-q", d.Write("ログ フォルダ/走行 記録.bin", BlockLogWithFixes())},
                     0,
                     "",
                     {HasLines(d.Path() / NativePath("ログ フォルダ/走行 記録.nmea"), 3)},
                     {}};
         }},
        {"SectorLogPathWithSpacesAndJapanese",
         [](const TempDir& d) -> Scenario {
             const fs::path target = d.Path() / NativePath("出力 先/東京 → 横浜.nmea");
             fs::create_directory(target.parent_path());
             return {{"-q", "-o", Utf8Path(target),
                      d.Write("ログ フォルダ/朝の 走行.BNX4", SectorLogWithFixes())},
                     0,
                     "",
                     {HasLines(target, 12)},
                     {}};
         }},
    };
}

const std::vector<Case>& Cases()
{
    static const std::vector<Case> cases = [] {
        std::vector<Case> all;
        for (std::vector<Case> (*group)() :
             {&InputKindCases, &SizeCases, &ReadAndOutputCases, &SameFileCases, &KeptAndNameCases})
            for (Case& c : group())
                all.push_back(std::move(c));
        return all;
    }();
    return cases;
}

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class BadInput : public ::testing::TestWithParam<Case>
{
};

TEST_P(BadInput, ExitStatusMessageAndFiles)
{
    TempDir dir;
    const Scenario s = GetParam().prepare(dir);
    if (!s.skip.empty())
        GTEST_SKIP() << s.skip;
    const ProgramResult r = RunConverter(s.args);

    ASSERT_FALSE(r.Crashed) << "crashed: " << r.Status << "\n" << r.Err;
    EXPECT_EQ(r.Status, s.status) << r.Err;
    EXPECT_EQ(r.Out, "") << "standard output carries data only";
    if (s.message.empty())
        EXPECT_EQ(r.Err, "");
    else
        EXPECT_NE(r.Err.find(s.message), std::string::npos) << r.Err;
    for (const FileCheck& f : s.files) {
        switch (f.kind) {
        case FileCheck::Absent:
            EXPECT_FALSE(fs::exists(NativePath(f.path))) << f.path;
            break;
        case FileCheck::Content:
            ASSERT_TRUE(fs::exists(NativePath(f.path))) << f.path;
            EXPECT_EQ(ReadWholeFile(f.path), f.content) << f.path;
            break;
        case FileCheck::Lines:
            ASSERT_TRUE(fs::exists(NativePath(f.path))) << f.path;
            EXPECT_EQ(RmcLines(ReadWholeFile(f.path)), f.lines) << f.path;
            break;
        }
    }
    // A failed conversion leaves no temporary file behind.
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
        EXPECT_EQ(Utf8Path(entry.path().filename()).find(".tmp"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cli, BadInput, ::testing::ValuesIn(Cases()),
                         [](const auto& p) { return std::string(p.param.name); });

// Full-size images of one byte value or of random bytes: whatever the decoders make of them, the
// converter finishes, exits 0 and writes only well-formed lines.
struct Flood {
    const char* name;
    const char* file;
    std::function<Bytes()> bytes;
};

void PrintTo(const Flood& f, std::ostream* out) { *out << f.name; }

class FullSizeFlood : public ::testing::TestWithParam<Flood>
{
};

TEST_P(FullSizeFlood, ConvertsWithoutFaultIntoWellFormedLines)
{
    TempDir dir;
    const std::string log = dir.Write(GetParam().file, GetParam().bytes());
    const ProgramResult r = RunConverter({"--bias", "-540", log});

    ASSERT_FALSE(r.Crashed) << "crashed: " << r.Status << "\n" << r.Err;
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err.find("tallo2nmea-cli:"), std::string::npos) << r.Err;
    const fs::path target = fs::path(log).replace_extension(".nmea");
    ASSERT_TRUE(fs::exists(target));
    const std::string text = ReadWholeFile(target.string());
    const std::size_t lines = RmcLines(text);
    EXPECT_NE(lines, std::string::npos) << text.substr(0, 200);
    // The summary names as many lines as the file holds.
    std::string written = std::to_string(lines);
    written.insert(0, 1, '(').append(" of ");
    EXPECT_NE(r.Err.find(written), std::string::npos) << r.Err;
}

// "-o -" writes the NMEA to standard output and nothing else there; the summary names "-".
TEST(StandardOutput, CarriesTheNmeaOfOneInput)
{
    TempDir dir;
    const std::string log = dir.Write("track.bin", BlockLogWithFixes());
    const ProgramResult viaFile = RunConverter({"--bias", "-540", log});
    ASSERT_EQ(viaFile.Status, 0) << viaFile.Err;
    const ProgramResult r = RunConverter({"--bias", "-540", "-o", "-", log});
    ASSERT_FALSE(r.Crashed);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, ReadWholeFile((dir.Path() / "track.nmea").string()));
    EXPECT_EQ(RmcLines(r.Out), 3u);
    EXPECT_EQ(r.Err, log + " -> - (3 of 3 fixes)\n");
}

// The golden logs with Japanese folder and file names on both sides give the committed outputs
// byte for byte on every system, through a file and through standard output; --info ends its
// lines with LF alone.
TEST(StandardOutput, GoldenLogsWithJapanesePaths)
{
    TempDir dir;
    const std::string target = dir.Write("出力 先/東京 → 横浜.nmea", {});
    for (const GoldenPair& pair : kGoldenPairs) {
        const std::string log =
            dir.Write("ログ フォルダ/走行 " + std::string(pair.Log), pair.Make());
        const std::string golden = ReadWholeFile(T2N_TEST_DATA "/" + std::string(pair.Nmea));
        const std::string bias = "--bias=" + std::to_string(kGoldenBias);
        ProgramResult r = RunConverter({bias, "-o", target, log});
        EXPECT_EQ(r.Err.rfind(log + " -> " + target + " (", 0), 0u) << r.Err;
        EXPECT_EQ(ReadWholeFile(target), golden) << pair.Log;
        EXPECT_EQ(RunConverter({"-q", bias, "-o", "-", log}).Out, golden);
        r = RunConverter({"--info", log});
        EXPECT_EQ(r.Out.substr(0, r.Out.find("kind")), "file: " + log + "\n");
        EXPECT_EQ(r.Out.find('\r'), std::string::npos);
    }
}

// Photos with Japanese names in a folder with a Japanese name, through the real program: one
// tagged in place, a raw one beside it, on every system.
TEST(StandardOutput, GeotagPhotosWithJapaneseNames)
{
    TempDir dir;
    FlashImage image = BlockLog(1, kBlockBasicMask);
    RawFix fix;
    for (int i = 0; i < 3; ++i, fix.Seconds += 5, fix.Latitude += 0.001)
        image.Append(0, BlockRecord(fix, kBlockBasicMask));
    const std::string log = dir.Write("ログ/走行.bin", image.Data());
    CameraTags tags;
    tags.DateTimeOriginal = "2021:05:03 00:00:02"; // 2.5 s after the first fix, in UTC
    tags.SubSec = "5";
    tags.Offset = "+00:00";
    const std::string bytes = WithCameraTags(MakeJpeg(2, 2), tags);
    const std::string jpeg = dir.Write("旅行 写真/東京 1.jpg", Bytes(bytes.begin(), bytes.end()));
    const std::string raw = dir.Write("旅行 写真/東京 2.NEF", Bytes(bytes.begin(), bytes.end()));
    const ProgramResult r =
        RunConverter({"--geotag", log, Utf8Path(dir.Path() / NativePath("旅行 写真"))});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("東京 1.jpg\t2021-05-03 00:00:02.500+00:00\t"), std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("\ttagged\t-\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\tsidecar\t-\n"), std::string::npos) << r.Out;
    const std::optional<std::pair<double, double>> at = Exiv2Position(jpeg);
    ASSERT_TRUE(at.has_value());
    EXPECT_NEAR(at->first, fix.Latitude - 0.0025, 1e-7);
    EXPECT_EQ(ReadWholeFile(raw), bytes);
    EXPECT_TRUE(fs::exists(NativePath(raw + ".xmp")));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, FullSizeFlood,
    ::testing::Values(
        Flood{"RandomBlockLog", "random.bin", [] { return RandomBytes(16 * kMiB, 1); }},
        Flood{"RandomSectorLog", "random.BNX4", [] { return RandomBytes(16 * kMiB, 2); }},
        Flood{"AllAaBlockLog", "aa.bin", [] { return Filled(16 * kMiB, 0xAA); }},
        Flood{"AllAaSectorLog", "aa.BNX4", [] { return Filled(16 * kMiB, 0xAA); }},
        Flood{"AllFfBlockLog", "ff.bin", [] { return Filled(16 * kMiB, 0xFF); }},
        Flood{"AllFfSectorLog", "ff.BNX4", [] { return Filled(16 * kMiB, 0xFF); }},
        Flood{"AllStarsBlockLog", "stars.bin", [] { return Filled(16 * kMiB, 0x2A); }},
        Flood{"AllStarsSectorLog", "stars.BNX4", [] { return Filled(16 * kMiB, 0x2A); }}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
