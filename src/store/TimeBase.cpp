#include "store/TimeBase.h"

#include "store/Digits.h"
#include "system/WholePart.h"

#include <array>
#include <cmath>

namespace {

constexpr long double kMillisecondsPerDayL = 86400000.0L;

// Days from 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's days_from_civil).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Day counts of 0001-01-01 and of 10000-01-01.
constexpr double kFirstDay = -693593.0;
constexpr double kEndDay = 2958466.0;

} // namespace

double LocalEpochFromBias(std::int32_t biasMinutes)
{
    return static_cast<double>(static_cast<long double>(kUnixEpochDayCount) -
                               biasMinutes / 1440.0L);
}

namespace {

// The time of day of every millisecond value a fix can carry, rounded to double once: decoding
// looks them up instead of dividing for every record.
const std::array<double, 1000> kMillisecondFractions = [] {
    std::array<double, 1000> table{};
    for (std::uint32_t ms = 0; ms < table.size(); ++ms)
        table[ms] = static_cast<double>(ms / kMillisecondsPerDayL);
    return table;
}();

} // namespace

double LoggerTimeToDayCount(std::int64_t seconds, std::uint32_t millisecond, double localEpoch)
{
    // Two roundings to double, as the loggers' software stored the sum before adding the
    // millisecond: the last bit of the day count decides 210 ms neighbours and whole-second
    // window boundaries, so the order matters.
    double time = static_cast<double>(static_cast<long double>(seconds) / 86400 + localEpoch);
    const double fraction = millisecond < kMillisecondFractions.size()
                                ? kMillisecondFractions[millisecond]
                                : static_cast<double>(millisecond / kMillisecondsPerDayL);
    time = static_cast<double>(static_cast<long double>(time) + fraction);
    return time;
}

std::optional<double> EncodeDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return std::nullopt;
    return static_cast<double>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
        static_cast<std::int64_t>(kUnixEpochDayCount));
}

double EncodeTime(int hour, int minute, int second, int millisecond)
{
    const long double ms =
        static_cast<long double>(hour) * 3600000 + minute * 60000 + second * 1000 + millisecond;
    return static_cast<double>(ms / kMillisecondsPerDayL);
}

std::optional<double> EncodeDateTime(int year, int month, int day, int hour, int minute, int second)
{
    const std::optional<double> date = EncodeDate(year, month, day);
    if (!date)
        return std::nullopt;
    const double time = EncodeTime(hour, minute, second, 0);
    return static_cast<double>(static_cast<long double>(*date) + time);
}

std::int64_t DayCountToMilliseconds(double dayCount)
{
    if (!std::isfinite(dayCount))
        return 0;
    // Round to the whole millisecond, so 12:34:56.789 never splits as 12:34:56.788999.
    const long double scaled = static_cast<long double>(dayCount) * kMillisecondsPerDayL;
    const long double limit = 0x1p62L;
    if (!(scaled > -limit && scaled < limit))
        return scaled < 0 ? -static_cast<std::int64_t>(limit) : static_cast<std::int64_t>(limit);
    return scaled >= 0 ? WholePart(scaled + 0.5L) : -WholePart(0.5L - scaled);
}

std::int64_t CalendarToMilliseconds(const CalendarTime& t)
{
    const std::int64_t days =
        DaysFromCivil(t.Year, static_cast<unsigned>(t.Month), static_cast<unsigned>(t.Day)) +
        static_cast<std::int64_t>(kUnixEpochDayCount);
    return days * kMillisecondsPerDay + std::int64_t{t.Hour} * 3600000 +
           std::int64_t{t.Minute} * 60000 + std::int64_t{t.Second} * 1000 + t.Millisecond;
}

CalendarTime MillisecondsToCalendar(std::int64_t ms)
{
    CalendarTime t;
    std::int64_t days = ms / kMillisecondsPerDay;
    std::int64_t msOfDay = ms % kMillisecondsPerDay;
    if (msOfDay < 0) {
        msOfDay += kMillisecondsPerDay;
        --days;
    }
    // Neighbouring records fall on the same day: each thread keeps the last date it worked out.
    thread_local std::int64_t lastDays = INT64_MIN;
    thread_local CalendarTime lastDate;
    if (days != lastDays) {
        CivilFromDays(days - static_cast<std::int64_t>(kUnixEpochDayCount), lastDate.Year,
                      lastDate.Month, lastDate.Day);
        lastDays = days;
    }
    t.Year = lastDate.Year;
    t.Month = lastDate.Month;
    t.Day = lastDate.Day;
    t.Hour = static_cast<int>(msOfDay / 3600000);
    t.Minute = static_cast<int>(msOfDay / 60000 % 60);
    t.Second = static_cast<int>(msOfDay / 1000 % 60);
    t.Millisecond = static_cast<int>(msOfDay % 1000);
    return t;
}

std::int64_t PrintedMilliseconds(double dayCount)
{
    if (!std::isfinite(dayCount) || dayCount < kFirstDay || dayCount >= kEndDay)
        return 0;
    return DayCountToMilliseconds(dayCount);
}

CalendarTime DecodeDayCount(double dayCount)
{
    // 0 ms is 1899-12-30 00:00:00.000, the fields of a default CalendarTime.
    return MillisecondsToCalendar(PrintedMilliseconds(dayCount));
}

std::string FormatUtcOffsetText(std::int32_t eastMinutes)
{
    const std::int32_t minutes = eastMinutes < 0 ? -eastMinutes : eastMinutes;
    char text[6] = {eastMinutes < 0 ? '-' : '+', '0', '0', ':', '0', '0'};
    PutTwoDigits(text + 1, minutes / 60 % 100);
    PutTwoDigits(text + 4, minutes % 60);
    return {text, sizeof text};
}

std::optional<std::int32_t> ParseUtcOffsetText(std::string_view text)
{
    const auto digit = [&](std::size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':' || !digit(1) ||
        !digit(2) || !digit(4) || !digit(5))
        return std::nullopt;
    const int hours = (text[1] - '0') * 10 + (text[2] - '0');
    const int minutes = (text[4] - '0') * 10 + (text[5] - '0');
    const int offset = hours * 60 + minutes;
    if (minutes > 59 || offset > 1440)
        return std::nullopt;
    return text[0] == '+' ? offset : -offset;
}

std::optional<CalendarTime> ParseDateTimeText(std::string_view text, char dateSeparator)
{
    static constexpr std::string_view kPattern = "dddd-dd-dd dd:dd:dd";
    if (text.size() != kPattern.size())
        return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char expected = kPattern[i] == '-' ? dateSeparator : kPattern[i];
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (expected == 'd' ? !digit : text[i] != expected)
            return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i)
            v = v * 10 + (text[i] - '0');
        return v;
    };
    const CalendarTime t{
        number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2), 0};
    if (t.Hour > 23 || t.Minute > 59 || t.Second > 59)
        return std::nullopt;
    return t;
}

std::string FormatCalendarTime(const CalendarTime& t, std::string_view dateSeparator,
                               std::string_view timeSeparator)
{
    char buf[2];
    std::string s;
    if (t.Year >= 0 && t.Year <= 9999) {
        char year[4];
        year[0] = static_cast<char>('0' + t.Year / 1000);
        year[1] = static_cast<char>('0' + t.Year / 100 % 10);
        PutTwoDigits(year + 2, t.Year % 100);
        s.append(year, 4);
    } else {
        s = std::to_string(t.Year);
    }
    s.append(dateSeparator);
    s.append(buf, PutTwoDigits(buf, t.Month)).append(dateSeparator);
    s.append(buf, PutTwoDigits(buf, t.Day)).append(" ");
    s.append(buf, PutTwoDigits(buf, t.Hour)).append(timeSeparator);
    s.append(buf, PutTwoDigits(buf, t.Minute)).append(timeSeparator);
    s.append(buf, PutTwoDigits(buf, t.Second)).append(".");
    s.push_back(static_cast<char>('0' + t.Millisecond / 100));
    s.append(buf, PutTwoDigits(buf, t.Millisecond % 100));
    return s;
}

std::string FormatDayCount(double dayCount, std::string_view dateSeparator,
                           std::string_view timeSeparator)
{
    return FormatCalendarTime(DecodeDayCount(dayCount), dateSeparator, timeSeparator);
}
