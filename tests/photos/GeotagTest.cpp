// Photos tagged on disk: what exiftool reads back, what stays as it was, and the photos that are
// left alone with the reason why.
#include "photos/Geotag.h"

#include "photos/ImageData.h"
#include "photos/PhotoMeta.h"
#include "support/LogWriter.h"
#include "support/PhotoWriter.h"
#include "support/SampleFix.h"
#include "system/Paths.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <numeric>
#include <tuple>

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace t2ntest;
namespace fs = std::filesystem;

constexpr std::int32_t kJapanBias = -540;
constexpr std::int64_t kHourMs = 3600000;

// "YYYY:MM:DD hh:mm:ss" of whole milliseconds.
std::string ExifTime(std::int64_t ms)
{
    const CalendarTime t = MillisecondsToCalendar(ms);
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", t.Year, t.Month, t.Day,
                  t.Hour, t.Minute, t.Second);
    return text;
}

class Geotag : public ::testing::Test
{
  protected:
    // Two fixes 20 s apart, then a third after a pause of 200 s.
    const std::int64_t t0 = CalendarToMilliseconds({2021, 5, 3, 0, 0, 0, 0});
    const TrackPoint a{t0, 35.0, 139.0, 10.0};
    const TrackPoint b{t0 + 20000, 35.001234567, 139.002345678, 30.0};
    const TrackPoint c{t0 + 220000, 35.01, 139.01, 12.0};
    const PhotoTrack track = [this] {
        std::vector<TGpsFix> fixes;
        for (const TrackPoint& p : {a, b, c}) {
            TGpsFix fix = SampleFix(p.UtcMs - kJapanBias * kMsPerMinute, p.LatDeg, p.LonDeg);
            fix.ExtraValue = static_cast<float>(*p.HeightM);
            fixes.push_back(fix);
        }
        return PhotoTrack(fixes, kJapanBias);
    }();

    // The camera's tags of a photo taken `afterMs` after the first fix, in Japan's time.
    [[nodiscard]] CameraTags TakenAt(std::int64_t afterMs) const
    {
        const std::int64_t local = t0 + afterMs + 9 * kHourMs;
        CameraTags tags;
        tags.DateTimeOriginal = ExifTime(local);
        tags.SubSec = std::to_string(local % 1000 + 1000).substr(1);
        return tags;
    }
    std::string Put(const std::string& name, const std::string& bytes) const
    {
        return dir.Write(name, Bytes(bytes.begin(), bytes.end()));
    }
    // The fixes' position at a moment between the first two, worked out here.
    [[nodiscard]] std::pair<double, double> Between(std::int64_t afterMs) const
    {
        const double f = static_cast<double>(afterMs) / 20000.0;
        return {a.LatDeg + (b.LatDeg - a.LatDeg) * f, a.LonDeg + (b.LonDeg - a.LonDeg) * f};
    }

    TempDir dir;
};

TEST_F(Geotag, TagsAJpegAndAPngKeepingEverythingElse)
{
    CameraTags tags = TakenAt(7250);
    tags.MakerNote = tags.Thumbnail = tags.Icc = true;
    const std::string madeJpeg = MakeJpeg(6, 4), madePng = MakePng(16, 8);
    const std::string jpeg = Put("a.jpg", WithCameraTags(madeJpeg, tags));
    const std::string png = Put("b.png", WithCameraTags(madePng, TakenAt(7250)));
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
#ifdef _WIN32
    const fs::perms mode = fs::status(jpeg).permissions(); // only a read-only attribute there
#else
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
#endif
    for (const std::string& photo : {jpeg, png}) {
        fs::last_write_time(photo, old);
        fs::permissions(photo, mode);
    }
    const auto kept = fs::last_write_time(jpeg); // as the file system stores it
    const auto thumbnail = ExiftoolBinary(jpeg, "ThumbnailImage");
    const auto icc = ExiftoolBinary(jpeg, "ICC_Profile");

    for (const std::string& photo : {jpeg, png}) {
        EXPECT_EQ(TagPhoto(photo, track, {}).Result, GeotagResult::Tagged) << photo;
        EXPECT_TRUE(fs::last_write_time(photo) == kept) << photo;
        EXPECT_EQ(fs::status(photo).permissions() & fs::perms::all, mode) << photo;
    }
    EXPECT_TRUE(ReadWholeFile(jpeg).ends_with(MadeImageData(madeJpeg)));
    EXPECT_NE(ReadWholeFile(png).find(MadeImageData(madePng)), std::string::npos);
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    if (!thumbnail || !icc)
        GTEST_SKIP() << "exiftool is not installed";

    const auto [lat, lon] = Between(7250);
    for (const std::string& photo : {jpeg, png}) {
        const auto read = *ExiftoolValues(photo, {"GPSLatitude", "GPSLongitude", "GPSAltitude",
                                                  "GPSAltitudeRef", "GPSDateStamp", "GPSTimeStamp",
                                                  "GPSVersionID", "GPSMapDatum", "GPSLatitudeRef"});
        ASSERT_EQ(read.size(), 9u) << photo;
        EXPECT_NEAR(std::stod(read[0]), lat, 1e-7) << photo;
        EXPECT_NEAR(std::stod(read[1]), lon, 1e-7) << photo;
        EXPECT_NEAR(std::stod(read[2]), 10 + 20 * 7.25 / 20, 1e-3) << photo;
        EXPECT_EQ(
            std::vector(read.begin() + 3, read.end()),
            (std::vector<std::string>{"0", "2021:05:03", "00:00:07.25", "2 3 0 0", "WGS-84", "N"}))
            << photo;
    }
    // The maker note, the thumbnail and the profile as they were.
    ASSERT_FALSE(thumbnail->empty());
    ASSERT_FALSE(icc->empty());
    EXPECT_EQ(*ExiftoolValues(jpeg, {"OwnerName", "CanonFirmwareVersion"}),
              (std::vector<std::string>{"Tallo Tester", "Firmware Version 1.1.1"}));
    EXPECT_EQ(ExiftoolBinary(jpeg, "ThumbnailImage"), thumbnail);
    EXPECT_EQ(ExiftoolBinary(jpeg, "ICC_Profile"), icc);
}

// The check before a photo is replaced: a copy that lost or changed anything is refused.
TEST_F(Geotag, ReadBackRefusesACopyThatLostOrChangedAnything)
{
    CameraTags full = TakenAt(1000);
    full.MakerNote = full.Thumbnail = full.Icc = true;
    const std::string made = MakeJpeg(4, 4);
    const std::string original = WithJpegComment(WithCameraTags(made, full), "a comment");
    const GpsTags tags = MakeGpsTags(35.5, 139.5, 12.5, t0);
    const std::string good = *PhotoWithGps(original, tags);
    ASSERT_TRUE(ReadsBackAs(original, good, tags));
    std::string commentChanged = good;
    commentChanged[commentChanged.find("a comment") + 8] = 'T';

    GpsTags moved = tags;
    moved.Latitude[2].Num += 1;
    std::string scanChanged = good;
    scanChanged[scanChanged.size() - 3] ^= 0x01;
    const auto without = [&](bool CameraTags::*part) {
        CameraTags less = full;
        less.*part = false;
        return *PhotoWithGps(WithCameraTags(made, less), tags);
    };
    const struct {
        const char* what;
        std::string written;
        GpsTags tags;
    } rows[] = {
        {"another latitude", good, moved},
        {"image data changed", scanChanged, tags},
        {"maker note lost", without(&CameraTags::MakerNote), tags},
        {"thumbnail lost", without(&CameraTags::Thumbnail), tags},
        {"profile lost", without(&CameraTags::Icc), tags},
        {"cut short", good.substr(0, good.size() / 2), tags},
        {"comment changed", commentChanged, tags},
        {"EXIF split in two segments", WithExifSplit(good, 200), tags},
        {"no position", original, tags},
        {"not a photo", "<x:xmpmeta/>", tags},
    };
    for (const auto& row : rows)
        EXPECT_FALSE(ReadsBackAs(original, row.written, row.tags)) << row.what;
}

// Tagging replaces the EXIF (and a stale XMP position) and nothing else: a JPEG's comment and
// other segments stay byte for byte, a PNG's EXIF goes to (or stays in) its standard eXIf chunk,
// and the ASCII tags carry their terminating zero, so that exiftool finds nothing to warn of.
TEST_F(Geotag, ChangesTheExifAloneInAStandardPlace)
{
    const std::string comment = "a comment";
    const struct {
        std::string name, bytes;
    } rows[] = {
        {"comment.jpg", WithJpegComment(WithCameraTags(MakeJpeg(4, 4), TakenAt(3000)), comment)},
        {"legacy.png", WithCameraTags(MakePng(16, 8), TakenAt(3000))},
        {"exif.png", PngWithExifChunk(MakePng(16, 8), TakenAt(3000))},
    };
    const std::string commentSegment = std::string("\xFF\xFE\0\x0B", 4) + comment + "\xFF";
    const auto [lat, lon] = Between(3000);
    for (const auto& row : rows) {
        const std::string photo = Put(row.name, row.bytes);
        const auto before = ExiftoolValues(photo, {"Validate"});
        ASSERT_EQ(TagPhoto(photo, track, {}).Result, GeotagResult::Tagged) << row.name;
        const std::string written = ReadWholeFile(photo);
        if (row.name.ends_with(".jpg")) {
            EXPECT_NE(written.find(commentSegment), std::string::npos);
        } else {
            EXPECT_EQ(CountParts(written, PartKind::Exif), 1) << row.name;
            EXPECT_NE(written.find("eXIf"), std::string::npos) << row.name;
            EXPECT_LT(written.find("eXIf"), written.find("IDAT")) << row.name;
        }
        const auto read = ExiftoolValues(
            photo, {"Validate", "GPSLatitude", "GPSLongitude", "DateTimeOriginal", "Comment"});
        if (!read)
            GTEST_SKIP() << "exiftool is not installed";
        ASSERT_EQ(read->size(), 5u) << row.name;
        // The writer's own photos lack ExifImageWidth and the like: no warning more than before.
        EXPECT_EQ((*read)[0], row.name == "legacy.png" ? "0 0 0" : (*before)[0]) << row.name;
        EXPECT_NEAR(std::stod((*read)[1]), lat, 1e-7) << row.name;
        EXPECT_NEAR(std::stod((*read)[2]), lon, 1e-7) << row.name;
        EXPECT_EQ((*read)[3], ExifTime(t0 + 3000 + 9 * kHourMs)) << row.name;
        EXPECT_EQ((*read)[4], row.name.ends_with(".jpg") ? comment : "-") << row.name;
    }
}

// A JPEG whose EXIF spans two APP1 segments (Exiv2 reads the first alone, and would lose the
// thumbnail after it), or whose EXIF would outgrow its one segment with the position, is left
// byte for byte as it was, with the cause.
TEST_F(Geotag, ExifBeyondOneJpegSegmentIsRefusedUnchanged)
{
    CameraTags large = TakenAt(4000);
    large.Thumbnail = true;
    large.ThumbnailBytes = 20000;
    const std::string split = WithExifSplit(WithCameraTags(MakeJpeg(4, 4), large), 1000);
    // A thumbnail that leaves the block 100 bytes short of full: the position needs more.
    std::string full = WithCameraTags(MakeJpeg(4, 4), large);
    for (int round = 0; round < 2; ++round) {
        const std::size_t block = JpegExifSegmentOf(full).size() - 10;
        large.ThumbnailBytes = large.ThumbnailBytes + kMaxJpegExifBytes - 100 - block;
        full = WithCameraTags(MakeJpeg(4, 4), large);
    }
    ASSERT_NEAR(static_cast<double>(JpegExifSegmentOf(full).size() - 10),
                static_cast<double>(kMaxJpegExifBytes - 100), 2); // values start on even offsets
    const struct {
        std::string name, bytes;
        PhotoError error;
    } rows[] = {
        {"split.jpg", split, PhotoError::ExifSplit},
        {"full.jpg", full, PhotoError::ExifTooLarge},
    };
    for (const auto& row : rows) {
        const std::string photo = Put(row.name, row.bytes);
        const auto thumbnail = ExiftoolBinary(photo, "ThumbnailImage");
        const PhotoOutcome outcome = TagPhoto(photo, track, {});
        EXPECT_EQ(outcome.Result, GeotagResult::Error) << row.name;
        EXPECT_EQ(outcome.Error, row.error) << row.name;
        EXPECT_EQ(ReadWholeFile(photo), row.bytes) << row.name;
        if (thumbnail) { // exiftool reads the split block whole
            EXPECT_EQ(thumbnail->size(),
                      row.error == PhotoError::ExifSplit ? 20000u : large.ThumbnailBytes)
                << row.name;
        }
    }
}

// A photo that holds a position keeps it, shown as its place, whatever the clock error says;
// only overwriting places it on the log. The same for a raw file's sidecar.
TEST_F(Geotag, AlreadyTaggedPhotosShowTheirOwnPlace)
{
    CameraTags held = TakenAt(5000);
    held.LatDeg = 10.5;
    held.LonDeg = -20.25;
    const PhotoInfo jpeg = ReadPhotoInfo(Put("held.jpg", WithCameraTags(MakeJpeg(2, 2), held)));
    const std::string raw = Put("held.CR2", WithCameraTags(MakeJpeg(2, 2), TakenAt(5000)));
    Put("held.CR2.xmp", "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://"
                        "www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
                        "xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:GPSLatitude="
                        "\"10,30.0N\" exif:GPSLongitude=\"20,15,0W\"/></rdf:RDF></x:xmpmeta>");
    const PhotoInfo sidecar = ReadPhotoInfo(raw);
    for (const PhotoInfo& info : {jpeg, sidecar}) {
        for (const std::int64_t errorMs : {std::int64_t{0}, std::int64_t{100000}, 3 * kHourMs}) {
            GeotagSettings settings;
            settings.CameraOffsetMs = errorMs;
            const PhotoOutcome outcome = PlacePhoto(info, track, settings);
            EXPECT_EQ(outcome.Result, GeotagResult::AlreadyTagged) << info.Path << errorMs;
            ASSERT_TRUE(outcome.Place && outcome.PlaceHeld) << info.Path << errorMs;
            EXPECT_NEAR(outcome.Place->LatDeg, 10.5, 1e-9) << info.Path;
            EXPECT_NEAR(outcome.Place->LonDeg, -20.25, 1e-9) << info.Path;
        }
        GeotagSettings overwrite;
        overwrite.Overwrite = true;
        const PhotoOutcome placed = PlacePhoto(info, track, overwrite);
        EXPECT_EQ(placed.Result, GeotagResult::WouldTag) << info.Path;
        ASSERT_TRUE(placed.Place.has_value());
        EXPECT_FALSE(placed.PlaceHeld);
        EXPECT_NEAR(placed.Place->LatDeg, Between(5000).first, 1e-9) << info.Path;
    }
}

TEST(XmpCoordinate, DegreesMinutesAndSecondsWithTheirHemisphere)
{
    const std::pair<std::string, std::optional<double>> rows[] = {
        {"10,30.0N", 10.5},        {"20,15,36W", -20.26}, {"0,0S", -0.0},
        {"35,30.5", std::nullopt}, {"N", std::nullopt},   {"1,2,3,4E", std::nullopt},
        {"a,1N", std::nullopt},    {"", std::nullopt},
    };
    for (const auto& [text, want] : rows) {
        const std::optional<double> got = XmpCoordinate(text);
        ASSERT_EQ(got.has_value(), want.has_value()) << text;
        if (got) {
            EXPECT_NEAR(*got, *want, 1e-12) << text;
        }
    }
}

TEST_F(Geotag, SidecarsForRawFilesAndOnRequest)
{
    const std::string raw = Put("IMG_1.CR2", WithCameraTags(MakeJpeg(4, 4), TakenAt(15000)));
    const std::string jpeg = Put("IMG_1.JPG", WithCameraTags(MakeJpeg(4, 4), TakenAt(15000)));
    const std::string rated = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://"
                              "www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
                              "rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
                              "xmp:Rating=\"3\"/></rdf:RDF></x:xmpmeta>";
    Put("IMG_1.JPG.xmp", rated);
    const std::string rawBefore = ReadWholeFile(raw), jpegBefore = ReadWholeFile(jpeg);
    GeotagSettings sidecar;
    sidecar.Sidecar = true;
    EXPECT_EQ(TagPhoto(raw, track, {}).Result, GeotagResult::Sidecar);
    EXPECT_EQ(TagPhoto(jpeg, track, sidecar).Result, GeotagResult::Sidecar);
    EXPECT_EQ(ReadWholeFile(raw), rawBefore);
    EXPECT_EQ(ReadWholeFile(jpeg), jpegBefore);
    // Tagged once: again only when asked.
    EXPECT_EQ(TagPhoto(raw, track, {}).Result, GeotagResult::AlreadyTagged);
    sidecar.Overwrite = true;
    EXPECT_EQ(TagPhoto(raw, track, sidecar).Result, GeotagResult::Sidecar);

    const auto [lat, lon] = Between(15000);
    for (const std::string& photo : {raw, jpeg}) {
        const auto read = ExiftoolValues(SidecarPath(photo),
                                         {"XMP:GPSLatitude", "XMP:GPSLongitude", "XMP:GPSAltitude",
                                          "XMP:GPSDateTime", "XMP:GPSMapDatum", "XMP:Rating"});
        if (!read)
            GTEST_SKIP() << "exiftool is not installed";
        ASSERT_EQ(read->size(), 6u);
        EXPECT_NEAR(std::stod((*read)[0]), lat, 1e-7) << photo;
        EXPECT_NEAR(std::stod((*read)[1]), lon, 1e-7) << photo;
        EXPECT_NEAR(std::stod((*read)[2]), 25.0, 1e-3) << photo;
        EXPECT_EQ((*read)[3], "2021:05:03 00:00:15.000Z") << photo;
        EXPECT_EQ((*read)[4], "WGS-84") << photo;
        EXPECT_EQ((*read)[5], photo == jpeg ? "3" : "-") << photo; // the rating stays
    }
}

// Photos left alone: each reason, and not a byte written anywhere.
TEST_F(Geotag, PhotosLeftAloneSayWhy)
{
    CameraTags tagged = TakenAt(5000);
    tagged.LatDeg = -33.9;
    tagged.LonDeg = 18.4;
    // A TIFF of one tag: a format the metadata library reads, but not one tagged in place.
    const std::string tiff("II*\0\x08\0\0\0\x01\0\x00\x01\x03\0\x01\0\0\0\x01\0\0\0\0\0\0\0", 26);
    std::string brokenExif = WithCameraTags(MakeJpeg(2, 2), TakenAt(0));
    brokenExif.replace(brokenExif.find("Exif") + 6, 8, "II*\0\xff\xff\xff\x7f", 8);
    fs::create_directory(dir.Path() / "folder");
    GeotagSettings dryRun, sidecar;
    dryRun.DryRun = true;
    sidecar.Sidecar = true;
    const struct {
        std::string name, bytes;
        GeotagSettings settings;
        GeotagResult result;
        PhotoError error = PhotoError::None;
    } rows[] = {
        {"dry.jpg", WithCameraTags(MakeJpeg(2, 2), TakenAt(5000)), dryRun, GeotagResult::WouldTag},
        {"dry.cr2", WithCameraTags(MakeJpeg(2, 2), TakenAt(5000)), dryRun, GeotagResult::WouldTag},
        {"tagged.jpg", WithCameraTags(MakeJpeg(2, 2), tagged), {}, GeotagResult::AlreadyTagged},
        {"gap.jpg", WithCameraTags(MakeJpeg(2, 2), TakenAt(120000)), {}, GeotagResult::InGap},
        {"early.jpg",
         WithCameraTags(MakeJpeg(2, 2), TakenAt(-10001)),
         {},
         GeotagResult::OutsideLog},
        {"late.png", WithCameraTags(MakePng(4, 4), TakenAt(230001)), {}, GeotagResult::OutsideLog},
        {"untimed.jpg", WithCameraTags(MakeJpeg(2, 2), {}), {}, GeotagResult::NoTime},
        {"scan.tif", tiff, {}, GeotagResult::NotSupported},
        {"scan2.tif", tiff, sidecar, GeotagResult::NoTime},
        {"notes.txt", "hello", sidecar, GeotagResult::NotSupported},
        {"broken.jpg", brokenExif, {}, GeotagResult::Error, PhotoError::Metadata},
        {"gone.jpg", "", {}, GeotagResult::Error, PhotoError::Read},
        {"folder", "", {}, GeotagResult::Error, PhotoError::NotAFile},
    };
    for (const auto& row : rows) {
        const std::string path = (dir.Path() / row.name).string();
        if (!row.bytes.empty())
            Put(row.name, row.bytes);
        const PhotoOutcome outcome = TagPhoto(path, track, row.settings);
        EXPECT_EQ(outcome.Result, row.result) << row.name;
        EXPECT_EQ(outcome.Error, row.error) << row.name;
        EXPECT_EQ(outcome.Errno, row.error == PhotoError::Read ? ENOENT : 0) << row.name;
        if (!row.bytes.empty()) {
            EXPECT_EQ(ReadWholeFile(path), row.bytes) << row.name;
        }
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()),
              std::ssize(rows) - 1);
}

#ifndef _WIN32

// As a user (nobody, when the test runs as root): a read-only photo, and a writable one in a
// read-only folder, which is never written in place, are errors and stay as they were.
TEST_F(Geotag, ReadOnlyPhotoAndReadOnlyFolder)
{
    const std::string photo = WithCameraTags(MakeJpeg(2, 2), TakenAt(5000));
    fs::permissions(dir.Path(), fs::perms::all);
    const std::string locked = Put("locked.jpg", photo);
    const std::string open = Put("ro/open.jpg", photo);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::others_read);
    fs::permissions(open, fs::perms::all);
    fs::permissions(dir.Path() / "ro",
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const auto both = [&] {
        int failures = 0;
        for (const std::string& path : {locked, open}) {
            const PhotoOutcome outcome = TagPhoto(path, track, {});
            failures += outcome.Error == PhotoError::Write && outcome.Errno == EACCES;
        }
        return failures;
    };
    const pid_t pid = ::geteuid() == 0 ? ::fork() : -1;
    if (pid == 0)
        ::_exit(::setgroups(0, nullptr) || ::setgid(65534) || ::setuid(65534) ? 254 : both());
    int status = 0;
    EXPECT_EQ(pid < 0 ? both() : ::waitpid(pid, &status, 0) > 0 ? WEXITSTATUS(status) : -1, 2);
    EXPECT_EQ(ReadWholeFile(locked), photo);
    EXPECT_EQ(ReadWholeFile(open), photo);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "ro"), fs::directory_iterator()),
              1);
}

#endif

TEST_F(Geotag, FolderPhotosByNameWithoutSubFoldersHiddenFilesOrSidecars)
{
    for (const char* name :
         {"b.jpg", "A.CR2", "a.jpg", ".hidden.jpg", "a.jpg.xmp", "c.XMP", "sub/d.jpg", "写真.jpg"})
        dir.Write(name, {'x'});
    std::vector<std::string> photos;
    ASSERT_EQ(PhotosInFolder(Utf8Path(dir.Path()), photos), 0);
    std::vector<std::string> names;
    for (const std::string& photo : photos)
        names.push_back(Utf8Path(NativePath(photo).filename()));
    EXPECT_EQ(names, (std::vector<std::string>{"A.CR2", "a.jpg", "b.jpg", "写真.jpg"}));
    EXPECT_EQ(PhotosInFolder(Utf8Path(dir.Path() / "none"), photos), ENOENT);
}

// Photos read on several threads come back in their order, each as read alone: the clock, the
// position already there, the kind, and the error of one that is not there.
TEST_F(Geotag, PhotosReadAtOnceInTheirOrder)
{
    CameraTags tagged = TakenAt(3000);
    tagged.LatDeg = 35.2;
    std::vector<std::string> paths;
    for (int i = 0; i < 9; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%d.%s", i, i % 3 == 2 ? "CR2" : "jpg");
        paths.push_back(
            Put(name, WithCameraTags(MakeJpeg(2, 2), i == 4 ? tagged : TakenAt(i * 1000))));
    }
    paths.insert(paths.begin() + 5, Utf8Path(dir.Path() / "gone.jpg"));
    for (const int threads : {1, 4}) {
        std::vector<std::size_t> order;
        ReadPhotoInfos(
            paths,
            [&](std::size_t i, const PhotoInfo& info) {
                order.push_back(i);
                const PhotoInfo alone = ReadPhotoInfo(paths[i]);
                EXPECT_EQ(info.Path, paths[i]);
                EXPECT_EQ(info.Clock.DateTime, alone.Clock.DateTime) << i;
                EXPECT_EQ(std::tuple(info.Error, info.Errno, info.Raw, info.Tagged),
                          std::tuple(alone.Error, alone.Errno, alone.Raw, alone.Tagged))
                    << i;
            },
            threads);
        std::vector<std::size_t> expected(paths.size());
        std::iota(expected.begin(), expected.end(), 0);
        EXPECT_EQ(order, expected);
    }
    EXPECT_EQ(ReadPhotoInfo(paths[5]).Errno, ENOENT);
    EXPECT_TRUE(ReadPhotoInfo(paths[4]).Tagged);
}

} // namespace
