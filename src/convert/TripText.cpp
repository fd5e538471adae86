#include "convert/TripText.h"

#include "export/FigureText.h"
#include "export/NumberFormat.h"
#include "store/TimeBase.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <utility>

namespace {

void AppendMoment(std::string& row, std::int64_t ms)
{
    const CalendarTime t = MillisecondsToCalendar(ms);
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.Year,
                                t.Month, t.Day, t.Hour, t.Minute, t.Second, t.Millisecond);
    row.append(buf, static_cast<std::size_t>(n));
}

// A figure with `decimals` digits, or "-" when there is none.
void AppendFigure(std::string& row, std::optional<double> value, int decimals)
{
    if (!value) {
        row += '-';
        return;
    }
    std::array<char, 400> buf; // the widest double has 309 integer digits
    row.append(buf.data(), AppendFixed(buf.data(), *value, decimals));
}

// One number of a trip list: digits only, 1..kMaxTripNumber.
std::optional<std::int32_t> ParseNumber(std::string_view text)
{
    if (text.empty() || text.front() == '-')
        return std::nullopt;
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end || value < 1 || value > kMaxTripNumber)
        return std::nullopt;
    return value;
}

} // namespace

std::string FormatTripRow(std::size_t number, const Trip& trip, const MovingFigures& moving,
                          std::int64_t shiftMs)
{
    std::string row = std::to_string(number);
    row += '\t';
    AppendMoment(row, trip.FirstMs + shiftMs);
    row += '\t';
    AppendMoment(row, trip.LastMs + shiftMs);
    row += '\t';
    row += std::to_string(trip.FixCount());
    row += '\t';
    row += DurationText(trip.DurationMs());
    row += '\t';
    AppendFigure(row, trip.DistanceM / 1000.0, 3);
    row += '\t';
    AppendFigure(row, trip.MaxSpeedKmh, 1);
    row += '\t';
    AppendFigure(row, trip.MinHeightM, 1);
    row += '\t';
    AppendFigure(row, trip.MaxHeightM, 1);
    row += '\t';
    row += DurationText(moving.MovingMs);
    row += '\t';
    AppendFigure(row, moving.AvgMovingKmh, 1);
    row += '\t';
    AppendFigure(row, moving.AscentM, 1);
    row += '\t';
    AppendFigure(row, moving.DescentM, 1);
    return row;
}

std::optional<std::vector<std::int32_t>> ParseTripList(std::string_view text)
{
    // Ranges first, numbers last: overlapping ranges never repeat work or numbers.
    std::vector<std::pair<std::int32_t, std::int32_t>> ranges;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, comma - start);
        const std::size_t dash = item.find('-');
        const auto first = ParseNumber(item.substr(0, dash));
        const auto last =
            dash == std::string_view::npos ? first : ParseNumber(item.substr(dash + 1));
        if (!first || !last || *last < *first)
            return std::nullopt;
        ranges.emplace_back(*first, *last);
        start = comma + 1;
    }
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::int32_t> numbers;
    std::int32_t next = 1;
    for (const auto& [first, last] : ranges) {
        for (std::int32_t n = std::max(first, next); n <= last; ++n)
            numbers.push_back(n);
        next = std::max(next, last + 1);
    }
    return numbers;
}
