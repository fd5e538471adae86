#pragma once

#include <string>
#include <string_view>

// What an export writes: the writer and its options.

enum class TrackFormat {
    Nmea, // RMC lines (and GGA lines with Gga)
    Gpx,  // GPX 1.1, one track per trip
};

struct ExportFormat {
    TrackFormat Format = TrackFormat::Nmea;
    bool Utc = false; // NMEA: time and date fields in UTC rather than local standard time
    bool Gga = false; // NMEA: a GGA line before each RMC line

    // The NMEA lines for other programs: shaped to receivers' lines of at most 82 bytes.
    [[nodiscard]] bool ForOtherTools() const { return Utc || Gga; }
};

// ".nmea" or ".gpx".
[[nodiscard]] constexpr std::string_view ExtensionOf(TrackFormat format)
{
    return format == TrackFormat::Gpx ? ".gpx" : ".nmea";
}
