#include "export/GeoJsonExport.h"

#include "export/FigureText.h"
#include "export/GpxExport.h"
#include "export/NumberFormat.h"
#include "store/Digits.h"
#include "store/TimeBase.h"

#include <cmath>

namespace {

bool HasCoordinates(const TGpsFix& fix)
{
    return std::fabs(fix.Latitude) <= 90 && std::fabs(fix.Longitude) <= 180;
}

// "\"key\":value," with a figure's decimals, or null.
std::string Property(std::string_view key, std::optional<double> value, int decimals)
{
    std::string text = "\"";
    text.append(key).append("\":").append(FigureText(value, decimals, "null")) += ',';
    return text;
}

PartTexts GeoJsonTexts(const PartSummary& trip)
{
    PartTexts texts;
    texts.Open[0] = "{\"type\":\"Feature\",\"geometry\":{\"type\":\"LineString\",\"coordinates\":[";
    texts.Close[0] = "\n]},";
    texts.Open[1] = "\"properties\":{" + GeoJsonProperties(trip) + "\"coordTimes\":[";
    texts.Close[1] = "\n]}}";
    return texts;
}

} // namespace

char* FormatGeoJsonPosition(const TGpsFix& fix, const RecordStyle&, char* out)
{
    if (!HasCoordinates(fix))
        return out;
    char* p = Put(out, ",\n[");
    p = AppendShortest(p, fix.Longitude);
    *p++ = ',';
    p = AppendShortest(p, fix.Latitude);
    if (std::isfinite(fix.ExtraValue)) {
        *p++ = ',';
        p = AppendShortest(p, fix.ExtraValue);
    }
    *p++ = ']';
    return p;
}

char* FormatGeoJsonTime(const TGpsFix& fix, const RecordStyle& style, char* out)
{
    if (!HasCoordinates(fix))
        return out;
    char* p = Put(out, ",\n\"");
    p = AppendGpxTime(p, PrintedMilliseconds(fix.Time) +
                             std::int64_t{style.BiasMinutes} * kMsPerMinute);
    *p++ = '"';
    return p;
}

std::string GeoJsonProperties(const PartSummary& trip)
{
    return "\"trip\":" + std::to_string(trip.Number) + ",\"start\":\"" + UtcText(trip.FirstUtcMs) +
           "\",\"end\":\"" + UtcText(trip.LastUtcMs) +
           "\",\"fixes\":" + std::to_string(trip.Fixes) + "," +
           Property("distance_km", trip.DistanceM / 1000, 3) +
           Property("max_kmh", trip.MaxSpeedKmh, 1) +
           "\"moving_s\":" + std::to_string(trip.MovingMs / 1000) + "," +
           Property("avg_kmh", trip.AvgMovingKmh, 1) + Property("ascent_m", trip.AscentM, 1) +
           Property("descent_m", trip.DescentM, 1);
}

TrackLayout GeoJsonLayout()
{
    TrackLayout layout;
    layout.Header = "{\"type\":\"FeatureCollection\",\"features\":[\n";
    layout.PartSeparator = ",\n";
    layout.Footer = "\n]}\n";
    layout.Format = FormatGeoJsonPosition;
    layout.SecondFormat = FormatGeoJsonTime;
    layout.Passes = 2;
    layout.LeadingSeparator = true;
    layout.MaxRecordLength = kMaxGeoJsonRecordLength;
    layout.Describe = GeoJsonTexts;
    return layout;
}
