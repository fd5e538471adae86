#pragma once

#include <QLocale>
#include <QString>
#include <string>

// The few things the window asks of the system besides the core's time-zone bias. What differs
// between systems lives in Platform_win32.cpp and Platform_posix.cpp, of which the build takes one.

// The user's documents folder ("/" separators, no trailing one); the home folder when the system
// names none (or names one that does not exist).
QString DocumentsFolder();
// The user's pictures folder, likewise.
QString PicturesFolder();
// Whether the file dialogs are the system's own rather than Qt's.
bool UseSystemFileDialogs();
// `location` when it names an existing folder, else the home folder.
QString FolderOrHome(const QString& location);

// The date and time separators of a locale's short formats: the first character between two
// fields that is neither a letter, a digit, a space nor a quote. "/" and ":" when there is none.
QString DateSeparator(const QLocale& locale);
QString TimeSeparator(const QLocale& locale);

// Paths cross between Qt and the core as UTF-8, the form the core's NativePath reads everywhere.
std::string ToLocalPath(const QString& path);
QString FromLocalPath(const std::string& path);
