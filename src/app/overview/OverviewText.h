#pragma once

#include "convert/ConversionService.h"
#include "convert/Trips.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The overview's texts: the trip list's captions and cells, the summary line and the labels of
// the track picture and the timeline.

// The trip list's columns, left to right.
enum class TripColumn {
    Date,
    Start,
    End,
    Duration,
    DistanceKm,
    Fixes,
    MaxSpeedKmh,
};
constexpr int kTripColumnCount = 7;

// The column captions, in column order; a unit goes on a second line.
QStringList TripColumnCaptions();

// One cell of the trip list. Dates and times use the given separators; an end on a later day
// carries the number of days ("00:12:03 +1日"); a trip without a speed shows "-".
QString TripCellText(const Trip& trip, TripColumn column, const QString& dateSeparator,
                     const QString& timeSeparator);

// "12,345 件、トリップ 4 個、合計 123.45 km", and for a sector log the records its tests dropped;
// a block log in the sister layout, or mixing both layouts, says so; then each note on a line of
// its own.
QString SummaryText(std::size_t fixCount, std::size_t tripCount, double distanceM,
                    const std::optional<SectorDropCounts>& dropped, LogLayout layout,
                    const QStringList& notes = {});

// The scale bar's caption: a length in metres as kilometres ("0.5 km", "20 km").
QString ScaleBarText(double metres);

// The markers' legend of the track picture.
QString StartMarkerText();
QString EndMarkerText();

// A timeline tick: "05/03" at midnight or for ticks a day or more apart, "09:30" for minutes,
// "09:30:15" for ticks less than a minute apart.
QString TickText(std::int64_t ms, std::int64_t stepMs, const QString& dateSeparator,
                 const QString& timeSeparator);
