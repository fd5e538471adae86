#include "photos/PhotoTime.h"

#include "store/TimeBase.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The text without the spaces and zeros that pad a fixed-size EXIF field.
std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return text;
}

} // namespace

std::optional<CalendarTime> ParseExifDateTime(std::string_view text)
{
    static constexpr std::string_view kPattern = "dddd:dd:dd dd:dd:dd";
    text = Trimmed(text);
    if (text.size() != kPattern.size())
        return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (kPattern[i] == 'd' ? !IsDigit(text[i]) : text[i] != kPattern[i])
            return std::nullopt;
    auto number = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i)
            v = v * 10 + (text[i] - '0');
        return v;
    };
    CalendarTime t;
    t.Year = number(0, 4);
    t.Month = number(5, 2);
    t.Day = number(8, 2);
    t.Hour = number(11, 2);
    t.Minute = number(14, 2);
    t.Second = number(17, 2);
    t.Millisecond = 0;
    if (!EncodeDate(t.Year, t.Month, t.Day) || t.Hour > 23 || t.Minute > 59 || t.Second > 59)
        return std::nullopt;
    return t;
}

std::optional<std::int32_t> ParseExifOffset(std::string_view text)
{
    text = Trimmed(text);
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':' ||
        !IsDigit(text[1]) || !IsDigit(text[2]) || !IsDigit(text[4]) || !IsDigit(text[5]))
        return std::nullopt;
    const int hours = (text[1] - '0') * 10 + (text[2] - '0');
    const int minutes = (text[4] - '0') * 10 + (text[5] - '0');
    const int offset = hours * 60 + minutes;
    if (minutes > 59 || offset > 1440)
        return std::nullopt;
    return text[0] == '+' ? offset : -offset;
}

int SubSecMilliseconds(std::string_view text)
{
    text = Trimmed(text);
    int ms = 0;
    int digits = 0;
    for (const char c : text) {
        if (!IsDigit(c))
            return 0;
        if (digits < 3)
            ms = ms * 10 + (c - '0');
        ++digits;
    }
    for (; digits < 3; ++digits)
        ms *= 10;
    return ms;
}

std::optional<PhotoMoment> PhotoMomentOf(const PhotoClock& clock, const CameraClock& camera)
{
    const std::optional<CalendarTime> fields = ParseExifDateTime(clock.DateTime);
    if (!fields)
        return std::nullopt;
    PhotoMoment moment;
    moment.TakenMs = CalendarToMilliseconds(*fields) + SubSecMilliseconds(clock.SubSec);
    const std::optional<std::int32_t> own = ParseExifOffset(clock.Offset);
    moment.ZoneFromPhoto = own.has_value();
    moment.ZoneMinutes = own ? *own : -camera.BiasMinutes;
    moment.UtcMs = moment.TakenMs - moment.ZoneMinutes * kMsPerMinute - camera.OffsetMs;
    return moment;
}
