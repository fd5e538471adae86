#include "app/ControlTime.h"

#include <chrono>
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
    using namespace std::chrono;
    const sys_days day{year{time.Year} / month{static_cast<unsigned>(time.Month)} /
                       std::chrono::day{static_cast<unsigned>(time.Day)}};
    const sys_seconds moment =
        day + hours{time.Hour} + minutes{time.Minute} + seconds{time.Second} + seconds{1};
    const sys_days newDay = floor<days>(moment);
    const year_month_day date{newDay};
    const hh_mm_ss<seconds> clock{moment - newDay};

    CalendarTime next;
    next.Year = static_cast<int>(date.year());
    next.Month = static_cast<int>(static_cast<unsigned>(date.month()));
    next.Day = static_cast<int>(static_cast<unsigned>(date.day()));
    next.Hour = static_cast<int>(clock.hours().count());
    next.Minute = static_cast<int>(clock.minutes().count());
    next.Second = static_cast<int>(clock.seconds().count());
    next.Millisecond = 0;
    return next;
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
