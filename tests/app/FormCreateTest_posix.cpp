// FormCreate's presets from the system on Linux and the other POSIX systems, where a process sets
// the zone (TZ) and the home folder (HOME) for itself.
#include "FakeDialogs.h"
#include "FreshWindow.h"
#include "app/FormMain.h"
#include "support/LogWriter.h"

#include <QDateTime>
#include <QDir>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>

using namespace t2ntest;

namespace {

QString Native(const std::string& path)
{
    return QDir::toNativeSeparators(QString::fromStdString(path));
}

TEST(FormCreate, PresetsTimeBaseControlsAndFolders)
{
    const QByteArray oldTz = qgetenv("TZ");
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    TempDir home;
    qputenv("TZ", "Asia/Tokyo");
    qputenv("HOME", QByteArray::fromStdString(home.Path().string()));
    qunsetenv("XDG_CONFIG_HOME");
    const auto restore = [&] {
        oldTz.isNull() ? qunsetenv("TZ") : qputenv("TZ", oldTz);
        qputenv("HOME", oldHome);
        if (!oldConfig.isNull())
            qputenv("XDG_CONFIG_HOME", oldConfig);
        tzset();
    };

    ConversionService store;
    FakeDialogs dialogs;
    const QDateTime before = QDateTime::currentDateTime();
    TFormMain form(store, dialogs);
    const QDateTime after = QDateTime::currentDateTime();
    // Without a documents folder the dialogs start from the home folder.
    const QString& homeOnly = form.SaveFolder();
    const QString& homeRaw = form.OpenFolder();
    std::filesystem::create_directory(home.Path() / "Documents");
    TFormMain withDocuments(store, dialogs);
    restore();

    EXPECT_EQ(store.Bias(), -540);
    EXPECT_EQ(store.FixCount(), 0);
    ExpectFreshWindow(form, before, after);

    const QString sep = QDir::separator();
    EXPECT_EQ(homeOnly, Native(home.Path().string()));
    EXPECT_EQ(homeRaw, homeOnly + sep + "Tallomer" + sep + "Raw" + sep);
    EXPECT_EQ(withDocuments.SaveFolder(), Native((home.Path() / "Documents").string()));
    EXPECT_EQ(withDocuments.OpenFolder(),
              withDocuments.SaveFolder() + sep + "Tallomer" + sep + "Raw" + sep);
    EXPECT_FALSE(std::filesystem::exists(home.Path() / "Tallomer"));
    EXPECT_FALSE(std::filesystem::exists(home.Path() / "Documents" / "Tallomer"));
}

} // namespace
