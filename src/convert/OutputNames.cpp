#include "convert/OutputNames.h"

#include "store/Digits.h"
#include "store/TimeBase.h"
#include "system/Paths.h"

#include <charconv>

std::string DefaultTarget(std::string_view path, TrackFormat format)
{
    std::string target(path.substr(0, ExtensionStart(path)));
    return target.append(ExtensionOf(format));
}

std::string PieceSuffix(std::int64_t ms, bool withTime)
{
    const CalendarTime t = MillisecondsToCalendar(ms);
    char text[48];
    char* p = text;
    *p++ = '-';
    if (t.Year >= 0 && t.Year <= 9999)
        p = PutTwoDigits(PutTwoDigits(p, t.Year / 100), t.Year % 100);
    else
        p = std::to_chars(p, p + 24, t.Year).ptr;
    p = PutTwoDigits(PutTwoDigits(p, t.Month), t.Day);
    if (withTime) {
        *p++ = '-';
        p = PutTwoDigits(PutTwoDigits(PutTwoDigits(p, t.Hour), t.Minute), t.Second);
    }
    return {text, p};
}

std::string PieceTarget(std::string_view target, std::string_view suffix)
{
    const std::size_t dot = ExtensionStart(target);
    std::string name(target.substr(0, dot));
    return name.append(suffix).append(target.substr(dot));
}
