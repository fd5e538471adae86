#include "archive/Archive.h"

#include "archive/Sha256.h"
#include "convert/ConversionService.h"
#include "support/LogWriter.h"
#include "support/OutingsLog.h"
#include "system/Paths.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace t2ntest;

namespace {

// A block of records one second apart from `firstSecond` on, moving north a little each second;
// `shift` moves every position, so that a block of another era lies elsewhere.
void FillBlock(FlashImage& log, std::size_t block, std::int32_t firstSecond, double shift = 0)
{
    for (std::int32_t s = 0; s < 1500; ++s)
        log.Append(block, BlockRecord({.Seconds = firstSecond + s,
                                       .Latitude = 35.5 + s * 1e-5 + shift,
                                       .Longitude = 139.75 + shift,
                                       .ExtraValue = static_cast<float>(s % 97),
                                       .Speed = static_cast<float>(s % 50),
                                       .Course = static_cast<float>(s % 360),
                                       .Millisecond = static_cast<std::uint16_t>(s % 1000)},
                                      kBlockBasicMask | (1u << 12)));
}

// Blocks of a logger's memory, each the records of one era starting at a time.
struct Era {
    std::size_t Block;
    std::int32_t FirstSecond;
};
Bytes Memory(std::size_t blocks, std::initializer_list<Era> eras)
{
    FlashImage log = BlockLog(blocks, kBlockBasicMask | (1u << 12));
    for (const Era& era : eras)
        FillBlock(log, era.Block, era.FirstSecond, era.FirstSecond == kMay2021 ? 0 : 0.01);
    return log.Data();
}

constexpr std::int32_t kHour = 3600;

std::string Import(const std::string& db, const std::string& log, ImportReport* out = nullptr)
{
    Archive archive;
    const ArchiveStatus opened = archive.Open(db, Archive::Mode::Write);
    if (!opened.Ok())
        return "open: " + opened.Detail;
    ImportReport report = archive.Import(log, 0, kDefaultTripGapMs);
    if (out != nullptr)
        *out = report;
    return report.Status.Ok() ? "" : "import: " + report.Status.Detail;
}

// The GPX in UTC a service writes of a log or of an archive.
std::string GpxOf(const std::string& source, bool archive, const TempDir& dir)
{
    ConversionService service(0);
    if (archive) {
        if (!service.LoadArchive(source).Ok())
            return "refused";
    } else if (service.Load(source).Kind == LogKind::None) {
        return "ignored";
    }
    const std::string target = Utf8Path(dir.Path() / "out.gpx");
    if (!service.Export(target, ExportRequest(ExportFormat{TrackFormat::Gpx, true})).Ok())
        return "failed";
    return ReadWholeFile(target);
}

TEST(Sha256, KnownDigests)
{
    const struct {
        std::string Text;
        std::string Hex;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the length no longer fits the first padding block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    };
    for (const auto& c : cases) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.Text.data());
        EXPECT_EQ(HexOf(Sha256({bytes, c.Text.size()})), c.Hex) << c.Text;
    }
}

TEST(Archive, ExportOfOneImportedLogEqualsTheLogsOwn)
{
    TempDir dir;
    const Bytes outings = OutingsLog(3);
    FlashImage sector = SectorLog(6, kSectorFullMask);
    for (std::int32_t s = 0; s < 200; ++s)
        sector.Append(static_cast<std::size_t>(s / 35), SectorRecord({.Seconds = kMay2021 + s,
                                                                      .Latitude = 35.5 + s * 1e-4,
                                                                      .SatelliteCount = 9},
                                                                     kSectorFullMask));
    for (const auto& [name, bytes] :
         {std::pair{"outings.bin", outings}, std::pair{"sector.BNX4", sector.Data()},
          std::pair{"full.bin", FullCompactBlockLog()}}) {
        const std::string log = dir.Write(name, bytes);
        const std::string db = Utf8Path(dir.Path() / (std::string(name) + ".sqlite"));
        ImportReport report;
        ASSERT_EQ(Import(db, log, &report), "");
        EXPECT_GT(report.New, 0) << name;
        EXPECT_EQ(report.Known, 0);
        const std::string own = GpxOf(log, false, dir);
        EXPECT_EQ(GpxOf(db, true, dir), own) << name;
    }
}

TEST(Archive, ACopyImportedTwiceAddsNothing)
{
    TempDir dir;
    const std::string log = dir.Write("a.bin", OutingsLog(1));
    const std::string db = Utf8Path(dir.Path() / "a.sqlite");
    ImportReport first;
    ImportReport again;
    ASSERT_EQ(Import(db, log, &first), "");
    ASSERT_EQ(Import(db, log, &again), "");
    EXPECT_FALSE(first.KnownCopy);
    EXPECT_TRUE(again.KnownCopy);
    EXPECT_EQ(first.New, static_cast<std::int64_t>(kOutingsDayFixes));
    EXPECT_EQ(again.New, 0);
    EXPECT_EQ(again.Known, first.New);
    // The same fixes in another copy (one more erased block) are known fix by fix.
    Bytes longer = OutingsLog(1);
    longer.resize(longer.size() + kBlockBytes, 0xFF);
    ImportReport other;
    ASSERT_EQ(Import(db, dir.Write("b.bin", longer), &other), "");
    EXPECT_FALSE(other.KnownCopy);
    EXPECT_EQ(other.New, 0);
    EXPECT_EQ(other.Known, first.New);
    Archive archive;
    ArchiveSummary summary;
    ASSERT_TRUE(archive.Open(db, Archive::Mode::Read).Ok());
    ASSERT_TRUE(archive.Summarise(summary).Ok());
    EXPECT_EQ(summary.Fixes, first.New);
    EXPECT_EQ(summary.Copies, 2);
}

// A block log saved under the sector log's extension is imported as the kind the user read it
// as; by its name it holds no fix the archive could keep.
TEST(Archive, AMisnamedLogIsImportedAsTheKindItWasReadAs)
{
    TempDir dir;
    const std::string log = dir.Write("a.BNX4", OutingsLog(1));
    const struct {
        LogKind ReadAs;
        std::int64_t New;
    } cases[] = {
        {LogKind::Block, static_cast<std::int64_t>(kOutingsDayFixes)},
        {LogKind::None, 0},
    };
    for (const auto& c : cases) {
        const std::string db =
            Utf8Path(dir.Path() / ("read-as-" + std::to_string(c.New) + ".sqlite"));
        Archive archive;
        ASSERT_TRUE(archive.Open(db, Archive::Mode::Write).Ok());
        const ImportReport report = archive.Import(log, 0, kDefaultTripGapMs, c.ReadAs);
        EXPECT_EQ(report.New, c.New) << static_cast<int>(c.ReadAs);
    }
}

// The logger's ring: an older copy holds blocks 0-3; by the later copy blocks 4-5 were written
// and then blocks 0-1 over again. Either order of import gives the whole memory.
TEST(Archive, OverlappingCopiesInEitherOrderGiveTheWholeMemory)
{
    TempDir dir;
    const std::int32_t a = kMay2021;
    const std::int32_t b = kMay2021 + 10 * kHour;
    const std::int32_t c = kMay2021 + 20 * kHour;
    const Era older[] = {{0, a}, {1, a + 1500}, {2, a + 3000}, {3, a + 4500}};
    const std::string oldLog =
        dir.Write("old.bin", Memory(6, {older[0], older[1], older[2], older[3]}));
    const std::string newLog = dir.Write(
        "new.bin", Memory(6, {{0, c}, {1, c + 1500}, older[2], older[3], {4, b}, {5, b + 1500}}));
    const std::string whole = dir.Write("whole.bin", Memory(8, {older[0],
                                                                older[1],
                                                                older[2],
                                                                older[3],
                                                                {4, b},
                                                                {5, b + 1500},
                                                                {6, c},
                                                                {7, c + 1500}}));
    const std::string expected = GpxOf(whole, false, dir);
    ASSERT_GT(expected.size(), 1000u);
    std::vector<std::string> exports;
    for (const auto& order : {std::pair{oldLog, newLog}, std::pair{newLog, oldLog}}) {
        const std::string db = Utf8Path(dir.Path() / ("ring" + std::to_string(exports.size())));
        ImportReport first;
        ImportReport second;
        ASSERT_EQ(Import(db, order.first, &first), "");
        ASSERT_EQ(Import(db, order.second, &second), "");
        EXPECT_EQ(first.New + second.New, 8 * 1500);
        EXPECT_EQ(second.Known, 2 * 1500);
        EXPECT_EQ(second.Conflicts, 0);
        exports.push_back(GpxOf(db, true, dir));
    }
    EXPECT_EQ(exports[0], expected);
    EXPECT_EQ(exports[1], expected);
}

TEST(Archive, AFixAtAHeldMomentWithAnotherPositionIsKeptAsAConflict)
{
    TempDir dir;
    FlashImage first = BlockLog(1, kBlockBasicMask);
    FlashImage moved = BlockLog(1, kBlockBasicMask);
    for (std::int32_t s = 0; s < 10; ++s) {
        first.Append(0, BlockRecord({.Seconds = kMay2021 + s}, kBlockBasicMask));
        // Seconds 5 to 9 again, three of them elsewhere, and two more.
        if (s >= 5)
            moved.Append(0, BlockRecord({.Seconds = kMay2021 + s, .Latitude = s < 8 ? 36.0 : 35.5},
                                        kBlockBasicMask));
    }
    for (std::int32_t s = 10; s < 12; ++s)
        moved.Append(0, BlockRecord({.Seconds = kMay2021 + s}, kBlockBasicMask));
    const std::string db = Utf8Path(dir.Path() / "c.sqlite");
    ImportReport report;
    ASSERT_EQ(Import(db, dir.Write("first.bin", first.Data())), "");
    ASSERT_EQ(Import(db, dir.Write("moved.bin", moved.Data()), &report), "");
    EXPECT_EQ(report.New, 5);
    EXPECT_EQ(report.Known, 2);
    EXPECT_EQ(report.Conflicts, 3);
    ConversionService service(0);
    ASSERT_TRUE(service.LoadArchive(db).Ok());
    EXPECT_EQ(service.FixCount(), 15); // both positions of each conflict kept
}

TEST(Archive, AGapBeforeTheCopyIsReportedUncovered)
{
    TempDir dir;
    const std::string db = Utf8Path(dir.Path() / "u.sqlite");
    const struct {
        std::int32_t FirstSecond;
        bool Uncovered;
    } cases[] = {
        {kMay2021, false},                   // nothing before
        {kMay2021 + 1500 + 300, false},      // five minutes after the last fix: within the gap
        {kMay2021 + 3000 + 3 * kHour, true}, // three hours later
    };
    for (const auto& c : cases) {
        ImportReport report;
        ASSERT_EQ(Import(db,
                         dir.Write(std::to_string(c.FirstSecond) + ".bin",
                                   Memory(1, {{0, c.FirstSecond}})),
                         &report),
                  "");
        EXPECT_EQ(report.UncoveredFromUtcMs.has_value(), c.Uncovered) << c.FirstSecond;
        if (c.Uncovered) {
            EXPECT_EQ(*report.UncoveredToUtcMs, std::int64_t{c.FirstSecond} * 1000);
        }
    }
}

TEST(Archive, ADamagedOrForeignFileIsRefusedUnchanged)
{
    TempDir dir;
    const std::string log = dir.Write("a.bin", OutingsLog(1));
    const std::string good = Utf8Path(dir.Path() / "good.sqlite");
    ASSERT_EQ(Import(good, log), "");
    std::string damagedBytes = ReadWholeFile(good);
    ASSERT_GT(damagedBytes.size(), 8192u);
    // Every page after the first two overwritten.
    for (std::size_t i = 8192; i < damagedBytes.size(); ++i)
        damagedBytes[i] = static_cast<char>(i * 7);
    Bytes foreign;
    {
        SqliteConnection other;
        const std::string path = Utf8Path(dir.Path() / "other.sqlite");
        ASSERT_TRUE(other.Open(path, SqliteConnection::Mode::ReadWrite).Ok());
        ASSERT_TRUE(other.Execute("CREATE TABLE notes(text TEXT)").Ok());
        other.Close();
        const std::string bytes = ReadWholeFile(path);
        foreign.assign(bytes.begin(), bytes.end());
    }
    const struct {
        std::string Name;
        Bytes Content;
        ArchiveProblem Expected;
    } cases[] = {
        {"text.sqlite", Bytes(5000, 'x'), ArchiveProblem::NotArchive},
        {"foreign.sqlite", foreign, ArchiveProblem::NotArchive},
        {"damaged.sqlite", Bytes(damagedBytes.begin(), damagedBytes.end()),
         ArchiveProblem::Damaged},
    };
    for (const auto& c : cases) {
        const std::string path = dir.Write(c.Name, c.Content);
        Archive archive;
        ArchiveStatus status = archive.Open(path, Archive::Mode::Write);
        if (status.Ok())
            status = archive.Import(log, 0, kDefaultTripGapMs).Status;
        EXPECT_EQ(status.Problem, c.Expected) << c.Name << ": " << status.Detail;
        ConversionService service(0);
        EXPECT_FALSE(service.LoadArchive(path).Ok()) << c.Name;
        archive = Archive{};
        const std::string after = ReadWholeFile(path);
        EXPECT_TRUE(after == std::string(c.Content.begin(), c.Content.end())) << c.Name;
    }
}

// Rows SQLite reads without complaint but no import writes: a time that is no whole number
// (a text, a fraction) would come back out of time order, so the archive is damaged.
TEST(Archive, AFixTimeOfAnotherTypeMakesTheArchiveDamaged)
{
    TempDir dir;
    const std::string log = dir.Write("a.bin", OutingsLog(1));
    for (const std::string value : {"'late'", "1714700000000.5"}) {
        const std::string db = Utf8Path(dir.Path() / "t.sqlite");
        for (const char* end : {"", "-wal", "-shm"})
            std::filesystem::remove(db + end);
        ASSERT_EQ(Import(db, log), "");
        {
            SqliteConnection edit;
            ASSERT_TRUE(edit.Open(db, SqliteConnection::Mode::ReadWrite).Ok());
            ASSERT_TRUE(edit.Execute("UPDATE fix SET utc_ms = " + value +
                                     " WHERE utc_ms = (SELECT min(utc_ms) FROM fix)")
                            .Ok());
        }
        ConversionService service(0);
        EXPECT_EQ(service.LoadArchive(db).Problem, ArchiveProblem::Damaged) << value;
        EXPECT_EQ(service.FixCount(), 0) << value;
    }
}

TEST(Archive, AnArchiveOfTheFirstSchemaIsBroughtUpToDate)
{
    TempDir dir;
    const std::string db = Utf8Path(dir.Path() / "v1.sqlite");
    {
        // An archive as the first version wrote it: one fix of one copy.
        SqliteConnection old;
        ASSERT_TRUE(old.Open(db, SqliteConnection::Mode::ReadWrite).Ok());
        ASSERT_TRUE(old.Execute(kArchiveSchemaV1).Ok());
        ASSERT_TRUE(old.Execute("PRAGMA application_id = " + std::to_string(kArchiveApplicationId) +
                                "; PRAGMA user_version = 1;"
                                "INSERT INTO copy VALUES (1, x'00', 'old.bin', 65536, 1, 1, 0, 0);"
                                "INSERT INTO fix VALUES (1620000000250, 35.5, 139.75, 0, 0, 1, 2,"
                                " 12.5, 36.0, 90.0, 7, 3);")
                        .Ok());
    }
    // Read as it is first: the migration runs on the way.
    ConversionService service(0);
    ASSERT_TRUE(service.LoadArchive(db).Ok());
    ASSERT_EQ(service.FixCount(), 1);
    const TGpsFix& fix = service.Fixes()[0];
    EXPECT_EQ(FormatDayCount(fix.Time), "2021/05/03 00:00:00.250");
    EXPECT_EQ(fix.Millisecond, 250);
    EXPECT_EQ(fix.ExtraValue, 12.5f);
    EXPECT_EQ(fix.SatelliteCount, 7);
    SqliteConnection check;
    ASSERT_TRUE(check.Open(db, SqliteConnection::Mode::ReadWrite).Ok());
    {
        SqliteStatement version;
        ASSERT_TRUE(check.Prepare("PRAGMA user_version", version).Ok());
        ASSERT_EQ(version.Next(), SqliteStatement::Step::Row);
        EXPECT_EQ(version.Int64(0), kArchiveSchemaVersion);
        SqliteStatement copy;
        ASSERT_TRUE(check.Prepare("SELECT added_weeks, kind FROM copy", copy).Ok());
        ASSERT_EQ(copy.Next(), SqliteStatement::Step::Row);
        EXPECT_EQ(copy.Int64(0), 0);
        EXPECT_EQ(copy.Text(1), "block");
    }
    // And a later version's archive is refused.
    ASSERT_TRUE(check.Execute("PRAGMA user_version = 99").Ok());
    check.Close();
    Archive archive;
    EXPECT_EQ(archive.Open(db, Archive::Mode::Write).Problem, ArchiveProblem::Newer);
}

TEST(Archive, ARolloverRepairedCopyIsStoredRepairedAndRemembered)
{
    TempDir dir;
    FlashImage early = BlockLog(1, kBlockBasicMask);
    constexpr std::int32_t kEarly = kMay2021 - 1024 * 604800;
    for (std::int32_t s = 0; s < 20; ++s)
        early.Append(0, BlockRecord({.Seconds = kEarly + s}, kBlockBasicMask));
    const std::string log = dir.Write("early.bin", early.Data());
    const std::string db = Utf8Path(dir.Path() / "r.sqlite");
    Archive archive;
    ASSERT_TRUE(archive.Open(db, Archive::Mode::Write).Ok());
    ASSERT_TRUE(archive.Import(log, kWeekRolloverWeeks, kDefaultTripGapMs).Status.Ok());
    ArchiveSummary summary;
    ASSERT_TRUE(archive.Summarise(summary).Ok());
    EXPECT_EQ(summary.FirstUtcMs, std::int64_t{kMay2021} * 1000);
    SqliteConnection check;
    ASSERT_TRUE(check.Open(db, SqliteConnection::Mode::ReadOnly).Ok());
    SqliteStatement copy;
    ASSERT_TRUE(check.Prepare("SELECT added_weeks FROM copy", copy).Ok());
    ASSERT_EQ(copy.Next(), SqliteStatement::Step::Row);
    EXPECT_EQ(copy.Int64(0), kWeekRolloverWeeks);
}

} // namespace
