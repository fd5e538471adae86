#include "app/ArchiveText.h"

QString AddToArchiveText() { return QStringLiteral("保存庫に追加"); }

QString OpenArchiveText() { return QStringLiteral("保存庫を開く"); }

QString ArchiveToolTip(const QString& archivePath)
{
    return QStringLiteral("保存庫: %1").arg(archivePath);
}

QString ImportReportText(const QString& logName, const ImportReport& report,
                         const QString& uncoveredFrom, const QString& uncoveredTo)
{
    if (report.KnownCopy)
        return QStringLiteral("%1 は保存庫に追加済みです (%2 件)。何も追加していません。")
            .arg(logName)
            .arg(report.Known);
    QString text = QStringLiteral("%1 を保存庫に追加しました。\n\n新しい位置: %2 件\n"
                                  "保存済みの位置: %3 件\n食い違い: %4 件")
                       .arg(logName)
                       .arg(report.New)
                       .arg(report.Known)
                       .arg(report.Conflicts);
    if (report.Conflicts > 0)
        text += QStringLiteral(" (同じ時刻に別の位置。どちらも残しています)");
    if (!uncoveredFrom.isEmpty())
        text += QStringLiteral("\n記録のない期間: %1 から %2 まで\n"
                               "(記録が上書きされたのか、ロガーが止まっていたのかは分かりません)")
                    .arg(uncoveredFrom, uncoveredTo);
    return text;
}
