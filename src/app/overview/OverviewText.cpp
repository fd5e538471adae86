#include "app/overview/OverviewText.h"

#include "app/AppText.h"
#include "store/TimeBase.h"

#include <cmath>

namespace {

QString TwoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

QString TimeText(const CalendarTime& t, const QString& separator)
{
    return TwoDigits(t.Hour) + separator + TwoDigits(t.Minute) + separator + TwoDigits(t.Second);
}

QString DayText(const CalendarTime& t, const QString& separator, bool withYear)
{
    QString text = TwoDigits(t.Month) + separator + TwoDigits(t.Day);
    return withYear ? QStringLiteral("%1").arg(t.Year, 4, 10, QLatin1Char('0')) + separator + text
                    : text;
}

QString Kilometres(double metres) { return QString::number(metres / 1000.0, 'f', 2); }

QString EndText(const Trip& trip, const QString& timeSeparator)
{
    const CalendarTime end = MillisecondsToCalendar(trip.LastMs);
    QString text = TimeText(end, timeSeparator);
    const std::int64_t days =
        trip.LastMs / kMillisecondsPerDay - trip.FirstMs / kMillisecondsPerDay;
    if (days > 0)
        text += QStringLiteral(" +%1日").arg(days);
    return text;
}

QString DurationText(std::int64_t ms)
{
    const std::int64_t seconds = ms / kMsPerSecond;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(TwoDigits(static_cast<int>(seconds / 60 % 60)))
        .arg(TwoDigits(static_cast<int>(seconds % 60)));
}

} // namespace

QStringList TripColumnCaptions()
{
    // The units go on a line of their own: the columns stay as narrow as their figures.
    return {QStringLiteral("日付"),
            QStringLiteral("開始"),
            QStringLiteral("終了"),
            QStringLiteral("時間"),
            QStringLiteral("距離\n(km)"),
            QStringLiteral("件数"),
            QStringLiteral("最高速度\n(km/h)")};
}

QString TripCellText(const Trip& trip, TripColumn column, const QString& dateSeparator,
                     const QString& timeSeparator)
{
    const CalendarTime start = MillisecondsToCalendar(trip.FirstMs);
    switch (column) {
    case TripColumn::Date:
        return DayText(start, dateSeparator, true);
    case TripColumn::Start:
        return TimeText(start, timeSeparator);
    case TripColumn::End:
        return EndText(trip, timeSeparator);
    case TripColumn::Duration:
        return DurationText(trip.DurationMs());
    case TripColumn::DistanceKm:
        return Kilometres(trip.DistanceM);
    case TripColumn::Fixes:
        return GroupedNumber(trip.FixCount());
    case TripColumn::MaxSpeedKmh:
        return trip.MaxSpeedKmh ? QString::number(*trip.MaxSpeedKmh, 'f', 1) : QStringLiteral("-");
    }
    return {};
}

QString SummaryText(std::size_t fixCount, std::size_t tripCount, double distanceM,
                    const std::optional<SectorDropCounts>& dropped, LogLayout layout,
                    const QStringList& notes)
{
    QString text = QStringLiteral("%1、トリップ %2 個、合計 %3 km")
                       .arg(CountText(fixCount), GroupedNumber(tripCount), Kilometres(distanceM));
    if (dropped)
        text += QStringLiteral("（除外: 測位種別 %1 件、妥当性 %2 件、日付 %3 件）")
                    .arg(GroupedNumber(static_cast<std::size_t>(dropped->FixTypeGate)),
                         GroupedNumber(static_cast<std::size_t>(dropped->Implausible)),
                         GroupedNumber(static_cast<std::size_t>(dropped->BeforeEarliest)));
    if (layout == LogLayout::Sister)
        text += QStringLiteral("（標準とは別の記録形式のログ）");
    else if (layout == LogLayout::Mixed)
        text += QStringLiteral("（標準の記録形式と別の記録形式が混在）");
    for (const QString& note : notes)
        text += QLatin1Char('\n') + note;
    return text;
}

QString WrappedNote(std::int64_t earliestMs, const QString& dateSeparator,
                    const QString& timeSeparator)
{
    const CalendarTime t = MillisecondsToCalendar(earliestMs);
    return QStringLiteral("記憶が一周しています：最初の記録は %1 %2 です（それより前の記録は上書き"
                          "されています）")
        .arg(DayText(t, dateSeparator, true), TimeText(t, timeSeparator));
}

QString RepairedWeeksNote(std::int32_t addedWeeks)
{
    return QStringLiteral("日付を %1 週 (約 %2 年) 後へ補正して表示しています")
        .arg(addedWeeks)
        .arg(QString::number(addedWeeks * 7 / 365.2425, 'f', 1));
}

QString MovingText(const MovingFigures& moving)
{
    const auto figure = [](std::optional<double> value) {
        return value ? QString::number(*value, 'f', 1) : QStringLiteral("-");
    };
    return QStringLiteral("移動時間 %1 (%2 km/h を超えていた時間)\n平均移動速度 %3 km/h\n"
                          "上昇 %4 m、下降 %5 m (GPS 高度の %6 m 未満の揺れは数えません)")
        .arg(DurationText(moving.MovingMs), QString::number(static_cast<double>(kMovingKmh)),
             figure(moving.AvgMovingKmh), figure(moving.AscentM), figure(moving.DescentM),
             QString::number(kClimbHysteresisM));
}

QString ScaleBarText(double metres)
{
    return QString::number(metres / 1000.0, 'g', 6) + QStringLiteral(" km");
}

QString StartMarkerText() { return QStringLiteral("開始"); }
QString EndMarkerText() { return QStringLiteral("終了"); }
QString PhotoMarkerText() { return QStringLiteral("写真"); }

QString TickText(std::int64_t ms, TickStep step, std::optional<std::int64_t> lastShownMs,
                 const QString& dateSeparator, const QString& timeSeparator)
{
    const CalendarTime t = MillisecondsToCalendar(ms);
    const std::optional<CalendarTime> last =
        lastShownMs ? std::optional(MillisecondsToCalendar(*lastShownMs)) : std::nullopt;
    const bool newYear = !last || last->Year != t.Year;
    switch (step.Unit) {
    case TickUnit::Year:
        return QString::number(t.Year);
    case TickUnit::Month:
        return newYear ? QStringLiteral("%1年%2月").arg(t.Year).arg(t.Month)
                       : QStringLiteral("%1月").arg(t.Month);
    case TickUnit::Day:
        return DayText(t, dateSeparator, newYear);
    case TickUnit::Hour:
    case TickUnit::Minute:
    case TickUnit::Second:
        break;
    }
    const bool newDay =
        !last || last->Year != t.Year || last->Month != t.Month || last->Day != t.Day;
    const bool midnight = t.Hour == 0 && t.Minute == 0 && t.Second == 0;
    if (newDay && midnight)
        return DayText(t, dateSeparator, newYear);
    QString time = TwoDigits(t.Hour) + timeSeparator + TwoDigits(t.Minute);
    if (step.Unit == TickUnit::Second)
        time += timeSeparator + TwoDigits(t.Second);
    return newDay ? DayText(t, dateSeparator, newYear) + QLatin1Char(' ') + time : time;
}

QString TripToolTipText(std::size_t number, const Trip& trip, const QString& dateSeparator,
                        const QString& timeSeparator)
{
    const CalendarTime first = MillisecondsToCalendar(trip.FirstMs);
    const CalendarTime last = MillisecondsToCalendar(trip.LastMs);
    return QStringLiteral("トリップ %1\n開始 %2 %3\n終了 %4 %5\n距離 %6 km")
        .arg(QString::number(number), DayText(first, dateSeparator, true),
             TimeText(first, timeSeparator), DayText(last, dateSeparator, true),
             TimeText(last, timeSeparator), Kilometres(trip.DistanceM));
}

QString ProfileCaptionText(ProfileValue value, const ProfileScale& scale)
{
    const int decimals =
        scale.Step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(scale.Step) - 1e-9));
    const QString span = QString::number(scale.Low, 'f', decimals) + QStringLiteral("〜") +
                         QString::number(scale.High, 'f', decimals);
    return value == ProfileValue::SpeedKmh ? QStringLiteral("速度 %1 km/h").arg(span)
                                           : QStringLiteral("ロガーの GPS 高度 %1 m").arg(span);
}

QString ProfileReadoutText(std::int64_t ms, float speedKmh, float heightM,
                           const QString& dateSeparator, const QString& timeSeparator)
{
    const auto figure = [](float value) {
        return std::isfinite(value) ? QString::number(value, 'f', 1) : QStringLiteral("-");
    };
    const CalendarTime t = MillisecondsToCalendar(ms);
    return QStringLiteral("%1 %2　速度 %3 km/h　GPS 高度 %4 m")
        .arg(DayText(t, dateSeparator, true), TimeText(t, timeSeparator), figure(speedKmh),
             figure(heightM));
}

QString ProfileHintText()
{
    return QStringLiteral("ポインタを置くと、その時刻の速度と GPS 高度を表示します");
}

QString ProfileDroppedText() { return QStringLiteral("除外した記録"); }
