#include "system/FileIdentity.h"

#include "support/LogWriter.h"
#include "system/Paths.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace t2ntest;

namespace {

// Every way to the file gives its identity; another file, a folder or nothing do not.
TEST(FileIdentity, SameFileWhateverThePath)
{
    TempDir dir;
    const std::string file = dir.Write("sub/a.nmea", Bytes{1});
    const std::optional<FileIdentity> identity = IdentityOf(file);
    ASSERT_TRUE(identity);
    std::error_code ec;
    fs::create_hard_link(NativePath(file), dir.Path() / "link.nmea", ec);
    const struct {
        fs::path Path;
        bool Same;
    } cases[] = {
        {dir.Path() / "sub" / "." / "a.nmea", true},
        {dir.Path() / "sub" / ".." / "sub" / "a.nmea", true},
        {dir.Path() / "b.nmea", false},
        {dir.Path() / "sub", false},
    };
    dir.Write("b.nmea", Bytes{1});
    for (const auto& c : cases)
        EXPECT_EQ(IdentityOf(Utf8Path(c.Path)) == identity, c.Same) << c.Path;
    if (!ec) { // where the file system has hard links
        EXPECT_EQ(IdentityOf(Utf8Path(dir.Path() / "link.nmea")), identity);
    }
    EXPECT_FALSE(IdentityOf(Utf8Path(dir.Path() / "missing.nmea")));
    EXPECT_FALSE(IdentityOf(""));
}

} // namespace
