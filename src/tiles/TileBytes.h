#pragma once

#include <string_view>

// The encoded image formats of raster tiles, told by their first bytes.
enum class TileFormat {
    Unknown,
    Png,
    Jpeg,
    Webp,
};

[[nodiscard]] TileFormat SniffTileFormat(std::string_view bytes);

// True when the bytes hold one whole image of a known format: a PNG ends with its IEND chunk, a
// JPEG with its end-of-image marker, a WebP holds the size its RIFF header names. A decoder
// draws a truncated JPEG with a grey lower part and reports success, so an image that arrived
// cut short is caught here, before it is drawn or kept.
[[nodiscard]] bool IsWholeTileImage(std::string_view bytes);
