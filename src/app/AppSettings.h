#pragma once

#include "app/OutputTypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QSettings;

// The window's settings, kept between runs in the user's settings file (an ini file under the
// system's configuration folder): the window's place and size, the folders the dialogs last
// started in, the output type picked last, the recent logs and the map's source and switch.

// The settings file, for the few keys of a panel of its own (the map's).
[[nodiscard]] std::unique_ptr<QSettings> OpenAppSettings();

// The folders the window's dialogs remember.
enum class FolderRole {
    Open,  // the log dialog
    Save,  // the export dialog and the split's folder dialog
    Photo, // the photo dialog
};
// The folder last chosen in a role's dialog; nothing before the first choice.
[[nodiscard]] std::optional<QString> RememberedFolder(FolderRole role);
void RememberFolder(FolderRole role, const QString& folder);

// The output type picked last in the export dialog; the default file before the first export.
[[nodiscard]] OutputType RememberedOutputType();
void RememberOutputType(OutputType type);

// The logs opened last, the latest first, at most kRecentLogCount, each once.
inline constexpr int kRecentLogCount = 10;
[[nodiscard]] QStringList RecentLogs();
// Puts a log at the head of the recent logs.
void RememberRecentLog(const QString& path);

// The main window's place and size as QWidget::saveGeometry gives them; empty before the first
// run closed.
[[nodiscard]] QByteArray RememberedGeometry();
void RememberGeometry(const QByteArray& geometry);

// The clock error and zone last written for a camera (its EXIF make and model), brought back when
// that camera's photos are added to an empty list.
struct CameraMemory {
    int ClockErrorS = 0;
    int ZoneMin = 0;
};
[[nodiscard]] std::optional<CameraMemory> RememberedCameraClock(const QString& camera);
void RememberCameraClock(const QString& camera, CameraMemory clock);
