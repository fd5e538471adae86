// The archive through the command line: the import's records, a conversion of the archive in
// place of INPUT, a refused archive, and an import killed half-way in the real converter.

#include "archive/Archive.h"
#include "cli/Cli.h"
#include "support/ChildProcess.h"
#include "support/LogWriter.h"
#include "support/OutingsLog.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using namespace t2ntest;
namespace fs = std::filesystem;

struct CliOutcome {
    int Status;
    std::string Out;
    std::string Err;
};

CliOutcome Cli(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

std::string PathIn(const TempDir& dir, const std::string& name)
{
    return (dir.Path() / name).string();
}

TEST(ArchiveCli, ImportPrintsItsRecordsAndTheArchiveConvertsAsTheLog)
{
    TempDir dir;
    const std::string log = dir.Write("day.bin", OutingsLog(2, 3));
    const std::string db = PathIn(dir, "a.sqlite");
    const CliOutcome first = Cli({"--import", "--archive", db, log});
    EXPECT_EQ(first.Status, 0) << first.Err;
    const std::string fixes = std::to_string(2 * kOutingsDayFixes);
    EXPECT_EQ(first.Out,
              "file: " + log + "\nnew: " + fixes + "\nknown: 0\nconflicts: 0\nuncovered: -\n");
    const CliOutcome again = Cli({"--import", "--archive", db, log});
    EXPECT_EQ(again.Out,
              "file: " + log + "\nnew: 0\nknown: " + fixes + "\nconflicts: 0\nuncovered: -\n");
    for (const std::string format : {"gpx", "nmea", "csv"}) {
        const std::string own = PathIn(dir, "own." + format);
        const std::string kept = PathIn(dir, "kept." + format);
        ASSERT_EQ(Cli({"-q", "--format", format, "--utc-offset", "+00:00", "-o", own, log}).Status,
                  0);
        const CliOutcome fromArchive =
            Cli({"-q", "--archive", db, "--format", format, "--utc-offset", "+00:00", "-o", kept});
        ASSERT_EQ(fromArchive.Status, 0) << fromArchive.Err;
        EXPECT_EQ(ReadWholeFile(kept), ReadWholeFile(own)) << format;
    }
    // The calendar: two days of the outings, three days apart, in Japan's time.
    const CliOutcome days = Cli({"--archive", db, "--days", "--utc-offset", "+09:00"});
    const std::string perDay = std::to_string(kOutingsDayFixes);
    EXPECT_EQ(days.Out, "2024-05-03\t" + perDay + "\n2024-05-06\t" + perDay + "\n");
    const CliOutcome info = Cli({"--archive", db, "--info", "--utc-offset", "+09:00"});
    EXPECT_NE(info.Out.find("kind: archive\ncopies: 1\ndays: 2\nfixes: " + fixes + "\n"),
              std::string::npos)
        << info.Out;
}

TEST(ArchiveCli, ARefusedArchiveEndsWithStatusOneAndStaysAsItWas)
{
    TempDir dir;
    const std::string log = dir.Write("day.bin", OutingsLog(1));
    const std::string notes = dir.Write("notes.sqlite", Bytes(3000, 'n'));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--import", "--archive", notes, log},
          std::vector<std::string>{"--archive", notes, "-o", PathIn(dir, "out.nmea")},
          std::vector<std::string>{"--archive", PathIn(dir, "missing.sqlite"), "--info"}}) {
        const CliOutcome r = Cli(args);
        EXPECT_EQ(r.Status, 1) << args[1];
        EXPECT_NE(r.Err.find("archive"), std::string::npos) << r.Err;
    }
    EXPECT_EQ(ReadWholeFile(notes), std::string(3000, 'n'));
    EXPECT_FALSE(fs::exists(dir.Path() / "out.nmea"));
    EXPECT_FALSE(fs::exists(dir.Path() / "missing.sqlite"));
    // An archive with an INPUT as well is a usage error.
    EXPECT_EQ(Cli({"--archive", notes, log}).Status, 2);
}

std::uintmax_t SizeOf(const fs::path& path)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    return error ? 0 : size;
}

// Killed while its transaction has written pages (the WAL grows) but not committed: the archive
// holds what it held, passes SQLite's check, and the import run again completes it.
TEST(ArchiveCli, AnImportKilledHalfWayLeavesTheArchiveAsItWas)
{
    TempDir dir;
    const std::string db = PathIn(dir, "a.sqlite");
    const std::string earlier = dir.Write("earlier.bin", OutingsLog(1));
    ASSERT_EQ(Cli({"--import", "--archive", db, earlier}).Status, 0);
    const std::string full = dir.Write("full.bin", FullCompactBlockLog());
    {
        Child child(T2N_CLI_BINARY, {"--import", "--archive", db, full},
                    {.Out = {}, .Err = {}, .OwnConsole = true});
        const fs::path wal = dir.Path() / "a.sqlite-wal";
        ASSERT_TRUE(child.PauseWhen([&] { return SizeOf(wal) > std::uintmax_t{2} * 1024 * 1024; }))
            << "the import ended before it could be killed";
        EXPECT_TRUE(child.Interrupt(SIGINT));
        child.Resume();
        const ProgramResult r = child.Wait();
        EXPECT_TRUE(r.Crashed) << r.Status;
    }
    {
        SqliteConnection check;
        ASSERT_TRUE(check.Open(db, SqliteConnection::Mode::ReadOnly).Ok());
        SqliteStatement integrity;
        ASSERT_TRUE(check.Prepare("PRAGMA integrity_check", integrity).Ok());
        ASSERT_EQ(integrity.Next(), SqliteStatement::Step::Row);
        EXPECT_EQ(integrity.Text(0), "ok");
    }
    Archive archive;
    ArchiveSummary summary;
    ASSERT_TRUE(archive.Open(db, Archive::Mode::Read).Ok());
    ASSERT_TRUE(archive.Summarise(summary).Ok());
    EXPECT_EQ(summary.Fixes, static_cast<std::int64_t>(kOutingsDayFixes));
    EXPECT_EQ(summary.Copies, 1);
    archive = Archive{};
    const CliOutcome again = Cli({"--import", "--archive", db, full});
    EXPECT_NE(again.Out.find("new: " + std::to_string(kFullCompactLogFixes) + "\n"),
              std::string::npos)
        << again.Out;
}

// A write that fails half-way, as on a full disk (POSIX: the child's file size limit): the
// import fails with status 1 and the archive keeps what it held, whole.
TEST(ArchiveCli, AnImportOnAFullDiskFailsAndLeavesTheArchiveAsItWas)
{
#ifdef _WIN32
    GTEST_SKIP() << "no file size limit for a child on Windows";
#endif
    TempDir dir;
    const std::string db = PathIn(dir, "a.sqlite");
    const std::string earlier = dir.Write("earlier.bin", OutingsLog(1));
    ASSERT_EQ(Cli({"--import", "--archive", db, earlier}).Status, 0);
    const std::string full = dir.Write("full.bin", FullCompactBlockLog());
    const ProgramResult r = RunProgram(
        T2N_CLI_BINARY, {"--import", "--archive", db, full},
        {.Out = {Stream::Capture, {}}, .FileSizeLimitBytes = std::uint64_t{4} * 1024 * 1024});
    EXPECT_EQ(r.Status, 1) << r.Err;
    EXPECT_NE(r.Err.find("archive"), std::string::npos) << r.Err;
    Archive archive;
    ArchiveSummary summary;
    ASSERT_TRUE(archive.Open(db, Archive::Mode::Read).Ok());
    ASSERT_TRUE(archive.Summarise(summary).Ok());
    EXPECT_EQ(summary.Fixes, static_cast<std::int64_t>(kOutingsDayFixes));
    EXPECT_EQ(summary.Copies, 1);
}

} // namespace
