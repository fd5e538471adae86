#pragma once

#include "export/ExportFormat.h"

#include <string_view>

// The output types the save dialog offers, in that order; the first is the default.
enum class OutputType {
    Nmea,           // the default file: local standard times, the logger's own fields
    NmeaUtcHeights, // UTC times, a GGA line with the height before each RMC line
    Gpx,
    Kml,
    GeoJson,
    Csv,
};
inline constexpr OutputType kOutputTypes[] = {OutputType::Nmea,    OutputType::NmeaUtcHeights,
                                              OutputType::Gpx,     OutputType::Kml,
                                              OutputType::GeoJson, OutputType::Csv};

// What an output type writes.
[[nodiscard]] constexpr ExportFormat FormatOf(OutputType type)
{
    switch (type) {
    case OutputType::NmeaUtcHeights:
        return {TrackFormat::Nmea, true, true};
    case OutputType::Gpx:
        return {TrackFormat::Gpx, false, false};
    case OutputType::Kml:
        return {TrackFormat::Kml, false, false};
    case OutputType::GeoJson:
        return {TrackFormat::GeoJson, false, false};
    case OutputType::Csv:
        return {TrackFormat::Csv, false, false};
    case OutputType::Nmea:
        break;
    }
    return {};
}

// The name the save dialog gives each output type, with the pattern of the files it lists. The
// default file says that its times are local, beside the types for other programs.
[[nodiscard]] constexpr std::string_view OutputTypeLabel(OutputType type)
{
    switch (type) {
    case OutputType::NmeaUtcHeights:
        return "NMEA UTC + 高度 (*.nmea)";
    case OutputType::Gpx:
        return "GPX (*.gpx)";
    case OutputType::Kml:
        return "KML (*.kml)";
    case OutputType::GeoJson:
        return "GeoJSON (*.geojson)";
    case OutputType::Csv:
        return "CSV (*.csv)";
    case OutputType::Nmea:
        break;
    }
    return "NMEA（現地時刻） (*.nmea)";
}

// The type a chosen name asks for, given its extension in lower case with its dot (".gpx"): an
// extension one of the types writes takes that type's writer, so that a typed "trip.gpx" is GPX
// whatever type was picked; ".nmea" keeps the NMEA type picked (local or UTC), else it is the
// default file. Any other extension keeps the type picked, which then replaces it.
[[nodiscard]] constexpr OutputType TypeOfExtension(std::string_view extension, OutputType picked)
{
    if (extension == ExtensionOf(FormatOf(picked).Format))
        return picked;
    for (const OutputType type : kOutputTypes)
        if (extension == ExtensionOf(FormatOf(type).Format))
            return type;
    return picked;
}
