#include "convert/Trips.h"

#include "store/TimeBase.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

// Each fix's moment in table order, and where each ascending run of the table starts: an ordered
// table is one run, a wrapped log two, so the merge below costs almost nothing for either.
std::vector<std::size_t> ReadMoments(std::span<const TGpsFix> fixes, std::vector<std::int64_t>& ms)
{
    std::vector<std::size_t> runStarts{0};
    ms.resize(fixes.size());
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        ms[i] = DayCountToMilliseconds(fixes[i].Time);
        if (i > 0 && ms[i] < ms[i - 1])
            runStarts.push_back(i);
    }
    return runStarts;
}

// Merges neighbouring runs of table indices pairwise until one is left. std::merge takes from the
// earlier run on equal moments, so equal moments keep their table order.
void MergeRuns(std::vector<std::int32_t>& order, std::vector<std::size_t> runStarts,
               const std::vector<std::int64_t>& ms)
{
    const auto byMs = [&ms](std::int32_t a, std::int32_t b) {
        return ms[static_cast<std::size_t>(a)] < ms[static_cast<std::size_t>(b)];
    };
    const auto at = [](std::vector<std::int32_t>& v, std::size_t i) {
        return v.begin() + static_cast<std::ptrdiff_t>(i);
    };
    std::vector<std::int32_t> buffer(order.size());
    runStarts.push_back(order.size());
    while (runStarts.size() > 2) {
        std::vector<std::size_t> merged;
        merged.reserve(runStarts.size() / 2 + 2);
        std::size_t r = 0;
        for (; r + 2 < runStarts.size(); r += 2) {
            const std::size_t a = runStarts[r], b = runStarts[r + 1], c = runStarts[r + 2];
            std::merge(at(order, a), at(order, b), at(order, b), at(order, c), at(buffer, a), byMs);
            merged.push_back(a);
        }
        if (r + 1 < runStarts.size()) { // an odd run out: carried over as it is
            std::copy(at(order, runStarts[r]), order.end(), at(buffer, runStarts[r]));
            merged.push_back(runStarts[r]);
        }
        merged.push_back(order.size());
        order.swap(buffer);
        runStarts.swap(merged);
    }
}

// Brings `ms` into time order and returns the table index of every position.
std::vector<std::int32_t> SortMoments(std::vector<std::int64_t>& ms,
                                      const std::vector<std::size_t>& runStarts)
{
    std::vector<std::int32_t> order(ms.size());
    std::iota(order.begin(), order.end(), 0);
    MergeRuns(order, runStarts, ms);
    std::vector<std::int64_t> sorted(ms.size());
    for (std::size_t i = 0; i < ms.size(); ++i)
        sorted[i] = ms[static_cast<std::size_t>(order[i])];
    ms.swap(sorted);
    return order;
}

// A neighbour more than `gapMs` later starts a new trip. Moments are clamped to +-2^62 ms, so
// their difference fits an unsigned 64-bit value.
bool Splits(std::int64_t earlier, std::int64_t later, std::int64_t gapMs)
{
    return gapMs < 0 || static_cast<std::uint64_t>(later) - static_cast<std::uint64_t>(earlier) >
                            static_cast<std::uint64_t>(gapMs);
}

// The figures of the trip being walked; the extremes start out infinite and stay so when no fix
// carries a finite value.
struct TripWalk {
    Trip Current;
    float MaxSpeed = -std::numeric_limits<float>::infinity();
    float MinHeight = std::numeric_limits<float>::infinity();
    float MaxHeight = -std::numeric_limits<float>::infinity();

    void Add(const TGpsFix& fix)
    {
        if (std::isfinite(fix.Speed))
            MaxSpeed = std::max(MaxSpeed, fix.Speed);
        if (std::isfinite(fix.ExtraValue)) {
            MinHeight = std::min(MinHeight, fix.ExtraValue);
            MaxHeight = std::max(MaxHeight, fix.ExtraValue);
        }
    }

    Trip Close(std::size_t end, std::int64_t lastMs)
    {
        Current.End = end;
        Current.LastMs = lastMs;
        if (std::isfinite(MaxSpeed))
            Current.MaxSpeedKmh = MaxSpeed;
        if (std::isfinite(MinHeight)) {
            Current.MinHeightM = MinHeight;
            Current.MaxHeightM = MaxHeight;
        }
        return Current;
    }
};

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

// Haversine over the cosines of both latitudes, which the walk computes once per fix.
double HaversineM(double lat1, double cos1, double lon1, double lat2, double cos2, double lon2)
{
    const double sinLat = SinOfSmall((lat2 - lat1) * (kRadiansPerDegree / 2));
    const double sinLon = SinOfSmall((lon2 - lon1) * (kRadiansPerDegree / 2));
    const double h = std::min(sinLat * sinLat + cos1 * cos2 * sinLon * sinLon, 1.0);
    return 2 * kTripEarthRadiusM * AsinOfSmall(std::sqrt(h));
}

// Trips are made of the fixes with a position; the records without one (a logger's "no fix"
// records carry a stale position) start and measure nothing, and belong to a trip only when they
// lie between two of its fixes.
void WalkTrips(std::span<const TGpsFix> fixes, const std::vector<std::int64_t>& ms,
               std::int64_t gapMs, TripFigures figures, TripAnalysis& out)
{
    const bool measure = figures == TripFigures::All;
    TripWalk walk;
    std::optional<std::size_t> last; // the position of the last fix with a position
    double lastCos = 0;
    for (std::size_t i = 0; i < ms.size(); ++i) {
        const TGpsFix& fix = fixes[out.TableIndex(i)];
        if (!HasPosition(fix))
            continue;
        const double cosLat = measure ? std::cos(fix.Latitude * kRadiansPerDegree) : 0.0;
        if (!last || Splits(ms[*last], ms[i], gapMs)) {
            if (last)
                out.Trips.push_back(walk.Close(*last + 1, ms[*last]));
            walk = TripWalk{};
            walk.Current.Begin = i;
            walk.Current.FirstMs = ms[i];
        } else if (measure) {
            const TGpsFix& prev = fixes[out.TableIndex(*last)];
            walk.Current.DistanceM += HaversineM(prev.Latitude, lastCos, prev.Longitude,
                                                 fix.Latitude, cosLat, fix.Longitude);
        }
        ++walk.Current.Fixes;
        if (measure)
            walk.Add(fix);
        last = i;
        lastCos = cosLat;
    }
    if (last)
        out.Trips.push_back(walk.Close(*last + 1, ms[*last]));
}

} // namespace

double GreatCircleM(double lat1, double lon1, double lat2, double lon2)
{
    return HaversineM(lat1, std::cos(lat1 * kRadiansPerDegree), lon1, lat2,
                      std::cos(lat2 * kRadiansPerDegree), lon2);
}

TripAnalysis AnalyseTrips(std::span<const TGpsFix> fixes, std::int64_t gapMs, TripFigures figures)
{
    TripAnalysis out;
    std::vector<std::int64_t> ms;
    const std::vector<std::size_t> runStarts = ReadMoments(fixes, ms);
    if (runStarts.size() > 1)
        out.Order = SortMoments(ms, runStarts);
    WalkTrips(fixes, ms, gapMs, figures, out);
    out.FixCount = fixes.size();
    if (!ms.empty()) {
        out.FirstMs = ms.front();
        out.LastMs = ms.back();
    }
    for (const Trip& trip : out.Trips)
        out.DistanceM += trip.DistanceM;
    return out;
}

MsWindow TripWindow(const Trip& trip) { return CoveringWindow(trip.FirstMs, trip.LastMs); }

std::optional<std::size_t> TripAt(std::span<const Trip> trips, std::int64_t localMs,
                                  std::int64_t slackMs)
{
    // The first trip that ends at or after the moment: it holds the moment, or the moment lies
    // between the one before it and it.
    const auto after = std::partition_point(
        trips.begin(), trips.end(), [localMs](const Trip& t) { return t.LastMs < localMs; });
    const auto index = static_cast<std::size_t>(after - trips.begin());
    if (after != trips.end() && after->FirstMs <= localMs)
        return index;
    constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
    const std::int64_t toBefore = index > 0 ? localMs - trips[index - 1].LastMs : kNever;
    const std::int64_t toAfter = after != trips.end() ? after->FirstMs - localMs : kNever;
    if (std::min(toBefore, toAfter) > slackMs)
        return std::nullopt;
    return toBefore <= toAfter ? index - 1 : index;
}
