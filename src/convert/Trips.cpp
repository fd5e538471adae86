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

    void Add(const TGpsFix& fix)
    {
        if (std::isfinite(fix.Speed))
            MaxSpeed = std::max(MaxSpeed, fix.Speed);
        if (std::isfinite(fix.ExtraValue)) {
            MinHeight = std::min(MinHeight, fix.ExtraValue);
            MaxHeight = std::max(MaxHeight, fix.ExtraValue);
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
// lie between two of its fixes.
void SplitTrips(std::span<const TGpsFix> fixes, const std::vector<std::int64_t>& ms,
                std::int64_t gapMs, TripAnalysis& out)
{
    Trip current;
    std::optional<std::size_t> last; // the position of the last fix with a position
    const auto close = [&] {
        current.End = *last + 1;
        current.LastMs = ms[*last];
        out.Trips.push_back(current);
    };
    for (std::size_t i = 0; i < ms.size(); ++i) {
        if (!HasPosition(fixes[out.TableIndex(i)]))
            continue;
        if (!last || Splits(ms[*last], ms[i], gapMs)) {
            if (last)
                close();
            current = Trip{};
            current.Begin = i;
            current.FirstMs = ms[i];
        }
        ++current.Fixes;
        last = i;
    }
    if (last)
        close();
}

// Scratch space of the measurement, kept from trip to trip.
struct TripScratch {
    std::vector<PathPoint> Points;
    std::vector<std::size_t> Positions; // the time-order position of each point
    std::vector<TrackStep> Steps;
};

// Marks what each fix of the trip is to its path and works out the path's figures.
void MeasureTrip(std::span<const TGpsFix> fixes, const std::vector<std::int64_t>& ms, Trip& trip,
                 TripAnalysis& out, TripScratch& scratch)
{
    scratch.Points.clear();
    scratch.Positions.clear();
    for (std::size_t i = trip.Begin; i < trip.End; ++i) {
        const TGpsFix& fix = fixes[out.TableIndex(i)];
        if (!HasPosition(fix))
            continue;
        scratch.Points.push_back(MakePathPoint(fix.Latitude, fix.Longitude, ms[i]));
        scratch.Positions.push_back(i);
    }
    scratch.Steps.assign(scratch.Points.size(), TrackStep::Path);
    MarkTrackSteps(scratch.Points, scratch.Steps);
    trip.DistanceM = PathLengthM(scratch.Points, scratch.Steps);
    TripExtremes extremes;
    for (std::size_t k = 0; k < scratch.Points.size(); ++k) {
        out.Steps[scratch.Positions[k]] = scratch.Steps[k];
        if (scratch.Steps[k] != TrackStep::Excursion)
            extremes.Add(fixes[out.TableIndex(scratch.Positions[k])]);
    }
    extremes.Into(trip);
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
    SplitTrips(fixes, ms, gapMs, out);
    if (figures == TripFigures::All) {
        out.Steps.assign(ms.size(), TrackStep::None);
        TripScratch scratch;
        for (Trip& trip : out.Trips)
            MeasureTrip(fixes, ms, trip, out, scratch);
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
