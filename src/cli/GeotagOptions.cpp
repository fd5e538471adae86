#include "cli/GeotagOptions.h"

#include "cli/GeotagText.h"
#include "cli/Options.h"
#include "messages/ClockText.h"
#include "photos/ClockError.h"

#include <charconv>
#include <cstdint>

namespace {

constexpr std::int64_t kMaxGapSeconds = 1000000;

// A usage error of geotagging in both languages, naming the option or value at fault.
CliUsageError Usage(std::string_view GeotagTexts::*text, std::string_view value)
{
    return {Filled(kGeotagEnglish.*text, value), Filled(kGeotagJapanese.*text, value)};
}

// Records an option of geotagging as given.
std::optional<CliUsageError> Given(CliOptions& o, const char* name)
{
    if (!o.Geotag.FirstOption)
        o.Geotag.FirstOption = name;
    return std::nullopt;
}

std::optional<CliUsageError> Flag(CliOptions& o, bool& flag, const char* name)
{
    flag = true;
    return Given(o, name);
}

// Whole digits of `text` from `at` into `value`; the index after them.
std::size_t Digits(const std::string& text, std::size_t at, std::int64_t& value)
{
    const auto [end, ec] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (ec != std::errc() || at == text.size() || text[at] < '0' || text[at] > '9')
        return std::string::npos;
    return static_cast<std::size_t>(end - text.data());
}

} // namespace

std::optional<CliUsageError> SetGeotag(CliOptions& o, const std::string&)
{
    o.Geotag.On = true;
    return std::nullopt;
}

std::optional<CliUsageError> SetCameraZone(CliOptions& o, const std::string& value)
{
    const std::optional<std::int32_t> eastMinutes = ParseExifOffset(value);
    if (!eastMinutes || value.find(' ') != std::string::npos)
        return Usage(&GeotagTexts::BadCameraZone, value);
    o.Geotag.Settings.CameraBiasMinutes = -*eastMinutes;
    return Given(o, "--camera-zone");
}

std::optional<CliUsageError> SetCameraOffset(CliOptions& o, const std::string& value)
{
    const std::optional<std::int64_t> ms = ParseClockError(value);
    if (!ms)
        return Usage(&GeotagTexts::BadCameraOffset, value);
    o.Geotag.Settings.CameraOffsetMs = *ms;
    o.Geotag.OffsetGiven = true;
    return Given(o, "--camera-offset");
}

std::optional<CliUsageError> SetCameraOffsetFrom(CliOptions& o, const std::string& value)
{
    if (value.empty())
        return CliUsageError{std::string(kUsageCameraOffsetFromEmpty.English),
                             std::string(kUsageCameraOffsetFromEmpty.Japanese)};
    o.Geotag.OffsetFrom = value;
    return Given(o, "--camera-offset-from");
}

std::optional<CliUsageError> SetMaxGap(CliOptions& o, const std::string& value)
{
    std::int64_t seconds = 0;
    if (Digits(value, 0, seconds) != value.size() || seconds > kMaxGapSeconds)
        return Usage(&GeotagTexts::BadMaxGap, value);
    o.Geotag.Settings.MaxGapMs = seconds * 1000;
    return Given(o, "--max-gap");
}

std::optional<CliUsageError> SetDryRun(CliOptions& o, const std::string&)
{
    return Flag(o, o.Geotag.Settings.DryRun, "--dry-run");
}

std::optional<CliUsageError> SetSidecar(CliOptions& o, const std::string&)
{
    return Flag(o, o.Geotag.Settings.Sidecar, "--sidecar");
}

std::optional<CliUsageError> SetOverwrite(CliOptions& o, const std::string&)
{
    return Flag(o, o.Geotag.Settings.Overwrite, "--overwrite");
}

std::optional<CliUsageError> SetBackup(CliOptions& o, const std::string& value)
{
    o.Geotag.BackupFolder = value;
    return Given(o, "--backup");
}

std::optional<CliUsageError> CheckGeotagOptions(const CliOptions& o)
{
    if (!o.Geotag.On && o.Geotag.FirstOption)
        return Usage(&GeotagTexts::NeedsGeotag, *o.Geotag.FirstOption);
    if (!o.Geotag.On)
        return std::nullopt;
    const std::pair<bool, const char*> converting[] = {
        {o.Info, "--info"},
        {o.Trips, "--trips"},
        {!o.TripNumbers.empty(), "--trip"},
        {o.GapMs.has_value(), "--gap"},
        {o.From.has_value(), "--from"},
        {o.To.has_value(), "--to"},
        {o.Output.has_value(), "-o"},
        {o.OutputDir.has_value(), "--output-dir"},
        {o.Format.Format != TrackFormat::Nmea, "--format"},
        {o.Format.Utc, "--utc"},
        {o.Format.Gga, "--gga"},
        {o.Split.has_value(), "--split"},
    };
    for (const auto& [given, name] : converting)
        if (given)
            return Usage(&GeotagTexts::NotWithGeotag, name);
    if (o.Geotag.OffsetGiven && o.Geotag.OffsetFrom)
        return CliUsageError{std::string(kUsageCameraOffsetTwice.English),
                             std::string(kUsageCameraOffsetTwice.Japanese)};
    if (o.Inputs.size() < 2)
        return Usage(&GeotagTexts::NeedsPhotos, "");
    return std::nullopt;
}
