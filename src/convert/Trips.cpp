#include "convert/Trips.h"

#include "store/TimeBase.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

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

// The extremes of a trip's fixes on its path; they start out infinite and stay so when no fix
// carries a finite value.
struct TripExtremes {
    float MaxSpeed = -std::numeric_limits<float>::infinity();
    float MinHeight = std::numeric_limits<float>::infinity();
    float MaxHeight = -std::numeric_limits<float>::infinity();

    void Add(float speedKmh, float heightM)
    {
        if (std::isfinite(speedKmh))
            MaxSpeed = std::max(MaxSpeed, speedKmh);
        if (std::isfinite(heightM)) {
            MinHeight = std::min(MinHeight, heightM);
            MaxHeight = std::max(MaxHeight, heightM);
        }
    }

    void Into(Trip& trip) const
    {
        if (std::isfinite(MaxSpeed))
            trip.MaxSpeedKmh = MaxSpeed;
        if (std::isfinite(MinHeight)) {
            trip.MinHeightM = MinHeight;
            trip.MaxHeightM = MaxHeight;
        }
    }
};

// Trips are made of the fixes with a position; the records without one (a logger's "no fix"
// records carry a stale position) start and count nothing, and belong to a trip only when they
// lie between two of its fixes. `onFix(position, fix)` sees each fix with a position after its
// trip has begun, `onTrip(trip)` each trip once it is closed in out.Trips.
template <class OnFix, class OnTrip>
void SplitTrips(std::span<const TGpsFix> fixes, const std::vector<std::int64_t>& ms,
                std::int64_t gapMs, TripAnalysis& out, OnFix onFix, OnTrip onTrip)
{
    Trip current;
    std::optional<std::size_t> last; // the position of the last fix with a position
    const auto close = [&] {
        current.End = *last + 1;
        current.LastMs = ms[*last];
        out.Trips.push_back(current);
        onTrip(out.Trips.back());
    };
    for (std::size_t i = 0; i < ms.size(); ++i) {
        const TGpsFix& fix = fixes[out.TableIndex(i)];
        if (!HasPosition(fix))
            continue;
        if (!last || Splits(ms[*last], ms[i], gapMs)) {
            if (last)
                close();
            current = Trip{};
            current.Begin = i;
            current.FirstMs = ms[i];
        }
        ++current.Fixes;
        onFix(i, fix);
        last = i;
    }
    if (last)
        close();
}

// The trip being split: its points (its fixes with a position, in time order) and the extremes
// of all of them, kept from trip to trip.
struct TripPoints {
    std::vector<PathPoint> Points;
    TripExtremes Extremes;

    void Add(const TGpsFix& fix, std::int64_t ms)
    {
        Points.push_back(MakePathPoint(fix.Latitude, fix.Longitude, ms, fix.Speed));
        Extremes.Add(fix.Speed, fix.ExtraValue);
    }
    void Clear()
    {
        Points.clear();
        Extremes = {};
    }
};

// MarkPath leaves one mark a point at the front of the trip's steps; where records without a
// position lie among the fixes, the marks move out to their fixes' positions, from the back: the
// k-th point lies at or after position Begin + k, so no mark is overwritten before it moves, and
// each record without a position gets None.
void SpreadMarks(std::span<const TGpsFix> fixes, const Trip& trip, TripAnalysis& out)
{
    std::size_t k = trip.Fixes;
    for (std::size_t i = trip.End; i-- > trip.Begin;)
        out.Steps[i] =
            HasPosition(fixes[out.TableIndex(i)]) ? out.Steps[trip.Begin + --k] : TrackStep::None;
}

// The extremes of the trip's fixes on its path, without the excursions'.
TripExtremes PathExtremes(std::span<const TGpsFix> fixes, const Trip& trip, const TripAnalysis& out)
{
    TripExtremes extremes;
    for (std::size_t i = trip.Begin; i < trip.End; ++i) {
        if (out.Steps[i] == TrackStep::Path || out.Steps[i] == TrackStep::Jump) {
            const TGpsFix& fix = fixes[out.TableIndex(i)];
            extremes.Add(fix.Speed, fix.ExtraValue);
        }
    }
    return extremes;
}

// Marks what each fix of the trip is to its path and works out the path's figures.
void MeasureTrip(std::span<const TGpsFix> fixes, const TripPoints& points, Trip& trip,
                 TripAnalysis& out)
{
    const std::span<TrackStep> steps = std::span(out.Steps).subspan(trip.Begin, trip.Fixes);
    trip.DistanceM = MarkPath(points.Points, steps);
    const bool excursions =
        std::find(steps.begin(), steps.end(), TrackStep::Excursion) != steps.end();
    if (trip.Fixes != trip.End - trip.Begin)
        SpreadMarks(fixes, trip, out);
    // The extremes of all the trip's fixes hold unless an excursion is among them.
    (excursions ? PathExtremes(fixes, trip, out) : points.Extremes).Into(trip);
}

} // namespace

double GreatCircleM(double lat1, double lon1, double lat2, double lon2)
{
    return StepM(MakePathPoint(lat1, lon1, 0), MakePathPoint(lat2, lon2, 0));
}

TripAnalysis AnalyseTrips(std::span<const TGpsFix> fixes, std::int64_t gapMs, TripFigures figures)
{
    TripAnalysis out;
    std::vector<std::int64_t> ms;
    const std::vector<std::size_t> runStarts = ReadMoments(fixes, ms);
    if (runStarts.size() > 1)
        out.Order = SortMoments(ms, runStarts);
    if (figures == TripFigures::All) {
        out.Steps.assign(ms.size(), TrackStep::None);
        TripPoints points;
        SplitTrips(
            fixes, ms, gapMs, out,
            [&](std::size_t i, const TGpsFix& fix) { points.Add(fix, ms[i]); },
            [&](Trip& trip) {
                MeasureTrip(fixes, points, trip, out);
                points.Clear();
            });
    } else {
        SplitTrips(
            fixes, ms, gapMs, out, [](std::size_t, const TGpsFix&) {}, [](Trip&) {});
    }
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
