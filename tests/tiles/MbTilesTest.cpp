#include "tiles/MbTiles.h"

#include "support/LogWriter.h"
#include "support/MbTilesWriter.h"
#include "support/TilePictures.h"
#include "system/Paths.h"

#include <gtest/gtest.h>

namespace {

using namespace t2ntest;

constexpr const char* kNorthWestBounds = "-180,0,0,85.0511";

std::string Written(const TempDir& dir, const std::string& name, const MbTilesFixture& fixture)
{
    std::string path = Utf8Path(dir.Path() / NativePath(name));
    const SqliteStatus status = WriteMbTiles(path, fixture);
    EXPECT_TRUE(status.Ok()) << status.Message;
    return path;
}

std::unique_ptr<MbTilesFile> Opened(const std::string& path)
{
    MbTilesError error = MbTilesError::None;
    std::string detail;
    auto file = MbTilesFile::Open(path, error, detail);
    EXPECT_EQ(error, MbTilesError::None) << detail;
    return file;
}

TEST(MbTiles, ReadsMetadataAndFlipsRows)
{
    const TempDir dir;
    const auto file = Opened(Written(dir, "地図.mbtiles", TwoZoomFixture(8, kNorthWestBounds)));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Info().Name, "Test map");
    EXPECT_EQ(file->Info().Format, "png");
    EXPECT_EQ(file->Info().Attribution, "Test");
    EXPECT_EQ(file->Info().MinZoom, 1);
    EXPECT_EQ(file->Info().MaxZoom, 2);
    EXPECT_DOUBLE_EQ(file->Info().Bounds.WestDeg, -180.0);
    EXPECT_DOUBLE_EQ(file->Info().Bounds.SouthDeg, 0.0);
    EXPECT_DOUBLE_EQ(file->Info().Bounds.EastDeg, 0.0);
    EXPECT_DOUBLE_EQ(file->Info().Bounds.NorthDeg, 85.0511);
    // Zoom 1 holds a tile at both rows of each column: a reader without the flip swaps them.
    for (const TileCoord tile : {TileCoord{1, 0, 0}, TileCoord{1, 0, 1}, TileCoord{1, 1, 0},
                                 TileCoord{2, 0, 0}, TileCoord{2, 1, 0}, TileCoord{2, 0, 1}}) {
        std::string bytes;
        ASSERT_EQ(file->Tile(tile, bytes), MbTilesFile::Read::Found) << tile.Z << tile.X << tile.Y;
        EXPECT_EQ(bytes, SolidPng(TileColour(tile.Z, tile.X, tile.Y), 8));
    }
}

TEST(MbTiles, MissingTiles)
{
    const TempDir dir;
    MbTilesFixture fixture = TwoZoomFixture(8, kNorthWestBounds);
    // A tile outside the bounds that the file holds all the same is not drawn.
    fixture.Tiles.push_back({2, 3, 3, SolidPng(TileColour(2, 3, 3), 8)});
    fixture.Tiles.push_back({3, 0, 0, SolidPng(TileColour(3, 0, 0), 8)}); // past maxzoom
    const auto file = Opened(Written(dir, "m.mbtiles", fixture));
    ASSERT_NE(file, nullptr);
    for (const TileCoord tile : {TileCoord{2, 1, 1}, // not in the file
                                 TileCoord{2, 3, 3}, // outside the bounds
                                 TileCoord{2, 2, 0}, // east of them
                                 TileCoord{3, 0, 0}, // deeper than maxzoom
                                 TileCoord{0, 0, 0}, // above minzoom
                                 TileCoord{2, 4, 0}, // outside the grid
                                 TileCoord{2, -1, 0}}) {
        std::string bytes = "old";
        EXPECT_EQ(file->Tile(tile, bytes), MbTilesFile::Read::Missing)
            << tile.Z << tile.X << tile.Y;
        EXPECT_TRUE(bytes.empty());
    }
}

TEST(MbTiles, ZoomsFromTheTilesWithoutMetadata)
{
    const TempDir dir;
    MbTilesFixture fixture = TwoZoomFixture(8, "nonsense");
    fixture.Metadata.erase("minzoom");
    fixture.Metadata["maxzoom"] = "twelve";
    fixture.Metadata.erase("format");
    const auto file = Opened(Written(dir, "z.mbtiles", fixture));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Info().MinZoom, 1);
    EXPECT_EQ(file->Info().MaxZoom, 2);
    EXPECT_DOUBLE_EQ(file->Info().Bounds.EastDeg, 180.0); // the world for unreadable bounds
    std::string bytes;
    EXPECT_EQ(file->Tile({1, 1, 1}, bytes), MbTilesFile::Read::Found);
}

TEST(MbTiles, ForeignAndDamagedFilesAreClearErrors)
{
    const TempDir dir;
    const std::string good = Written(dir, "good.mbtiles", TwoZoomFixture(64, kNorthWestBounds));
    const std::string bytes = ReadWholeFile(good);
    MbTilesFixture vector = TwoZoomFixture(8, kNorthWestBounds);
    vector.Metadata["format"] = "pbf";
    MbTilesFixture webm = TwoZoomFixture(8, kNorthWestBounds);
    webm.Metadata["format"] = "webm";
    SqliteConnection other;
    ASSERT_TRUE(
        other.Open(Utf8Path(dir.Path() / "other.db"), SqliteConnection::Mode::ReadWrite).Ok());
    ASSERT_TRUE(other.Execute("CREATE TABLE fixes (t INTEGER)").Ok());
    other.Close();
    // A file whose pages past the first were overwritten: the schema still reads.
    std::string tornPages = bytes;
    for (std::size_t i = 4096; i < tornPages.size(); ++i) {
        tornPages[i] = static_cast<char>(i * 7);
    }
    const struct {
        std::string Path;
        MbTilesError Error;
    } cases[] = {
        {Utf8Path(dir.Path() / "none.mbtiles"), MbTilesError::CannotOpen},
        {dir.Write("text.mbtiles", Bytes(5000, 'x')), MbTilesError::NotADatabase},
        {dir.Write("empty.mbtiles", Bytes{}), MbTilesError::NoTiles},
        {dir.Write("half.mbtiles", Bytes(bytes.begin(), bytes.begin() + 100)),
         MbTilesError::NotADatabase},
        {Utf8Path(dir.Path() / "other.db"), MbTilesError::NoTiles},
        {Written(dir, "vector.mbtiles", vector), MbTilesError::VectorTiles},
        {Written(dir, "webm.mbtiles", webm), MbTilesError::UnknownFormat},
    };
    for (const auto& c : cases) {
        MbTilesError error = MbTilesError::None;
        std::string detail;
        EXPECT_EQ(MbTilesFile::Open(c.Path, error, detail), nullptr) << c.Path;
        EXPECT_EQ(error, c.Error) << c.Path << ": " << detail;
    }
    // The torn file opens or not, but every tile reads as found, missing or failed.
    MbTilesError error = MbTilesError::None;
    std::string detail;
    if (auto torn = MbTilesFile::OpenCopyOf(tornPages, error, detail)) {
        int failed = 0;
        for (int x = 0; x < 2; ++x) {
            std::string tile;
            failed += torn->Tile({1, x, 0}, tile) == MbTilesFile::Read::Failed ? 1 : 0;
        }
        EXPECT_GT(failed + static_cast<int>(error), 0);
    } else {
        EXPECT_EQ(error, MbTilesError::NotADatabase) << detail;
    }
}

} // namespace
