#include "app/AppSettings.h"

#include <QSettings>
#include <algorithm>

namespace {

const QString kOpenFolderKey = QStringLiteral("window/openFolder");
const QString kSaveFolderKey = QStringLiteral("window/saveFolder");
const QString kPhotoFolderKey = QStringLiteral("window/photoFolder");
const QString kOutputTypeKey = QStringLiteral("window/outputType");
const QString kRecentLogsKey = QStringLiteral("window/recentLogs");
const QString kGeometryKey = QStringLiteral("window/geometry");

// "cameras/MAKE MODEL/…": a key's separators in the camera's name become underscores.
QString CameraGroup(const QString& camera)
{
    QString name = camera;
    name.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    return QStringLiteral("cameras/") + name;
}

const QString& FolderKey(FolderRole role)
{
    switch (role) {
    case FolderRole::Save:
        return kSaveFolderKey;
    case FolderRole::Photo:
        return kPhotoFolderKey;
    case FolderRole::Open:
        break;
    }
    return kOpenFolderKey;
}

} // namespace

std::unique_ptr<QSettings> OpenAppSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Tallo2NMEA"), QStringLiteral("tallo2nmea"));
}

std::optional<QString> RememberedFolder(FolderRole role)
{
    const QString folder = OpenAppSettings()->value(FolderKey(role)).toString();
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

void RememberFolder(FolderRole role, const QString& folder)
{
    OpenAppSettings()->setValue(FolderKey(role), folder);
}

OutputType RememberedOutputType()
{
    // Kept as the type's place in the dialog's list; an unknown place is the default file.
    const int index = OpenAppSettings()->value(kOutputTypeKey, 0).toInt();
    if (index < 0 || index >= static_cast<int>(std::size(kOutputTypes)))
        return OutputType::Nmea;
    return kOutputTypes[index];
}

void RememberOutputType(OutputType type)
{
    const auto* found = std::find(std::begin(kOutputTypes), std::end(kOutputTypes), type);
    OpenAppSettings()->setValue(kOutputTypeKey, static_cast<int>(found - std::begin(kOutputTypes)));
}

QStringList RecentLogs()
{
    QStringList logs = OpenAppSettings()->value(kRecentLogsKey).toStringList();
    logs.removeDuplicates();
    logs.removeAll(QString());
    return logs.mid(0, kRecentLogCount);
}

void RememberRecentLog(const QString& path)
{
    QStringList logs = RecentLogs();
    logs.removeAll(path);
    logs.prepend(path);
    OpenAppSettings()->setValue(kRecentLogsKey, logs.mid(0, kRecentLogCount));
}

QByteArray RememberedGeometry() { return OpenAppSettings()->value(kGeometryKey).toByteArray(); }

void RememberGeometry(const QByteArray& geometry)
{
    OpenAppSettings()->setValue(kGeometryKey, geometry);
}

std::optional<CameraMemory> RememberedCameraClock(const QString& camera)
{
    const std::unique_ptr<QSettings> settings = OpenAppSettings();
    const QString group = CameraGroup(camera);
    if (camera.isEmpty() || !settings->contains(group + QStringLiteral("/clockError")))
        return std::nullopt;
    return CameraMemory{settings->value(group + QStringLiteral("/clockError")).toInt(),
                        settings->value(group + QStringLiteral("/zone")).toInt()};
}

void RememberCameraClock(const QString& camera, CameraMemory clock)
{
    if (camera.isEmpty())
        return;
    const std::unique_ptr<QSettings> settings = OpenAppSettings();
    const QString group = CameraGroup(camera);
    settings->setValue(group + QStringLiteral("/clockError"), clock.ClockErrorS);
    settings->setValue(group + QStringLiteral("/zone"), clock.ZoneMin);
}
