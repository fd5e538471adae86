// Photos tagged with their originals kept, then restored: the bytes and the modification time as
// they were, a photo changed since left alone, a photo whose original cannot be kept not written.
#include "photos/PhotoBackup.h"

#include "photos/ClockError.h"
#include "photos/Geotag.h"
#include "support/LogWriter.h"
#include "support/PhotoWriter.h"
#include "support/SampleFix.h"
#include "system/FileIdentity.h"
#include "system/Paths.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {

using namespace t2ntest;
namespace fs = std::filesystem;

constexpr std::int32_t kJapanBias = -540;

class Backup : public ::testing::Test
{
  protected:
    const std::int64_t t0 = CalendarToMilliseconds({2021, 5, 3, 0, 0, 0, 0});
    const PhotoTrack track = [this] {
        std::vector<TGpsFix> fixes;
        for (int i = 0; i < 3; ++i)
            fixes.push_back(SampleFix(t0 + i * 20000 - kJapanBias * kMsPerMinute, 35.0 + i * 0.001,
                                      139.0 + i * 0.001));
        return PhotoTrack(fixes, kJapanBias);
    }();
    // A photo taken between the first two fixes (Japan's time), its time set a year back.
    std::string Photo(const std::string& name, const std::string& made) const
    {
        CameraTags tags;
        tags.DateTimeOriginal = "2021:05:03 09:00:10";
        tags.Thumbnail = true;
        const std::string bytes = WithCameraTags(made, tags);
        std::string path = dir.Write(name, Bytes(bytes.begin(), bytes.end()));
        fs::last_write_time(NativePath(path),
                            fs::last_write_time(NativePath(path)) - std::chrono::hours(24 * 365));
        return path;
    }
    [[nodiscard]] GeotagSettings With(PhotoBackup& backup) const
    {
        GeotagSettings settings;
        settings.Backup = &backup;
        return settings;
    }
    static fs::file_time_type Modified(const std::string& path)
    {
        return fs::last_write_time(NativePath(path));
    }

    TempDir dir;
};

TEST_F(Backup, RestoresEveryFileOfTheRunExactly)
{
    struct Case {
        const char* name;
        std::string made;
        GeotagResult expected;
        bool withSidecar; // a sidecar there before the run
    };
    const Case cases[] = {
        {"a/IMG_1.JPG", MakeJpeg(4, 3), GeotagResult::Tagged, false},
        {"b/IMG_1.JPG", MakeJpeg(5, 3, true), GeotagResult::Tagged, false}, // the same name
        {"c/pic.png", MakePng(16, 8), GeotagResult::Tagged, false},
        {"d/IMG_2.CR2", MakeJpeg(2, 2), GeotagResult::Sidecar, false}, // its sidecar is new
        {"e/IMG_3.CR2", MakeJpeg(2, 2), GeotagResult::Sidecar, true},
    };
    PhotoBackup backup(Utf8Path(dir.Path() / "kept"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Photo(c.name, c.made);
        const std::string sidecar = SidecarPath(path);
        const std::string xmp = "<?xpacket begin=''?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
                                "</x:xmpmeta><?xpacket end='w'?>";
        if (c.withSidecar)
            (void)dir.Write(fs::path(c.name).string() + ".xmp", Bytes(xmp.begin(), xmp.end()));
        const std::string target = c.expected == GeotagResult::Sidecar ? sidecar : path;
        const std::string before = ReadWholeFile(target);
        const bool existed = fs::exists(NativePath(target));
        const auto modified = existed ? Modified(target) : fs::file_time_type{};

        ASSERT_EQ(TagPhoto(path, track, With(backup)).Result, c.expected);
        ASSERT_NE(ReadWholeFile(target), before);
        const std::vector<RestoredFile> restored = backup.RestoreAll();
        ASSERT_EQ(restored.size(), 1U);
        EXPECT_EQ(restored[0].Path, target);
        EXPECT_EQ(restored[0].Result, RestoreResult::Restored);
        EXPECT_EQ(fs::exists(NativePath(target)), existed);
        if (existed) {
            EXPECT_EQ(ReadWholeFile(target), before);
            EXPECT_EQ(Modified(target), modified);
        }
        EXPECT_EQ(backup.Count(), 0U);
        EXPECT_TRUE(fs::is_empty(dir.Path() / "kept")); // the originals go once restored
    }
}

TEST_F(Backup, KeepsAHardLinkToTheOriginalAndNamesClashingPhotosApart)
{
    const std::string one = Photo("a/IMG_1.JPG", MakeJpeg(4, 3));
    const std::string two = Photo("b/IMG_1.JPG", MakeJpeg(5, 3));
    const std::optional<FileIdentity> original = IdentityOf(one);
    const std::string folder = Utf8Path(dir.Path() / "kept");
    PhotoBackup backup(folder);
    GeotagSettings settings = With(backup);
    std::vector<GeotagResult> results;
    TagPhotos(std::vector<std::string>{one, two}, track, settings,
              [&](std::size_t, const PhotoOutcome& o) { results.push_back(o.Result); });
    EXPECT_EQ(results, (std::vector{GeotagResult::Tagged, GeotagResult::Tagged}));
    EXPECT_EQ(backup.Count(), 2U);
    // The replacement is a new file: the kept link is the original itself.
    const std::string kept = Utf8Path(fs::path(NativePath(folder)) / "IMG_1.JPG");
    const std::string keptToo = Utf8Path(fs::path(NativePath(folder)) / "IMG_1~2.JPG");
    EXPECT_TRUE(fs::exists(NativePath(keptToo)));
    EXPECT_EQ(IdentityOf(kept) == original, IdentityOf(keptToo) != original);
    backup.Clear();
    EXPECT_TRUE(fs::is_empty(NativePath(folder)));
    EXPECT_TRUE(backup.RestoreAll().empty());
}

TEST_F(Backup, APhotoChangedSinceTheRunIsLeftAloneAndKeepsItsOriginal)
{
    const std::string changed = Photo("IMG_1.JPG", MakeJpeg(4, 3));
    const std::string same = Photo("IMG_2.JPG", MakeJpeg(4, 4));
    const std::string sameBefore = ReadWholeFile(same);
    PhotoBackup backup(Utf8Path(dir.Path() / "kept"));
    ASSERT_EQ(TagPhoto(changed, track, With(backup)).Result, GeotagResult::Tagged);
    ASSERT_EQ(TagPhoto(same, track, With(backup)).Result, GeotagResult::Tagged);
    const std::string edited = ReadWholeFile(changed) + "edited";
    (void)dir.Write("IMG_1.JPG", Bytes(edited.begin(), edited.end()));

    const std::vector<RestoredFile> restored = backup.RestoreAll();
    ASSERT_EQ(restored.size(), 2U);
    EXPECT_EQ(restored[0].Result, RestoreResult::ChangedSince);
    EXPECT_EQ(restored[1].Result, RestoreResult::Restored);
    EXPECT_EQ(ReadWholeFile(changed), edited);
    EXPECT_EQ(ReadWholeFile(same), sameBefore);
    EXPECT_EQ(backup.Count(), 1U); // tried again on the next restore, until cleared
    EXPECT_EQ(backup.RestoreAll().front().Result, RestoreResult::ChangedSince);
}

TEST_F(Backup, APhotoWhoseOriginalCannotBeKeptIsNotWritten)
{
    const std::string path = Photo("IMG_1.JPG", MakeJpeg(4, 3));
    const std::string before = ReadWholeFile(path);
    // The folder for the originals cannot be made: a file holds its name.
    const std::string blocker = dir.Write("kept", Bytes{'x'});
    PhotoBackup backup(Utf8Path(fs::path(NativePath(blocker)) / "in"));
    const PhotoOutcome outcome = TagPhoto(path, track, With(backup));
    EXPECT_EQ(outcome.Result, GeotagResult::Error);
    EXPECT_EQ(outcome.Error, PhotoError::Backup);
    EXPECT_NE(outcome.Errno, 0);
    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_EQ(backup.Count(), 0U);
    // No folder at all: nothing is kept in the working folder instead.
    PhotoBackup nowhere("");
    EXPECT_EQ(TagPhoto(path, track, With(nowhere)).Error, PhotoError::Backup);
    EXPECT_EQ(ReadWholeFile(path), before);
}

TEST(ClockError, SecondsAndHoursMinutesSeconds)
{
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"75", 75000},
        {"+75", 75000},
        {"-2.5", -2500},
        {"0.125", 125},
        {"999999999", 999999999000},
        {"+1:02:03", 3723000},
        {"-0:00:30.25", -30250},
        {"12:00:00", 43200000},
        {"277777:46:39", 999999999000},
        {"277777:46:40", std::nullopt}, // beyond the most
        {"1000000000", std::nullopt},
        {"1:2:03", std::nullopt}, // minutes in two figures
        {"1:60:00", std::nullopt},
        {"1:00:60", std::nullopt},
        {":01:02", std::nullopt},
        {"1:02", std::nullopt},
        {"1.2345", std::nullopt},
        {"1.", std::nullopt},
        {"+", std::nullopt},
        {"", std::nullopt},
        {"--5", std::nullopt},
        {" 5", std::nullopt},
        {"5s", std::nullopt},
    };
    for (const auto& [text, ms] : cases)
        EXPECT_EQ(ParseClockError(text), ms) << text;
    EXPECT_EQ(ClockErrorHms(3723), "+1:02:03");
    EXPECT_EQ(ClockErrorHms(-30), "-0:00:30");
}

} // namespace
