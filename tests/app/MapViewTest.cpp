#include "geometry/MapView.h"

#include "FakeTileSource.h"
#include "app/overview/MapLayer.h"
#include "app/overview/TrackView.h"
#include "convert/Trips.h"
#include "support/SampleFix.h"

#include <QPainter>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace t2ntest;

namespace {

constexpr std::int64_t kMs = 45'000LL * 86'400'000LL;

// A trip of 20 km along the Tokyo Bay shore, a fix every 10 s.
std::shared_ptr<const TrackPlane> BayTrip()
{
    std::vector<TGpsFix> fixes;
    for (int i = 0; i <= 200; ++i)
        fixes.push_back(SampleFix(kMs + i * 10'000LL, 35.45 + i * 0.0006, 139.62 + i * 0.0008));
    return std::make_shared<const TrackPlane>(fixes, AnalyseTrips(fixes));
}

struct Picture {
    std::shared_ptr<const TrackPlane> Plane = BayTrip();
    TrackView View;
    Picture()
    {
        View.resize(600, 400);
        View.SetPath(Plane);
    }
    // The level of the tiles last wanted; all wanted are of one level.
    int WantedZoom(const FakeTileSource& source) const
    {
        EXPECT_FALSE(source.Wanted.empty());
        const std::vector<TileKey>& keys = source.Wanted.back();
        EXPECT_FALSE(keys.empty());
        for (const TileKey& key : keys)
            EXPECT_EQ(key.Z, keys.front().Z);
        return keys.empty() ? -1 : keys.front().Z;
    }
};

bool Holds(const std::vector<TileKey>& keys, const TileKey& key)
{
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

TileKey TileOf(double latDeg, double lonDeg, int zoom)
{
    const PlanePoint unit = MercatorUnit(latDeg, lonDeg);
    const double across = std::ldexp(1.0, zoom);
    return {zoom, static_cast<int>(unit.X * across), static_cast<int>(unit.Y * across)};
}

TEST(MapView, TheScaleIsAWholeZoomLevelAndOnlyThePicturesTilesAreWanted)
{
    std::vector<int> zooms;
    for (const int tilePixels : {256, 512}) {
        SCOPED_TRACE(tilePixels);
        Picture picture;
        FakeTileSource source(tilePixels);
        picture.View.SetMapSource(&source);
        picture.View.grab();
        const int zoom = picture.WantedZoom(source);
        const double ratio = picture.View.devicePixelRatioF();
        // The fit shows the whole trip at the deepest level that still holds it.
        EXPECT_DOUBLE_EQ(picture.View.View().PixelsPerMetre,
                         ZoomPixelsPerMetre(picture.Plane->Frame(), zoom, ratio, tilePixels));
        EXPECT_GE(zoom, 10);
        // The trip's ends in the wanted tiles; no more than the picture's and one ring.
        const std::vector<TileKey>& wanted = source.Wanted.back();
        EXPECT_TRUE(Holds(wanted, TileOf(35.45, 139.62, zoom)));
        EXPECT_TRUE(Holds(wanted, TileOf(35.57, 139.78, zoom)));
        const int across = 600 / tilePixels + 2 + 2;
        const int down = 400 / tilePixels + 2 + 2;
        EXPECT_LE(static_cast<int>(wanted.size()), across * down);
        // Only wanted tiles are asked for.
        for (const TileKey& key : source.Asked)
            EXPECT_TRUE(Holds(wanted, key));
        zooms.push_back(zoom);
    }
    // Tiles of 512 px: the same picture a level less deep.
    EXPECT_EQ(zooms[1], zooms[0] - 1);
}

TEST(MapView, WheelAndKeysStepByWholeLevelsAboutThePointer)
{
    Picture picture;
    FakeTileSource source;
    picture.View.SetMapSource(&source);
    picture.View.grab();
    const int zoom = picture.WantedZoom(source);
    const QPointF pointer = picture.View.PixelOf(150);

    // A fine wheel's turns of a third of a notch add up to one level.
    for (int i = 0; i < 3; ++i) {
        QWheelEvent wheel(pointer, picture.View.mapToGlobal(pointer), {}, {0, 40}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&picture.View, &wheel);
        picture.View.grab();
        EXPECT_EQ(picture.WantedZoom(source), i < 2 ? zoom : zoom + 1);
    }
    // The fix under the pointer stays within a device pixel (the tiles are set on whole ones).
    const QPointF after = picture.View.PixelOf(150);
    EXPECT_NEAR(after.x(), pointer.x(), 1.0);
    EXPECT_NEAR(after.y(), pointer.y(), 1.0);
    EXPECT_DOUBLE_EQ(picture.View.View().PixelsPerMetre,
                     ZoomPixelsPerMetre(picture.Plane->Frame(), zoom + 1,
                                        picture.View.devicePixelRatioF(), 256));

    QTest::keyClick(&picture.View, Qt::Key_Minus);
    QTest::keyClick(&picture.View, Qt::Key_Minus);
    picture.View.grab();
    EXPECT_EQ(picture.WantedZoom(source), zoom - 1);
    QTest::keyClick(&picture.View, Qt::Key_Home);
    picture.View.grab();
    EXPECT_EQ(picture.WantedZoom(source), zoom);
}

TEST(MapView, WithoutASourceTheScaleIsFreeAndNothingIsWanted)
{
    Picture picture;
    FakeTileSource source;
    picture.View.SetMapSource(&source);
    picture.View.grab();
    picture.View.SetMapSource(nullptr);
    const std::size_t wishes = source.Wanted.size();
    const double fit = picture.View.View().PixelsPerMetre;
    QTest::keyClick(&picture.View, Qt::Key_Plus);
    picture.View.grab();
    EXPECT_NEAR(picture.View.View().PixelsPerMetre / fit, 1.25, 1e-9);
    EXPECT_EQ(source.Wanted.size(), wishes);
}

TEST(MapView, TilesThatArriveAreDrawnUnderTheTrack)
{
    Picture picture;
    FakeTileSource source(256, true);
    picture.View.SetMapSource(&source);
    picture.View.show();
    // A spot of background far from the trip's line: the tile's colour once it arrived.
    const QPoint spot(590, 200);
    QTRY_COMPARE(picture.View.grab().toImage().pixel(spot * picture.View.devicePixelRatio()),
                 FakeTileSource::kColour);
}

TEST(MapLayer, NamesItsSourceOnlyWhenItsTilesShow)
{
    const std::shared_ptr<const TrackPlane> plane = BayTrip();
    const MercatorFrame& frame = plane->Frame();
    const PlaneBox picture{0, 0, 300, 200};
    const MapZoom zoom = SnapToZoom({{0, 0}, 0.01}, frame, 1, 256, ZoomRounding::Nearest);
    const MapLayer::Place place{frame, zoom.View.Transform(picture), zoom.Zoom};
    for (const bool missing : {false, true}) {
        SCOPED_TRACE(missing);
        FakeTileSource source;
        source.Missing = missing;
        MapLayer layer;
        layer.SetSource(&source);
        layer.Prepare(place, {300, 200}, 1, Qt::white);
        QImage image(300, 200, QImage::Format_RGB32);
        QPainter painter(&image);
        layer.Paint(painter);
        const QRectF box = layer.PaintAttribution(painter, {295, 195});
        EXPECT_EQ(box.isEmpty(), missing);
        if (!missing) {
            EXPECT_EQ(image.pixel(10, 10), FakeTileSource::kColour);
        }
    }
}

} // namespace
