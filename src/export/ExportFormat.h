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

// The output types a user picks from, in the order they are offered; the first is the default.
enum class OutputType {
    Nmea,           // the default file: local times, the logger's own fields
    NmeaUtcHeights, // UTC times, a GGA line with the height before each RMC line
    Gpx,
};
inline constexpr OutputType kOutputTypes[] = {OutputType::Nmea, OutputType::NmeaUtcHeights,
                                              OutputType::Gpx};

[[nodiscard]] constexpr ExportFormat FormatOf(OutputType type)
{
    switch (type) {
    case OutputType::NmeaUtcHeights:
        return {TrackFormat::Nmea, true, true};
    case OutputType::Gpx:
        return {TrackFormat::Gpx, false, false};
    case OutputType::Nmea:
        break;
    }
    return {};
}

// ".nmea" or ".gpx".
[[nodiscard]] constexpr std::string_view ExtensionOf(TrackFormat format)
{
    return format == TrackFormat::Gpx ? ".gpx" : ".nmea";
}

// The chosen name with the extension of its last component replaced by the format's; a name
// without extension gets it appended.
[[nodiscard]] std::string TargetPathFor(std::string_view chosen, TrackFormat format);
