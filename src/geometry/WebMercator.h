#pragma once

#include "geometry/Plane.h"

#include <vector>

// The Web Mercator pyramid of map tiles, with no toolkit beneath it. A position is kept as a
// unit point: X from 0 at 180° W to 1 at 180° E, Y from 0 at the north edge (85.0511° N) to 1 at
// the south edge. At a zoom level the world is tilePixels × 2^zoom pixels square, cut in tiles of
// tilePixels, counted from the north-west corner as online servers count them.

// The latitude where the square world ends, north and south.
constexpr double kMercatorEdgeLatDeg = 85.05112877980659;
// The deepest zoom level any source or picture uses.
constexpr int kDeepestZoom = 22;

// A unit point of a position; latitudes beyond the edges are taken at the edge.
[[nodiscard]] PlanePoint MercatorUnit(double latDeg, double lonDeg);

struct LatLon {
    double LatDeg = 0;
    double LonDeg = 0;
};
// The position of a unit point (the inverse of MercatorUnit).
[[nodiscard]] LatLon MercatorLatLon(const PlanePoint& unit);

// The side of the world in pixels at a zoom level.
[[nodiscard]] double WorldPixels(int zoom, int tilePixels);

// A plane of metres laid on the Mercator world: one metre east or north at the reference
// latitude is one metre, so near it the plane keeps ground distances on both axes; north is +Y.
struct MercatorFrame {
    PlanePoint Origin;        // the unit point of the plane's (0, 0)
    double MetresPerUnit = 1; // the plane's metres across the whole world

    [[nodiscard]] PlanePoint ToPlane(const PlanePoint& unit) const
    {
        return {(unit.X - Origin.X) * MetresPerUnit, (Origin.Y - unit.Y) * MetresPerUnit};
    }
    [[nodiscard]] PlanePoint ToUnit(const PlanePoint& plane) const
    {
        return {Origin.X + plane.X / MetresPerUnit, Origin.Y - plane.Y / MetresPerUnit};
    }
};
// The frame of a plane whose (0, 0) lies at a position: its metres are the ground's at that
// latitude on a sphere of `earthRadiusM`.
[[nodiscard]] MercatorFrame FrameAt(double latDeg, double lonDeg, double earthRadiusM);

// The whole zoom level whose pixels are the device's pixels at a picture scale (`pixelsPerMetre`
// of the plane, in the picture's own pixels; `deviceRatio` device pixels each), rounded to the
// nearest level or down to the level that still shows everything; within 0 … kDeepestZoom.
enum class ZoomRounding { Nearest, Down };
[[nodiscard]] int WholeZoom(const MercatorFrame& frame, double pixelsPerMetre, double deviceRatio,
                            int tilePixels, ZoomRounding rounding);
// The picture scale (pixels a metre of the plane) at which a zoom level's pixels are device
// pixels.
[[nodiscard]] double ZoomPixelsPerMetre(const MercatorFrame& frame, int zoom, double deviceRatio,
                                        int tilePixels);

struct TileIndex {
    int Z = 0;
    int X = 0;
    int Y = 0;
    friend bool operator==(const TileIndex&, const TileIndex&) = default;
};
// A tile where a picture shows it: its unit box may lie a world east or west of [0, 1] when the
// picture runs past the antimeridian.
struct PlacedTile {
    TileIndex Tile;
    PlaneBox Units;
};
// The tiles a box of unit points needs at a zoom level, plus `ring` rings of tiles around them,
// the ones nearest the box's middle first. Columns wrap around the antimeridian (each tile once);
// rows end at the world's edges.
[[nodiscard]] std::vector<PlacedTile> TilesCovering(const PlaneBox& unitBox, int zoom, int ring);
