#include "export/GpxExport.h"

#include "export/NumberFormat.h"
#include "store/Digits.h"
#include "store/TimeBase.h"
#include "store/Version.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {

// <name>value</name> for a finite value.
template <std::size_t Open, std::size_t Close>
char* PutElement(char* p, const char (&open)[Open], float value, const char (&close)[Close])
{
    if (!std::isfinite(value))
        return p;
    return Put(AppendShortest(Put(p, open), value), close);
}

// <fix> where the logger's fix type says more than "a fix": none, dgps or pps. A plain fix does
// not say whether it was 2D or 3D, so it has no element.
char* PutFixKind(char* p, const TGpsFix& fix)
{
    switch (fix.FixType) {
    case kNoFixType:
        return Put(p, "<fix>none</fix>");
    case kDgpsFixType:
        return Put(p, "<fix>dgps</fix>");
    case kPpsFixType:
        return Put(p, "<fix>pps</fix>");
    default:
        return p;
    }
}

} // namespace

char* AppendGpxTime(char* out, std::int64_t utcMs)
{
    const CalendarTime t = MillisecondsToCalendar(utcMs);
    char* p = out;
    if (t.Year >= 0 && t.Year <= 9999) {
        p = PutTwoDigits(p, t.Year / 100);
        p = PutTwoDigits(p, t.Year % 100);
    } else {
        p = std::to_chars(p, p + 16, t.Year).ptr;
    }
    *p++ = '-';
    p = PutTwoDigits(p, t.Month);
    *p++ = '-';
    p = PutTwoDigits(p, t.Day);
    *p++ = 'T';
    p = PutTwoDigits(p, t.Hour);
    *p++ = ':';
    p = PutTwoDigits(p, t.Minute);
    *p++ = ':';
    p = PutTwoDigits(p, t.Second);
    *p++ = '.';
    *p++ = static_cast<char>('0' + t.Millisecond / 100);
    p = PutTwoDigits(p, t.Millisecond % 100);
    *p++ = 'Z';
    return p;
}

char* FormatGpxPoint(const TGpsFix& fix, const RecordStyle& style, char* out)
{
    if (!(std::fabs(fix.Latitude) <= 90 && std::fabs(fix.Longitude) <= 180))
        return out;
    char* p = Put(out, "      <trkpt lat=\"");
    p = AppendShortest(p, fix.Latitude);
    p = Put(p, "\" lon=\"");
    p = AppendShortest(p, fix.Longitude);
    p = Put(p, "\">");
    p = PutElement(p, "<ele>", fix.ExtraValue, "</ele>");
    p = Put(p, "<time>");
    p = AppendGpxTime(p, PrintedMilliseconds(fix.Time) +
                             std::int64_t{style.BiasMinutes} * kMsPerMinute);
    p = Put(p, "</time>");
    p = PutFixKind(p, fix);
    // The satellites used in the fix, where the log records them.
    if (style.Satellites) {
        p = Put(p, "<sat>");
        p = std::to_chars(p, p + 3, fix.ExtraCount).ptr;
        p = Put(p, "</sat>");
    }
    // km/h to m/s, rounded once to float: the speed carries a float's digits, not a double's.
    const auto speedMs = static_cast<float>(static_cast<double>(fix.Speed) / 3.6);
    if (std::isfinite(speedMs) || (style.Course && std::isfinite(fix.Course))) {
        p = Put(p, "<extensions><gpxtpx:TrackPointExtension>");
        p = PutElement(p, "<gpxtpx:speed>", speedMs, "</gpxtpx:speed>");
        if (style.Course)
            p = PutElement(p, "<gpxtpx:course>", fix.Course, "</gpxtpx:course>");
        p = Put(p, "</gpxtpx:TrackPointExtension></extensions>");
    }
    return Put(p, "</trkpt>\n");
}

TrackLayout GpxLayout()
{
    TrackLayout layout;
    layout.Header = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<gpx version=\"1.1\" creator=\"Tallo2NMEA ") +
                    kVersion +
                    "\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
                    "xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n";
    layout.PartOpen = "  <trk>\n    <trkseg>\n";
    layout.PartClose = "    </trkseg>\n  </trk>\n";
    layout.Footer = "</gpx>\n";
    layout.Format = FormatGpxPoint;
    layout.MaxRecordLength = kMaxGpxPointLength;
    return layout;
}
