#include "app/overview/OverviewText.h"

#include "store/TimeBase.h"

#include <QLocale>

namespace {

QString TwoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

QString TimeText(const CalendarTime& t, const QString& separator)
{
    return TwoDigits(t.Hour) + separator + TwoDigits(t.Minute) + separator + TwoDigits(t.Second);
}

// Whole numbers with a comma every three digits, whatever the user's locale.
QString Grouped(std::int64_t value)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::DefaultNumberOptions);
    return c.toString(static_cast<qlonglong>(value));
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
        return QStringLiteral("%1%2%3%4%5")
            .arg(start.Year, 4, 10, QLatin1Char('0'))
            .arg(dateSeparator, TwoDigits(start.Month), dateSeparator, TwoDigits(start.Day));
    case TripColumn::Start:
        return TimeText(start, timeSeparator);
    case TripColumn::End:
        return EndText(trip, timeSeparator);
    case TripColumn::Duration:
        return DurationText(trip.DurationMs());
    case TripColumn::DistanceKm:
        return Kilometres(trip.DistanceM);
    case TripColumn::Fixes:
        return QString::number(trip.FixCount());
    case TripColumn::MaxSpeedKmh:
        return trip.MaxSpeedKmh ? QString::number(*trip.MaxSpeedKmh, 'f', 1) : QStringLiteral("-");
    }
    return {};
}

QString SummaryText(std::size_t fixCount, std::size_t tripCount, double distanceM,
                    const std::optional<SectorDropCounts>& dropped, LogLayout layout,
                    const QStringList& notes)
{
    QString text = QStringLiteral("%1 件、トリップ %2 個、合計 %3 km")
                       .arg(Grouped(static_cast<std::int64_t>(fixCount)))
                       .arg(Grouped(static_cast<std::int64_t>(tripCount)))
                       .arg(Kilometres(distanceM));
    if (dropped)
        text += QStringLiteral("（除外: 測位種別 %1 件、妥当性 %2 件、日付 %3 件）")
                    .arg(Grouped(dropped->FixTypeGate), Grouped(dropped->Implausible),
                         Grouped(dropped->BeforeEarliest));
    if (layout == LogLayout::Sister)
        text += QStringLiteral("（姉妹形式）");
    else if (layout == LogLayout::Mixed)
        text += QStringLiteral("（標準形式と姉妹形式の混在）");
    for (const QString& note : notes)
        text += QLatin1Char('\n') + note;
    return text;
}

QString ScaleBarText(double metres)
{
    return QString::number(metres / 1000.0, 'g', 6) + QStringLiteral(" km");
}

QString StartMarkerText() { return QStringLiteral("開始"); }
QString EndMarkerText() { return QStringLiteral("終了"); }

QString TickText(std::int64_t ms, std::int64_t stepMs, const QString& dateSeparator,
                 const QString& timeSeparator)
{
    const CalendarTime t = MillisecondsToCalendar(ms);
    if (stepMs >= kMillisecondsPerDay || (t.Hour == 0 && t.Minute == 0 && t.Second == 0))
        return TwoDigits(t.Month) + dateSeparator + TwoDigits(t.Day);
    QString text = TwoDigits(t.Hour) + timeSeparator + TwoDigits(t.Minute);
    if (stepMs < kMsPerMinute)
        text += timeSeparator + TwoDigits(t.Second);
    return text;
}
