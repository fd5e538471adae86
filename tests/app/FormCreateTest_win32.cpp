// FormCreate's presets from the system on Windows: the zone's standard bias
// (GetTimeZoneInformation) and the Documents known folder. A process cannot set either for itself,
// so the window's presets are compared with what Qt's own code reads from the system. ctest runs
// this under Wine in Japan's zone (tests/app/CMakeLists.txt), so the bias is not zero.
#include "FakeDialogs.h"
#include "app/FormMain.h"
#include "store/TimeBase.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimeZone>
#include <array>
#include <gtest/gtest.h>

namespace {

constexpr std::array<const char*, 6> kSuffixes{"YY", "MM", "DD", "HH", "NN", "SS"};

TEST(FormCreate, PresetsTimeBaseControlsAndFoldersFromTheSystem)
{
    const QString documents =
        QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    ASSERT_TRUE(QFileInfo(documents).isDir()) << documents.toStdString();
    const bool hadTallomer = QFileInfo::exists(documents + "/Tallomer");

    ConversionService store;
    FakeDialogs dialogs;
    const QDateTime before = QDateTime::currentDateTime();
    TFormMain form(store, dialogs);
    const QDateTime after = QDateTime::currentDateTime();

    // Standard time whatever the season: the offset of the zone without its daylight saving.
    const int offsetSeconds = QTimeZone::systemTimeZone().standardTimeOffset(before);
    EXPECT_EQ(store.LocalEpoch(), LocalEpochFromBias(-offsetSeconds / 60));
    EXPECT_EQ(store.FixCount(), 0);
    for (const char* role : {"Sta", "End"}) {
        std::array<int, 6> row{};
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

    // The dialogs start in Documents, the open dialog in Documents\Tallomer\Raw\, which the
    // window does not create.
    EXPECT_EQ(form.SaveFolder(), QDir::toNativeSeparators(documents));
    EXPECT_EQ(form.OpenFolder(), form.SaveFolder() + "\\Tallomer\\Raw\\");
    EXPECT_EQ(QFileInfo::exists(documents + "/Tallomer"), hadTallomer);
}

} // namespace
