#pragma once

#include "convert/Trips.h"
#include "store/GpsFix.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The figures of a trip beside its distance: how long it moved, how fast it went while moving,
// and how far it climbed and came down. Worked out over the trip's fixes with a position, in time
// order; neighbours in a trip lie at most the trip gap apart, so a pause longer than the gap never
// counts (it ends the trip).
//
// Moving time: every step between neighbouring fixes whose speed is above kMovingKmh adds its
// time. A step's speed is the mean of the logger's speeds of its two fixes (the one that is
// finite when only one is); a step whose fixes carry no speed takes its great-circle length over
// its time. Average moving speed: the moving steps' speeds weighted by their time, in km/h;
// nothing without a moving step.
//
// Ascent and descent: the heights (the logger's GPS height above sea level) pass through a
// hysteresis of kClimbHysteresisM. Once the height has risen that far above the lowest point
// since the last turn, it is climbing: every new highest point adds its rise to the ascent, and
// only a fall of the hysteresis from that highest point turns it to falling (and the reverse for
// descent). GPS noise smaller than the hysteresis adds nothing. Nothing when no fix carries a
// finite height.

constexpr float kMovingKmh = 1.0f;
constexpr double kClimbHysteresisM = 5.0;

struct MovingFigures {
    std::int64_t MovingMs = 0;
    std::optional<double> AvgMovingKmh = std::nullopt;
    std::optional<double> AscentM = std::nullopt;
    std::optional<double> DescentM = std::nullopt;
};

// The figures of each trip of an analysis of these fixes, in the trips' order.
[[nodiscard]] std::vector<MovingFigures> MeasureMoving(std::span<const TGpsFix> fixes,
                                                       const TripAnalysis& trips);

// The figures of several trips together (the whole log): the times and climbs added up, the
// average speed weighted by each trip's moving time.
[[nodiscard]] MovingFigures AddMoving(std::span<const MovingFigures> trips);
