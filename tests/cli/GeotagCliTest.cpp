// tallo2nmea-cli --geotag on a log written here and photos made here: the table, the summary,
// the status, and the tags as exiftool reads them back.
#include "cli/Cli.h"
#include "cli/GeotagText.h"
#include "messages/ErrorText.h"
#include "support/ChildProcess.h"
#include "support/LogWriter.h"
#include "support/PhotoWriter.h"
#include "system/Paths.h"

#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

#ifndef _WIN32
#include <csignal>
#endif

namespace {

using namespace t2ntest;
namespace fs = std::filesystem;

struct GeotagRun {
    int status;
    std::vector<std::vector<std::string>> rows; // the table's fields, header first
    std::string err;
};

GeotagRun Geotag(const std::vector<std::string>& args, Language language = Language::English)
{
    std::ostringstream out, err;
    std::vector<std::string> all = {"--geotag"};
    all.insert(all.end(), args.begin(), args.end());
    GeotagRun run{RunCli(all, out, err, language), {}, err.str()};
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        auto& row = run.rows.emplace_back();
        for (std::string field; std::getline(fields, field, '\t');)
            row.push_back(field);
    }
    return run;
}

CameraTags Taken(const std::string& dateTimeOriginal, const std::string& subSec = {})
{
    CameraTags tags;
    tags.DateTimeOriginal = dateTimeOriginal;
    tags.SubSec = subSec;
    return tags;
}

class GeotagCli : public ::testing::Test
{
  protected:
    // Ten fixes 5 s apart (with a no-fix record among them), a pause of 355 s, five more.
    void SetUp() override
    {
        FlashImage image = BlockLog(1, kBlockBasicMask);
        for (int i = 0; i < 15; ++i) {
            RawFix& fix = fixes.emplace_back();
            fix.Seconds = kMay2021 + 5 * i + (i >= 10 ? 355 : 0);
            fix.Millisecond = 250;
            fix.Latitude = 35.6 + i * 1.2345678e-4;
            fix.Longitude = 139.7 + i * 2.3456789e-4;
            fix.ExtraValue = 10.0f + 1.5f * static_cast<float>(i);
            image.Append(0, BlockRecord(fix, kBlockBasicMask));
            if (i == 2) { // at 12.250 s, a stale position the logger marked as no fix
                RawFix stale = fix;
                stale.Seconds += 2;
                stale.FixType = 1;
                stale.Latitude = 1;
                image.Append(0, BlockRecord(stale, kBlockBasicMask));
            }
        }
        log = dir.Write("ride.bin", image.Data());
    }

    // The position a fraction of the way from fix i to fix i + 1, worked out here.
    [[nodiscard]] std::vector<double> Between(int i, double f) const
    {
        const RawFix& a = fixes[static_cast<std::size_t>(i)];
        const RawFix& b = fixes[static_cast<std::size_t>(i) + 1];
        return {a.Latitude + (b.Latitude - a.Latitude) * f,
                a.Longitude + (b.Longitude - a.Longitude) * f,
                a.ExtraValue + (b.ExtraValue - a.ExtraValue) * f};
    }

    std::string Photo(const std::string& name, const std::string& taken, const std::string& sub,
                      const std::string& offset = {}, std::optional<double> lat = {})
    {
        CameraTags tags = Taken(taken, sub);
        tags.Offset = offset;
        tags.LatDeg = lat;
        made[name] = MakeJpeg(3, 2, false, static_cast<std::uint32_t>(made.size()));
        const std::string bytes = WithCameraTags(made[name], tags);
        return dir.Write("photos/" + name, Bytes(bytes.begin(), bytes.end()));
    }

    // The camera is set to Japan's time and runs 2 s fast: photos on and between fixes, in the
    // pause, after the log, with a position, without a time, raw, hidden, in a sub-folder and
    // not a photo. Returns the folder; `before` holds each photo's bytes.
    std::string PhotoFolder()
    {
        Photo("a.jpg", "2021:05:03 09:00:14", "75");            // 12.750 UTC: fixes 2 and 3
        Photo("b.jpg", "2021:05:03 02:00:22", "250", "+02:00"); // 20.250 UTC: on fix 4
        Photo("c.jpg", "2021:05:03 09:04:00", "");              // in the pause
        Photo("d.jpg", "2021:05:03 10:00:00", "");              // after the log
        Photo("e.jpg", "2021:05:03 09:00:14", "", "", 50.0);    // a position already
        Photo("f.jpg", "", "");                                 // no time
        Photo("g.CR2", "2021:05:03 09:00:09", "250");           // 7.250 UTC: a sidecar
        Photo(".hidden.jpg", "2021:05:03 09:00:14", "");
        Photo("sub/h.jpg", "2021:05:03 09:00:14", "");
        dir.Write("photos/notes.txt", {'h', 'i'});
        std::string folder = (dir.Path() / "photos").string();
        for (const auto& [name, image] : made)
            before[name] = ReadWholeFile((fs::path(folder) / name).string());
        return folder;
    }
    static std::vector<std::string> Args(std::vector<std::string> more)
    {
        const std::vector<std::string> common = {"--utc-offset", "+09:00", "--camera-offset", "+2"};
        more.insert(more.begin(), common.begin(), common.end());
        return more;
    }

    TempDir dir;
    std::vector<RawFix> fixes;
    std::string log;
    std::map<std::string, std::string> made;   // each photo's image before any metadata
    std::map<std::string, std::string> before; // each photo's bytes before the run
};

void ExpectNear(const std::vector<std::string>& read, const std::vector<double>& want,
                const std::string& what)
{
    ASSERT_EQ(read.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(std::stod(read[i]), want[i], i < 2 ? 1e-7 : 1e-3) << what << ' ' << i;
}

TEST_F(GeotagCli, DryRunSaysWhatWouldBeDoneAndWritesNothing)
{
    const std::string folder = PhotoFolder();
    const GeotagRun dry = Geotag(Args({"--dry-run", log, folder}));
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(dry.err, "tallo2nmea-cli: " + log + ": 8 photos: 3 would be tagged, 5 left out\n" +
                           "tallo2nmea-cli: dry run: nothing was written\n");
    ASSERT_EQ(dry.rows.size(), 9u);
    for (const std::size_t i : {1, 2})
        EXPECT_EQ(dry.rows[i].at(6), "would tag") << i;
    EXPECT_EQ(dry.rows[7].at(6), "would write sidecar"); // the raw file
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(ReadWholeFile((fs::path(folder) / name).string()), bytes) << name;
    EXPECT_FALSE(fs::exists(folder + "/g.CR2.xmp"));
}

TEST_F(GeotagCli, TagsInPlaceAndBesideAndSaysWhyNot)
{
    const std::string folder = PhotoFolder();
    const GeotagRun run = Geotag(Args({log, folder}));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err,
              "tallo2nmea-cli: " + log + ": 8 photos: 3 tagged (1 in sidecars), 5 left out\n");
    const std::vector<std::vector<std::string>> want = {
        {"photo", "taken", "utc", "latitude", "longitude", "height_m", "result", "reason"},
        {"a.jpg", "2021-05-03 09:00:14.750+09:00", "2021-05-03 00:00:12.750", "tagged"},
        {"b.jpg", "2021-05-03 02:00:22.250+02:00", "2021-05-03 00:00:20.250", "tagged"},
        {"c.jpg", "2021-05-03 09:04:00.000+09:00", "2021-05-03 00:03:58.000", "in a gap"},
        {"d.jpg", "2021-05-03 10:00:00.000+09:00", "2021-05-03 00:59:58.000", "outside the log"},
        {"e.jpg", "2021-05-03 09:00:14.000+09:00", "2021-05-03 00:00:12.000", "already tagged"},
        {"f.jpg", "-", "-", "no time"},
        {"g.CR2", "2021-05-03 09:00:09.250+09:00", "2021-05-03 00:00:07.250", "sidecar"},
        {"notes.txt", "-", "-", "not supported"},
    };
    ASSERT_EQ(run.rows.size(), want.size());
    EXPECT_EQ(run.rows[0], want[0]);
    for (std::size_t i = 1; i < want.size(); ++i) {
        const std::vector<std::string>& row = run.rows[i];
        ASSERT_EQ(row.size(), 8u) << i;
        EXPECT_EQ(row[7], "-") << i;
        EXPECT_EQ(row[0], Utf8Path(NativePath(folder) / want[i][0]));
        EXPECT_EQ((std::vector{row[1], row[2], row[6]}),
                  (std::vector{want[i][1], want[i][2], want[i][3]}));
    }
    ExpectNear({run.rows[1][3], run.rows[1][4], run.rows[1][5]}, Between(2, 0.5), "table a.jpg");
    EXPECT_EQ(run.rows[3][3] + run.rows[4][3] + run.rows[6][3], "---");
    // An already tagged photo shows the position it holds, not the log's.
    EXPECT_EQ(run.rows[5][3] + ' ' + run.rows[5][4], "50.0000000 0.0000000");
    for (const std::string name : {"a.jpg", "b.jpg"})
        EXPECT_TRUE(
            ReadWholeFile((fs::path(folder) / name).string()).ends_with(MadeImageData(made[name])));
    for (const std::string name : {"c.jpg", "d.jpg", "e.jpg", "f.jpg", "g.CR2"})
        EXPECT_EQ(ReadWholeFile((fs::path(folder) / name).string()), before[name]) << name;

    const auto a = ExiftoolValues(folder + "/a.jpg", {"GPSLatitude", "GPSLongitude", "GPSAltitude",
                                                      "GPSDateStamp", "GPSTimeStamp"});
    if (!a)
        GTEST_SKIP() << "exiftool is not installed";
    ExpectNear({(*a)[0], (*a)[1], (*a)[2]}, Between(2, 0.5), "a.jpg");
    EXPECT_EQ((*a)[3] + ' ' + (*a)[4], "2021:05:03 00:00:12.75");
    ExpectNear(*ExiftoolValues(folder + "/b.jpg", {"GPSLatitude", "GPSLongitude", "GPSAltitude"}),
               Between(4, 0), "b.jpg");
    ExpectNear(*ExiftoolValues(folder + "/g.CR2.xmp",
                               {"XMP:GPSLatitude", "XMP:GPSLongitude", "XMP:GPSAltitude"}),
               Between(1, 0.4), "g.CR2.xmp");
    EXPECT_EQ(*ExiftoolValues(folder + "/e.jpg", {"GPSLatitude"}), std::vector<std::string>{"50"});
}

TEST_F(GeotagCli, OverwriteAndAMissingPhoto)
{
    const std::string folder = PhotoFolder();
    const std::string missing = folder + "/missing.jpg";
    const GeotagRun run = Geotag(Args({"--overwrite", log, folder + "/e.jpg", missing}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tallo2nmea-cli: " + log + ": 2 photos: 1 tagged, 0 left out, 1 error\n");
    ASSERT_EQ(run.rows.size(), 3u);
    EXPECT_EQ(run.rows[1][6], "tagged");
    EXPECT_EQ(run.rows[2], (std::vector<std::string>{missing, "-", "-", "-", "-", "-", "error",
                                                     "cannot be read: no such file"}));
    const auto e =
        ExiftoolValues(folder + "/e.jpg", {"GPSLatitude", "GPSLongitude", "GPSAltitude"});
    if (!e)
        GTEST_SKIP() << "exiftool is not installed";
    ExpectNear(*e, Between(2, 0.35), "e.jpg overwritten");
}

// --backup keeps each original it replaces, named as the photo, with its time; a photo whose
// original cannot be kept is not written, and says why.
TEST_F(GeotagCli, BackupKeepsTheOriginalsOrWritesNothing)
{
    const std::string folder = PhotoFolder();
    const fs::path kept = dir.Path() / "kept";
    const auto modified = fs::last_write_time(NativePath(folder) / "a.jpg");
    const GeotagRun run = Geotag(Args({"--backup", Utf8Path(kept), log, folder}));
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(kept))
        names.push_back(Utf8Path(entry.path().filename()));
    std::sort(names.begin(), names.end());
    // The raw file's sidecar was new: there was nothing to keep.
    EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "b.jpg"}));
    for (const std::string name : {"a.jpg", "b.jpg"}) {
        EXPECT_EQ(ReadWholeFile(Utf8Path(kept / name)), before[name]) << name;
        EXPECT_NE(ReadWholeFile(folder + "/" + name), before[name]) << name;
    }
    EXPECT_EQ(fs::last_write_time(kept / "a.jpg"), modified);

    const std::string blocker = dir.Write("blocker", {'x'});
    const std::string photo = Photo("z.jpg", "2021:05:03 09:00:14", "75");
    const std::string original = ReadWholeFile(photo);
    const GeotagRun refused = Geotag(Args({"--backup", blocker + "/in", log, photo}));
    EXPECT_EQ(refused.status, 1);
    ASSERT_EQ(refused.rows.size(), 2u);
    EXPECT_EQ(refused.rows[1].at(6), "error");
    EXPECT_EQ(refused.rows[1].at(7).rfind("its original cannot be kept in the --backup folder", 0),
              0u)
        << refused.rows[1].at(7);
    EXPECT_EQ(ReadWholeFile(photo), original);
}

TEST_F(GeotagCli, UsageErrors)
{
    const std::string photo = Photo("a.jpg", "2021:05:03 09:00:14", "");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } rows[] = {
        {{"--geotag", log}, "--geotag needs a log and at least one photo or folder"},
        {{"--dry-run", log, photo}, "--dry-run places photos: use it with --geotag"},
        {{"--camera-zone", "+01:00", log}, "--camera-zone places photos: use it with --geotag"},
        {{"--geotag", "--format", "gpx", log, photo},
         "--format converts logs; it cannot be used with --geotag"},
        {{"--geotag", "-o", "x", log, photo}, "-o converts logs; it cannot be used with --geotag"},
        {{"--geotag", "--camera-zone", "9", log, photo},
         "--camera-zone takes +HH:MM or -HH:MM (at most 24:00), not '9'"},
        {{"--geotag", "--camera-offset", "1.2345", log, photo},
         "--camera-offset takes seconds (up to three decimals) from -999999999 to 999999999, or "
         "±H:MM:SS, not '1.2345'"},
        {{"--geotag", "--camera-offset", "1:60:00", log, photo},
         "--camera-offset takes seconds (up to three decimals) from -999999999 to 999999999, or "
         "±H:MM:SS, not '1:60:00'"},
        {{"--geotag", "--max-gap", "-1", log, photo},
         "--max-gap takes whole seconds from 0 to 1000000, not '-1'"},
    };
    for (const auto& row : rows) {
        std::ostringstream out, err;
        EXPECT_EQ(RunCli(row.args, out, err), kCliUsage) << row.message;
        EXPECT_EQ(err.str().substr(0, err.str().find('\n')), "tallo2nmea-cli: " + row.message);
        EXPECT_EQ(out.str(), "");
    }
    std::ostringstream help, err;
    EXPECT_EQ(RunCli({"--help"}, help, err), kCliOk);
    EXPECT_NE(help.str().find("tallo2nmea-cli --geotag [OPTION]... LOG PHOTO|FOLDER..."),
              std::string::npos);
    EXPECT_NE(help.str().find("; 3 when the log\nwas ignored"), std::string::npos);
    const GeotagRun ignored = Geotag({(dir.Path() / "none.bin").string(), photo});
    EXPECT_EQ(ignored.status, kCliIgnored) << ignored.err;
}

// A full disk reads as the converter says it, in either language.
TEST(GeotagText, AFullDiskReadsAsTheConverterSaysIt)
{
    EXPECT_EQ(SystemReasonText(ENOSPC, Language::English), IoErrorText(ENOSPC, Language::English));
    EXPECT_EQ(SystemReasonText(ENOSPC, Language::Japanese),
              IoErrorText(ENOSPC, Language::Japanese));
}

// A log without a single position says so once, not "outside the log" for every photo.
TEST_F(GeotagCli, ALogWithoutAPositionSaysSoOnce)
{
    FlashImage image = BlockLog(1, kBlockBasicMask);
    RawFix none;
    none.FixType = 1;
    image.Append(0, BlockRecord(none, kBlockBasicMask));
    const std::string empty = dir.Write("none.bin", image.Data());
    const std::string folder = PhotoFolder();
    const GeotagRun run = Geotag(Args({empty, folder}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.rows.size(), 1u); // the header
    EXPECT_EQ(run.err, "tallo2nmea-cli: " + empty +
                           ": the log holds no fix with a position: no photo can be placed\n");
}

// --max-gap bounds the snap to a run's first or last fix as it bounds the pause bridged: the
// photo 2.5 s from two fixes 5 s apart.
TEST_F(GeotagCli, MaxGapBoundsTheSnapToARunsEdge)
{
    const std::string photo = Photo("a.jpg", "2021:05:03 09:00:14", "750");
    const std::pair<std::string, std::string> rows[] = {
        {"5", "would tag"}, {"3", "would tag"}, {"2", "in a gap"}, {"0", "in a gap"}};
    for (const auto& [gap, result] : rows) {
        const GeotagRun run = Geotag(Args({"--dry-run", "--max-gap", gap, log, photo}));
        ASSERT_EQ(run.rows.size(), 2u) << run.err;
        EXPECT_EQ(run.rows[1][6], result) << gap;
    }
}

TEST_F(GeotagCli, CameraZoneAndClockErrorMoveThePhoto)
{
    // The same photo, 10:00:12 on the camera's clock: taken in +10:00 with a correct clock, or
    // in +09:00 with the clock an hour and 0.5 s fast, or 25 minutes slow and 35 minutes east.
    const std::string photo = Photo("a.jpg", "2021:05:03 10:00:12", "750");
    const struct {
        std::vector<std::string> options;
        std::string utc;
    } rows[] = {
        {{"--camera-zone", "+10:00"}, "2021-05-03 00:00:12.750"},
        {{"--utc-offset", "+09:00", "--camera-offset", "3600.5"}, "2021-05-03 00:00:12.250"},
        {{"--bias", "-575", "--camera-offset=-1500"}, "2021-05-03 00:50:12.750"},
        // The same errors as hours, minutes and seconds.
        {{"--utc-offset", "+09:00", "--camera-offset", "+1:00:00.5"}, "2021-05-03 00:00:12.250"},
        {{"--bias", "-575", "--camera-offset=-0:25:00"}, "2021-05-03 00:50:12.750"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = row.options;
        args.insert(args.end(), {"--dry-run", log, photo});
        const GeotagRun run = Geotag(args);
        ASSERT_EQ(run.rows.size(), 2u) << run.err;
        EXPECT_EQ(run.rows[1][2], row.utc) << row.options[0];
    }
}

// The camera's clock error from a photo that holds its true position: a photo placed where the
// track was at 00:00:27.250 UTC, on a clock 75.5 s fast, places another photo of that camera at
// its true moment; a photo the track never passed near, or one without a position or a time,
// gives no error and nothing is placed.
TEST_F(GeotagCli, ClockErrorFromAPlacedPhoto)
{
    const auto placed = [&](const std::string& name, const std::string& taken,
                            std::optional<std::vector<double>> at) {
        CameraTags tags = Taken(taken, "750");
        if (at) {
            tags.LatDeg = (*at)[0];
            tags.LonDeg = (*at)[1];
        }
        const std::string bytes = WithCameraTags(MakeJpeg(3, 2), tags);
        return dir.Write("photos/" + name, Bytes(bytes.begin(), bytes.end()));
    };
    // 0.4 of the way from fix 5 (25.250 s) to fix 6 (30.250 s); 09:01:42.750 in Japan is
    // 00:01:42.750 UTC, 75.5 s after 00:00:27.250.
    const std::string reference = placed("ref.jpg", "2021:05:03 09:01:42", Between(5, 0.4));
    // 00:00:12.750 UTC, between fixes 2 and 3, on the same clock.
    const std::string other = Photo("x.jpg", "2021:05:03 09:01:28", "250");
    GeotagRun run = Geotag(
        {"--utc-offset", "+09:00", "--camera-offset-from", reference, "--dry-run", log, other});
    ASSERT_EQ(run.status, 0) << run.err;
    double fastS = 0;
    const std::size_t at = run.err.find("the camera's clock is ");
    ASSERT_NE(at, std::string::npos) << run.err;
    std::sscanf(run.err.c_str() + at, "the camera's clock is %lf s fast", &fastS);
    EXPECT_NEAR(fastS, 75.5, 0.003) << run.err;
    ASSERT_EQ(run.rows.size(), 2u) << run.err;
    const std::vector<double> want = Between(2, 0.5);
    EXPECT_EQ(run.rows[1][2].substr(0, 21), "2021-05-03 00:00:12.7") << run.rows[1][2];
    EXPECT_NEAR(std::stod(run.rows[1][3]), want[0], 2e-7);
    EXPECT_NEAR(std::stod(run.rows[1][4]), want[1], 2e-7);

    const struct {
        std::string photo;
        std::string reason;
    } refused[] = {
        // 0.01 degrees (about 1.1 km) north of the track.
        {placed("far.jpg", "2021:05:03 09:01:42", std::vector{35.61, 139.7}),
         "never comes within 100 m of the photo's position within 12 hours of its time (at the "
         "closest 9"},
        // On the track, but 13 hours from it by its clock.
        {placed("late.jpg", "2021:05:03 22:01:42", Between(5, 0.4)), "never comes within 100 m"},
        {placed("nowhere.jpg", "2021:05:03 09:01:42", std::nullopt), "holds no position"},
        {placed("untimed.jpg", "", Between(5, 0.4)), "has no time it was taken"},
    };
    for (const auto& r : refused) {
        run = Geotag({"--utc-offset", "+09:00", "--camera-offset-from", r.photo, log, other});
        EXPECT_EQ(run.status, 1) << r.photo;
        EXPECT_NE(run.err.find(r.reason), std::string::npos) << run.err;
        EXPECT_TRUE(run.rows.empty()) << r.photo;
    }
    run = Geotag({"--camera-offset", "3", "--camera-offset-from", reference, log, other});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("cannot be used together"), std::string::npos) << run.err;
}

#ifndef _WIN32

// The converter's arguments for --geotag in Japan's time.
std::vector<std::string> GeotagArgs(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"--geotag", "--utc-offset", "+09:00"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

// Its output thrown away; `limitBytes` caps the size of any file it writes (as a full disk
// would stop it).
ChildOptions GeotagOptions(std::uint64_t limitBytes = 0)
{
    return {.Out = {}, .Err = {}, .FileSizeLimitBytes = limitBytes};
}

bool HasTemporary(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().front() == '.')
            return true;
    return false;
}

// The names a folder may hold: a photo named again by other paths and through its folder is
// handled once; control characters are written C-style; an empty file and a link to nothing get
// their rows. The result words stay the same in a Japanese run; the reason is Japanese, in its
// own column.
TEST_F(GeotagCli, EachPhotoOnceEscapedNamesAndReasonsInTheRunsLanguage)
{
    const std::string a = Photo("a.jpg", "2021:05:03 09:00:14", "");
    Photo("tab\tname.jpg", "2021:05:03 09:00:14", "");
    Photo("esc\x1b.jpg", "2021:05:03 09:00:14", "");
    dir.Write("photos/empty.jpg", {});
    fs::create_symlink(dir.Path() / "photos" / "gone.jpg", dir.Path() / "photos" / "link.jpg");
    const std::string folder = (dir.Path() / "photos").string();
    const GeotagRun run =
        Geotag(Args({"--dry-run", log, a, folder + "/./a.jpg", folder}), Language::Japanese);
    EXPECT_EQ(run.status, 1);
    const std::vector<std::vector<std::string>> want = {
        {a, "would tag", "-"},
        {folder + "/empty.jpg", "empty", "-"},
        {folder + "/esc\\x1b.jpg", "would tag", "-"},
        {folder + "/link.jpg", "error", "読み込めません: ファイルが見つかりません"},
        {folder + "/tab\\tname.jpg", "would tag", "-"},
    };
    ASSERT_EQ(run.rows.size(), want.size() + 1) << run.err;
    for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(run.rows[i + 1].size(), 8u) << i;
        EXPECT_EQ((std::vector{run.rows[i + 1][0], run.rows[i + 1][6], run.rows[i + 1][7]}),
                  want[i]);
    }
}

// A write that fails (here a file size limit, as a full disk) leaves that photo as it was and no
// temporary file; the other photos are tagged and the status is 1.
TEST_F(GeotagCli, AFailedWriteLeavesThePhotoAndTheOthersGoOn)
{
    const std::string small = Photo("a.jpg", "2021:05:03 09:00:14", "");
    const std::string big = dir.Write("photos/b.jpg", [] {
        const std::string bytes =
            WithCameraTags(MakeLargeJpeg(300000), Taken("2021:05:03 09:00:14"));
        return Bytes(bytes.begin(), bytes.end());
    }());
    const std::string bigBefore = ReadWholeFile(big);
    const ProgramResult r =
        RunProgram(T2N_CLI_BINARY, GeotagArgs({log, big, small}), GeotagOptions(200000));
    EXPECT_TRUE(!r.Crashed && r.Status == 1) << r.Status;
    EXPECT_EQ(ReadWholeFile(big), bigBefore);
    EXPECT_TRUE(Exiv2Position(small).has_value());
    EXPECT_FALSE(HasTemporary(dir.Path() / "photos"));
    const GeotagRun run = Geotag({"--utc-offset", "+09:00", "--dry-run", log, big});
    EXPECT_EQ(run.rows.at(1).at(6), "would tag"); // it was the size, not the photo
}

// Each photo either as it was or tagged whole, with its image data unchanged; how many are
// tagged.
int TaggedWhole(const std::vector<std::string>& photos, const std::string& original,
                const std::string& image)
{
    int tagged = 0;
    for (const std::string& path : photos) {
        const std::string now = ReadWholeFile(path);
        if (now == original)
            continue;
        ++tagged;
        EXPECT_TRUE(now.ends_with(MadeImageData(image))) << path;
        EXPECT_TRUE(Exiv2Position(path).has_value()) << path;
    }
    return tagged;
}

// Stopped while a photo's temporary file exists, then interrupted: no temporary file is left,
// every photo is either as it was or tagged whole, with its image data unchanged, standard error
// says how many were written and the table holds a whole line for each photo done before them.
TEST_F(GeotagCli, InterruptLeavesEachPhotoOldOrNewAndSaysHowMany)
{
    const std::string image = MakeLargeJpeg(3000000, 5);
    const std::string photo = WithCameraTags(image, Taken("2021:05:03 09:00:14", "5"));
    std::vector<std::string> args = {log};
    for (int i = 0; i < 24; ++i)
        args.push_back(
            dir.Write("photos/p" + std::to_string(i) + ".jpg", Bytes(photo.begin(), photo.end())));
    const std::vector<std::string> photos(args.begin() + 1, args.end());
    for (const int signal : {SIGINT, SIGTERM, SIGQUIT}) {
        Child child(T2N_CLI_BINARY, GeotagArgs(args), {});
        ASSERT_TRUE(child.PauseWhen([&] { return HasTemporary(dir.Path() / "photos"); }))
            << "the run ended before it could be interrupted";
        EXPECT_TRUE(child.Interrupt(signal));
        child.Resume();
        const ProgramResult r = child.Wait();
        EXPECT_TRUE(r.Crashed && r.Status == signal) << r.Status;
        EXPECT_FALSE(HasTemporary(dir.Path() / "photos"));
        const int tagged = TaggedWhole(photos, photo, image);
        EXPECT_LT(tagged, 24) << signal;
        EXPECT_EQ(r.Err, "tallo2nmea-cli: interrupted; photos written: " + std::to_string(tagged) +
                             "; the others are as they were\n");
        // The lines out are whole, and none claims more than was written.
        EXPECT_TRUE(r.Out.ends_with('\n'));
        const auto lines = std::count(r.Out.begin(), r.Out.end(), '\n');
        EXPECT_LE(lines - 1, tagged) << r.Out;
        for (std::size_t i = 1; i < args.size(); ++i) // as they were, for the next signal
            dir.Write(fs::path(args[i]).lexically_relative(dir.Path()).string(),
                      Bytes(photo.begin(), photo.end()));
    }
}

// A camera set to summer time in the system's zone (Berlin in May), photos without a zone of
// their own: placed in standard time an hour off, with one note naming the zone that places them.
TEST_F(GeotagCli, SummerTimeOfTheSystemsZoneIsNamedOnce)
{
    const std::string a = Photo("a.jpg", "2021:05:03 02:00:14", "750");
    const std::string b = Photo("b.jpg", "2021:05:03 02:00:15", "");
    const auto run = [&](std::vector<std::string> more) {
        std::vector<std::string> args = {"TZ=Europe/Berlin", T2N_CLI_BINARY, "--geotag",
                                         "--dry-run"};
        more.insert(more.end(), {log, a, b});
        args.insert(args.end(), more.begin(), more.end());
        return RunProgram("env", args);
    };
    const ProgramResult standard = run({});
    EXPECT_EQ(standard.Status, 0) << standard.Err;
    EXPECT_EQ(std::count(standard.Out.begin(), standard.Out.end(), '\n'), 3);
    EXPECT_EQ(std::count(standard.Out.begin(), standard.Out.end(), '\t') / 7 - 1, 2);
    EXPECT_NE(standard.Out.find("+01:00\t2021-05-03 01:00:14.750\t"), std::string::npos);
    EXPECT_NE(standard.Err.find("tallo2nmea-cli: " + log +
                                ": note: photos without a zone of their own fall in the summer "
                                "time of this system's zone and were placed in its standard time "
                                "(+01:00); if the camera was set to summer time, --camera-zone "
                                "+02:00 places them\n"),
              std::string::npos)
        << standard.Err;
    const std::string note = "photos without a zone";
    EXPECT_EQ(standard.Err.find(note), standard.Err.rfind(note)); // once
    const ProgramResult summer = run({"--camera-zone", "+02:00"});
    EXPECT_EQ(summer.Err.find(note), std::string::npos) << summer.Err;
    EXPECT_NE(summer.Out.find("+02:00\t2021-05-03 00:00:14.750\t"), std::string::npos);
    EXPECT_NE(summer.Out.find("\twould tag\t-\n"), std::string::npos) << summer.Out;
}

// A reader that goes away (| head) stops the run: one line on standard error, status 1, no
// temporary file, each photo old or new, and the count of those written.
TEST_F(GeotagCli, AClosedOutputStopsTheRunCleanly)
{
    const std::string image = MakeLargeJpeg(3000000, 6);
    const std::string photo = WithCameraTags(image, Taken("2021:05:03 09:00:14", "5"));
    std::vector<std::string> args = {"-c", "set -o pipefail; \"$0\" \"$@\" | head -n 1",
                                     T2N_CLI_BINARY};
    std::vector<std::string> photos;
    photos.reserve(24);
    for (int i = 0; i < 24; ++i)
        photos.push_back(
            dir.Write("photos/p" + std::to_string(i) + ".jpg", Bytes(photo.begin(), photo.end())));
    for (const std::string& arg : GeotagArgs({log, (dir.Path() / "photos").string()}))
        args.push_back(arg);
    const ProgramResult r = RunProgram("bash", args);
    EXPECT_TRUE(!r.Crashed && r.Status == 1) << r.Status << r.Err;
    EXPECT_EQ(r.Out, "photo\ttaken\tutc\tlatitude\tlongitude\theight_m\tresult\treason\n");
    EXPECT_FALSE(HasTemporary(dir.Path() / "photos"));
    const int tagged = TaggedWhole(photos, photo, image);
    EXPECT_LT(tagged, 24);
    EXPECT_EQ(r.Err, "tallo2nmea-cli: standard output: it was closed: the run stopped; photos "
                     "written: " +
                         std::to_string(tagged) + "\n");
}

#endif

} // namespace
