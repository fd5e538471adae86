#pragma once

#include "convert/TimeWindow.h"
#include "convert/TrackSteps.h"
#include "store/GpsFix.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// A log splits into trips: runs of fixes in time order in which no two neighbours lie more than a
// gap apart. Moments are local standard time as whole milliseconds since 1899-12-30 00:00, taken
// from each fix's day count exactly as the printed time rounds it.

constexpr std::int64_t kDefaultTripGapMs = std::int64_t{10} * 60 * 1000;

// A trip is made of fixes with a position (HasPosition): a record the logger wrote without a fix
// starts no trip and adds no distance, though it rides along in the trip it lies within. The
// figures are those of the trip's path (TrackSteps.h): an excursion's fixes count among the fixes
// and nowhere else.
struct Trip {
    std::int64_t FirstMs = 0; // first fix, local
    std::int64_t LastMs = 0;  // last fix, local
    // Positions [Begin, End) in time order, from the first to the last fix with a position;
    // TripAnalysis::TableIndex maps them to the table.
    std::size_t Begin = 0;
    std::size_t End = 0;
    std::size_t Fixes = 0; // the fixes with a position among them
    double DistanceM = 0;  // the path's length (MarkPath)
    // Largest finite speed in km/h; nothing when no fix of the trip has one.
    std::optional<float> MaxSpeedKmh;
    // Lowest and highest finite height above sea level in metres (the fixes' ExtraValue).
    std::optional<float> MinHeightM;
    std::optional<float> MaxHeightM;

    [[nodiscard]] std::size_t FixCount() const { return Fixes; }
    [[nodiscard]] std::int64_t DurationMs() const { return LastMs - FirstMs; }
};

struct TripAnalysis {
    // Table index of each time-order position; empty when the table is already in time order.
    std::vector<std::int32_t> Order;
    std::vector<Trip> Trips; // in time order
    // What each time-order position is to its trip's path; empty for TripFigures::BoundsOnly.
    std::vector<TrackStep> Steps;
    std::size_t FixCount = 0;
    std::int64_t FirstMs = 0; // earliest fix; 0 for an empty table
    std::int64_t LastMs = 0;  // latest fix; 0 for an empty table
    double DistanceM = 0;     // all trips together

    [[nodiscard]] std::size_t TableIndex(std::size_t position) const
    {
        return Order.empty() ? position : static_cast<std::size_t>(Order[position]);
    }
};

// What an analysis works out beside the trips' bounds and the time order.
enum class TripFigures {
    All,        // each fix's step, distance, speed and heights as well
    BoundsOnly, // enough to write a file trip by trip
};

// Orders the fixes by time (equal moments keep their table order), splits them where neighbours
// lie more than `gapMs` apart (exactly `gapMs` stays together) and measures every trip. A table
// already in time order is only checked, never sorted; a table that wraps (the logger wrote on
// from the front after filling its memory) is merged from its ordered runs.
[[nodiscard]] TripAnalysis AnalyseTrips(std::span<const TGpsFix> fixes,
                                        std::int64_t gapMs = kDefaultTripGapMs,
                                        TripFigures figures = TripFigures::All);

// The moments an export of the trip covers: from the start of the second of its first fix to the
// end of the second of its last fix.
[[nodiscard]] MsWindow TripWindow(const Trip& trip);

// The trip (from 0) whose first and last fix hold a local moment between them, or else the one
// whose first or last fix lies nearest it, at most `slackMs` away; nothing when none does.
[[nodiscard]] std::optional<std::size_t> TripAt(std::span<const Trip> trips, std::int64_t localMs,
                                                std::int64_t slackMs);

// Great-circle distance in metres between two positions in degrees (haversine).
[[nodiscard]] double GreatCircleM(double lat1, double lon1, double lat2, double lon2);
