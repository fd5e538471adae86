#include "app/ControlTime.h"

#include <tuple>

namespace {

auto Fields(const CalendarTime& t)
{
    return std::tuple(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second);
}

} // namespace

CalendarTime CutToSecond(double dayCount)
{
    CalendarTime time = DecodeDayCount(dayCount);
    time.Millisecond = 0;
    return time;
}

CalendarTime AddOneSecond(const CalendarTime& time)
{
    CalendarTime whole = time;
    whole.Millisecond = 0;
    return MillisecondsToCalendar(CalendarToMilliseconds(whole) + 1000);
}

CalendarTime ClampToControls(const CalendarTime& time)
{
    const CalendarTime first{kFirstControlYear, 1, 1, 0, 0, 0, 0};
    const CalendarTime last{kLastControlYear, 12, 31, 23, 59, 59, 0};
    if (Fields(time) < Fields(first))
        return first;
    if (Fields(time) > Fields(last))
        return last;
    CalendarTime clamped = time;
    clamped.Millisecond = 0;
    return clamped;
}
