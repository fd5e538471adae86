// FormCreate's presets from the system on Windows: the zone's standard bias
// (GetTimeZoneInformation) and the Documents known folder. A process cannot set either for itself,
// so the window's presets are compared with what Qt's own code reads from the system. ctest runs
// this under Wine in Japan's zone (tests/app/CMakeLists.txt), so the bias is not zero.
#include "FakeDialogs.h"
#include "FreshWindow.h"
#include "app/FormMain.h"
#include "store/TimeBase.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

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
    EXPECT_EQ(store.Bias(), -offsetSeconds / 60);
    EXPECT_EQ(store.FixCount(), 0);
    ExpectFreshWindow(form, before, after);

    // The dialogs start in Documents, the open dialog in Documents\Tallomer\Raw\, which the
    // window does not create.
    EXPECT_EQ(form.SaveFolder(), QDir::toNativeSeparators(documents));
    EXPECT_EQ(form.OpenFolder(), form.SaveFolder() + "\\Tallomer\\Raw\\");
    EXPECT_EQ(QFileInfo::exists(documents + "/Tallomer"), hadTallomer);
}

} // namespace
