#pragma once

#include <string>
#include <string_view>

// What an export writes: the writer and its options.

enum class TrackFormat {
    Nmea,    // RMC lines (and GGA lines with Gga)
    Gpx,     // GPX 1.1, one track per trip
    Kml,     // KML 2.2, one placemark with a gx:Track per trip
    GeoJson, // GeoJSON, one LineString feature per trip
    Csv,     // CSV, one line per fix with its trip's number
};

struct ExportFormat {
    TrackFormat Format = TrackFormat::Nmea;
    bool Utc = false; // NMEA: time and date fields in UTC rather than local standard time
    bool Gga = false; // NMEA: a GGA line before each RMC line

    // The NMEA lines for other programs: shaped to receivers' lines of at most 82 bytes.
    [[nodiscard]] bool ForOtherTools() const { return Utc || Gga; }
};

// ".nmea", ".gpx", ".kml", ".geojson" or ".csv".
[[nodiscard]] constexpr std::string_view ExtensionOf(TrackFormat format)
{
    switch (format) {
    case TrackFormat::Gpx:
        return ".gpx";
    case TrackFormat::Kml:
        return ".kml";
    case TrackFormat::GeoJson:
        return ".geojson";
    case TrackFormat::Csv:
        return ".csv";
    case TrackFormat::Nmea:
        break;
    }
    return ".nmea";
}
