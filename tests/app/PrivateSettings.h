#pragma once

#include <QSettings>
#include <QTemporaryDir>

// The window's settings (the map's switch and source) and the tile caches in a folder of the
// run's own, for as long as this lives: never the user's, so a yes to going online given outside
// never sends a test, a screenshot or a benchmark to a server, and no tile is left behind.
// (XDG_CACHE_HOME moves the caches on Linux; under Wine they stay in the throwaway prefix.)
// Made after the application.
class PrivateSettings
{
  public:
    PrivateSettings()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_folder.path());
        qputenv("XDG_CACHE_HOME", m_folder.filePath(QStringLiteral("cache")).toLocal8Bit());
    }

  private:
    QTemporaryDir m_folder;
};
