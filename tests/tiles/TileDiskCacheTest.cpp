#include "tiles/TileDiskCache.h"

#include "support/LogWriter.h"
#include "system/Paths.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace t2ntest;

CachedTile TileOf(std::int64_t fetchedSec, std::size_t bytes, char fill = 'p')
{
    CachedTile tile;
    tile.Freshness.FetchedSec = fetchedSec;
    tile.Freshness.FreshUntilSec = fetchedSec + kMinTileLifetimeSec;
    tile.Freshness.ETag = "\"e\ntag\"";
    tile.Freshness.LastModified = "Mon, 02 Jan 2023 03:04:05 GMT";
    tile.Bytes = std::string(bytes, fill);
    tile.Bytes[0] = '\n'; // bytes that look like header lines stay bytes
    return tile;
}

TEST(TileDiskCache, WritesWholeFilesThatReadBack)
{
    const TempDir dir;
    const std::string folder = Utf8Path(dir.Path() / NativePath("キャッシュ"));
    int error = -1;
    {
        TileDiskCache cache(folder, 1'000'000);
        EXPECT_FALSE(cache.Read({3, 1, 2}).has_value());
        ASSERT_TRUE(cache.Write({3, 1, 2}, TileOf(1000, 500), error));
        EXPECT_EQ(error, 0);
        EXPECT_FALSE(cache.Write({3, 8, 2}, TileOf(1000, 5), error)); // outside zoom 3
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.Path() / NativePath("キャッシュ/3/1/2.tile")));
    TileDiskCache again(folder, 1'000'000);
    const auto read = again.Read({3, 1, 2});
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->Bytes, TileOf(1000, 500).Bytes);
    EXPECT_EQ(read->Freshness.FetchedSec, 1000);
    EXPECT_EQ(read->Freshness.FreshUntilSec, 1000 + kMinTileLifetimeSec);
    EXPECT_EQ(read->Freshness.ETag, "\"e tag\""); // one line in the file
    EXPECT_EQ(read->Freshness.LastModified, "Mon, 02 Jan 2023 03:04:05 GMT");
    EXPECT_EQ(again.Bytes(), static_cast<std::int64_t>(EncodeCachedTile(*read).size()));
}

TEST(TileDiskCache, DamagedFileIsNoTileAndGoes)
{
    const std::string good = EncodeCachedTile(TileOf(5, 100));
    const std::string damaged[] = {
        "",
        good.substr(0, 20),                                   // the header cut short
        "T2NTILE 2\n" + good.substr(10),                      // another version
        "T2NTILE 1\nfetched x\nfresh-until 9\n\nbytes",       // not a number
        "T2NTILE 1\nfetched 1\n\nbytes",                      // a time missing
        "T2NTILE 1\n" + std::string(5000, 'a') + "\n\nbytes", // no end of the header
    };
    for (const std::string& bytes : damaged) {
        const TempDir dir;
        dir.Write("c/1/0/1.tile", Bytes(bytes.begin(), bytes.end()));
        TileDiskCache cache(Utf8Path(dir.Path() / "c"), 1'000'000);
        EXPECT_FALSE(cache.Read({1, 0, 1}).has_value()) << bytes;
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / "c/1/0/1.tile"));
        EXPECT_EQ(cache.Bytes(), 0);
    }
    EXPECT_TRUE(DecodeCachedTile(good).has_value());
}

// Past its limit the cache drops the least recently written tiles until a tenth is free; how
// stale a tile is plays no part.
TEST(TileDiskCache, BoundDropsOldestWrittenFirst)
{
    const TempDir dir;
    const std::int64_t fileBytes =
        static_cast<std::int64_t>(EncodeCachedTile(TileOf(5000, 1000)).size());
    TileDiskCache cache(Utf8Path(dir.Path()), 10 * fileBytes);
    int error = 0;
    for (int y = 0; y < 10; ++y) {
        // The first written is the freshest: age by the server's clock does not count.
        ASSERT_TRUE(cache.Write({4, 0, y}, TileOf(5000 - y, 1000), error));
        std::filesystem::last_write_time(dir.Path() / "4/0" / (std::to_string(y) + ".tile"),
                                         std::filesystem::file_time_type::clock::now() -
                                             std::chrono::hours(20 - y));
    }
    EXPECT_EQ(cache.Bytes(), 10 * fileBytes);
    TileDiskCache reopened(Utf8Path(dir.Path()), 10 * fileBytes); // the times from the files
    ASSERT_TRUE(reopened.Write({4, 1, 0}, TileOf(6000, 1000), error));
    EXPECT_LE(reopened.Bytes(), 9 * fileBytes);
    EXPECT_FALSE(reopened.Read({4, 0, 0}).has_value());
    EXPECT_FALSE(reopened.Read({4, 0, 1}).has_value());
    for (int y = 2; y < 10; ++y) {
        EXPECT_TRUE(reopened.Read({4, 0, y}).has_value()) << y;
    }
    EXPECT_TRUE(reopened.Read({4, 1, 0}).has_value());
}

} // namespace
