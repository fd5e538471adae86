#pragma once

#include "export/TrackWriter.h"
#include "store/GpsFix.h"

#include <cstddef>
#include <string_view>

// CSV for spreadsheets (RFC 4180): a header line, then one line a fix, each ended by CRLF. The
// fields are numbers, times and plain words, which never need quoting. A field the log has no
// value for is empty.

constexpr std::string_view kCsvHeader =
    "time_utc,latitude,longitude,height_m,speed_kmh,course_deg,satellites,fix,trip\r\n";

// The word of the logger's fix-type word: "3d" for a sector log's three-dimensional fix, "none",
// "sps", "dgps", "pps", "rtk", "float-rtk", "estimated", "manual", "simulated" for a block log's;
// empty for any other value.
[[nodiscard]] std::string_view FixKindWord(std::uint16_t fixType);

// One line: the UTC time with milliseconds as in GPX, the coordinates and the height (ExtraValue)
// as the shortest text that reads back to the same value, the speed in km/h, the course in
// degrees (empty for a log without courses), the satellites used, the kind of fix and the trip's
// number (RecordStyle::Trip). A height, speed or course that is not finite is left empty; a fix
// without a position (as for GPX) writes nothing.
constexpr std::size_t kMaxCsvRecordLength = 2048;
char* FormatCsvRecord(const TGpsFix& fix, const RecordStyle& style, char* out);

[[nodiscard]] TrackLayout CsvLayout();
