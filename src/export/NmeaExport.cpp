#include "export/NmeaExport.h"

#include "export/ExportFormat.h"
#include "export/NumberFormat.h"
#include "store/Digits.h"
#include "store/TimeBase.h"
#include "store/Xor.h"
#include "system/WholePart.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

char* EndLine(char* p)
{
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

// "hhmmss.sss"
char* PutClock(char* p, const CalendarTime& t)
{
    p = PutTwoDigits(p, t.Hour);
    p = PutTwoDigits(p, t.Minute);
    p = PutTwoDigits(p, t.Second);
    *p++ = '.';
    *p++ = static_cast<char>('0' + t.Millisecond / 100);
    return PutTwoDigits(p, t.Millisecond % 100);
}

// "ddmmyy"
char* PutDate(char* p, const CalendarTime& t)
{
    p = PutTwoDigits(p, t.Day);
    p = PutTwoDigits(p, t.Month);
    return PutTwoDigits(p, (t.Year % 100 + 100) % 100);
}

// "$NAME,hhmmss.sss": the start of a sentence; `body` is set just after its '$'.
template <std::size_t N>
char* OpenSentence(char* out, const char (&name)[N], const CalendarTime& t, char*& body)
{
    *out++ = '$';
    body = out;
    return PutClock(Put(out, name), t);
}

// "*hh" after the sentence that starts at `body` (just after its '$').
char* CloseSentence(const char* body, char* p)
{
    const std::uint8_t checksum = XorOfBytes(body, static_cast<std::size_t>(p - body));
    *p++ = '*';
    *p++ = kHexDigits[checksum >> 4];
    *p++ = kHexDigits[checksum & 15];
    return p;
}

char* AppendCoordinate(char* out, double v)
{
    // Below 2^32 the extended-precision steps below are exact: the minutes, the fraction times
    // 15 times 4, have at most 57 significant bits, and the whole-degree part adds at most 7 bits
    // above them (64 fit). So for |v| = m / 2^shift the text is that of
    // (100 m - 40 (m mod 2^shift)) / 2^shift, which integers work out without the x87 unit.
    const auto bits = std::bit_cast<std::uint64_t>(v);
    const auto exponent = static_cast<int>(bits >> 52 & 0x7FF);
    if (exponent < 1023 + 32) {
        std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
        if (exponent != 0)
            m |= std::uint64_t{1} << 52;
        const int shift = 1075 - (exponent == 0 ? 1 : exponent); // at least 21
        const std::uint64_t fraction = shift < 64 ? m & ((std::uint64_t{1} << shift) - 1) : m;
        return AppendFixedRatio(out, 100 * m - 40 * fraction, shift, 6);
    }
    // Whole degrees times 100 plus minutes, as one number: 59.9999999' rounds into the next
    // degree by itself.
    const long double value = std::fabs(static_cast<long double>(v));
    // Whole degrees: a plain conversion covers every coordinate a fix can hold.
    const long double degrees =
        value < 0x1p62L ? static_cast<long double>(WholePart(value)) : std::trunc(value);
    const long double minutes = (value - degrees) * 60;
    return AppendFixed(out, degrees * 100 + minutes, 6);
}

// A coordinate in receivers' fixed width: "ddmm.mmmmmm" (`width` 11) or "dddmm.mmmmmm" (12),
// zero-padded in front, so that a reader that splits the degrees off by position gets them.
char* AppendPaddedCoordinate(char* out, double v, std::ptrdiff_t width)
{
    char* const end = AppendCoordinate(out, v);
    const std::ptrdiff_t missing = width - (end - out);
    if (missing <= 0)
        return end;
    std::memmove(out + missing, out, static_cast<std::size_t>(end - out));
    std::fill(out, out + missing, '0');
    return end + missing;
}

// "llll.llllll,N,yyyyy.yyyyyy,E", or four empty fields without a position.
char* PutPosition(char* p, const TGpsFix& fix)
{
    if (!HasPosition(fix))
        return Put(p, ",,,");
    p = AppendPaddedCoordinate(p, fix.Latitude, 11);
    p = (fix.Latitude >= 0 ? Put(p, ",N,") : Put(p, ",S,"));
    p = AppendPaddedCoordinate(p, fix.Longitude, 12);
    return (fix.Longitude >= 0 ? Put(p, ",E") : Put(p, ",W"));
}

// The height in metres, the shortest text that reads back to the same float, with at least one
// decimal.
char* PutHeight(char* p, float heightM)
{
    char* const end = AppendShortest(p, heightM);
    if (std::find(p, end, '.') != end)
        return end;
    return Put(end, ".0");
}

// A line for other programs, formatted with ever fewer optional fields until it fits: `format`
// takes how many of them it may still write, from `most` down to 0.
template <typename Format> char* FitLine(char* out, int most, const Format& format)
{
    for (int left = most;; --left) {
        char* const end = format(left, out);
        if (left == 0 || static_cast<std::size_t>(end - out) + 2 <= kMaxToolLineLength)
            return end;
    }
}

// The GGA quality of a fix from the logger's fix type: 0 without a position, 2 DGPS, 3 PPS,
// 4 RTK, 5 float RTK, 6 estimated, 7 manual, 8 simulated, and 1 for any other fix.
char GgaQuality(const TGpsFix& fix)
{
    if (!HasPosition(fix))
        return '0';
    const unsigned type = fix.FixType;
    if (type >= kDgpsFixType && type <= kSimulatedFixType && std::has_single_bit(type))
        return static_cast<char>('0' + std::countr_zero(type));
    return '1';
}

// RMC with the magnetic variation fields empty; `left` 2 keeps the speed and course, 1 the speed.
char* ToolRmc(const TGpsFix& fix, const RecordStyle& style, const CalendarTime& t, int left,
              char* out)
{
    char* body = nullptr;
    char* p = OpenSentence(out, "GPRMC,", t, body);
    const bool position = HasPosition(fix);
    p = (position ? Put(p, ",A,") : Put(p, ",V,"));
    p = PutPosition(p, fix);
    *p++ = ',';
    if (left >= 1 && std::isfinite(fix.Speed))
        p = AppendFixed(p, static_cast<long double>(fix.Speed) / 1.852L, 1);
    *p++ = ',';
    if (left >= 2 && style.Course && std::isfinite(fix.Course))
        p = AppendFixed(p, static_cast<double>(fix.Course), 1);
    *p++ = ',';
    p = PutDate(p, t);
    p = (position ? Put(p, ",,,A") : Put(p, ",,,N"));
    return CloseSentence(body, p);
}

// GGA: time, position, quality, satellites (where the log records them), no HDOP, height, no
// geoid separation; `left` 1 keeps the height.
char* ToolGga(const TGpsFix& fix, const RecordStyle& style, const CalendarTime& t, int left,
              char* out)
{
    char* body = nullptr;
    char* p = OpenSentence(out, "GPGGA,", t, body);
    *p++ = ',';
    p = PutPosition(p, fix);
    *p++ = ',';
    *p++ = GgaQuality(fix);
    *p++ = ',';
    // The satellites used in the fix, as two digits at least.
    if (style.Satellites) {
        if (fix.ExtraCount < 10)
            *p++ = '0';
        p = std::to_chars(p, p + 3, fix.ExtraCount).ptr;
    }
    p = Put(p, ",,");
    if (left >= 1 && std::isfinite(fix.ExtraValue))
        p = Put(PutHeight(p, fix.ExtraValue), ",M");
    else
        *p++ = ',';
    p = Put(p, ",,,,");
    return CloseSentence(body, p);
}

} // namespace

std::string FormatNmeaCoordinate(double v)
{
    char buffer[kMaxRmcLength];
    return std::string(buffer, AppendCoordinate(buffer, v));
}

char* FormatRmcLine(const TGpsFix& fix, char* out)
{
    const CalendarTime t = DecodeDayCount(fix.Time);
    char* body = nullptr;
    char* p = OpenSentence(out, "GPRMC,", t, body);
    p = Put(p, ",A,");

    p = AppendCoordinate(p, fix.Latitude);
    p = fix.Latitude >= 0 ? Put(p, ",N,") : Put(p, ",S,");
    p = AppendCoordinate(p, fix.Longitude);
    p = fix.Longitude >= 0 ? Put(p, ",E,") : Put(p, ",W,");

    p = AppendFixed(p, static_cast<long double>(fix.Speed) / 1.852L, 1); // km/h to knots
    *p++ = ',';
    p = AppendFixed(p, static_cast<double>(fix.Course), 1);
    *p++ = ',';
    p = PutDate(p, t);
    *p++ = ',';
    p = AppendFixed(p, static_cast<double>(fix.ExtraValue), 3);
    *p++ = ',';
    p = std::to_chars(p, p + 3, fix.ExtraCount).ptr;
    p = Put(p, ",A");
    return CloseSentence(body, p);
}

char* FormatNmeaRecord(const TGpsFix& fix, const RecordStyle& style, char* out)
{
    if (!style.Utc && !style.Gga)
        return EndLine(FormatRmcLine(fix, out));
    const CalendarTime t =
        style.Utc ? MillisecondsToCalendar(PrintedMilliseconds(fix.Time) +
                                           std::int64_t{style.BiasMinutes} * kMsPerMinute)
                  : DecodeDayCount(fix.Time);
    char* p = out;
    if (style.Gga)
        p = EndLine(
            FitLine(p, 1, [&](int left, char* at) { return ToolGga(fix, style, t, left, at); }));
    return EndLine(
        FitLine(p, 2, [&](int left, char* at) { return ToolRmc(fix, style, t, left, at); }));
}

TrackLayout NmeaLayout(const RecordStyle& style)
{
    TrackLayout layout;
    layout.Format = FormatNmeaRecord;
    layout.MaxRecordLength = kMaxNmeaRecordLength;
    layout.LinesPerRecord = style.Gga ? 2 : 1;
    return layout;
}

ExportResult ExportNmea(std::span<const TGpsFix> fixes, const std::string& target,
                        const FixFilter& selected)
{
    const RecordStyle style;
    const RecordPart all{0, fixes.size()};
    return WriteTrack(target, NmeaLayout(style), style, {fixes, {}, {&all, 1}}, selected);
}
