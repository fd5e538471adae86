#include "export/KmlExport.h"

#include "export/FigureText.h"
#include "export/GpxExport.h"
#include "export/NumberFormat.h"
#include "export/TripColours.h"
#include "store/Digits.h"
#include "store/TimeBase.h"
#include "store/Version.h"

#include <cmath>
#include <cstdio>

namespace {

bool HasCoordinates(const TGpsFix& fix)
{
    return std::fabs(fix.Latitude) <= 90 && std::fabs(fix.Longitude) <= 180;
}

// KML's colour of a trip: alpha, blue, green, red as hex digits.
std::string KmlColour(std::int32_t number)
{
    const Rgb rgb = TripColour(static_cast<std::size_t>(number > 0 ? number - 1 : 0));
    char text[16];
    std::snprintf(text, sizeof text, "ff%02x%02x%02x", rgb.Blue, rgb.Green, rgb.Red);
    return text;
}

PartTexts KmlTexts(const PartSummary& trip)
{
    PartTexts texts;
    // The description holds digits, letters, ':', '.', '-' and '/' alone: nothing to escape.
    texts.Open[0] = "    <Placemark>\n      <name>Trip " + std::to_string(trip.Number) +
                    "</name>\n      <description>" + DescribeTrip(trip) +
                    "</description>\n      <Style><LineStyle><color>" + KmlColour(trip.Number) +
                    "</color><width>4</width></LineStyle></Style>\n"
                    "      <gx:Track>\n        <altitudeMode>absolute</altitudeMode>\n";
    texts.Close[1] = "      </gx:Track>\n    </Placemark>\n";
    return texts;
}

} // namespace

char* FormatKmlWhen(const TGpsFix& fix, const RecordStyle& style, char* out)
{
    if (!HasCoordinates(fix))
        return out;
    char* p = Put(out, "        <when>");
    p = AppendGpxTime(p, PrintedMilliseconds(fix.Time) +
                             std::int64_t{style.BiasMinutes} * kMsPerMinute);
    return Put(p, "</when>\n");
}

char* FormatKmlCoord(const TGpsFix& fix, const RecordStyle&, char* out)
{
    if (!HasCoordinates(fix))
        return out;
    char* p = Put(out, "        <gx:coord>");
    p = AppendShortest(p, fix.Longitude);
    *p++ = ' ';
    p = AppendShortest(p, fix.Latitude);
    if (std::isfinite(fix.ExtraValue)) {
        *p++ = ' ';
        p = AppendShortest(p, fix.ExtraValue);
    }
    return Put(p, "</gx:coord>\n");
}

std::string DescribeTrip(const PartSummary& trip)
{
    std::string text = "Start " + UtcText(trip.FirstUtcMs) + "\nEnd " + UtcText(trip.LastUtcMs) +
                       "\nFixes " + std::to_string(trip.Fixes) + "\nDuration " +
                       DurationText(trip.LastUtcMs - trip.FirstUtcMs) + "\nDistance " +
                       FigureText(trip.DistanceM / 1000, 3, "-") + " km\nMax speed " +
                       FigureText(trip.MaxSpeedKmh, 1, "-") + " km/h\nMoving time " +
                       DurationText(trip.MovingMs) + "\nAverage moving speed " +
                       FigureText(trip.AvgMovingKmh, 1, "-") + " km/h\nAscent " +
                       FigureText(trip.AscentM, 1, "-") + " m\nDescent " +
                       FigureText(trip.DescentM, 1, "-") + " m";
    return text;
}

TrackLayout KmlLayout()
{
    TrackLayout layout;
    layout.Header = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<kml xmlns=\"http://www.opengis.net/kml/2.2\" "
                                "xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n"
                                "  <Document>\n    <name>Tallo2NMEA ") +
                    kVersion + "</name>\n";
    layout.Footer = "  </Document>\n</kml>\n";
    layout.Format = FormatKmlWhen;
    layout.SecondFormat = FormatKmlCoord;
    layout.Passes = 2;
    layout.MaxRecordLength = kMaxKmlRecordLength;
    layout.Describe = KmlTexts;
    return layout;
}
