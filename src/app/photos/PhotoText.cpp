#include "app/photos/PhotoText.h"

#include "app/AppText.h"
#include "messages/ErrorText.h"
#include "messages/PhotoErrorText.h"
#include "store/TimeBase.h"

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

// A reason from the core's texts without its final point: it goes inside brackets.
QString Reason(const std::string& text) { return FromStd(WithoutFinalPoint(text)); }

QString ErrorText(const PhotoOutcome& outcome)
{
    return FromStd(PhotoErrorShort(outcome.Error, outcome.Errno));
}

} // namespace

QStringList PhotoColumnCaptions()
{
    return {QStringLiteral("ファイル名"), QStringLiteral("撮影時刻"), QStringLiteral("状態"),
            QStringLiteral("位置")};
}

QStringList PhotoColumnSamples()
{
    return {QString(), QStringLiteral("00/00 00:00:00"), QStringLiteral("書込予定 (XMP)"),
            QStringLiteral("-00.00000, 000.00000")};
}

const QString kPhotoDialogTitle = QStringLiteral("写真の追加");

QString MomentText(std::int64_t ms, const QString& dateSeparator, const QString& timeSeparator)
{
    // The store's text without its milliseconds (".zzz").
    std::string text = FormatCalendarTime(MillisecondsToCalendar(ms), dateSeparator.toStdString(),
                                          timeSeparator.toStdString());
    text.resize(text.size() - 4);
    return FromStd(text);
}

QString ShortMomentText(std::int64_t ms, const QString& dateSeparator, const QString& timeSeparator)
{
    return MomentText(ms, dateSeparator, timeSeparator).mid(5);
}

QString PositionText(const TrackPoint& place, int decimals)
{
    return QString::number(place.LatDeg, 'f', decimals) + QStringLiteral(", ") +
           QString::number(place.LonDeg, 'f', decimals);
}

QString ZoneText(std::int32_t eastMinutes)
{
    return QStringLiteral("UTC") + FromStd(FormatUtcOffsetText(eastMinutes));
}

namespace {

// A city whose standard time is each offset (minutes east of UTC), west to east; a summer time
// between two hours is named as one.
constexpr std::pair<std::int32_t, const char16_t*> kZoneCities[] = {
    {-720, u"ベーカー島"},
    {-660, u"パゴパゴ"},
    {-600, u"ホノルル"},
    {-570, u"マルキーズ"},
    {-540, u"アンカレッジ"},
    {-480, u"ロサンゼルス"},
    {-420, u"デンバー"},
    {-360, u"メキシコシティ"},
    {-300, u"ニューヨーク"},
    {-240, u"ハリファックス"},
    {-210, u"セントジョンズ"},
    {-180, u"サンパウロ"},
    {-150, u"セントジョンズ夏時間"},
    {-120, u"ノローニャ島"},
    {-60, u"アゾレス諸島"},
    {0, u"ロンドン"},
    {60, u"パリ"},
    {120, u"カイロ"},
    {180, u"モスクワ"},
    {210, u"テヘラン"},
    {240, u"ドバイ"},
    {270, u"カブール"},
    {300, u"カラチ"},
    {330, u"デリー"},
    {345, u"カトマンズ"},
    {360, u"ダッカ"},
    {390, u"ヤンゴン"},
    {420, u"バンコク"},
    {480, u"北京"},
    {525, u"ユークラ"},
    {540, u"東京"},
    {570, u"アデレード"},
    {600, u"シドニー"},
    {630, u"ロードハウ島"},
    {660, u"ヌメア"},
    {720, u"オークランド"},
    {765, u"チャタム諸島"},
    {780, u"ヌクアロファ"},
    {825, u"チャタム夏時間"},
    {840, u"キリティマティ"},
};

} // namespace

QString ZoneChoiceText(std::int32_t eastMinutes)
{
    for (const auto& [east, city] : kZoneCities)
        if (east == eastMinutes)
            return ZoneText(eastMinutes) + QLatin1Char(' ') + QString::fromUtf16(city);
    return ZoneText(eastMinutes);
}

QString PhotoStateText(const PhotoOutcome& outcome)
{
    const QString xmp = outcome.Way == PhotoWay::Sidecar ? QStringLiteral(" (XMP)") : QString();
    switch (outcome.Result) {
    case GeotagResult::Tagged:
    case GeotagResult::Sidecar:
        return QStringLiteral("書込済み") + xmp;
    case GeotagResult::WouldTag:
        return QStringLiteral("書込予定") + xmp;
    case GeotagResult::AlreadyTagged:
        return QStringLiteral("位置情報あり");
    case GeotagResult::InGap:
        return QStringLiteral("記録の途切れ");
    case GeotagResult::OutsideLog:
        return QStringLiteral("ログの範囲外");
    case GeotagResult::NoTime:
        return QStringLiteral("撮影時刻なし");
    case GeotagResult::Empty:
        return QStringLiteral("空のファイル");
    case GeotagResult::NotSupported:
        return QStringLiteral("非対応の形式");
    case GeotagResult::Error:
        break;
    }
    return QStringLiteral("エラー: ") + ErrorText(outcome);
}

QString PhotoStateToolTip(const PhotoOutcome& outcome)
{
    const bool sidecar = outcome.Way == PhotoWay::Sidecar;
    switch (outcome.Result) {
    case GeotagResult::Tagged:
        return QStringLiteral("写真に位置を書き込みました");
    case GeotagResult::Sidecar:
        return QStringLiteral("サイドカー (ファイル名.xmp) に位置を書き込みました");
    case GeotagResult::WouldTag:
        return sidecar
                   ? QStringLiteral("[書込] で位置をサイドカー (ファイル名.xmp) に書き込みます。"
                                    "RAW ファイルそのものは変更しません")
                   : QStringLiteral("[書込] で位置を写真に書き込みます");
    case GeotagResult::AlreadyTagged:
        return QStringLiteral("写真には既に位置情報があるため、書き込みません");
    case GeotagResult::InGap:
        return QStringLiteral("前後の記録が %1 秒より離れているため、位置を決められません")
            .arg(kDefaultMaxGapMs / kMsPerSecond);
    case GeotagResult::OutsideLog:
        return QStringLiteral("撮影時刻がログの記録の前か後です。"
                              "カメラの時計のずれと時間帯を確かめてください");
    case GeotagResult::NoTime:
        return QStringLiteral("撮影日時 (DateTimeOriginal) が記録されていません");
    case GeotagResult::Empty:
        return QStringLiteral("ファイルの大きさが 0 バイトです");
    case GeotagResult::NotSupported:
        return QStringLiteral("この形式のファイルには位置を書き込めません");
    case GeotagResult::Error:
        break;
    }
    return ErrorText(outcome);
}

QString CameraTimeToolTip(const PhotoMoment& moment, const QString& dateSeparator,
                          const QString& timeSeparator)
{
    return QStringLiteral("カメラの時計: ") +
           MomentText(moment.TakenMs, dateSeparator, timeSeparator) + QLatin1Char(' ') +
           ZoneText(moment.ZoneMinutes) +
           (moment.ZoneFromPhoto ? QStringLiteral(" (写真に記録された時間帯)") : QString());
}

QString WritableCountText(std::size_t photos, std::size_t writable)
{
    if (writable == 0)
        return QStringLiteral("写真 %1 枚: 書き込める写真はありません").arg(GroupedNumber(photos));
    return QStringLiteral("写真 %1 枚のうち %2 枚に書き込めます")
        .arg(GroupedNumber(photos), GroupedNumber(writable));
}

QString WrittenPhotosText(std::size_t written, std::size_t sidecars, std::size_t errors)
{
    QString text = QStringLiteral("%1 枚に書き込みました").arg(GroupedNumber(written));
    if (sidecars > 0)
        text += QStringLiteral("（うち XMP サイドカー %1 枚）").arg(GroupedNumber(sidecars));
    if (errors > 0)
        text += QStringLiteral("、エラー %1 枚").arg(GroupedNumber(errors));
    return text;
}

const QString kPhotosWaitForLog = QStringLiteral("ログファイルを読み込むと、写真の位置を求めます");
const QString kWaitingForLogState = QStringLiteral("ログ未読込");
const QString kNoPhotosHint = QStringLiteral(
    "[写真] で写真を追加するか、写真やフォルダーをこのウィンドウにドロップしてください");

const QString kClockErrorCaption = QStringLiteral("時計のずれ");

const QString kClockFromPhotoAction = QStringLiteral("この写真の位置から時計のずれを求める");
const QString kClockErrorSuffix = QStringLiteral(" 秒");
const QString kClockErrorToolTip =
    QStringLiteral("カメラの時計が正しい時刻より進んでいる秒数です (遅れているときは負の値)。\n"
                   "例: 1 分 15 秒進んでいれば 75 か +0:01:15 (時:分:秒)。"
                   "場所のわかる写真の印が正しい位置に来るまで変えてみてください。\n"
                   "カメラ (メーカーと機種) ごとに、書き込んだときの値を覚えておきます");
const QString kCameraZoneCaption = QStringLiteral("時間帯");
const QString kCameraZoneToolTip =
    QStringLiteral("カメラの時計が合わせてある時間帯です。\n"
                   "写真に時間帯が記録されていれば、そちらを使います");
const QString kWriteToolTip =
    QStringLiteral("書込予定の写真に位置を書き込みます。画像データは変更しません");

const QString kOverwriteCaption = QStringLiteral("位置を上書き");
const QString kOverwriteToolTip =
    QStringLiteral("選んだ写真のうち位置情報のあるものに、ログから求めた位置を上書きします");

QString SummerTimeText(std::int32_t summerEastMinutes)
{
    return QStringLiteral("夏時間に撮られた写真があります。カメラを夏時間に合わせていたなら、"
                          "時間帯を %1 にしてください")
        .arg(ZoneText(summerEastMinutes));
}

const QString kPhotoButtonToolTip =
    QStringLiteral("写真を追加して、撮影した位置をログから求めます");

QString PhotoNameToolTip(const QString& path, const QByteArray& thumbnailPng)
{
    if (thumbnailPng.isEmpty())
        return path;
    return path.toHtmlEscaped() + QStringLiteral("<br><img src=\"data:image/png;base64,%1\">")
                                      .arg(QString::fromLatin1(thumbnailPng.toBase64()));
}

const QString kRemovePhotosAction = QStringLiteral("一覧から外す");
const QString kClearListCaption = QStringLiteral("一覧を空にする");
const QString kClearListToolTip =
    QStringLiteral("一覧の写真をすべて外します。写真のファイルはそのままです");
const QString kTickToolTip = QStringLiteral("チェックを外した写真は [書込] で書き込みません");

const QString kUndoCaption = QStringLiteral("元に戻す");
const QString kUndoToolTip =
    QStringLiteral("直前の [書込] で書き換えた写真を、書込の前の内容と更新日時に戻します。\n"
                   "書込の後に別のソフトで変更された写真はそのままにします。\n"
                   "書込の前の写真の控えは、このウィンドウを閉じると消えます");
const QString kForgetBackupsAction = QStringLiteral("元に戻すための控えを消す");
const QString kBackupsForgotten =
    QStringLiteral("書込の前の写真の控えを消しました。元に戻すことはできません");

QString RestoredPhotosText(std::size_t restored, std::size_t changedSince, std::size_t failed)
{
    QString text = QStringLiteral("%1 枚を書込の前に戻しました").arg(GroupedNumber(restored));
    if (changedSince > 0)
        text += QStringLiteral("。%1 枚は書込の後に変更されていたため、そのままです")
                    .arg(GroupedNumber(changedSince));
    if (failed > 0)
        text += QStringLiteral("。%1 枚は戻せませんでした").arg(GroupedNumber(failed));
    return text;
}

QString PhotoTabText(std::size_t photos)
{
    return photos == 0 ? QStringLiteral("写真")
                       : QStringLiteral("写真 (%1)").arg(GroupedNumber(photos));
}

QString FolderUnreadText(const QString& folder, int errnoValue)
{
    return QStringLiteral("フォルダー \"%1\" を読み込めません。").arg(folder) +
           Reason(IoErrorText(errnoValue));
}
