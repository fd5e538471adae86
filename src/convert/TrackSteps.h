#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>
#include <span>

// What the fixes of a trip are to its path: the one rule that tells a receiver's glitch from a
// movement, and the one that tells the path from the position noise. Trip distances, every
// figure of a trip and the track picture (its lines and its fit) all follow them.

// Radius of the sphere the distances are measured on (the mean Earth radius), in metres.
constexpr double kTripEarthRadiusM = 6371008.8;
// A step between two fixes faster than this is a jump (a receiver's glitch, not a movement).
constexpr double kJumpSpeedKmh = 1500.0;
// A step faster than this starts an excursion when the track comes back after it (a sector log's
// smoothing turns a spike of a few hundred metres into steps slower than a jump); one the track
// does not come back from is a movement up to kJumpSpeedKmh.
constexpr double kExcursionSpeedKmh = 1100.0;
// Fixes closer in time count as this far apart: a logger writes at most ten fixes a second, and
// one that records no milliseconds gives the fixes of one second the same moment.
constexpr std::int64_t kJumpShortestStepMs = 100;
// The most fixes of an excursion: the track jumps away and comes straight back after them (a
// sector log's smoothing spreads a spike over the five fixes of 10 Hz within 210 ms, two spikes
// a few fixes apart over up to ten).
constexpr std::size_t kMostExcursionFixes = 10;
// The speed of a return from an excursion: this, or this factor times the speed the log records
// at either end of a step when that is more (a fast vehicle moves at its own speed), never more
// than a jump. A sector log's smoothing spreads a spike or a jump over the fixes around it, so
// the track moves out and back, or creeps towards the jump's end, in steps of hundreds of km/h
// that would otherwise pass for a return; ten fixes a second of a few metres' noise stay well
// below it.
constexpr double kReturnSpeedKmh = 500.0;
constexpr double kReturnLoggedFactor = 2.0;
// When a step of the path counts: once the position lies this far from the last point counted,
// or this long after it. A receiver's position wanders by metres from fix to fix; ten times a
// second that wandering would add up to kilometres, while over seconds the way travelled
// outweighs it, so a log of a fix a second or slower counts (nearly) every step.
constexpr double kPathNoiseM = 15.0;
constexpr std::int64_t kPathNoiseMs = 3000;

// A fix with a position, in time order: degrees, the cosine of the latitude (worked out once),
// the local moment in whole milliseconds and the speed the log records (NaN when it has none).
struct PathPoint {
    double LatDeg = 0;
    double LonDeg = 0;
    double CosLat = 1;
    std::int64_t Ms = 0;
    float SpeedKmh = std::numeric_limits<float>::quiet_NaN();
};

[[nodiscard]] inline PathPoint
MakePathPoint(double latDeg, double lonDeg, std::int64_t ms,
              float speedKmh = std::numeric_limits<float>::quiet_NaN())
{
    return {latDeg, lonDeg, std::cos(latDeg * (std::numbers::pi / 180.0)), ms, speedKmh};
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
// The marks: a point farther from the path's last point than kExcursionSpeedKmh allows in the
// time between (at least kJumpShortestStepMs) starts an excursion when one of the next
// kMostExcursionFixes points comes back: it lies within a return's reach of that last point again
// (kReturnSpeedKmh, or the log's own speed, over the time between), nearer it than half the step
// out, and the track goes on from it no faster than a return (the excursion's points up to it are
// left out). Otherwise the point is a jump when it is farther than kJumpSpeedKmh allows, and on
// the path when it is not.
//
// The length, over the points marked Path and Jump: a step from the last point counted is counted
// once the position lies kPathNoiseM or more from it, or kPathNoiseMs or more after it; no step
// leads to a jump, which starts the count afresh.
double MarkPath(std::span<const PathPoint> points, std::span<TrackStep> steps);
