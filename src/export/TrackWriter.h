#pragma once

#include "export/PartSummary.h"
#include "store/GpsFix.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// The one writing pipeline of every output format: a header, then one record per selected fix in
// the order of a plan, the records of each part of the plan between the layout's part texts (a
// GPX track), then a footer. Records are formatted into a chunk buffer and the chunks written
// through an AtomicFile, so a failed export leaves an existing target untouched.

enum class ExportStatus {
    Ok,
    CreateFailed,   // the target (or its temporary file) could not be created
    WriteFailed,    // writing, flushing or renaming into place failed
    SameAsLog,      // the target is the loaded log itself, which is never written over
    SameAsInput,    // the target is another input of the run (ExportResult::Input names it)
    WrittenEarlier, // the run has written the target already (ExportResult::Input: from which log)
};

struct ExportResult {
    ExportStatus Status = ExportStatus::Ok;
    int Errno = 0;
    std::size_t LinesWritten = 0; // NMEA sentences (two a fix with GGA lines); 0 for GPX
    std::size_t FixesWritten = 0;
    std::string Input; // with SameAsInput: the input the target is; with WrittenEarlier: its log

    [[nodiscard]] bool Ok() const { return Status == ExportStatus::Ok; }
};

// Which fixes an export writes.
using FixFilter = std::function<bool(const TGpsFix&)>;

// What every record of one file is formatted with.
struct RecordStyle {
    std::int32_t BiasMinutes = 0; // UTC = local time + bias
    bool Utc = false;             // NMEA: time and date in UTC
    bool Gga = false;             // NMEA: a GGA line before the RMC line
    // False for a log whose records carry no course (sector logs, block logs whose masks lack
    // it): the course is left out of the files for other programs rather than written as 0.
    bool Course = true;
    // False for a log whose records carry no satellite count: GPX has no <sat> and the GGA
    // satellites field is empty, rather than 0.
    bool Satellites = true;
    // The number of the trip the record belongs to (from 1; 0 outside trips): the part's Number.
    std::int32_t Trip = 0;
};

// Formats the record of one fix at `out` and returns its end; writing nothing leaves the fix out.
// A pure function of its arguments, so records may be formatted anywhere, in any order.
using RecordFormatter = char* (*)(const TGpsFix& fix, const RecordStyle& style, char* out);

struct TrackLayout {
    std::string Header;
    std::string PartOpen; // before the first record of a part that writes any
    std::string PartClose;
    std::string Footer;
    RecordFormatter Format = nullptr;
    std::size_t MaxRecordLength = 0; // the most a record may need at `out`
    std::size_t LinesPerRecord = 0;  // for ExportResult::LinesWritten
    // Formats that list a trip's fixes twice (KML's times, then its coordinates): each part is
    // planned once a pass (LayoutParts), and the second pass's records are SecondFormat's.
    std::size_t Passes = 1;
    RecordFormatter SecondFormat = nullptr;
    // Between two parts of the first pass that both write: a list's separator.
    std::string PartSeparator;
    // Each record starts with one separator byte, which the first record of a part goes without
    // (the elements of a JSON array).
    bool LeadingSeparator = false;
    // The texts of a trip's part, each pass's own; nothing for a layout without them.
    PartTexts (*Describe)(const PartSummary& trip) = nullptr;
};

// Positions [Begin, End) of a plan, with the texts of the part: Open after the layout's PartOpen,
// Close before its PartClose.
struct RecordPart {
    std::size_t Begin = 0;
    std::size_t End = 0;
    std::int32_t Number = 0; // the trip's number from 1 (RecordStyle::Trip); 0 when none
    std::size_t Pass = 0;    // 0: the layout's Format, 1: its SecondFormat
    std::string Open = {};
    std::string Close = {};
};

// The fixes a writer visits, in order: the parts one after the other, each position mapped to a
// table index by Order (the position itself when Order is empty).
struct RecordPlan {
    std::span<const TGpsFix> Fixes;
    std::span<const std::int32_t> Order;
    std::span<const RecordPart> Parts;
};

// How the records are formatted: by `Workers` threads (0: all on the calling thread) in batches
// of `BatchPositions` plan positions, while the calling thread writes finished batches in order.
// The bytes written are the same whatever the settings.
struct WriteThreads {
    unsigned Workers = 2;
    std::size_t BatchPositions = 8192;
};

// The parts of a plan for a layout: each trip's part once a pass, with the texts the layout's
// Describe gives for its summary (the summaries in the trips' order; none needed without
// Describe).
[[nodiscard]] std::vector<RecordPart> LayoutParts(const TrackLayout& layout,
                                                  std::span<const RecordPart> trips,
                                                  std::span<const PartSummary> summaries);

[[nodiscard]] ExportResult WriteTrack(const std::string& target, const TrackLayout& layout,
                                      const RecordStyle& style, const RecordPlan& plan,
                                      const FixFilter& selected, const WriteThreads& threads = {});
