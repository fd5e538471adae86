#include "convert/TimeWindow.h"

#include "store/TimeBase.h"

bool TimeWindow::Contains(const TGpsFix& fix) const
{
    if (!Start && !End)
        return true;
    const std::int64_t moment = DayCountToMilliseconds(fix.Time);
    return (!Start || *Start <= moment) && (!End || moment < *End);
}

bool AnyContains(std::span<const TimeWindow> windows, const TGpsFix& fix)
{
    for (const TimeWindow& window : windows)
        if (window.Contains(fix))
            return true;
    return false;
}
