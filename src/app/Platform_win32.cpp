// The platform layer on Windows.
#include "app/Platform.h"

#include <QDir>
#include <shlobj.h>
#include <windows.h>

namespace {

// A known folder, wherever the user or the administrator moved it.
QString KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    QString folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)))
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return FolderOrHome(folder);
}

} // namespace

QString DocumentsFolder() { return KnownFolder(FOLDERID_Documents); }

QString PicturesFolder() { return KnownFolder(FOLDERID_Pictures); }

bool UseSystemFileDialogs() { return true; }
