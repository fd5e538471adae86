#include "convert/TrackSteps.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

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

// The local plane decides whether a step is longer than a limit: its square of the length from
// the differences in radians, with the cosines of both latitudes on the longitude, is what the
// haversine takes with sin(x) for x. For steps under kFlatMostRad each way that lies within 2e-5
// of the great-circle length's square, so a plane length more than kFlatMargin of the limit's
// square away from it falls on the same side as the great-circle length; the haversine decides
// the rest (a step near the limit, a long one, one across the date line).
constexpr double kFlatMostRad = 0.01;
constexpr double kFlatMargin = 1e-3;

enum class Side : std::int8_t { Shorter, Near, Longer };

Side FlatSide(const PathPoint& a, const PathPoint& b, double limitM)
{
    const double dLat = (b.LatDeg - a.LatDeg) * kRadiansPerDegree;
    const double dLon = (b.LonDeg - a.LonDeg) * kRadiansPerDegree;
    if (!(std::fabs(dLat) < kFlatMostRad && std::fabs(dLon) < kFlatMostRad))
        return Side::Near;
    const double squareM2 =
        (dLat * dLat + a.CosLat * b.CosLat * dLon * dLon) * (kTripEarthRadiusM * kTripEarthRadiusM);
    const double limitM2 = limitM * limitM;
    if (squareM2 < limitM2 * (1 - kFlatMargin))
        return Side::Shorter;
    return squareM2 > limitM2 * (1 + kFlatMargin) ? Side::Longer : Side::Near;
}

// StepM(a, b) > limitM, mostly without working out StepM.
bool Longer(const PathPoint& a, const PathPoint& b, double limitM)
{
    const Side side = FlatSide(a, b, limitM);
    return side == Side::Near ? StepM(a, b) > limitM : side == Side::Longer;
}

// Whether the step between two points is faster than `kmh` (their time apart taken as at least
// kJumpShortestStepMs).
bool Faster(const PathPoint& from, const PathPoint& to, double kmh)
{
    const auto ms = static_cast<double>(to.Ms > from.Ms ? to.Ms - from.Ms : from.Ms - to.Ms);
    constexpr auto kShortestMs = static_cast<double>(kJumpShortestStepMs);
    return Longer(from, to, kmh / 3.6 * std::max(kShortestMs, ms) / 1000.0);
}

bool IsJump(const PathPoint& from, const PathPoint& to) { return Faster(from, to, kJumpSpeedKmh); }

// Whether the step between two points is faster than a return from an excursion allows: faster
// than kReturnSpeedKmh and than kReturnLoggedFactor times the speed the log records at either
// point (a fast vehicle moves at its own speed), never more than a jump allows.
bool FasterThanReturn(const PathPoint& from, const PathPoint& to)
{
    const float logged = std::fmax(from.SpeedKmh, to.SpeedKmh); // NaN only when neither has one
    const double kmh = std::isfinite(logged) ? std::clamp(kReturnLoggedFactor * logged,
                                                          kReturnSpeedKmh, kJumpSpeedKmh)
                                             : kReturnSpeedKmh;
    return Faster(from, to, kmh);
}

// The point after an excursion that starts at `first`, away from `from`: the first of the next
// few points that has come back, lying within a return's reach of `from` again and nearer it than
// half the step out, and from which the track goes on no faster than a return; nothing when the
// track stays away. A smoothed spike passes near its start on its way out and back, and a
// smoothed jump creeps towards its end, at hundreds of km/h: neither is a return.
std::optional<std::size_t> Return(std::span<const PathPoint> points, std::size_t from,
                                  std::size_t first)
{
    const std::size_t last = std::min(points.size() - 1, first + kMostExcursionFixes);
    const double outM = StepM(points[from], points[first]);
    for (std::size_t next = first + 1; next <= last; ++next)
        if (!FasterThanReturn(points[from], points[next]) &&
            2 * StepM(points[from], points[next]) < outM &&
            (next + 1 == points.size() || !FasterThanReturn(points[next], points[next + 1])))
            return next;
    return std::nullopt;
}

// The length of the path as MarkPath walks it: a point on the path adds the step from the last
// point counted once it lies far enough from it in space or time.
class PathCount
{
  public:
    explicit PathCount(const PathPoint& first) : m_counted(&first) {}

    // How the point stands to the last point counted: too near in space and time to count
    // (Shorter), far enough (Longer), or near kPathNoiseM, which the great-circle length decides.
    [[nodiscard]] Side Reach(const PathPoint& point) const
    {
        if (point.Ms - m_counted->Ms >= kPathNoiseMs)
            return Side::Longer;
        return FlatSide(*m_counted, point, kPathNoiseM);
    }
    // A point on the path, with its Reach.
    void Path(const PathPoint& point, Side reach)
    {
        if (reach == Side::Shorter)
            return;
        const double stepM = StepM(*m_counted, point);
        if (reach == Side::Longer || stepM >= kPathNoiseM) {
            m_lengthM += stepM;
            m_counted = &point;
        }
    }
    void Jump(const PathPoint& point) { m_counted = &point; }
    [[nodiscard]] double LengthM() const { return m_lengthM; }

  private:
    const PathPoint* m_counted; // the last point the path counted
    double m_lengthM = 0;
};

// A point too near the last point counted to count can neither leave for an excursion nor be a
// jump: the path's last point lies within kPathNoiseM of that one as well (or is it), so the
// point lies within twice that of the path's last point, nearer than either allows.
static_assert(kExcursionSpeedKmh <= kJumpSpeedKmh);
static_assert(kExcursionSpeedKmh / 3.6 * static_cast<double>(kJumpShortestStepMs) / 1000.0 >
              2 * kPathNoiseM * (1 + kFlatMargin));

} // namespace

double StepM(const PathPoint& a, const PathPoint& b)
{
    const double sinLat = SinOfSmall((b.LatDeg - a.LatDeg) * (kRadiansPerDegree / 2));
    const double sinLon = SinOfSmall((b.LonDeg - a.LonDeg) * (kRadiansPerDegree / 2));
    const double h = std::min(sinLat * sinLat + a.CosLat * b.CosLat * sinLon * sinLon, 1.0);
    return 2 * kTripEarthRadiusM * AsinOfSmall(std::sqrt(h));
}

double MarkPath(std::span<const PathPoint> points, std::span<TrackStep> steps)
{
    if (points.empty())
        return 0;
    steps[0] = TrackStep::Path;
    PathCount path(points[0]);
    std::size_t last = 0; // the path's last point
    for (std::size_t i = 1; i < points.size(); ++i) {
        const Side reach = path.Reach(points[i]);
        const bool away =
            reach != Side::Shorter && Faster(points[last], points[i], kExcursionSpeedKmh);
        if (away) {
            if (const std::optional<std::size_t> back = Return(points, last, i)) {
                std::fill(steps.begin() + static_cast<std::ptrdiff_t>(i),
                          steps.begin() + static_cast<std::ptrdiff_t>(*back), TrackStep::Excursion);
                i = *back - 1;
                continue;
            }
        }
        if (away && IsJump(points[last], points[i])) {
            steps[i] = TrackStep::Jump;
            path.Jump(points[i]);
        } else {
            steps[i] = TrackStep::Path;
            path.Path(points[i], reach);
        }
        last = i;
    }
    return path.LengthM();
}
