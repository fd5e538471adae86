// The platform layer on Windows.
#include "app/Platform.h"

#include <QDir>
#include <shlobj.h>
#include <windows.h>

QString DocumentsFolder()
{
    // The Documents known folder, wherever the user or the administrator moved it.
    PWSTR path = nullptr;
    QString folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_DEFAULT, nullptr, &path)))
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return FolderOrHome(folder);
}

bool UseSystemFileDialogs() { return true; }
