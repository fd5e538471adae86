#pragma once

#include <cstdint>
#include <string>

// Tile images for the map's tests, made without Qt: each tile is one colour that tells its zoom,
// column and row, so a test reading a pixel knows which tile it got.

struct Rgb {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The colour of the tile z/x/y in the online servers' numbering: red from the zoom, green and
// blue from the column and row (modulo 256).
[[nodiscard]] Rgb TileColour(int z, int x, int y);

// A PNG of `pixels` × `pixels` in one colour (8-bit RGB, stored deflate blocks).
[[nodiscard]] std::string SolidPng(Rgb colour, int pixels);
