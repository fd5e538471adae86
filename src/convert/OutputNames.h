#pragma once

#include "export/ExportFormat.h"

#include <cstdint>
#include <string>
#include <string_view>

// The names of the files a conversion writes. Only the last path component's extension counts:
// a "." in a folder name never does, nor the leading "." of a name such as ".hidden".

// The export name of a log or a chosen name: its extension replaced by the format's (".nmea",
// ".gpx"); a name without an extension gets it appended.
[[nodiscard]] std::string DefaultTarget(std::string_view path,
                                        TrackFormat format = TrackFormat::Nmea);

// "-YYYYMMDD", and "-hhmmss" after it with the time, of a moment in whole milliseconds since
// 1899-12-30 00:00: what a piece of a split export takes after the stem.
[[nodiscard]] std::string PieceSuffix(std::int64_t ms, bool withTime);

// The name of a piece of a split export: the suffix put before the target's extension.
[[nodiscard]] std::string PieceTarget(std::string_view target, std::string_view suffix);
