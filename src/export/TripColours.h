#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The colours that tell trips apart in the track picture, on the timeline, in the trip list and in
// the tracks of a KML file.

struct Rgb {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Okabe and Ito's palette, which readers with any common colour-vision deficiency can tell apart,
// without its black and yellow: black reads as text, yellow vanishes on a light background.
inline constexpr std::array<Rgb, 6> kTripPalette{{
    {0, 114, 178},   // blue
    {230, 159, 0},   // orange
    {0, 158, 115},   // bluish green
    {204, 121, 167}, // reddish purple
    {86, 180, 233},  // sky blue
    {213, 94, 0},    // vermilion
}};

// The colour of a trip (numbered from 0): the palette over and over.
[[nodiscard]] constexpr Rgb TripColour(std::size_t trip)
{
    return kTripPalette[trip % kTripPalette.size()];
}
