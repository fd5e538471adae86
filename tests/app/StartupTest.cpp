#include "app/Startup.h"

#include "FakeDialogs.h"
#include "app/FormMain.h"
#include "app/QtDialogs.h"
#include "support/LogWriter.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>
#include <sstream>

namespace {

// Both steps of main: the answers that need no window, then the window and the log named.
TEST(Startup, CommandLineAnswersOrOpensTheLog)
{
    t2ntest::TempDir dir;
    const QString log = QString::fromStdString(dir.Write("start.bin", {}));
    struct Case {
        QStringList Arguments;
        std::optional<int> Status;
        std::string Printed; // the start of the output, or of the error output for status 2
        QString Shown;       // the log the window shows
    };
    for (const Case& c :
         std::vector<Case>{{{QDir::current().relativeFilePath(log)}, {}, "", log},
                           {{log + ".gone"}, {}, "", ""},
                           {{"--help"}, 0, "Usage: tallo2nmea [options] [LOG]\nOpens the", ""},
                           {{"-platform", "offscreen", "-v"}, 0, "tallo2nmea 1.", ""},
                           {{log, log}, 2, "tallo2nmea: one log at most, 2 given\n", ""},
                           {{"--bogus"}, 2, "tallo2nmea: unknown option 'bogus'\n", ""}}) {
        const QStringList arguments = QStringList{"tallo2nmea"} + c.Arguments;
        std::ostringstream early, out, err;
        // An unknown option may be the toolkit's own: only the answers come before it.
        EXPECT_EQ(AnswerWithoutWindow(arguments, early), c.Status == 0 ? c.Status : std::nullopt);
        ConversionService service;
        FakeDialogs dialogs;
        TFormMain form(service, dialogs);
        EXPECT_EQ(StartWindow(form, arguments, out, err), c.Status);
        EXPECT_EQ((c.Status == 2 ? err : out).str().substr(0, c.Printed.size()), c.Printed);
        EXPECT_EQ(early.str(), c.Status == 0 ? out.str() : "");
        EXPECT_EQ(form.isVisible(), !c.Status);
        EXPECT_EQ(form.findChild<QLabel*>("PanelSrcFn")->text(), QDir::toNativeSeparators(c.Shown));
        EXPECT_EQ(dialogs.Errors.size(), c.Arguments[0].endsWith(".gone") ? 1 : 0);
    }
}

TEST(Startup, InstallsQtsJapaneseTexts)
{
    // Qt's translations folder, or the copy a static Qt's program carries (Windows).
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ja.qm") &&
        !QFileInfo::exists(":/translations/qtbase_ja.qm"))
        GTEST_SKIP() << "qtbase_ja.qm is missing (Debian package qt6-translations-l10n)";
    QTranslator* translator = InstallQtTranslations(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr);
    auto dialog = MakeOpenDialog(nullptr, QDir::tempPath());
    const QString name = dialog->findChild<QLabel*>("fileNameLabel")->text();
    const QString cancel =
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text();
    QCoreApplication::removeTranslator(translator);
    delete translator;
    EXPECT_TRUE(name.startsWith("ファイル名")) << name.toStdString();
    EXPECT_EQ(cancel, "キャンセル");
}

} // namespace
