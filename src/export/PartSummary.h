#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// What a file for other programs says about a trip beside its fixes (a KML placemark's name,
// colour and description, a GeoJSON feature's properties): the figures of the whole trip, worked
// out by the conversion service.
struct PartSummary {
    std::int32_t Number = 0; // from 1, as the trip list numbers it
    std::int64_t FirstUtcMs = 0;
    std::int64_t LastUtcMs = 0;
    std::size_t Fixes = 0;
    double DistanceM = 0;
    std::optional<float> MaxSpeedKmh = std::nullopt;
    std::int64_t MovingMs = 0;
    std::optional<double> AvgMovingKmh = std::nullopt;
    std::optional<double> AscentM = std::nullopt;
    std::optional<double> DescentM = std::nullopt;
};

// The texts around the records of a trip's part, one pair a pass of the layout.
struct PartTexts {
    std::array<std::string, 2> Open;
    std::array<std::string, 2> Close;
};
