#include "photos/ClockError.h"

#include <charconv>
#include <cstdio>

namespace {

// Whole digits of `text` from `at` into `value`; the index after them, npos when none.
std::size_t Digits(std::string_view text, std::size_t at, std::int64_t& value)
{
    if (at >= text.size() || text[at] < '0' || text[at] > '9')
        return std::string_view::npos;
    const auto [end, ec] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    return ec == std::errc() ? static_cast<std::size_t>(end - text.data()) : std::string_view::npos;
}

// ".f", ".ff" or ".fff" at `at` to the end, in milliseconds; nothing at the end is 0.
std::optional<std::int64_t> Fraction(std::string_view text, std::size_t at)
{
    if (at == text.size())
        return 0;
    const std::size_t figures = text.size() - at - 1;
    std::int64_t fraction = 0;
    if (text[at] != '.' || figures == 0 || figures > 3 ||
        Digits(text, at + 1, fraction) != text.size())
        return std::nullopt;
    for (std::size_t i = figures; i < 3; ++i)
        fraction *= 10;
    return fraction;
}

// "H:MM:SS" from `at` in seconds, with `at` moved past it; nothing when it is not one.
std::optional<std::int64_t> HoursMinutesSeconds(std::string_view text, std::size_t& at)
{
    std::int64_t hours = 0, minutes = 0, seconds = 0;
    std::size_t end = Digits(text, at, hours);
    if (end == std::string_view::npos || end >= text.size() || text[end] != ':' ||
        Digits(text, end + 1, minutes) != end + 3 || text[end + 3] != ':' ||
        Digits(text, end + 4, seconds) != end + 6 || minutes >= 60 || seconds >= 60 ||
        hours > kMostClockErrorSeconds / 3600)
        return std::nullopt;
    at = end + 6;
    return (hours * 60 + minutes) * 60 + seconds;
}

} // namespace

std::optional<std::int64_t> ParseClockError(std::string_view text)
{
    const bool negative = !text.empty() && text[0] == '-';
    std::size_t at = !text.empty() && (text[0] == '+' || negative) ? 1 : 0;
    std::optional<std::int64_t> seconds;
    if (text.find(':') != std::string_view::npos) {
        seconds = HoursMinutesSeconds(text, at);
    } else {
        std::int64_t whole = 0;
        at = Digits(text, at, whole);
        if (at != std::string_view::npos)
            seconds = whole;
    }
    if (!seconds || *seconds > kMostClockErrorSeconds)
        return std::nullopt;
    const std::optional<std::int64_t> ms = Fraction(text, at);
    if (!ms)
        return std::nullopt;
    const std::int64_t total = *seconds * 1000 + *ms;
    return negative ? -total : total;
}

std::string ClockErrorHms(std::int64_t seconds)
{
    const std::int64_t magnitude = seconds < 0 ? -seconds : seconds;
    char text[48];
    std::snprintf(text, sizeof text, "%c%lld:%02lld:%02lld", seconds < 0 ? '-' : '+',
                  static_cast<long long>(magnitude / 3600),
                  static_cast<long long>(magnitude / 60 % 60),
                  static_cast<long long>(magnitude % 60));
    return text;
}
