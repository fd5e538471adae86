#pragma once

#include "export/ExportFormat.h"

#include <string_view>

// The name the save dialog gives each output type, with the pattern of the files it lists.
[[nodiscard]] constexpr std::string_view OutputTypeLabel(OutputType type)
{
    switch (type) {
    case OutputType::NmeaUtcHeights:
        return "NMEA UTC + 高度 (*.nmea)";
    case OutputType::Gpx:
        return "GPX (*.gpx)";
    case OutputType::Nmea:
        break;
    }
    return "NMEA (*.nmea)";
}
