#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <span>

// What the fixes of a trip are to its path: the one rule that tells a receiver's glitch from a
// movement, and the one that tells the path from the position noise. Trip distances, every
// figure of a trip and the track picture (its lines and its fit) all follow them.

// Radius of the sphere the distances are measured on (the mean Earth radius), in metres.
constexpr double kTripEarthRadiusM = 6371008.8;
// A step between two fixes faster than this is a jump (a receiver's glitch, not a movement).
constexpr double kJumpSpeedKmh = 1500.0;
// Fixes closer in time count as this far apart: a logger writes at most ten fixes a second, and
// one that records no milliseconds gives the fixes of one second the same moment.
constexpr std::int64_t kJumpShortestStepMs = 100;
// The most fixes of an excursion: the track jumps away and comes straight back after them (a
// sector log's smoothing spreads a spike over the five fixes of 10 Hz within 210 ms).
constexpr std::size_t kMostExcursionFixes = 8;
// When a step of the path counts: once the position lies this far from the last point counted,
// or this long after it. A receiver's position wanders by metres from fix to fix; ten times a
// second that wandering would add up to kilometres, while over seconds the way travelled
// outweighs it, so a log of a fix a second or slower counts (nearly) every step.
constexpr double kPathNoiseM = 15.0;
constexpr std::int64_t kPathNoiseMs = 3000;

// A fix with a position, in time order: degrees, the cosine of the latitude (worked out once)
// and the local moment in whole milliseconds.
struct PathPoint {
    double LatDeg = 0;
    double LonDeg = 0;
    double CosLat = 1;
    std::int64_t Ms = 0;
};

[[nodiscard]] inline PathPoint MakePathPoint(double latDeg, double lonDeg, std::int64_t ms)
{
    return {latDeg, lonDeg, std::cos(latDeg * (std::numbers::pi / 180.0)), ms};
}

// Great-circle distance in metres between two points (haversine on the trips' sphere).
[[nodiscard]] double StepM(const PathPoint& a, const PathPoint& b);

enum class TrackStep : std::uint8_t {
    Path,      // on the path: the first fix, or one within reach of the path's fix before it
    Excursion, // the track jumps here and comes straight back: not on the path
    Jump,      // the track jumps here and goes on from here: on the path, no step leads to it
    None,      // a record without a position
};

// Marks the points of one trip (time order) and returns the length of its path in metres, in one
// walk; `steps` has a mark for every point.
//
// The marks: a point farther from the path's last point than kJumpSpeedKmh allows in the time
// between (at least kJumpShortestStepMs) starts an excursion when one of the next
// kMostExcursionFixes points comes back, lying within reach of that last point again and with the
// track going on from it without a jump (the excursion's points up to it are left out); it is a
// jump otherwise.
//
// The length, over the points marked Path and Jump: a step from the last point counted is counted
// once the position lies kPathNoiseM or more from it, or kPathNoiseMs or more after it; no step
// leads to a jump, which starts the count afresh.
double MarkPath(std::span<const PathPoint> points, std::span<TrackStep> steps);
