#pragma once

#include "export/PartSummary.h"
#include "export/TrackWriter.h"
#include "store/GpsFix.h"

#include <cstddef>
#include <string>

// GeoJSON (RFC 7946): a FeatureCollection with one LineString Feature a trip. Its coordinates
// are [longitude, latitude, height] (WGS 84, the height the logger's above sea level); its
// properties hold the trip's number and figures and, in "coordTimes", the UTC time of every
// position in the same order, as the common converters write them. The coordinates, then the
// times, are the layout's two passes; a figure the trip has no value for is null.

// ",\n[lon,lat,height]": the numbers as the shortest text that reads back to the same value,
// without the height when it is not finite. A fix without a position (as for GPX) writes nothing,
// in both passes.
char* FormatGeoJsonPosition(const TGpsFix& fix, const RecordStyle& style, char* out);
// ",\n\"YYYY-MM-DDThh:mm:ss.sssZ\"": the fix's time in UTC, as in GPX.
char* FormatGeoJsonTime(const TGpsFix& fix, const RecordStyle& style, char* out);
constexpr std::size_t kMaxGeoJsonRecordLength = 2048;

// The trip's properties before "coordTimes": "\"trip\":1,\"start\":...,".
[[nodiscard]] std::string GeoJsonProperties(const PartSummary& trip);

[[nodiscard]] TrackLayout GeoJsonLayout();
