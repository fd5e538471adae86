#pragma once

#include "convert/ConversionService.h"

#include <optional>
#include <string>

struct CliOptions;
struct CliUsageError;

// The command line's geotagging: --geotag and its options.
struct CliGeotag {
    bool On = false;
    GeotagSettings Settings;
    // --camera-offset-from: the photo whose position gives the camera's clock error.
    std::optional<std::string> OffsetFrom;
    bool OffsetGiven = false; // --camera-offset
    // --backup: the folder that keeps each photo's original before it is replaced.
    std::optional<std::string> BackupFolder;
    // The first option of geotagging given, so that one without --geotag is refused.
    std::optional<std::string> FirstOption;
};

// The setters of the option table, one for each option of geotagging.
std::optional<CliUsageError> SetGeotag(CliOptions& o, const std::string& value);
std::optional<CliUsageError> SetCameraZone(CliOptions& o, const std::string& value);
std::optional<CliUsageError> SetCameraOffset(CliOptions& o, const std::string& value);
std::optional<CliUsageError> SetCameraOffsetFrom(CliOptions& o, const std::string& value);
std::optional<CliUsageError> SetMaxGap(CliOptions& o, const std::string& value);
std::optional<CliUsageError> SetDryRun(CliOptions& o, const std::string& value);
std::optional<CliUsageError> SetSidecar(CliOptions& o, const std::string& value);
std::optional<CliUsageError> SetOverwrite(CliOptions& o, const std::string& value);
std::optional<CliUsageError> SetBackup(CliOptions& o, const std::string& value);

// The options against each other once all are read: with --geotag, none of converting; without
// it, none of geotagging. Nothing when they agree.
[[nodiscard]] std::optional<CliUsageError> CheckGeotagOptions(const CliOptions& o);
