#pragma once

#include "export/TrackWriter.h"
#include "store/GpsFix.h"

#include <cstddef>
#include <cstdint>

// GPX 1.1 with the speed and course of the TrackPointExtension v2 schema: the header declares
// both namespaces, each part of a plan becomes one <trk> with one <trkseg>, and every fix one
// <trkpt> line.

// "YYYY-MM-DDThh:mm:ss.sssZ" of whole milliseconds since 1899-12-30 00:00 UTC; a year outside
// 0..9999 takes the digits it needs. Returns the end.
char* AppendGpxTime(char* out, std::int64_t utcMs);

// One "<trkpt>" line: the coordinates and the height (ExtraValue) as the shortest decimal text
// that reads back to the same double or float, the time in UTC (the fix's whole-millisecond
// moment plus the style's bias), the satellite count, and the speed in m/s and course in degrees
// as extensions. A height, speed or course that is not finite is left out. A fix without a
// position (a latitude or longitude that is not a number within +-90 or +-180) writes nothing.
constexpr std::size_t kMaxGpxPointLength = 2048;
char* FormatGpxPoint(const TGpsFix& fix, const RecordStyle& style, char* out);

[[nodiscard]] TrackLayout GpxLayout();
