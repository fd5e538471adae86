// FormCreate's presets from the system on Linux and the other POSIX systems, where a process sets
// the zone (TZ) and the home folder (HOME) for itself.
#include "FakeDialogs.h"
#include "app/FormMain.h"
#include "support/LogWriter.h"

#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QSpinBox>
#include <array>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>

using namespace t2ntest;

namespace {

constexpr std::array<const char*, 6> kSuffixes{"YY", "MM", "DD", "HH", "NN", "SS"};
using Row = std::array<int, 6>;

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
    const QString homeOnly = form.SaveFolder();
    const QString homeRaw = form.OpenFolder();
    std::filesystem::create_directory(home.Path() / "Documents");
    TFormMain withDocuments(store, dialogs);
    restore();

    EXPECT_EQ(store.LocalEpoch(), 25569.375);
    EXPECT_EQ(store.FixCount(), 0);
    for (const char* role : {"Sta", "End"}) {
        Row row{};
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = form.findChild<QSpinBox*>(
                             QStringLiteral("UpDown%1%2")
                                 .arg(QLatin1String(role), QLatin1String(kSuffixes[i])))
                         ->value();
        const QDateTime shown(QDate(row[0], row[1], row[2]), QTime(row[3], row[4], row[5]));
        EXPECT_GE(shown, before.addMSecs(-before.time().msec())) << role;
        EXPECT_LE(shown, after) << role;
    }
    for (const char* name : {"PanelSrcFn", "PanelDstFn", "LabelSta", "LabelEnd"})
        EXPECT_EQ(form.findChild<QLabel*>(name)->text(), "") << name;

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
