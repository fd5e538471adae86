#include "system/Zone.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace {

// Seconds since 1970-01-01 UTC of 00:00 UTC on a day of the proleptic Gregorian calendar.
std::int64_t UnixSecondsOf(std::chrono::year_month_day day)
{
    return std::chrono::sys_seconds(std::chrono::sys_days(day)).time_since_epoch().count();
}

} // namespace

std::int32_t ZoneBiasAt(std::int64_t unixSeconds)
{
    tzset();
    const auto t = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr)
        return 0;
    return static_cast<std::int32_t>(-local.tm_gmtoff / 60);
}

std::int32_t StandardTimeZoneBias()
{
    // The standard time of a zone is the smaller of its offsets on 1 January and 1 July: tz rules
    // model Irish winter time as negative daylight saving, so the C library's "standard" offset
    // of Europe/Dublin is its summer time.
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    gmtime_r(&now, &today);
    const std::chrono::year year(today.tm_year + 1900);
    return std::max(ZoneBiasAt(UnixSecondsOf(year / std::chrono::January / 1)),
                    ZoneBiasAt(UnixSecondsOf(year / std::chrono::July / 1)));
}
