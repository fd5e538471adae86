#pragma once

#include "archive/Archive.h"
#include "convert/MovingFigures.h"
#include "convert/TimeWindow.h"
#include "convert/Trips.h"
#include "export/ExportFormat.h"
#include "export/NmeaExport.h"
#include "load/LogFile.h"
#include "photos/ClockFromPlace.h"
#include "photos/Geotag.h"
#include "photos/PhotoTrack.h"
#include "store/FixTable.h"
#include "store/TimeBase.h"
#include "system/FileIdentity.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What an export writes: the writer and its options, the fixes of a time window, and the gap
// that splits the fixes of a GPX file into tracks (one track a trip).
struct ExportRequest {
    // The default file of the whole log.
    ExportRequest() = default;
    // The default file of a window.
    explicit ExportRequest(const TimeWindow& window) : Window(window) {}
    explicit ExportRequest(const ExportFormat& format, const TimeWindow& window = {},
                           std::int64_t tripGapMs = kDefaultTripGapMs)
        : Format(format), Window(window), TripGapMs(tripGapMs)
    {
    }

    ExportFormat Format;
    TimeWindow Window;
    std::int64_t TripGapMs = kDefaultTripGapMs;
    // When not empty, only the fixes that one of these windows holds as well (chosen trips).
    std::vector<TimeWindow> Chosen;
    // The threads that format the records (the bytes are the same whatever they are).
    WriteThreads Threads;

    [[nodiscard]] bool Selects(const TGpsFix& fix) const
    {
        return Window.Contains(fix) && (Chosen.empty() || AnyContains(Chosen, fix));
    }
};

// How an export is split into several files.
enum class SplitMode {
    Trip, // one file a trip
    Day,  // one file a calendar day: local standard time, or UTC with ExportFormat::Utc
};

// One file of a split export: its name, the request's window narrowed to the trip or day, and
// whether it is to be written.
struct ExportPiece {
    std::string Suffix; // "-YYYYMMDD-hhmmss" (the trip's first fix) or "-YYYYMMDD"
    std::string Target; // the stem with the suffix put before its extension
    TimeWindow Window;
    // A caller clears it for a piece it refuses to write: ExportPieces leaves that piece alone.
    bool Write = true;
    // The positions in the log's time order that hold the piece's fixes, [Begin, End).
    std::size_t Begin = 0;
    std::size_t End = 0;
};

// The times of a loaded log: the first and last table entries (the logger's own order) and the
// earliest and latest fix.
struct LogSpan {
    double First = 0;
    double Last = 0;
    double Earliest = 0;
    double Latest = 0;
};

// The dates of a log whose logger looks to have missed a GPS week rollover, and the dates it gets
// once repaired: the earliest and latest fix (or, in a sector log that kept none, the records it
// dropped only for their date), as local whole milliseconds.
struct RolloverSpans {
    std::int64_t FoundFirstMs = 0;
    std::int64_t FoundLastMs = 0;
    std::int64_t RepairedFirstMs = 0;
    std::int64_t RepairedLastMs = 0;
};

// How a log is read.
struct LoadOptions {
    // Whole GPS weeks added to every logger time (1024 repairs a logger that missed a week
    // rollover); 0 leaves the times as recorded.
    std::int32_t AddedWeeks = 0;
    // The kind the file is read as; None: the kind its name gives.
    LogKind ReadAs = LogKind::None;
};

// The one place where a conversion happens, for the window and the command line alike: it owns
// the fix table, the time zone, the loaded log's path and what it was loaded with, and carries
// the rules both front ends share.
class ConversionService
{
  public:
    // A service in a time zone: a bias in minutes (UTC = local time + bias) the user gave, or
    // nothing for the system zone's standard time.
    explicit ConversionService(std::optional<std::int32_t> biasMinutes = std::nullopt);

    // The time-zone bias in minutes (UTC = local time + bias).
    [[nodiscard]] std::int32_t Bias() const { return m_bias; }
    // True when the bias is the system zone's standard time, not one the user gave.
    [[nodiscard]] bool UsesSystemZone() const { return m_systemZone; }

    // Loads a log. An accepted file replaces the table and becomes the loaded log, remembered
    // with the options it was read with; an ignored file or a failed read leaves all as it was.
    [[nodiscard]] LoadResult Load(const std::string& path, const LoadOptions& options = {});
    // Reads an archive (archive/Archive.h) in place of a log: its fixes in time order, all of them
    // or those the window may hold, replace the table, and the archive becomes the loaded path,
    // so that no export writes over it. Every export, split, trip and listing then works on it as
    // on a log. A refused archive leaves all as it was.
    [[nodiscard]] ArchiveStatus LoadArchive(const std::string& path, const TimeWindow& window = {});
    // Adds the loaded log to an archive (created when missing) in one transaction, read as it
    // was loaded (its rollover repair); its report says what was new, known or in conflict.
    // Refused (Failed) when no log is loaded or the loaded path is an archive.
    [[nodiscard]] ImportReport ImportLoaded(const std::string& archivePath) const;
    // A UTC millisecond of the archive as a day count of the service's zone.
    [[nodiscard]] double LocalDayCountOfUtc(std::int64_t utcMs) const;
    // What the loaded archive holds as a whole; nothing when a log was loaded last.
    [[nodiscard]] const std::optional<ArchiveSummary>& LoadedArchive() const { return m_archive; }
    // The options the loaded log was read with.
    [[nodiscard]] const LoadOptions& LoadedWith() const { return m_loadedWith; }
    [[nodiscard]] std::span<const TGpsFix> Fixes() const { return m_table.Fixes(); }
    [[nodiscard]] std::int32_t FixCount() const { return m_table.Count(); }
    // The path of the log the table was last loaded from; empty before the first load.
    [[nodiscard]] const std::string& LoadedPath() const { return m_loadedPath; }
    // Nothing while the table is empty.
    [[nodiscard]] std::optional<LogSpan> Span() const;
    // What the last accepted load gave (kind, drop counts of a sector log).
    [[nodiscard]] const LoadResult& LastLoad() const { return m_lastLoad; }
    // The dates the week-rollover repair would move, when the last load found them early
    // (LoadResult::LikelyWeekRollover); nothing otherwise.
    [[nodiscard]] std::optional<RolloverSpans> WeekRolloverSpans() const;
    // The loaded log's trips split by a gap, worked out once per load and gap: the default gap's
    // and the last other gap's are kept.
    [[nodiscard]] const TripAnalysis& Trips(std::int64_t gapMs = kDefaultTripGapMs) const;
    // The moving time, moving speed and climbs of each trip split by a gap (MovingFigures.h).
    [[nodiscard]] std::vector<MovingFigures>
    TripMoving(std::int64_t gapMs = kDefaultTripGapMs) const;
    // True when the zone is the system's and a fix with a position lies in its summer time: the
    // fix's standard time then differs from the zone's clock.
    [[nodiscard]] bool FixesInSummerTime() const;

    // The inputs of a run over several logs: no export writes over any of them either, nor over
    // a file written earlier in the run: from this call on, every file an export writes is noted
    // with the log it came from.
    void ProtectInputs(const std::vector<std::string>& paths);
    // Whether an export may write to the target: not when the run has written it already
    // (WrittenEarlier, the result's Input naming the log it came from), when it is the loaded log
    // (SameAsLog) or another protected input (SameAsInput, the result's Input naming it). A file
    // named two ways ("out/./a.nmea", "out/a.nmea") is one target.
    [[nodiscard]] ExportResult CheckTarget(const std::string& target) const;
    // How many fixes of the loaded log the request selects.
    [[nodiscard]] std::size_t CountSelected(const ExportRequest& request) const;
    // Writes the fixes of the request's window in its format (a plain window: RMC lines): NMEA in
    // table order, GPX one track a trip (split with the request's gap), each in time order. A
    // target that CheckTarget refuses is not written to.
    [[nodiscard]] ExportResult Export(const std::string& target, const ExportRequest& request);
    // The files a split export writes, in time order: one for each trip or day that holds a fix
    // of the request's window, named after `stem` (PieceTarget in OutputNames.h).
    [[nodiscard]] std::vector<ExportPiece> SplitPieces(SplitMode mode, const ExportRequest& request,
                                                       std::string_view stem) const;
    // Writes the pieces SplitPieces gave for the request, those marked Write, in one pass over
    // their fixes: each with the bytes Export writes for the request and the piece's window. One
    // result per piece, nothing for a piece left alone; a piece that CheckTarget refuses is not
    // written, and a piece that fails does not stop the others.
    [[nodiscard]] std::vector<std::optional<ExportResult>>
    ExportPieces(std::span<const ExportPiece> pieces, const ExportRequest& request);

    // Photos placed on the loaded log's track. The camera's zone is the zone the log was loaded
    // with unless the settings give one.
    // (Reading a photo and listing a folder's photos need no log: ReadPhotoInfo and
    // PhotosInFolder in photos/Geotag.h.)
    // Where a read photo lies and what tagging would do, writing nothing.
    [[nodiscard]] PhotoOutcome PlacePhoto(const PhotoInfo& photo,
                                          const GeotagSettings& settings) const;
    // Reads, places and tags one photo (nothing written in a dry run).
    [[nodiscard]] PhotoOutcome TagPhoto(const std::string& path,
                                        const GeotagSettings& settings) const;
    // Tags several photos at once (TagPhotos in photos/Geotag.h); `done` takes each outcome in
    // the photos' order.
    void TagPhotos(std::span<const std::string> paths, const GeotagSettings& settings,
                   const std::function<void(std::size_t, const PhotoOutcome&)>& done,
                   TaggingProgress* progress = nullptr) const;
    // The camera's clock error that a photo holding its true position gives on the loaded log's
    // track (ClockErrorFromPlace in photos/ClockFromPlace.h).
    [[nodiscard]] ClockFromPlace ClockFromPhoto(const PhotoInfo& photo,
                                                const GeotagSettings& settings) const;
    // The loaded log's fixes with a position, in time order, in UTC; worked out once per load.
    [[nodiscard]] const PhotoTrack& Track() const;

  private:
    // A file of the run: what a refusal names (the input itself, or the log an output came
    // from), the file it is and its path once resolved.
    struct RunFile {
        std::string Name;
        std::optional<FileIdentity> Identity;
        std::string Resolved;
    };
    // True when the path names the loaded log's file: an export never writes over it.
    [[nodiscard]] bool IsLoadedLog(const std::string& path) const;
    // Notes a file an export has written, when a run is under way (ProtectInputs).
    void NoteWritten(const std::string& target);
    // Export's writing, once CheckTarget has let the target through.
    [[nodiscard]] ExportResult WriteWhole(const std::string& target,
                                          const ExportRequest& request) const;
    // The trips of a gap with at least the figures asked for, from the cache.
    const TripAnalysis& TripsWith(std::int64_t gapMs, TripFigures figures) const;
    // What every record of an export of the loaded log is formatted with.
    [[nodiscard]] RecordStyle StyleOf(const ExportRequest& request) const;
    // The summaries of every trip for a layout that describes its parts; none for another.
    [[nodiscard]] std::vector<PartSummary> SummariesFor(const TrackLayout& layout,
                                                        const ExportRequest& request) const;
    // The table entries that can hold fixes of the window.
    [[nodiscard]] RecordPart TableRange(const TimeWindow& window) const;
    [[nodiscard]] std::vector<ExportPiece> TripPieces(const ExportRequest& request) const;
    [[nodiscard]] std::vector<ExportPiece> DayPieces(const ExportRequest& request) const;
    // The plan of one piece: its fixes in table order (NMEA) or its parts of trips (GPX).
    [[nodiscard]] RecordPlan PiecePlan(const ExportPiece& piece, const ExportRequest& request,
                                       const TripAnalysis& trips, std::vector<std::int32_t>& order,
                                       std::vector<RecordPart>& parts) const;

    FixTable m_table;
    std::int32_t m_bias;
    bool m_systemZone;
    double m_localEpoch;
    std::string m_loadedPath;
    LoadOptions m_loadedWith;
    std::vector<RunFile> m_inputs;
    // The files the run has written; noted once ProtectInputs has started a run.
    std::vector<RunFile> m_written;
    bool m_notesWritten = false;
    LoadResult m_lastLoad;
    std::optional<ArchiveSummary> m_archive;
    // The trips of the default gap and of the last other one.
    struct CachedTrips {
        std::int64_t GapMs;
        TripFigures Figures;
        TripAnalysis Analysis;
    };
    mutable std::array<std::optional<CachedTrips>, 2> m_trips;
    mutable std::optional<PhotoTrack> m_track; // the loaded log's fixes for placing photos
};
