#pragma once

#include "export/TrackWriter.h"
#include "store/GpsFix.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

// d * 100 + m for a coordinate of v >= 0 degrees (d whole degrees, m minutes), six decimals.
[[nodiscard]] std::string FormatNmeaCoordinate(double v);

// One "$GPRMC,...*hh" line, without line end. `out` needs kMaxRmcLength characters; returns the
// end of what was written.
constexpr std::size_t kMaxRmcLength = 1024;
char* FormatRmcLine(const TGpsFix& fix, char* out);

// The most a line written for other programs (RecordStyle::Utc or Gga) takes, CR LF included.
constexpr std::size_t kMaxToolLineLength = 82;

// The record of one fix in an NMEA file. The default style writes FormatRmcLine's line and CR LF.
// With Utc the time and date fields are UTC; with Gga a "$GPGGA" line of the same fix comes
// first. Both make the lines receivers' lines for other programs, each at most
// kMaxToolLineLength bytes: positions are zero-padded "ddmm.mmmmmm" and "dddmm.mmmmmm", the
// satellites and the course are empty for a log that does not record them (RecordStyle), the
// RMC line leaves fields 11 and 12 (magnetic variation) empty, a value that is not finite is an
// empty field, a fix without a position (a latitude or longitude that is not a number within
// +-90 or +-180) gets empty position fields and status V (RMC) or quality 0 (GGA), and a field
// that would make a line longer is left empty: first the course, then the speed (RMC), or the
// height (GGA).
constexpr std::size_t kMaxNmeaRecordLength = 2 * (kMaxRmcLength + 2);
char* FormatNmeaRecord(const TGpsFix& fix, const RecordStyle& style, char* out);

// The layout of an NMEA file: records only.
[[nodiscard]] TrackLayout NmeaLayout(const RecordStyle& style);

// Writes every selected fix, in table order, as RMC lines ended by CR LF, through an AtomicFile:
// a failed export leaves an existing target untouched.
[[nodiscard]] ExportResult ExportNmea(std::span<const TGpsFix> fixes, const std::string& target,
                                      const FixFilter& selected);
