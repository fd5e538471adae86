#pragma once

#include "convert/TimeWindow.h"
#include "convert/Trips.h"
#include "export/ExportFormat.h"
#include "export/NmeaExport.h"
#include "load/LogFile.h"
#include "photos/Geotag.h"
#include "photos/PhotoTrack.h"
#include "store/FixTable.h"
#include "store/TimeBase.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What an export writes: the writer and its options, the fixes of a time window, and the gap
// that splits the fixes of a GPX file into tracks (one track a trip).
struct ExportRequest {
    ExportRequest() = default;
    // Implicit: a plain window asks for the default file, as it always did.
    ExportRequest(const TimeWindow& window) : Window(window) {}
    ExportRequest(const ExportFormat& format, const TimeWindow& window,
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

// One file of a split export: what its name takes after the stem, and the request's window
// narrowed to the trip or day.
struct ExportPiece {
    std::string Suffix; // "-YYYYMMDD-hhmmss" (the trip's first fix) or "-YYYYMMDD"
    TimeWindow Window;
};

// The times of a loaded log: the first and last table entries (the logger's own order) and the
// earliest and latest fix.
struct LogSpan {
    double First = 0;
    double Last = 0;
    double Earliest = 0;
    double Latest = 0;
};

// The one place where a conversion happens, for the window and the command line alike: it owns
// the fix table, the time-zone bias and the path of the loaded log, and carries the rules both
// front ends share.
class ConversionService
{
  public:
    explicit ConversionService(std::int32_t biasMinutes = 0);

    // The time-zone bias in minutes (UTC = local time + bias); it applies to later loads.
    void SetBias(std::int32_t biasMinutes);
    [[nodiscard]] std::int32_t Bias() const { return m_bias; }
    [[nodiscard]] double LocalEpoch() const { return m_localEpoch; }
    // Whole GPS weeks added to every logger time of later loads (1024 repairs a logger that
    // missed a week rollover); 0 leaves the times as recorded.
    void SetAddedWeeks(std::int32_t weeks) { m_addedWeeks = weeks; }
    [[nodiscard]] std::int32_t AddedWeeks() const { return m_addedWeeks; }

    // Loads a log. An accepted file replaces the table and becomes the loaded log; an ignored
    // file or a failed read leaves both as they were.
    [[nodiscard]] LoadResult Load(const std::string& path);
    [[nodiscard]] std::span<const TGpsFix> Fixes() const { return m_table.Fixes(); }
    [[nodiscard]] std::int32_t FixCount() const { return m_table.Count(); }
    // The path of the log the table was last loaded from; empty before the first load.
    [[nodiscard]] const std::string& LoadedPath() const { return m_loadedPath; }
    // Nothing while the table is empty.
    [[nodiscard]] std::optional<LogSpan> Span() const;
    // What the last accepted load gave (kind, drop counts of a sector log).
    [[nodiscard]] const LoadResult& LastLoad() const { return m_lastLoad; }
    // The loaded log's trips with the default gap, worked out once per load.
    [[nodiscard]] const TripAnalysis& Trips() const;
    // The loaded log's trips with another gap, worked out afresh.
    [[nodiscard]] TripAnalysis TripsWithGap(std::int64_t gapMs) const;

    // The moment of calendar fields of whole seconds (local standard time) in whole
    // milliseconds, or nothing for an impossible date.
    [[nodiscard]] static std::optional<std::int64_t> MomentOf(const CalendarTime& fields);
    // The export name of a log or a chosen name: the extension replaced by the format's (".nmea",
    // ".gpx").
    [[nodiscard]] static std::string DefaultTarget(std::string_view path,
                                                   TrackFormat format = TrackFormat::Nmea);
    // The window that selects exactly the fixes of a run of trips of one analysis, from `first`
    // to `last` (a gap of at least 0 keeps equal moments in one trip).
    [[nodiscard]] static TimeWindow TripsWindow(const Trip& first, const Trip& last);
    // The name of a piece of a split export: the suffix put before the target's extension.
    [[nodiscard]] static std::string PieceTarget(std::string_view target, std::string_view suffix);

    // True when the path names the loaded log's file: an export never writes over it.
    [[nodiscard]] bool IsLoadedLog(const std::string& path) const;
    // Writes the fixes of the request's window in its format (a plain window: RMC lines): NMEA in
    // table order, GPX one track a trip (split with the request's gap), each in time order. A
    // target that is the loaded log itself is refused (SameAsLog) and nothing is written.
    [[nodiscard]] ExportResult Export(const std::string& target,
                                      const ExportRequest& request) const;
    // The files a split export writes, in time order: one for each trip or day that holds a fix
    // of the request's window. Each is exported with the request and the piece's window.
    [[nodiscard]] std::vector<ExportPiece> SplitPieces(SplitMode mode,
                                                       const ExportRequest& request) const;

    // Photos placed on the loaded log's track. The camera's zone is the zone the log was loaded
    // with unless the settings give one.
    // The files of a folder that may be photos, not its sub-folders, sorted by name; 0, or the
    // errno value of a folder that cannot be read.
    [[nodiscard]] static int FolderPhotos(const std::string& folder,
                                          std::vector<std::string>& photos)
    {
        return PhotosInFolder(folder, photos);
    }
    // What a photo is, read once.
    [[nodiscard]] static PhotoInfo ReadPhoto(const std::string& path)
    {
        return ReadPhotoInfo(path);
    }
    // Where a read photo lies and what tagging would do, writing nothing.
    [[nodiscard]] PhotoOutcome PlacePhoto(const PhotoInfo& photo,
                                          const GeotagSettings& settings) const;
    // Reads, places and tags one photo (nothing written in a dry run).
    [[nodiscard]] PhotoOutcome TagPhoto(const std::string& path,
                                        const GeotagSettings& settings) const;
    // Tags several photos at once (TagPhotos in photos/Geotag.h); `done` takes each outcome in
    // the photos' order.
    void TagPhotos(std::span<const std::string> paths, const GeotagSettings& settings,
                   const std::function<void(std::size_t, const PhotoOutcome&)>& done) const;
    // The loaded log's fixes with a position, in time order, in UTC; worked out once per load.
    [[nodiscard]] const PhotoTrack& Track() const;

  private:
    // The trips of the default gap (worked out once) or of another one (into `own`).
    const TripAnalysis& TripsFor(std::int64_t gapMs, std::optional<TripAnalysis>& own) const;
    // The table entries that can hold fixes of the window.
    [[nodiscard]] RecordPart TableRange(const TimeWindow& window) const;
    [[nodiscard]] std::vector<ExportPiece> TripPieces(const ExportRequest& request) const;
    [[nodiscard]] std::vector<ExportPiece> DayPieces(const ExportRequest& request) const;

    FixTable m_table;
    std::int32_t m_bias = 0;
    double m_localEpoch;
    std::int32_t m_addedWeeks = 0;
    std::string m_loadedPath;
    LoadResult m_lastLoad;
    mutable std::optional<TripAnalysis> m_trips;
    std::int32_t m_loadedBias = 0; // the bias the table's local times were made with
    mutable std::optional<PhotoTrack> m_track;
};
