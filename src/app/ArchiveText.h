#pragma once

#include "archive/Archive.h"

#include <QString>

// The words of the archive's entries under the load button's arrow and of the import's report.

QString AddToArchiveText();
QString OpenArchiveText();
// The archive the entries use, shown as the entries' tooltip ("保存庫: /home/…/archive.sqlite").
QString ArchiveToolTip(const QString& archivePath);
// What an import of the loaded log did: the fixes new, known and in conflict, and the span
// before the copy no fix covers (its ends already formatted in local time, empty when none).
QString ImportReportText(const QString& logName, const ImportReport& report,
                         const QString& uncoveredFrom, const QString& uncoveredTo);
