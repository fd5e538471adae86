#pragma once

#include <QString>

// The application's title: its name on the task bar and the caption of its message boxes.
inline const QString kAppTitle = QStringLiteral("Tallo2NMEA");
// The main window's caption: the version line and a short notice of the makers.
inline const QString kWindowCaption =
    QStringLiteral("Tallomer to NMEA Ver1.4 (C) The Tallo2NMEA developers");

// The question asked before an export replaces a file the save dialog did not confirm.
inline QString OverwriteQuestion(const QString& targetPath)
{
    return targetPath + QStringLiteral(" は既に存在します。上書きしますか?");
}
