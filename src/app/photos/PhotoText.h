#pragma once

#include "photos/Geotag.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

// The photo list's texts: its captions and cells, the reasons a photo is left alone, the camera
// settings' captions and the counts beside the write button.

// The photo list's columns, left to right.
enum class PhotoColumn {
    Name,
    Time,     // the moment on the log's clock: the camera's clock set right
    State,    // what writing does or did, or why not
    Position, // where it lies on the track
};
constexpr int kPhotoColumnCount = 4;

QStringList PhotoColumnCaptions();
// Texts as wide as the widest of each column but the name's (an error's reason aside).
QStringList PhotoColumnSamples();

// "2024/05/03 14:31:15" with the given separators.
QString MomentText(std::int64_t ms, const QString& dateSeparator, const QString& timeSeparator);
// "05/03 14:31:15": the list's time, without the year (in its tooltip, and above in the log's
// summary), so that every column shows whole at the window's first size.
QString ShortMomentText(std::int64_t ms, const QString& dateSeparator,
                        const QString& timeSeparator);
// "35.65858, 139.74543": latitude and longitude in degrees, five decimals (a metre, finer than a
// fix) in the list, six (a tenth of a metre) in its tooltip.
QString PositionText(const TrackPoint& place, int decimals = 5);
// "UTC+09:00", "UTC-03:30" of minutes east of UTC.
QString ZoneText(std::int32_t eastMinutes);
// A choice of the camera's zone: the offset and a city whose clocks show it, "UTC+09:00 東京";
// the offset alone for an offset no city keeps.
QString ZoneChoiceText(std::int32_t eastMinutes);

// The photo dialog's title.
extern const QString kPhotoDialogTitle;

// The state column: 書込予定 (would be written), 書込済み, 位置情報あり, 記録の途切れ,
// ログの範囲外, 撮影時刻なし, 非対応の形式 or エラー with the reason; "(XMP)" after a sidecar's.
QString PhotoStateText(const PhotoOutcome& outcome);
// What the state means and what the user can do about it.
QString PhotoStateToolTip(const PhotoOutcome& outcome);
// The time column's tooltip: the camera's clock and the zone it was read in.
QString CameraTimeToolTip(const PhotoMoment& moment, const QString& dateSeparator,
                          const QString& timeSeparator);

// How many photos would be written, beside the write button: "写真 12 枚のうち 8 枚に書き込めます".
QString WritableCountText(std::size_t photos, std::size_t writable);
// What a write did: "8 枚に書き込みました（うち XMP サイドカー 2 枚）、エラー 1 枚".
QString WrittenPhotosText(std::size_t written, std::size_t sidecars, std::size_t errors);
// Beside the write button while photos wait for a log, and the state of such a photo.
extern const QString kPhotosWaitForLog;
extern const QString kWaitingForLogState;
// Beside the write button while the list is empty.
extern const QString kNoPhotosHint;

// The captions and tooltips of the camera settings.
extern const QString kClockErrorCaption;
extern const QString kClockErrorSuffix;
extern const QString kClockErrorToolTip;
extern const QString kCameraZoneCaption;
extern const QString kCameraZoneToolTip;
extern const QString kWriteToolTip;
// The button that overwrites the positions the picked photos hold, and its tooltip.
extern const QString kOverwriteCaption;
extern const QString kOverwriteToolTip;
// Above the list when photos without a zone of their own fall in the summer time of the system's
// zone: the zone that places them if the camera was set to summer time.
QString SummerTimeText(std::int32_t summerEastMinutes);
// The photo list's action that sets the clock error from a photo holding its true position.
extern const QString kClockFromPhotoAction;
extern const QString kPhotoButtonToolTip;

// The photo name's tooltip: its path, and its small picture (a PNG) once made.
QString PhotoNameToolTip(const QString& path, const QByteArray& thumbnailPng);

// Taking photos out of the list, and its tick boxes.
extern const QString kRemovePhotosAction;
extern const QString kClearListCaption;
extern const QString kClearListToolTip;
extern const QString kTickToolTip;
// Undoing the last write, and letting its originals go.
extern const QString kUndoCaption;
extern const QString kUndoToolTip;
extern const QString kForgetBackupsAction;
extern const QString kBackupsForgotten;
// What undoing did: "3 枚を書込の前に戻しました", with the photos changed since and the failures.
QString RestoredPhotosText(std::size_t restored, std::size_t changedSince, std::size_t failed);

// The tab of the photo list, with its count: "写真 (12)".
QString PhotoTabText(std::size_t photos);
// A folder whose photos could not be listed: "フォルダー "…" を読み込めません。<reason>".
QString FolderUnreadText(const QString& folder, int errnoValue);
