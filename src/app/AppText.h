#pragma once

#include "store/TimeBase.h"

#include <QLocale>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The application's title: its name on the task bar and the caption of its message boxes.
inline const QString kAppTitle = QStringLiteral("Tallo2NMEA");
// The main window's caption: the version line and a short notice of the makers.
inline const QString kWindowCaption =
    QStringLiteral("Tallomer to NMEA Ver1.4 (C) The Tallo2NMEA developers");

// The question asked before an export replaces a file the save dialog did not confirm.
inline QString OverwriteQuestion(const QString& targetPath)
{
    return targetPath + QStringLiteral(" は既に存在します。上書きしますか?");
}

// The tooltip of a day field whose date does not exist (2024/02/30).
inline const QString kImpossibleDateToolTip = QStringLiteral("この日付はありません");

// The tooltips of the load and export buttons.
inline const QString kOpenToolTip = QStringLiteral("ログファイルを開きます (Ctrl+O)");
inline const QString kOutToolTip =
    QStringLiteral("出力範囲の記録を 1 つのファイルに書き出します (Ctrl+S)");

// The arrow beside the load button, and its list while no log was opened yet.
inline const QString kRecentLogsToolTip = QStringLiteral("最近開いたログファイル");
inline const QString kNoRecentLogsText = QStringLiteral("（最近開いたログファイルはありません）");

// ログ内容 of a log that holds no fix.
inline const QString kNoFixesText = QStringLiteral("記録なし");

// The export command's answers when there is nothing to write.
inline constexpr std::string_view kNothingLoadedError = "先にログファイルを読み込んでください";
inline constexpr std::string_view kNoFixesToWriteError =
    "読み込んだログには記録がないため、出力するものがありません";

// A whole number with a comma every three digits, whatever the user's locale: "11,127".
inline QString GroupedNumber(std::size_t value)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::DefaultNumberOptions);
    return c.toString(static_cast<qulonglong>(value));
}

// A count of fixes, written so wherever the window shows one: "11,127 件".
inline QString CountText(std::size_t count) { return GroupedNumber(count) + QStringLiteral(" 件"); }

// Beside the written path: how many fixes the file holds, e.g. "817 件", and how many fixes of
// the window the twelve fields could not reach (before 1980 or in 2100 and later).
inline QString WrittenCountText(std::size_t count, std::size_t leftOut = 0)
{
    QString text = CountText(count);
    if (leftOut > 0)
        text += QStringLiteral("（1980〜2099 年の範囲外にある %1 件は含みません）")
                    .arg(GroupedNumber(leftOut));
    return text;
}

// The days from one moment to another (local whole milliseconds): "2004/05/03 – 2004/05/04", or
// one day alone.
inline QString DaySpanText(std::int64_t firstMs, std::int64_t lastMs, const QString& separator)
{
    const auto day = [&separator](std::int64_t ms) {
        const CalendarTime t = MillisecondsToCalendar(ms);
        return QStringLiteral("%1%2%3%4%5")
            .arg(t.Year, 4, 10, QLatin1Char('0'))
            .arg(separator)
            .arg(t.Month, 2, 10, QLatin1Char('0'))
            .arg(separator)
            .arg(t.Day, 2, 10, QLatin1Char('0'));
    };
    const QString first = day(firstMs);
    const QString last = day(lastMs);
    return first == last ? first : first + QStringLiteral(" – ") + last;
}

// The question once a log is shown whose dates look like those of a logger that missed a GPS
// week rollover: the days found and the days they become, e.g.
// "2004/05/03 – 2004/05/04 → 2023/12/18 – 2023/12/19".
inline QString WeekRepairQuestion(const QString& found, const QString& repaired)
{
    return QStringLiteral("日付が 1024 週 (約 19.6 年) 前になっているようです。\n") + found +
           QStringLiteral(" → ") + repaired + QStringLiteral("\n補正して読み込み直しますか?");
}

// The offer after a load whose content fits the other kind of log far better than the kind its
// name gives: the question and the caption of the button that reads it as that kind.
inline QString ReadAsOtherQuestion(const QString& looksLike, bool asBlock)
{
    return looksLike + QStringLiteral("\n") +
           (asBlock ? QStringLiteral("ブロックログとして開きますか?")
                    : QStringLiteral("セクターログとして開きますか?"));
}
inline QString ReadAsOtherCaption(bool asBlock)
{
    return asBlock ? QStringLiteral("ブロックログとして開く")
                   : QStringLiteral("セクターログとして開く");
}
// The button that keeps the log as its name reads it.
inline const QString kKeepKindCaption = QStringLiteral("このまま");

// What the window says while no log is loaded.
inline const QString kNothingLoadedHint = QStringLiteral(
    "[読込] (Ctrl+O) でログファイルを開くか、ログファイルをこのウィンドウにドロップしてください");
