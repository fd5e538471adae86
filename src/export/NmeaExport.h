#pragma once

#include "store/FixStore.h"

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
};

struct ExportResult {
    ExportStatus Status = ExportStatus::Ok;
    int Errno = 0;
    std::size_t LinesWritten = 0;

    [[nodiscard]] bool Ok() const { return Status == ExportStatus::Ok; }
};

// Writes every fix with Start <= Time < End, in table order, as RMC lines ended by CR LF. The
// lines go to a temporary file beside the target, which replaces the target only once all of it
// is written: a failed export leaves an existing target untouched. A target that exists but is no
// regular file (a device) is written directly.
[[nodiscard]] ExportResult ExportNmea(const FixStore& store, const std::string& target,
                                      double Start, double End);

// The Japanese message of a failed export, for the error box and the command line.
[[nodiscard]] std::string ExportErrorText(const ExportResult& result, std::string_view target);

// True when both paths name the same existing file (same device and inode).
[[nodiscard]] bool SameFile(const std::string& a, const std::string& b);
