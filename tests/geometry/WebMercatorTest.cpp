#include "geometry/WebMercator.h"

#include "geometry/MapView.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// Positions in world pixels of 256-px tiles, worked out with the servers' own formula
// y = (1 − asinh(tan φ) / π) / 2 · 2^z.
struct Known {
    double LatDeg;
    double LonDeg;
    int Zoom;
    double TileX;
    double TileY;
};
constexpr Known kKnown[] = {
    {0, 0, 0, 0.5, 0.5},
    {35.6586, 139.7454, 18, 232831.4948266667, 103246.83156970255},
    {51.5007, -0.1246, 12, 2046.5823288888892, 1362.1470082541223},
    {-33.8568, 151.2153, 10, 942.12352, 614.4533595296429},
    {kMercatorEdgeLatDeg, 180, 3, 8.0, 0.0},
    {89.9, -180, 3, 0.0, 0.0}, // beyond the edge: at the edge
};

TEST(WebMercator, UnitPointsMatchTheServersTiles)
{
    for (const Known& k : kKnown) {
        SCOPED_TRACE(k.LatDeg);
        const PlanePoint unit = MercatorUnit(k.LatDeg, k.LonDeg);
        const double pixels = WorldPixels(k.Zoom, 256);
        EXPECT_NEAR(unit.X * pixels, k.TileX * 256, 1e-4);
        EXPECT_NEAR(unit.Y * pixels, k.TileY * 256, 1e-4);
        if (std::abs(k.LatDeg) <= kMercatorEdgeLatDeg) {
            const LatLon back = MercatorLatLon(unit);
            EXPECT_NEAR(back.LatDeg, k.LatDeg, 1e-9);
            EXPECT_NEAR(back.LonDeg, k.LonDeg, 1e-9);
        }
    }
}

TEST(WebMercator, FrameKeepsGroundMetresAtItsLatitude)
{
    constexpr double kRadiusM = 6371008.8;
    const MercatorFrame frame = FrameAt(35.0, 139.0, kRadiusM);
    const PlanePoint here = frame.ToPlane(MercatorUnit(35.0, 139.0));
    EXPECT_NEAR(here.X, 0, 1e-6);
    EXPECT_NEAR(here.Y, 0, 1e-6);
    // A thousandth of a degree north is 111.2 m on the ground; east it is cos 35° of that.
    const double degreeM = kRadiusM * 3.141592653589793 / 180;
    const PlanePoint north = frame.ToPlane(MercatorUnit(35.001, 139.0));
    const PlanePoint east = frame.ToPlane(MercatorUnit(35.0, 139.001));
    EXPECT_NEAR(north.Y, 0.001 * degreeM, 0.01);
    EXPECT_NEAR(east.X, 0.001 * degreeM * std::cos(35.0 * 3.141592653589793 / 180), 0.01);
    const PlanePoint back = frame.ToUnit(north);
    EXPECT_NEAR(MercatorLatLon(back).LatDeg, 35.001, 1e-12);
}

TEST(WebMercator, WholeZoomFollowsTheDevicePixels)
{
    const MercatorFrame frame = FrameAt(35.0, 139.0, 6371008.8);
    struct Case {
        int Zoom;
        double Ratio;
        int TilePixels;
        int PictureZoom; // what the same picture scale at ratio 1 and 256-px tiles is
    };
    // At 200 % a picture takes a level deeper; a source of 512-px tiles a level less.
    const Case cases[] = {{12, 1, 256, 12}, {13, 2, 256, 12}, {11, 1, 512, 12},
                          {12, 2, 512, 12}, {0, 1, 256, 0},   {22, 1, 256, 22}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Zoom);
        const double scale = ZoomPixelsPerMetre(frame, c.PictureZoom, 1, 256);
        for (const ZoomRounding r : {ZoomRounding::Nearest, ZoomRounding::Down})
            EXPECT_EQ(WholeZoom(frame, scale, c.Ratio, c.TilePixels, r), c.Zoom);
        EXPECT_DOUBLE_EQ(ZoomPixelsPerMetre(frame, c.Zoom, c.Ratio, c.TilePixels), scale);
    }
    const double between = ZoomPixelsPerMetre(frame, 10, 1, 256) * 1.6;
    EXPECT_EQ(WholeZoom(frame, between, 1, 256, ZoomRounding::Nearest), 11);
    EXPECT_EQ(WholeZoom(frame, between, 1, 256, ZoomRounding::Down), 10);
    EXPECT_EQ(WholeZoom(frame, 1e9, 1, 256, ZoomRounding::Down), kDeepestZoom);
    EXPECT_EQ(WholeZoom(frame, 0, 1, 256, ZoomRounding::Down), 0);
}

bool Holds(const std::vector<PlacedTile>& tiles, TileIndex tile)
{
    return std::any_of(tiles.begin(), tiles.end(),
                       [&](const PlacedTile& placed) { return placed.Tile == tile; });
}

TEST(WebMercator, TilesCoverThePictureAndOneRing)
{
    // A box inside the tiles x 4 … 5, y 2 at zoom 3 (tiles an eighth of the world).
    const PlaneBox box{4.2 / 8, 2.1 / 8, 5.9 / 8, 2.8 / 8};
    const std::vector<PlacedTile> bare = TilesCovering(box, 3, 0);
    EXPECT_EQ(bare.size(), 2u);
    EXPECT_TRUE(Holds(bare, {3, 4, 2}));
    EXPECT_TRUE(Holds(bare, {3, 5, 2}));
    const std::vector<PlacedTile> ringed = TilesCovering(box, 3, 1);
    EXPECT_EQ(ringed.size(), 12u); // 4 × 3
    EXPECT_TRUE(Holds({ringed.begin(), ringed.begin() + 2}, {3, 4, 2})) << "the picture's first";
    EXPECT_TRUE(Holds({ringed.begin(), ringed.begin() + 2}, {3, 5, 2}));
    EXPECT_TRUE(Holds(ringed, {3, 3, 1}));
    EXPECT_TRUE(Holds(ringed, {3, 6, 3}));

    // Across the antimeridian the columns wrap; at the north edge no row above 0.
    const std::vector<PlacedTile> wrapped = TilesCovering({0.95, 0.01, 1.05, 0.05}, 2, 0);
    EXPECT_EQ(wrapped.size(), 2u);
    EXPECT_TRUE(Holds(wrapped, {2, 3, 0}));
    EXPECT_TRUE(Holds(wrapped, {2, 0, 0}));
    for (const PlacedTile& t : wrapped) // the tile east of 180° is placed there
        EXPECT_DOUBLE_EQ(t.Units.MinX, t.Tile.X == 0 ? 1.0 : 0.75);
    const std::vector<PlacedTile> edge = TilesCovering({0.3, 0.0, 0.4, 0.1}, 1, 1);
    for (const PlacedTile& t : edge)
        EXPECT_GE(t.Tile.Y, 0);
    EXPECT_EQ(edge.size(), 4u); // zoom 1 has four tiles, each once
    // A box larger than the world asks for each tile once.
    EXPECT_EQ(TilesCovering({-1, -1, 2, 2}, 1, 1).size(), 4u);
    EXPECT_TRUE(TilesCovering({0, 0, std::nan(""), 1}, 1, 0).empty());
    for (const PlacedTile& t : bare) {
        EXPECT_DOUBLE_EQ(t.Units.MinX, t.Tile.X / 8.0);
        EXPECT_DOUBLE_EQ(t.Units.MaxY, 3.0 / 8);
    }
}

} // namespace

namespace {

TEST(MapView, SnapsToWholeZoomsOnWholeDevicePixels)
{
    const MercatorFrame frame = FrameAt(35.0, 139.0, 6371008.8);
    const PlaneBox picture{0, 0, 401, 301};
    for (const double ratio : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        const PlaneView view{{123.4, -56.7}, ZoomPixelsPerMetre(frame, 14, ratio, 256) * 1.3};
        const MapZoom snapped = SnapToZoom(view, frame, ratio, 256, ZoomRounding::Nearest);
        EXPECT_EQ(snapped.Zoom, 14);
        EXPECT_EQ(snapped.View.Centre, view.Centre);
        EXPECT_EQ(SnapToZoom(view, frame, ratio, 256, ZoomRounding::Down).Zoom, 14);
        EXPECT_EQ(SnapToZoom(snapped.View, frame, ratio, 256, ZoomRounding::Down).Zoom, 14);
        const PlaneTransform aligned =
            AlignToDevicePixels(snapped.View.Transform(picture), frame, ratio);
        EXPECT_LE(std::abs(aligned.Origin.X - snapped.View.Transform(picture).Origin.X),
                  0.5 / ratio + 1e-9);
        // Every tile's corner on a whole device pixel, a tile's side tilePixels device pixels.
        for (const PlacedTile& tile : TilesCovering(UnitBoxOf(aligned, frame, picture), 14, 1)) {
            const PlanePoint corner =
                PixelOfUnit(aligned, frame, {tile.Units.MinX, tile.Units.MinY});
            const PlanePoint far = PixelOfUnit(aligned, frame, {tile.Units.MaxX, tile.Units.MaxY});
            EXPECT_NEAR(corner.X * ratio, std::round(corner.X * ratio), 1e-6);
            EXPECT_NEAR(corner.Y * ratio, std::round(corner.Y * ratio), 1e-6);
            EXPECT_NEAR((far.X - corner.X) * ratio, 256, 1e-6);
        }
    }
}

} // namespace

namespace {

TEST(WebMercator, RefusesBoxesNoPictureShows)
{
    // A unit box of the whole world at zoom 20: a trillion tiles, asked for none.
    EXPECT_TRUE(TilesCovering({0, 0, 1, 1}, 20, 0).empty());
    EXPECT_EQ(TilesCovering({0, 0, 1, 1}, 5, 0).size(), 1024u);
}

} // namespace
