#include "map/TileSources.h"
#include "support/LogWriter.h"
#include "support/MbTilesWriter.h"
#include "support/TilePictures.h"
#include "system/Paths.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace t2ntest;

constexpr int kWaitMs = 20'000;

TileImage Settled(TileSource& source, const TileKey& key)
{
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return source.Tile(key).Status != TileImage::State::Pending; }, kWaitMs));
    return source.Tile(key);
}

TEST(MbTilesSource, DrawsTheFilesTilesWithNoServer)
{
    const TempDir dir;
    const std::string path = Utf8Path(dir.Path() / NativePath("地図.mbtiles"));
    ASSERT_TRUE(WriteMbTiles(path, TwoZoomFixture(256, "-180,0,0,85.0511")).Ok());
    MbTilesOpened opened = OpenMbTiles(QString::fromStdString(path));
    ASSERT_NE(opened.Source, nullptr) << opened.Error.toStdString();
    TileSource& source = *opened.Source;
    EXPECT_EQ(source.Name(), "Test map");
    EXPECT_EQ(source.Attribution(), "Test");
    EXPECT_EQ(source.MinZoom(), 1);
    EXPECT_EQ(source.MaxZoom(), 2);
    EXPECT_EQ(source.TilePixels(), 256);
    source.SetWanted({{1, 0, 0}, {1, 0, 1}, {2, 1, 0}});
    for (const TileKey key : {TileKey{1, 0, 0}, TileKey{1, 0, 1}, TileKey{2, 1, 0}}) {
        const TileImage tile = Settled(source, key);
        ASSERT_EQ(tile.Status, TileImage::State::Ready);
        const Rgb rgb = TileColour(key.Z, key.X, key.Y);
        EXPECT_EQ(tile.Image.pixel(10, 200), qRgb(rgb.R, rgb.G, rgb.B));
        EXPECT_FALSE(tile.Stale);
    }
    for (const TileKey key : {TileKey{2, 1, 1}, TileKey{2, 3, 3}, TileKey{3, 0, 0}}) {
        EXPECT_EQ(Settled(source, key).Status, TileImage::State::Missing);
    }
}

TEST(MbTilesSource, BadFilesAreMessagesNamingThem)
{
    const TempDir dir;
    const std::string torn = dir.Write("壊れた.mbtiles", Bytes(3000, 0x53));
    MbTilesFixture fixture = TwoZoomFixture(8, "-180,0,0,85.0511");
    fixture.Tiles[0].Bytes = "not an image";
    const std::string garbage = Utf8Path(dir.Path() / "garbage.mbtiles");
    ASSERT_TRUE(WriteMbTiles(garbage, fixture).Ok());

    const MbTilesOpened opened = OpenMbTiles(QString::fromStdString(torn));
    EXPECT_EQ(opened.Source, nullptr);
    EXPECT_TRUE(opened.Error.contains(QString::fromStdString(torn))) << opened.Error.toStdString();
    EXPECT_TRUE(opened.Error.contains(QStringLiteral("壊れています")))
        << opened.Error.toStdString();

    // A tile that is no image is a failed tile, not a crash or a picture.
    MbTilesOpened withGarbage = OpenMbTiles(QString::fromStdString(garbage));
    ASSERT_NE(withGarbage.Source, nullptr);
    const MbTilesFixture::Tile& bad = fixture.Tiles[0];
    EXPECT_EQ(Settled(*withGarbage.Source, {bad.Z, bad.X, bad.Y}).Status, TileImage::State::Failed);
}

} // namespace
