#include "geometry/Profile.h"

#include "store/TimeBase.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();
// The most steps of the grid a band's scale spans.
constexpr double kMostSteps = 6;

// Folds the values of positions [first, last) into columns of `cellPixels` from the axis's left,
// appending a column where the next value falls into another one than the last.
void Fold(std::span<const std::int64_t> moments, std::span<const float> values, std::size_t first,
          std::size_t last, const TimeAxis& axis, double cellPixels,
          std::vector<ProfileColumn>& columns)
{
    const double msPerCell = axis.MsPerPixel() * cellPixels;
    // The moments before `nextMs` (after the column's start) fall into the last column: one
    // comparison a value, a division only where a column starts.
    double nextMs = -std::numeric_limits<double>::infinity();
    double columnStartMs = std::numeric_limits<double>::infinity();
    for (std::size_t i = first; i < last; ++i) {
        const float v = values[i];
        if (!std::isfinite(v))
            continue;
        const auto ms = static_cast<double>(moments[i] - axis.FirstMs);
        if (ms >= nextMs || ms < columnStartMs) {
            const double c = std::floor(ms / msPerCell);
            columnStartMs = c * msPerCell;
            nextMs = (c + 1) * msPerCell;
            columns.push_back({axis.Left + (c + 0.5) * cellPixels, v, v, v, v});
            continue;
        }
        ProfileColumn& back = columns.back();
        back.Min = std::min(back.Min, v);
        back.Max = std::max(back.Max, v);
        back.Last = v;
    }
}

// The lowest and highest value of the columns, of those within [left, right] when any lies
// there.
std::optional<std::pair<float, float>> RangeOf(const std::vector<ProfileLayer::Run>& runs,
                                               double left, double right)
{
    std::optional<std::pair<float, float>> within;
    std::optional<std::pair<float, float>> all;
    const auto widen = [](std::optional<std::pair<float, float>>& range, const ProfileColumn& c) {
        range = range ? std::pair(std::min(range->first, c.Min), std::max(range->second, c.Max))
                      : std::pair(c.Min, c.Max);
    };
    for (const ProfileLayer::Run& run : runs)
        for (const ProfileColumn& c : run.Columns) {
            widen(all, c);
            if (c.X >= left && c.X <= right)
                widen(within, c);
        }
    return within ? within : all;
}

// The smallest of 1, 2 or 5 times a power of ten that is at least `least` (above 0).
double NiceStep(double least)
{
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= least * (1 - 1e-12))
            return factor * power;
    return 10 * power;
}

} // namespace

ProfileSeries::ProfileSeries(std::span<const TGpsFix> fixes, const TripAnalysis& analysis,
                             std::span<const DroppedRecord> dropped)
{
    m_moments.reserve(fixes.size());
    m_speeds.reserve(fixes.size());
    m_heights.reserve(fixes.size());
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        const TGpsFix& fix = fixes[analysis.TableIndex(i)];
        m_moments.push_back(DayCountToMilliseconds(fix.Time));
        // A record without a fix holds a stale position and speed: nothing to show.
        const bool shown = HasPosition(fix);
        m_speeds.push_back(shown ? fix.Speed : kNoValue);
        m_heights.push_back(shown ? fix.ExtraValue : kNoValue);
    }
    m_trips.reserve(analysis.Trips.size());
    for (const Trip& trip : analysis.Trips)
        m_trips.emplace_back(trip.Begin, trip.End);

    std::vector<std::size_t> order(dropped.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return dropped[a].Time < dropped[b].Time;
    });
    for (const std::size_t i : order) {
        m_droppedMoments.push_back(DayCountToMilliseconds(dropped[i].Time));
        m_droppedSpeeds.push_back(dropped[i].Speed);
        m_droppedHeights.push_back(dropped[i].Height);
    }
}

std::span<const float> ProfileSeries::Values(ProfileValue value) const
{
    return value == ProfileValue::SpeedKmh ? m_speeds : m_heights;
}

std::span<const float> ProfileSeries::DroppedValues(ProfileValue value) const
{
    return value == ProfileValue::SpeedKmh ? m_droppedSpeeds : m_droppedHeights;
}

bool ProfileSeries::HasValue(std::size_t position) const
{
    return std::isfinite(m_speeds[position]) || std::isfinite(m_heights[position]);
}

std::optional<std::size_t> ProfileSeries::NearestAt(std::int64_t ms, std::int64_t slackMs) const
{
    const auto at = std::lower_bound(m_moments.begin(), m_moments.end(), ms);
    std::optional<std::size_t> before;
    for (auto i = static_cast<std::size_t>(at - m_moments.begin());
         i > 0 && m_moments[i - 1] >= ms - slackMs; --i)
        if (HasValue(i - 1)) {
            before = i - 1;
            break;
        }
    std::optional<std::size_t> after;
    for (auto i = static_cast<std::size_t>(at - m_moments.begin());
         i < m_moments.size() && m_moments[i] <= ms + slackMs; ++i)
        if (HasValue(i)) {
            after = i;
            break;
        }
    if (before && after)
        return ms - m_moments[*before] <= m_moments[*after] - ms ? before : after;
    return before ? before : after;
}

std::size_t ProfileLayer::ColumnCount() const
{
    std::size_t count = Dropped.size();
    for (const Run& run : Runs)
        count += run.Columns.size();
    return count;
}

ProfileLayer LayProfile(const ProfileSeries& series, ProfileValue value, const TimeAxis& axis,
                        double cellPixels)
{
    ProfileLayer layer;
    const std::span<const std::int64_t> moments = series.Moments();
    const std::span<const float> values = series.Values(value);
    // The positions within the span, and one more on either side.
    const auto from = static_cast<std::size_t>(
        std::lower_bound(moments.begin(), moments.end(), axis.FirstMs) - moments.begin());
    const auto to = static_cast<std::size_t>(
        std::upper_bound(moments.begin(), moments.end(), axis.LastMs) - moments.begin());
    const std::span<const std::pair<std::size_t, std::size_t>> trips = series.Trips();
    for (std::size_t t = 0; t < trips.size(); ++t) {
        const auto [begin, end] = trips[t];
        if (begin >= end || moments[begin] > axis.LastMs || moments[end - 1] < axis.FirstMs)
            continue;
        ProfileLayer::Run run{t, {}};
        Fold(moments, values, std::max(begin, from == 0 ? 0 : from - 1), std::min(end, to + 1),
             axis, cellPixels, run.Columns);
        if (!run.Columns.empty())
            layer.Runs.push_back(std::move(run));
    }
    const std::span<const std::int64_t> dropped = series.DroppedMoments();
    Fold(dropped, series.DroppedValues(value),
         static_cast<std::size_t>(std::lower_bound(dropped.begin(), dropped.end(), axis.FirstMs) -
                                  dropped.begin()),
         static_cast<std::size_t>(std::upper_bound(dropped.begin(), dropped.end(), axis.LastMs) -
                                  dropped.begin()),
         axis, cellPixels, layer.Dropped);
    layer.Range = RangeOf(layer.Runs, axis.Left, axis.Left + axis.Width);
    return layer;
}

ProfileScale ChooseProfileScale(const std::optional<std::pair<float, float>>& range, bool fromZero,
                                double shortestSpan)
{
    double low = range ? range->first : 0.0;
    double high = range ? range->second : 0.0;
    if (fromZero)
        low = std::min(low, 0.0);
    // Never narrower than the shortest span, widened about the range's middle (or up from 0).
    if (high - low < shortestSpan) {
        const double middle = (low + high) / 2;
        low = fromZero && low >= 0 ? 0.0 : middle - shortestSpan / 2;
        high = low + shortestSpan;
    }
    double step = NiceStep((high - low) / kMostSteps);
    while (std::ceil(high / step) - std::floor(low / step) > kMostSteps)
        step = NiceStep(step * 1.5);
    ProfileScale scale{std::floor(low / step) * step, std::ceil(high / step) * step, step};
    if (scale.High <= scale.Low)
        scale.High = scale.Low + step;
    return scale;
}
