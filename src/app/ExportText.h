#pragma once

#include "app/AppText.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <vector>

// The words of the export area (NMEAファイル) beyond the design's captions.

// The split buttons: one file per trip, one file per calendar day, into a folder.
inline const QString kSplitTripCaption = QStringLiteral("トリップごと");
inline const QString kSplitDayCaption = QStringLiteral("日ごと");
inline const QString kSplitTripToolTip =
    QStringLiteral("出力範囲のトリップを 1 つずつ別のファイルに、選んだフォルダへ書き出します");
inline const QString kSplitDayToolTip =
    QStringLiteral("出力範囲の記録を 1 日ずつ別のファイルに、選んだフォルダへ書き出します");
// The title of the folder dialog of a split.
inline const QString kSplitFolderTitle = QStringLiteral("分割したファイルを書き出すフォルダ");

// The trips (from 0) as the list numbers them: "1, 3".
inline QString TripNumbersText(const std::vector<std::size_t>& trips, const QString& separator)
{
    QStringList numbers;
    for (const std::size_t trip : trips)
        numbers << QString::number(trip + 1);
    return numbers.join(separator);
}

// Beside 出力範囲 while trips picked one by one leave a gap: only their fixes are written.
inline QString ChosenTripsText(const std::vector<std::size_t>& trips)
{
    return QStringLiteral("トリップ %1 のみ").arg(TripNumbersText(trips, QStringLiteral(", ")));
}

// Beside the folder of a split: how many files it wrote and how many fixes they hold.
inline QString SplitWrittenText(std::size_t files, std::size_t fixes)
{
    return QStringLiteral("%1 ファイル、%2").arg(GroupedNumber(files), CountText(fixes));
}

// Asked once before a split replaces files: how many, and the first of them.
inline QString SplitOverwriteQuestion(std::size_t existing, const QString& firstPath)
{
    return existing == 1
               ? OverwriteQuestion(firstPath)
               : QStringLiteral("%1 など %2 個のファイルが既に存在します。上書きしますか?")
                     .arg(firstPath, GroupedNumber(existing));
}
