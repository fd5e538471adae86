#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Every moment is a day count: days since 1899-12-30 00:00 as a double, the fraction being the
// time of day. 1970-01-01 00:00 is 25569.0 and one millisecond is 1/86400000.
constexpr double kUnixEpochDayCount = 25569.0;
// 2021-01-01 00:00:00.000, the earliest time a sector-log fix may carry.
constexpr double kSectorLogEarliestTime = 44197.0;
constexpr std::int64_t kMillisecondsPerDay = 86400000;
constexpr std::int64_t kMsPerSecond = 1000;
constexpr std::int64_t kMsPerMinute = 60 * kMsPerSecond;
constexpr std::int64_t kMsPerHour = 60 * kMsPerMinute;
// 1970-01-01 00:00 in whole milliseconds since 1899-12-30 00:00.
constexpr std::int64_t kUnixEpochMs =
    static_cast<std::int64_t>(kUnixEpochDayCount) * kMillisecondsPerDay;

// The start of the second that holds a moment of whole milliseconds (also before 1899-12-30).
[[nodiscard]] constexpr std::int64_t FloorToSecond(std::int64_t ms)
{
    const std::int64_t r = ms % kMsPerSecond;
    return ms - (r < 0 ? r + kMsPerSecond : r);
}

// The local time base from a time-zone bias in minutes (UTC = local time + bias).
double LocalEpochFromBias(std::int32_t biasMinutes);

// A logger time (seconds since 1970-01-01 UTC and a millisecond) as a local day count. The two
// steps are rounded to double separately, as the loggers' software did.
double LoggerTimeToDayCount(std::int64_t seconds, std::uint32_t millisecond, double localEpoch);

// One GPS week, and the weeks that a ten-bit week counter wraps after.
constexpr std::int64_t kSecondsPerWeek = 604800;
constexpr std::int32_t kWeekRolloverWeeks = 1024;

// How logger times become local day counts: the local time base, and the whole seconds added to
// every logger time first (the repair of a missed GPS week rollover). A plain time base converts
// to a clock without repair.
struct LoggerClock {
    double LocalEpoch = kUnixEpochDayCount;
    std::int64_t ShiftSeconds = 0;

    LoggerClock(double localEpoch = kUnixEpochDayCount, std::int64_t shiftSeconds = 0)
        : LocalEpoch(localEpoch), ShiftSeconds(shiftSeconds)
    {
    }
    // The day count of a logger time, shifted in 64-bit whole seconds before the conversion.
    [[nodiscard]] double DayCount(std::int64_t seconds, std::uint32_t millisecond) const
    {
        return LoggerTimeToDayCount(seconds + ShiftSeconds, millisecond, LocalEpoch);
    }
};

// The day number of a calendar date (years 1..9999), or nothing for an impossible date.
std::optional<double> EncodeDate(int year, int month, int day);
// The fraction of a day of a time; hour 0..23, minute 0..59, second 0..59, millisecond 0..999.
double EncodeTime(int hour, int minute, int second, int millisecond);
// Date plus time of day, summed in extended precision; nothing for an impossible date.
std::optional<double> EncodeDateTime(int year, int month, int day, int hour, int minute,
                                     int second);

struct CalendarTime {
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

// Splits a day count into calendar fields after rounding it to the nearest whole millisecond.
// Values outside years 1..9999 (or not finite) give 1899-12-30 00:00:00.000.
CalendarTime DecodeDayCount(double dayCount);
// The whole milliseconds since 1899-12-30 00:00 that DecodeDayCount splits: 0 for the values it
// prints as 1899-12-30 00:00:00.000.
std::int64_t PrintedMilliseconds(double dayCount);

// A day count as whole milliseconds since 1899-12-30 00:00, rounded to nearest in extended
// precision exactly as the printed time rounds it; 0 for a value that is not finite.
std::int64_t DayCountToMilliseconds(double dayCount);
// Whole milliseconds since 1899-12-30 00:00 of calendar fields (any year, no range checks).
std::int64_t CalendarToMilliseconds(const CalendarTime& time);
// The calendar fields of whole milliseconds since 1899-12-30 00:00 (proleptic Gregorian).
CalendarTime MillisecondsToCalendar(std::int64_t milliseconds);

// A zone's offset east of UTC in minutes from "+HH:MM" or "-HH:MM" (minutes 00-59, at most a
// day): "+09:00" is 540.
std::optional<std::int32_t> ParseUtcOffsetText(std::string_view text);
// "+HH:MM" or "-HH:MM" of a zone's offset east of UTC in minutes (hours below 100): 540 gives
// "+09:00", the text ParseUtcOffsetText reads.
std::string FormatUtcOffsetText(std::int32_t eastMinutes);

// The fields of a text shaped "YYYY-MM-DD hh:mm:ss" (with `dateSeparator` between the date's
// fields), when every digit is there and the hour, minute and second are in range; the date is
// not checked, so a date that does not exist is told apart by the caller (EncodeDate).
std::optional<CalendarTime> ParseDateTimeText(std::string_view text, char dateSeparator);

// "yyyy/mm/dd hh:nn:ss.zzz" of calendar fields, with the given date and time separators.
std::string FormatCalendarTime(const CalendarTime& time, std::string_view dateSeparator = "/",
                               std::string_view timeSeparator = ":");
// "yyyy/mm/dd hh:nn:ss.zzz" with the given date and time separators.
std::string FormatDayCount(double dayCount, std::string_view dateSeparator = "/",
                           std::string_view timeSeparator = ":");
