#include "app/overview/MapPanelText.h"

#include "store/TimeBase.h"

QString OnlineSwitchText() { return QStringLiteral("オンライン地図"); }

QString OnlineSwitchToolTip()
{
    return QStringLiteral("地図のタイルをインターネットのタイルサーバーから取得します");
}

QString MapSourceToolTip()
{
    return QStringLiteral("トラックの下に表示する地図 (地図のない所には海岸線と国境を表示します)");
}

QString OutlineOnlyText() { return QStringLiteral("地図なし"); }

QString MapFileEntryText(const QString& name)
{
    return QStringLiteral("地図ファイル: %1").arg(name);
}

QString OpenMapButtonText() { return QStringLiteral("地図ファイル…"); }

QString OpenMapButtonToolTip()
{
    return QStringLiteral("オフラインで使う地図ファイル (MBTiles) を開きます");
}

QString GoOnlineQuestion(const QString& sourceName)
{
    return QStringLiteral("オンライン地図を表示するため、表示範囲の地図タイルを「%1」のサーバーから"
                          "取得します。サーバーには表示している場所が伝わります。取得したタイルは"
                          "このコンピューターに保存され、次回からはそれを使います。\n\n"
                          "オンライン地図を使いますか？")
        .arg(sourceName);
}

QString MapDialogTitle() { return QStringLiteral("地図ファイルを開く"); }

QString MapFileFilter() { return QStringLiteral("地図ファイル (*.mbtiles)"); }

QString PhotoTipText(const QString& name, std::int64_t takenMs, const QByteArray& thumbnailPng)
{
    const CalendarTime t = MillisecondsToCalendar(takenMs);
    QString text = QStringLiteral("<b>%1</b><br>%2")
                       .arg(name.toHtmlEscaped(),
                            QString::asprintf("%04d/%02d/%02d %02d:%02d:%02d", t.Year, t.Month,
                                              t.Day, t.Hour, t.Minute, t.Second));
    if (!thumbnailPng.isEmpty())
        text += QStringLiteral("<br><img src=\"data:image/png;base64,%1\">")
                    .arg(QString::fromLatin1(thumbnailPng.toBase64()));
    return text;
}
