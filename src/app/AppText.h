#pragma once

#include <QString>
#include <cstddef>
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

// ログ内容 of a log that holds no fix.
inline const QString kNoFixesText = QStringLiteral("記録なし");

// The export command's answers when there is nothing to write.
inline constexpr std::string_view kNothingLoadedError = "先にログファイルを読み込んでください";
inline constexpr std::string_view kNoFixesToWriteError =
    "読み込んだログには記録がないため、出力するものがありません";

// Beside the written path: how many fixes the file holds, e.g. "817 件".
inline QString WrittenCountText(std::size_t count)
{
    return QString::number(count) + QStringLiteral(" 件");
}

// The question after a load whose dates look like those of a logger that missed a GPS week
// rollover.
inline const QString kWeekRepairQuestion = QStringLiteral(
    "日付が 1024 週 (約 19.6 年) 前になっているようです。補正して読み込み直しますか?");
