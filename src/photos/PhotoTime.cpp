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
    const std::optional<CalendarTime> t = ParseDateTimeText(Trimmed(text), ':');
    if (!t || !EncodeDate(t->Year, t->Month, t->Day))
        return std::nullopt;
    return t;
}

std::optional<std::int32_t> ParseExifOffset(std::string_view text)
{
    return ParseUtcOffsetText(Trimmed(text));
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

std::int64_t ClockErrorSecondsFor(const PhotoMoment& moment, std::int64_t offsetMs,
                                  std::int64_t trueUtcMs)
{
    // The camera's clock in UTC, before any error is taken off it.
    const std::int64_t cameraUtcMs = moment.UtcMs + offsetMs;
    const std::int64_t errorMs = cameraUtcMs - trueUtcMs;
    // Half a second rounds away from zero, alike for a fast and a slow camera.
    return (errorMs >= 0 ? errorMs + 500 : errorMs - 500) / 1000;
}
