#include "convert/TimeWindow.h"

#include "store/TimeBase.h"

#include <algorithm>

bool TimeWindow::Contains(const TGpsFix& fix) const
{
    if (!Start && !End)
        return true;
    const std::int64_t moment = DayCountToMilliseconds(fix.Time);
    return (!Start || *Start <= moment) && (!End || moment < *End);
}

TimeWindow TimeWindow::Within(std::int64_t start, std::int64_t end) const
{
    return {Start ? std::max(*Start, start) : start, End ? std::min(*End, end) : end};
}

std::optional<std::int64_t> MomentOfFields(const CalendarTime& fields)
{
    if (!EncodeDate(fields.Year, fields.Month, fields.Day))
        return std::nullopt;
    CalendarTime whole = fields;
    whole.Millisecond = 0;
    return CalendarToMilliseconds(whole);
}

MsWindow CoveringWindow(std::int64_t firstMs, std::int64_t lastMs)
{
    return {FloorToSecond(firstMs), FloorToSecond(lastMs) + kMsPerSecond};
}

bool AnyContains(std::span<const TimeWindow> windows, const TGpsFix& fix)
{
    for (const TimeWindow& window : windows)
        if (window.Contains(fix))
            return true;
    return false;
}
