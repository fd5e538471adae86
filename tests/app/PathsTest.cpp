// Japanese and long paths through the window, on every system: a log opened from the dialog,
// dropped on the window or named on the command line loads, and the export writes the file named
// in the save dialog, whatever the folders are called: Japanese with spaces, or deeper than the
// 260 characters that limited Windows programs of old.
#include "FakeDialogs.h"
#include "QtPrint.h"
#include "app/FormMain.h"
#include "app/PathPanel.h"
#include "app/Startup.h"
#include "support/BadFiles.h"
#include "support/LogWriter.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

using namespace t2ntest;

namespace {

QString FromUtf8(const std::string& path) { return QString::fromStdString(path); }

void OpenFromDialog(TFormMain& form, FakeDialogs& dialogs, const QString& log)
{
    dialogs.OpenAnswer = log;
    QTest::mouseClick(form.findChild<QPushButton*>("ButtonOpen"), Qt::LeftButton);
}

void DropOnWindow(TFormMain& form, FakeDialogs&, const QString& log)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(log)});
    QDragEnterEvent enter({400, 100}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop({400, 100}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    if (QApplication::sendEvent(&form, &enter) && enter.isAccepted())
        QApplication::sendEvent(&form, &drop);
}

void NameOnCommandLine(TFormMain& form, FakeDialogs&, const QString& log)
{
    std::ostringstream out;
    EXPECT_EQ(StartWindow(form, {"tallo2nmea", log}, out, out), std::nullopt) << out.str();
}

TEST(WindowPaths, JapaneseAndLongFoldersLoadAndExport)
{
    // Eight folders of 20 characters: with the rest, the paths are over 260 characters long.
    std::string deep = "長いフォルダの名前 0123456789";
    for (int i = 0; i < 7; ++i)
        deep += "/長いフォルダの名前 0123456789";
    struct Way {
        const char* Name;
        std::function<void(TFormMain&, FakeDialogs&, const QString&)> Open;
    };
    for (const std::string& folder : {std::string("ログ フォルダ/2024年 5月"), deep}) {
        for (const Way& way : {Way{"dialog", OpenFromDialog}, Way{"drop", DropOnWindow},
                               Way{"command line", NameOnCommandLine}}) {
            SCOPED_TRACE(folder + " " + way.Name);
            TempDir dir;
            const QString log =
                FromUtf8(dir.Write(folder + "/トラック 1.bin", BlockLogWithFixes()));
            ConversionService service;
            FakeDialogs dialogs;
            TFormMain form(service, dialogs);
            way.Open(form, dialogs, log);
            // A long path is shortened in its middle on the panel; its tooltip holds it whole.
            EXPECT_EQ(form.findChild<PathPanel*>("PanelSrcFn")->Path(),
                      QDir::toNativeSeparators(log));
            EXPECT_EQ(service.FixCount(), 3);

            const QString target = QFileInfo(log).path() + "/出力 ファイル.nmea";
            dialogs.SaveAnswer = target;
            QTest::mouseClick(form.findChild<QPushButton*>("ButtonOut"), Qt::LeftButton);
            const auto* written = form.findChild<PathPanel*>("PanelDstFn");
            EXPECT_EQ(written->Path(), QDir::toNativeSeparators(target));
            EXPECT_TRUE(written->text().endsWith("  3 件")) << written->text().toStdString();
            EXPECT_EQ(RmcLines(ReadWholeFile(target.toStdString())), 3u);
            EXPECT_EQ(dialogs.Errors, QStringList());
        }
    }
}

} // namespace
