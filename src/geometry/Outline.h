#pragma once

#include "geometry/Plane.h"
#include "geometry/TrackPlane.h"
#include "geometry/WebMercator.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The built-in outline of the world drawn under the track where no map tile is: coastlines and
// the land borders between countries, kept as lines of Mercator unit points.

enum class OutlineKind : std::uint8_t { Coast, Border };

struct OutlineLine {
    OutlineKind Kind = OutlineKind::Coast;
    PlaneLine Units; // Mercator unit points
    PlaneBox Box;    // around Units
};

struct WorldOutline {
    std::vector<OutlineLine> Lines;
};

// The outline from its file (scripts/make-outline.R writes it): "T2NOUTL1", then unsigned LEB128
// varints: the line count, and per line its kind, its point count and its points, longitude and
// latitude in 1e-4 degrees, the first zigzag-coded, each later one as the zigzag-coded difference
// from the one before. Nothing for a file that is not one or ends early.
[[nodiscard]] std::optional<WorldOutline> ReadOutline(std::span<const std::uint8_t> bytes);

// The outline's lines in a picture's pixels at a view of a plane: only the lines that cross the
// picture, taken once more a world to the east or west where the picture runs past 180°, and in
// each the points less than `minPixels` from the last one kept left out (the ends stay).
struct LaidOutlineLine {
    OutlineKind Kind = OutlineKind::Coast;
    PlaneLine Pixels;
};
[[nodiscard]] std::vector<LaidOutlineLine> LayOutline(const WorldOutline& outline,
                                                      const MercatorFrame& frame,
                                                      const PlaneTransform& transform,
                                                      const PlaneBox& picture, double minPixels);
