#include "convert/TrackSteps.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kJumpMetresPerSecond = kJumpSpeedKmh / 3.6;

// sin(x) of the half-angle differences of neighbouring fixes, which are nearly always tiny: below
// 0.01 rad the series up to x^9 matches std::sin to the last bit or two (the next term is below
// 1e-27 of x) at a fraction of its cost.
double SinOfSmall(double x)
{
    if (!(std::fabs(x) < 0.01))
        return std::sin(x);
    const double x2 = x * x;
    return x + x * x2 * (-1.0 / 6 + x2 * (1.0 / 120 + x2 * (-1.0 / 5040 + x2 * (1.0 / 362880))));
}

// asin(x) of the half chord of such a step: below 0.001 (a step of about 12 km) the series up to
// x^7 matches std::asin to the last bit or two (the next term is below 1e-25 of x).
double AsinOfSmall(double x)
{
    if (!(x < 0.001))
        return std::asin(x);
    const double x2 = x * x;
    return x + x * x2 * (1.0 / 6 + x2 * (3.0 / 40 + x2 * (5.0 / 112)));
}

bool IsJump(const PathPoint& from, const PathPoint& to)
{
    const auto ms = static_cast<double>(to.Ms > from.Ms ? to.Ms - from.Ms : from.Ms - to.Ms);
    constexpr auto kJumpShortestMs = static_cast<double>(kJumpShortestStepMs);
    return StepM(from, to) > kJumpMetresPerSecond * std::max(kJumpShortestMs, ms) / 1000.0;
}

// The point after an excursion that starts at `first`, away from `from`: the first of the next
// few points that lies within reach of `from` again and from which the track goes on without a
// jump (a smoothed spike passes near its start on its way out and back); nothing when the track
// stays away.
std::optional<std::size_t> Return(std::span<const PathPoint> points, std::size_t from,
                                  std::size_t first)
{
    const std::size_t last = std::min(points.size() - 1, first + kMostExcursionFixes);
    for (std::size_t next = first + 1; next <= last; ++next)
        if (!IsJump(points[from], points[next]) &&
            (next + 1 == points.size() || !IsJump(points[next], points[next + 1])))
            return next;
    return std::nullopt;
}

} // namespace

PathPoint MakePathPoint(double latDeg, double lonDeg, std::int64_t ms)
{
    return {latDeg, lonDeg, std::cos(latDeg * kRadiansPerDegree), ms};
}

double StepM(const PathPoint& a, const PathPoint& b)
{
    const double sinLat = SinOfSmall((b.LatDeg - a.LatDeg) * (kRadiansPerDegree / 2));
    const double sinLon = SinOfSmall((b.LonDeg - a.LonDeg) * (kRadiansPerDegree / 2));
    const double h = std::min(sinLat * sinLat + a.CosLat * b.CosLat * sinLon * sinLon, 1.0);
    return 2 * kTripEarthRadiusM * AsinOfSmall(std::sqrt(h));
}

void MarkTrackSteps(std::span<const PathPoint> points, std::span<TrackStep> steps)
{
    std::optional<std::size_t> last; // the path's last point
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (last && IsJump(points[*last], points[i])) {
            if (const std::optional<std::size_t> back = Return(points, *last, i)) {
                std::fill(steps.begin() + static_cast<std::ptrdiff_t>(i),
                          steps.begin() + static_cast<std::ptrdiff_t>(*back), TrackStep::Excursion);
                i = *back - 1;
                continue;
            }
            steps[i] = TrackStep::Jump;
        } else {
            steps[i] = TrackStep::Path;
        }
        last = i;
    }
}

double PathLengthM(std::span<const PathPoint> points, std::span<const TrackStep> steps)
{
    double length = 0;
    std::optional<std::size_t> counted; // the last point the path counted
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (steps[i] == TrackStep::Excursion || steps[i] == TrackStep::None)
            continue;
        if (!counted || steps[i] == TrackStep::Jump) {
            counted = i;
            continue;
        }
        const double step = StepM(points[*counted], points[i]);
        if (step >= kPathNoiseM || points[i].Ms - points[*counted].Ms >= kPathNoiseMs) {
            length += step;
            counted = i;
        }
    }
    return length;
}
