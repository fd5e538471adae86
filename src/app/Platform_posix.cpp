// The platform layer on Linux and the other POSIX systems.
#include "app/Platform.h"

#include <QStandardPaths>
#include <QSysInfo>

QString DocumentsFolder()
{
    // XDG_DOCUMENTS_DIR of the user's folder settings, else ~/Documents.
    return FolderOrHome(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

QString PicturesFolder()
{
    // XDG_PICTURES_DIR of the user's folder settings, else ~/Pictures.
    return FolderOrHome(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
}

bool UseSystemFileDialogs()
{
    // The Linux desktops' dialogs match the name patterns case-sensitively and would hide
    // TRACK.BNX4, where Qt's own dialog matches names without regard to case; macOS's own dialog
    // does too, and stays.
    return QSysInfo::productType() == QLatin1String("macos");
}
