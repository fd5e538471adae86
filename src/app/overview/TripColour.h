#pragma once

#include "geometry/TripColours.h"

#include <QColor>
#include <cmath>

// A trip's colour in the toolkit's terms, and its faint form: mixed with the background.
inline QColor TripQColor(std::size_t trip)
{
    const Rgb rgb = TripColour(trip);
    return {rgb.Red, rgb.Green, rgb.Blue};
}

inline QColor FaintTripQColor(std::size_t trip, const QColor& background)
{
    constexpr double kShare = 0.45; // of the trip's colour
    const QColor colour = TripQColor(trip);
    const auto mix = [](int a, int b) {
        return static_cast<int>(std::lround(kShare * a + (1 - kShare) * b));
    };
    return {mix(colour.red(), background.red()), mix(colour.green(), background.green()),
            mix(colour.blue(), background.blue())};
}
