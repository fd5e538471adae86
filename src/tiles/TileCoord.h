#pragma once

#include <tuple>

// One tile of a Web Mercator pyramid as online servers number it: the zoom level, the column
// counted from 180° W and the row counted from the north edge, each 0 … 2^Z − 1.
struct TileCoord {
    int Z = 0;
    int X = 0;
    int Y = 0;
    friend bool operator==(const TileCoord&, const TileCoord&) = default;
    // Zoom first, then column, then row: the order of the caches' maps.
    friend bool operator<(const TileCoord& a, const TileCoord& b)
    {
        return std::tie(a.Z, a.X, a.Y) < std::tie(b.Z, b.X, b.Y);
    }
};

// The deepest zoom level any source may name: 2^30 columns still fit an int.
inline constexpr int kMaxTileZoom = 30;

// True when the tile lies inside its zoom level's grid.
[[nodiscard]] constexpr bool IsValidTile(const TileCoord& tile)
{
    if (tile.Z < 0 || tile.Z > kMaxTileZoom) {
        return false;
    }
    const int side = 1 << tile.Z;
    return tile.X >= 0 && tile.X < side && tile.Y >= 0 && tile.Y < side;
}
