#include "system/Paths.h"

#include "support/LogWriter.h"
#include "system/Files.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace t2ntest;

namespace {

// Spellings of one file are the same file and resolve to one text, a file not there yet too;
// another file, or another name of the same file (a hard link), resolve to another text.
TEST(Paths, SameFileAndResolvedPathWhateverTheSpelling)
{
    TempDir dir;
    const std::string file = dir.Write("ログ/走行.nmea", Bytes{1});
    dir.Write("ログ/other.nmea", Bytes{2});
    const fs::path folder = dir.Path() / NativePath("ログ");
    std::error_code noLinks;
    fs::create_hard_link(NativePath(file), folder / "link.nmea", noLinks);
    const struct {
        fs::path Other;
        bool SameFile;
        bool SameText;
    } cases[] = {
        {folder / "." / NativePath("走行.nmea"), true, true},
        {folder / ".." / NativePath("ログ") / NativePath("走行.nmea"), true, true},
        {folder / "other.nmea", false, false},
        {folder / "missing.nmea", false, false},
        {folder / "link.nmea", !noLinks, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SameFile(file, Utf8Path(c.Other)), c.SameFile) << c.Other;
        EXPECT_EQ(ResolvedPath(file) == ResolvedPath(Utf8Path(c.Other)), c.SameText) << c.Other;
    }
    const std::string missing = Utf8Path(folder / "missing.nmea");
    EXPECT_FALSE(SameFile(missing, missing));
    EXPECT_EQ(ResolvedPath(Utf8Path(folder / ".." / NativePath("ログ") / "missing.nmea")),
              ResolvedPath(missing));
    EXPECT_TRUE(fs::path(NativePath(ResolvedPath(missing))).is_absolute());
}

TEST(Paths, NameAndExtensionOfTheLastComponent)
{
    const struct {
        const char* Path;
        std::size_t Name, Extension;
    } cases[] = {
        {"track.bin", 0, 5},        {"dir/track.BNX4", 4, 9}, {"dir.x\\track", 6, 11},
        {"dir.x/.hidden", 6, 13},   {"a/b.c/", 6, 6},         {"", 0, 0},
        {"C:\\logs\\t.nmea", 8, 9}, {"x/y.", 2, 3},           {"a.b.c", 0, 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NameStart(c.Path), c.Name) << c.Path;
        EXPECT_EQ(ExtensionStart(c.Path), c.Extension) << c.Path;
    }
}

// A UTF-8 path opens the file it names; what is missing says why, a device on Windows being
// something that is not a file.
TEST(Files, OpenForReadingAndWhyMissing)
{
    TempDir dir;
    const std::string file = dir.Write("写真 フォルダ/走行.bin", Bytes{'l', 'o', 'g'});
    std::FILE* opened = OpenForReading(file);
    ASSERT_NE(opened, nullptr);
    char bytes[4] = {};
    EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, opened), 3u);
    std::fclose(opened);
    EXPECT_STREQ(bytes, "log");
    errno = 0;
    EXPECT_EQ(OpenForReading(file + ".missing"), nullptr);
    EXPECT_EQ(errno, ENOENT);

    const struct {
        std::string Path;
        MissingPath::Kind What;
        int Errno;
    } cases[] = {
        {file + ".missing", MissingPath::Nothing, 0},
        {file + "/under a file", MissingPath::Nothing, 0},
#ifdef _WIN32
        {"NUL", MissingPath::Device, 0},
        {Utf8Path(dir.Path() / "a<b.bin"), MissingPath::Error, EINVAL},
#endif
    };
    for (const auto& c : cases) {
        const MissingPath missing = WhyMissing(c.Path);
        EXPECT_EQ(missing.What, c.What) << c.Path;
        EXPECT_EQ(missing.Errno, c.Errno) << c.Path;
    }
}

} // namespace
