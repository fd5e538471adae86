#pragma once

#include "map/TileSource.h"
#include "tiles/TileCoord.h"

#include <QImage>
#include <string>

// The largest tile image decoded, per side: servers send 256 or 512 pixels; a larger image is
// no tile, and decoding it could take much memory.
inline constexpr int kMaxTileImagePixels = 2048;

// The image of a tile's encoded bytes, ready to draw (premultiplied ARGB); a null image for bytes
// that are not one whole PNG, JPEG or WebP image of at most kMaxTileImagePixels a side.
[[nodiscard]] QImage DecodeTile(const std::string& bytes);

[[nodiscard]] inline TileCoord CoordOf(const TileKey& key)
{
    return TileCoord{key.Z, key.X, key.Y};
}

[[nodiscard]] inline TileKey KeyOf(const TileCoord& coord)
{
    return TileKey{coord.Z, coord.X, coord.Y};
}

// The bytes a decoded image holds in memory, for the memory caches' bounds.
[[nodiscard]] inline std::int64_t ImageBytes(const QImage& image)
{
    return static_cast<std::int64_t>(image.sizeInBytes());
}
