#include "app/Platform.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString FirstSeparator(const QString& format, const QString& fallback)
{
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && !c.isLetterOrNumber() && !c.isSpace())
            return QString(c);
    }
    return fallback;
}

} // namespace

QString FolderOrHome(const QString& location)
{
    if (location.isEmpty() || !QFileInfo(location).isDir())
        return QDir::homePath();
    return QDir::cleanPath(location);
}

QString DateSeparator(const QLocale& locale)
{
    return FirstSeparator(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
}

QString TimeSeparator(const QLocale& locale)
{
    return FirstSeparator(locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
}

std::string ToLocalPath(const QString& path) { return path.toStdString(); }

QString FromLocalPath(const std::string& path) { return QString::fromStdString(path); }
