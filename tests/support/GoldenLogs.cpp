#include "support/GoldenLogs.h"

#include "convert/ConversionService.h"

#include <stdexcept>

namespace t2ntest {

Bytes GoldenBlockLog()
{
    constexpr std::uint32_t kWide = kBlockBasicMask | 0x1000 | 0x2000 | 0x4000; // counts, entries
    FlashImage log = BlockLog(1, kBlockBasicMask);
    for (std::int32_t i = 0; i < 12; ++i) {
        RawFix fix{.Seconds = kMay2021 + i,
                   .Latitude = i < 6 ? 35.6812 + i * 1e-4 : -33.8568 - i * 1e-4,
                   .Longitude = i < 6 ? 139.7671 + i * 1e-4 : -151.2153 + i * 1e-4,
                   .ExtraValue = 40.5f + static_cast<float>(i),
                   .Speed = 3.6f * static_cast<float>(i),
                   .Course = 30.0f * static_cast<float>(i),
                   .Millisecond = static_cast<std::uint16_t>(i * 83)};
        if (i == 6)
            log.Append(0, MaskMarker(2, kWide));
        const std::uint32_t mask = i < 6 ? kBlockBasicMask : kWide;
        if (i >= 6) {
            fix.SatelliteCount = static_cast<std::uint8_t>(i);
            fix.ExtraCount = static_cast<std::uint8_t>(i + 1);
        }
        log.Append(0, BlockRecord(fix, mask, i == 4 ? Seal::BadChecksum : Seal::Good));
    }
    // Erased space, then one more fix under the marker's mask and a record torn off.
    log.Append(0, Repeat(0xFF, 40));
    log.SetCursor(0, 2048);
    log.Append(0, BlockRecord({.Seconds = kMay2021 + 60, .Speed = 0.0f}, kWide));
    Bytes torn = BlockRecord({.Seconds = kMay2021 + 61}, kWide);
    torn.resize(20);
    log.Append(0, torn);
    return log.Data();
}

Bytes GoldenSisterLog()
{
    const auto fix = [](std::int32_t second, int i) {
        return RawFix{.Seconds = kMay2021 + second,
                      .FixType = 3,
                      .Latitude = 35.6812 + i * 1.7e-4,
                      .Longitude = 139.7671 - i * 2.3e-4,
                      .ExtraValue = 40.7f + static_cast<float>(i),
                      .Speed = static_cast<float>((250 * i + 9) * 0.036),
                      .Course = 15.0f * static_cast<float>(i),
                      .SatelliteCount = static_cast<std::uint8_t>(5 + i % 4),
                      .ExtraCount = static_cast<std::uint8_t>(i),
                      .Millisecond = static_cast<std::uint16_t>(i % 2 * 500)};
    };
    FlashImage log = BlockLog(2, 0x1);
    log.Append(0, MaskMarker(3, 0x32));
    log.Append(0, MaskMarker(2, kSisterBasicMask));
    log.Append(0, Signature("GR241"));
    for (int i = 0; i < 12; ++i) {
        if (i == 1)
            log.Append(0, MaskMarker(7, 0x106)); // the logger is on
        if (i == 6)
            log.Append(0, Signature("GR241", true)); // the next record is a waypoint
        log.Append(0, SisterRecord(fix(i * 5, i), kSisterBasicMask, SpeedPlace::AfterHeight,
                                   i == 9 ? Seal::BadChecksum : Seal::Good));
    }
    // An erased gap, the torn end of an older record, then older records.
    log.Append(0, Repeat(0xFF, 45));
    Bytes torn = SisterRecord(fix(-3600, 20), kSisterBasicMask);
    log.Append(0, Bytes(torn.end() - 13, torn.end()));
    for (int i = 21; i < 24; ++i)
        log.Append(0, SisterRecord(fix(i - 3600, i), kSisterBasicMask));

    // A speed-first model: the speed, a count of cm/s, before the height; 2100 km/h is dropped.
    log.SetHeaderMask(1, 0x3D); // time, position, height and speed
    log.Append(1, MaskMarker(3, 0x32));
    log.Append(1, Signature("GR245", false, true));
    for (int i = 0; i < 6; ++i) {
        if (i == 1)
            log.Append(1, MaskMarker(7, 0x106));
        RawFix next = fix(600 + i, i);
        if (i == 4)
            next.Speed = 2100.0f;
        log.Append(1, SisterRecord(next, 0x3D, SpeedPlace::BeforeHeight));
    }
    return log.Data();
}

Bytes GoldenSectorLog()
{
    FlashImage log = SectorLog(4, kSectorFixMask);
    std::int32_t tenths = 0;
    for (std::size_t sector = 0; sector < 3; ++sector) {
        for (int r = 0; r < 12; ++r, ++tenths) {
            RawFix fix{.Seconds = kMay2021 + tenths / 10,
                       .Latitude = 35.0 + tenths * 2e-5,
                       .Longitude = 139.0 + tenths * 3e-5,
                       .ExtraValue = 12.5f,
                       .Speed = 20.0f + static_cast<float>(r % 5),
                       .SatelliteCount = 8,
                       .Millisecond = static_cast<std::uint16_t>(tenths % 10 * 100)};
            if (sector == 1 && r == 2)
                fix.FixType = 2; // closes the gate for the next five 3D fixes
            if (sector == 2 && r == 7)
                fix.Speed = 0.0f; // implausible
            if (sector == 2 && r == 9)
                fix.Seconds = 1577836800; // 2020-01-01: before the earliest date
            log.Append(sector, SectorRecord(fix, kSectorFixMask));
        }
    }
    return log.Data(); // sector 3 stays erased
}

std::vector<std::string> WriteGoldenOutputs(const GoldenPair& pair, const std::string& log,
                                            const std::filesystem::path& dir)
{
    ConversionService service(kGoldenBias);
    if (service.Load(log).Kind == LogKind::None)
        throw std::runtime_error("cannot load " + log);
    const std::string stem = std::filesystem::path(pair.Nmea).stem().string();
    const ExportFormat gpx{TrackFormat::Gpx, false, false};
    const ExportFormat utcGga{TrackFormat::Nmea, true, true};
    const ExportFormat kml{TrackFormat::Kml, false, false};
    const ExportFormat geoJson{TrackFormat::GeoJson, false, false};
    const ExportFormat csv{TrackFormat::Csv, false, false};
    const std::pair<std::string, ExportRequest> files[] = {
        {pair.Nmea, ExportRequest{}},        {stem + ".gpx", ExportRequest{gpx}},
        {stem + ".kml", ExportRequest{kml}}, {stem + ".geojson", ExportRequest{geoJson}},
        {stem + ".csv", ExportRequest{csv}}, {stem + "-utc-gga.nmea", ExportRequest{utcGga}},
    };
    std::vector<std::string> names;
    for (const auto& [name, request] : files) {
        if (!service.Export((dir / name).string(), request).Ok())
            throw std::runtime_error("cannot write " + name);
        names.push_back(name);
    }
    const std::vector<ExportPiece> pieces =
        service.SplitPieces(SplitMode::Day, ExportRequest{}, (dir / (stem + "-day.nmea")).string());
    for (const std::optional<ExportResult>& result : service.ExportPieces(pieces, ExportRequest{}))
        if (!result || !result->Ok())
            throw std::runtime_error("cannot write a day of " + stem);
    for (const ExportPiece& piece : pieces)
        names.push_back(std::filesystem::path(piece.Target).filename().string());
    return names;
}

} // namespace t2ntest
