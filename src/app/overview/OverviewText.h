#pragma once

#include "convert/ConversionService.h"
#include "convert/MovingFigures.h"
#include "convert/Trips.h"
#include "geometry/Profile.h"
#include "geometry/TimeAxis.h"

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

// The summary's note on a log whose logger filled its memory and wrote on from the front: the
// earliest record it kept (local whole milliseconds), "記憶が一周しています：最初の記録は
// 2024/05/03 07:40:12 です（それより前の記録は上書きされています）".
QString WrappedNote(std::int64_t earliestMs, const QString& dateSeparator,
                    const QString& timeSeparator);
// The summary's note while the log is shown with its dates moved by whole GPS weeks.
QString RepairedWeeksNote(std::int32_t addedWeeks);

// The moving figures of a trip (its row's tooltip) or of the log (the summary's), with their
// rules: "移動時間 1:02:03 (1 km/h を超えていた時間)\n平均移動速度 12.3 km/h\n上昇 123.4 m、
// 下降 120.0 m (GPS 高度の 5 m 未満の揺れは数えません)"; "-" for a figure there is no value for.
QString MovingText(const MovingFigures& moving);

// The scale bar's caption: a length in metres as kilometres ("0.5 km", "20 km").
QString ScaleBarText(double metres);

// The markers' legend of the track picture.
QString StartMarkerText();
QString EndMarkerText();
QString PhotoMarkerText();

// A timeline tick's caption for its step: a year ("2024"), a month ("5月"), a day ("05/03"), a
// time ("09:30", "09:30:15" for steps of seconds; the day instead at midnight). The year is added
// ("2024年5月", "2024/05/03") where it differs from the last caption shown, or none was; a time
// whose day differs gets the day before it ("05/04 02:00").
QString TickText(std::int64_t ms, TickStep step, std::optional<std::int64_t> lastShownMs,
                 const QString& dateSeparator, const QString& timeSeparator);

// A trip's tooltip on the timeline: its number (from 1), first and last fix and distance.
QString TripToolTipText(std::size_t number, const Trip& trip, const QString& dateSeparator,
                        const QString& timeSeparator);

// A profile band's caption: the value, the span of its scale from bottom to top with as many
// decimals as the step of its grid lines, and the unit ("速度 0〜60 km/h"); the height is the
// logger's GPS height.
QString ProfileCaptionText(ProfileValue value, const ProfileScale& scale);
// The profile's row of text at the fix under the pointer: its day and time, speed and height,
// "-" for a value the fix does not have.
QString ProfileReadoutText(std::int64_t ms, float speedKmh, float heightM,
                           const QString& dateSeparator, const QString& timeSeparator);
// The row while the pointer is not on a fix.
QString ProfileHintText();
// The legend of the marks of the records a sector log's tests dropped.
QString ProfileDroppedText();
