#pragma once

#include "export/PartSummary.h"
#include "export/TrackWriter.h"
#include "store/GpsFix.h"

#include <cstddef>
#include <string>

// KML 2.2 with the gx:Track of its extension namespace, which gives every point its time: one
// Placemark a trip, named "Trip N", drawn in the trip's colour, with the trip's figures as its
// description. Its gx:Track lists the fixes' times (<when>), then their coordinates
// (<gx:coord>): the layout's two passes.

// "<when>YYYY-MM-DDThh:mm:ss.sssZ</when>": the fix's time in UTC, as in GPX. A fix without a
// position (as for GPX) writes nothing, in both passes.
char* FormatKmlWhen(const TGpsFix& fix, const RecordStyle& style, char* out);
// "<gx:coord>lon lat height</gx:coord>", the numbers as the shortest text that reads back to the
// same value; without the height when it is not finite.
char* FormatKmlCoord(const TGpsFix& fix, const RecordStyle& style, char* out);
constexpr std::size_t kMaxKmlRecordLength = 2048;

// The figures of a trip as lines of text ("Moving time 00:12:34"), for a description.
[[nodiscard]] std::string DescribeTrip(const PartSummary& trip);

[[nodiscard]] TrackLayout KmlLayout();
