#include "geometry/WebMercator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
// More tiles than a picture of 8K at 200 % with a ring around it takes.
constexpr double kMostTiles = 4096;

// The tiles' count along a side at a zoom level.
double TilesAcross(int zoom) { return std::ldexp(1.0, zoom); }

} // namespace

PlanePoint MercatorUnit(double latDeg, double lonDeg)
{
    const double lat = std::clamp(latDeg, -kMercatorEdgeLatDeg, kMercatorEdgeLatDeg);
    const double y = std::log(std::tan(std::numbers::pi / 4 + lat * kRadiansPerDegree / 2));
    return {(lonDeg + 180.0) / 360.0, 0.5 - y / (2 * std::numbers::pi)};
}

LatLon MercatorLatLon(const PlanePoint& unit)
{
    const double y = (0.5 - unit.Y) * 2 * std::numbers::pi;
    return {(2 * std::atan(std::exp(y)) - std::numbers::pi / 2) / kRadiansPerDegree,
            unit.X * 360.0 - 180.0};
}

double WorldPixels(int zoom, int tilePixels) { return tilePixels * TilesAcross(zoom); }

MercatorFrame FrameAt(double latDeg, double lonDeg, double earthRadiusM)
{
    const double lat = std::clamp(latDeg, -kMercatorEdgeLatDeg, kMercatorEdgeLatDeg);
    return {MercatorUnit(lat, lonDeg),
            2 * std::numbers::pi * earthRadiusM * std::cos(lat * kRadiansPerDegree)};
}

int WholeZoom(const MercatorFrame& frame, double pixelsPerMetre, double deviceRatio, int tilePixels,
              ZoomRounding rounding)
{
    // Device pixels across the world, in tiles.
    const double tiles = pixelsPerMetre * deviceRatio * frame.MetresPerUnit / tilePixels;
    if (!(tiles > 0) || !std::isfinite(tiles))
        return 0;
    const double level = std::log2(tiles);
    // A scale set from a level comes back as that level despite rounding.
    const double zoom =
        rounding == ZoomRounding::Nearest ? std::round(level) : std::floor(level + 1e-9);
    return static_cast<int>(std::clamp(zoom, 0.0, double{kDeepestZoom}));
}

double ZoomPixelsPerMetre(const MercatorFrame& frame, int zoom, double deviceRatio, int tilePixels)
{
    return WorldPixels(zoom, tilePixels) / (frame.MetresPerUnit * deviceRatio);
}

std::vector<PlacedTile> TilesCovering(const PlaneBox& unitBox, int zoom, int ring)
{
    std::vector<PlacedTile> tiles;
    const double across = TilesAcross(zoom);
    const int count = static_cast<int>(across);
    if (!(unitBox.Width() >= 0 && unitBox.Height() >= 0) || !std::isfinite(unitBox.Width()) ||
        !std::isfinite(unitBox.Height()))
        return tiles;
    // Columns are counted unwrapped (a box may run past 180°), at most the world's once.
    const double firstX = std::floor(unitBox.MinX * across) - ring;
    const double lastX = std::min(std::ceil(unitBox.MaxX * across) - 1 + ring, firstX + count - 1);
    const double firstY = std::max(std::floor(unitBox.MinY * across) - ring, 0.0);
    const double lastY = std::min(std::ceil(unitBox.MaxY * across) - 1 + ring, across - 1);
    // A box far larger than a picture's tiles is a caller's mistake, not a request for them all.
    if ((lastX - firstX + 1) * (lastY - firstY + 1) > kMostTiles)
        return tiles;
    const PlanePoint middle{unitBox.Centre().X * across - 0.5, unitBox.Centre().Y * across - 0.5};
    struct Near {
        double Distance;
        PlacedTile Tile;
    };
    std::vector<Near> near;
    for (double y = firstY; y <= lastY; ++y)
        for (double x = firstX; x <= lastX; ++x) {
            const int column = static_cast<int>(std::fmod(std::fmod(x, across) + across, across));
            near.push_back({std::hypot(x - middle.X, y - middle.Y),
                            {{zoom, column, static_cast<int>(y)},
                             {x / across, y / across, (x + 1) / across, (y + 1) / across}}});
        }
    std::stable_sort(near.begin(), near.end(),
                     [](const Near& a, const Near& b) { return a.Distance < b.Distance; });
    tiles.reserve(near.size());
    for (const Near& n : near)
        tiles.push_back(n.Tile);
    return tiles;
}
