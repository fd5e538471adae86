#pragma once

#include "store/GpsFix.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

// The target name of an export: the chosen name with its extension replaced by ".nmea"; a name
// without extension gets ".nmea" appended. Only the last path component is looked at.
[[nodiscard]] std::string NmeaTargetPath(std::string_view chosen);

// d * 100 + m for a coordinate of v >= 0 degrees (d whole degrees, m minutes), six decimals.
[[nodiscard]] std::string FormatNmeaCoordinate(double v);

// One "$GPRMC,...*hh" line, without line end. `out` needs kMaxRmcLength characters; returns the
// end of what was written.
constexpr std::size_t kMaxRmcLength = 1024;
char* FormatRmcLine(const TGpsFix& fix, char* out);

enum class ExportStatus {
    Ok,
    CreateFailed, // the target (or its temporary file) could not be created
    WriteFailed,  // writing, flushing or renaming into place failed
    SameAsLog,    // the target is the loaded log itself, which is never written over
};

struct ExportResult {
    ExportStatus Status = ExportStatus::Ok;
    int Errno = 0;
    std::size_t LinesWritten = 0;

    [[nodiscard]] bool Ok() const { return Status == ExportStatus::Ok; }
};

// Which fixes an export writes.
using FixFilter = std::function<bool(const TGpsFix&)>;

// Writes every selected fix, in table order, as RMC lines ended by CR LF, through an AtomicFile:
// a failed export leaves an existing target untouched.
[[nodiscard]] ExportResult ExportNmea(std::span<const TGpsFix> fixes, const std::string& target,
                                      const FixFilter& selected);

// True when both paths name the same existing file (same device and inode).
[[nodiscard]] bool SameFile(const std::string& a, const std::string& b);
