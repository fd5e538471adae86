// The archive's entries under the load button's arrow: adding the loaded log to the user's
// archive with the import's report, and opening the archive as a log.

#include "FakeDialogs.h"
#include "QtPrint.h"
#include "app/FormMain.h"
#include "archive/Archive.h"
#include "support/LogWriter.h"
#include "system/Paths.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <gtest/gtest.h>

using namespace t2ntest;

namespace {

constexpr std::int32_t kTokyoBias = -540;
constexpr std::uint32_t kMask = kBlockBasicMask | 0x1000u;

// A block log of fixes a second apart from `first`, the one at `movedAt` moved elsewhere.
Bytes LogOf(std::int32_t first, int count, int movedAt = -1)
{
    FlashImage image = BlockLog(1, kMask);
    for (int i = 0; i < count; ++i) {
        RawFix fix;
        fix.Seconds = first + i;
        // The place follows the time, so that copies of one memory agree.
        fix.Latitude = 35.5 + (fix.Seconds - kMay2021) * 0.0001 + (i == movedAt ? 0.01 : 0.0);
        image.Append(0, BlockRecord(fix, kMask));
    }
    return image.Data();
}

class ArchiveWindowTest : public ::testing::Test
{
  protected:
    // The user's data folder (and so the archive) inside the test's folder.
    void SetUp() override
    {
        for (const char* name : {"XDG_DATA_HOME", "LOCALAPPDATA"}) {
            m_kept.emplace_back(name, qgetenv(name));
            qputenv(name, QFile::encodeName(QString::fromStdString(Utf8Path(dir.Path()))));
        }
        form = std::make_unique<TFormMain>(service, dialogs);
        form->show();
    }
    void TearDown() override
    {
        form.reset();
        for (const auto& [name, value] : m_kept)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }

    // The archive's entries as the arrow's menu shows them.
    QAction* Entry(const char* name) const
    {
        QMenu* menu = form->findChild<QToolButton*>(QStringLiteral("ButtonRecent"))->menu();
        emit menu->aboutToShow();
        for (QAction* action : menu->actions())
            if (action->objectName() == QLatin1String(name))
                return action;
        throw std::runtime_error(std::string("no entry ") + name);
    }
    void Load(const std::string& name, const Bytes& bytes)
    {
        dialogs.OpenAnswer = QString::fromStdString(dir.Write(name, bytes));
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("ButtonOpen")),
                          Qt::LeftButton);
    }
    std::string ExportGpx(const std::string& name)
    {
        std::string target = Utf8Path(dir.Path() / name);
        dialogs.SaveAnswer = QString::fromStdString(target);
        dialogs.SaveType = OutputType::Gpx;
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("ButtonOut")),
                          Qt::LeftButton);
        return target;
    }
    QString Source() const
    {
        return form->findChild<QLabel*>(QStringLiteral("PanelSrcFn"))->text();
    }

    TempDir dir;
    ConversionService service{kTokyoBias};
    FakeDialogs dialogs;
    std::unique_ptr<TFormMain> form;

  private:
    std::vector<std::pair<const char*, QByteArray>> m_kept;
};

TEST_F(ArchiveWindowTest, AddingALogShowsWhatTheImportDid)
{
    constexpr std::int32_t kStart = kMay2021;
    struct Step {
        const char* Name;
        Bytes Log;
        QStringList Expected; // parts of the report
    };
    const std::vector<Step> steps{
        {"a.bin",
         LogOf(kStart, 5),
         {"a.bin を保存庫に追加しました", "新しい位置: 5 件", "保存済みの位置: 0 件",
          "食い違い: 0 件"}},
        {"a-again.bin", LogOf(kStart, 5), {"a-again.bin は保存庫に追加済みです (5 件)"}},
        // Overlaps a.bin by three fixes, one of them moved: two known, one conflict, three new.
        {"b.bin",
         LogOf(kStart + 2, 6, 1),
         {"新しい位置: 4 件", "保存済みの位置: 2 件", "食い違い: 1 件 (同じ時刻に別の位置"}},
        // A day after the last fix: the span between is uncovered (09:00:07 local is b's last).
        {"c.bin",
         LogOf(kStart + 86400, 3),
         {"新しい位置: 3 件", "記録のない期間: ", "ロガーが止まっていたのかは分かりません"}},
    };
    // Nothing loaded and no archive yet: neither entry can be used.
    EXPECT_FALSE(Entry("ActionAddToArchive")->isEnabled());
    EXPECT_FALSE(Entry("ActionOpenArchive")->isEnabled());
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Name);
        Load(step.Name, step.Log);
        ASSERT_TRUE(Entry("ActionAddToArchive")->isEnabled());
        dialogs.Informations.clear();
        Entry("ActionAddToArchive")->trigger();
        ASSERT_EQ(dialogs.Informations.size(), 1);
        for (const QString& part : step.Expected)
            EXPECT_TRUE(dialogs.Informations[0].contains(part))
                << dialogs.Informations[0].toStdString();
        EXPECT_EQ(dialogs.Informations[0].contains("記録のない期間"),
                  std::string_view(step.Name) == "c.bin");
    }
    EXPECT_TRUE(dialogs.Errors.isEmpty());
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "tallo2nmea" / "archive.sqlite"));
    EXPECT_TRUE(Entry("ActionOpenArchive")->isEnabled());
}

TEST_F(ArchiveWindowTest, OpenedArchiveExportsWhatTheLogExports)
{
    Load("trip.bin", LogOf(kMay2021, 40));
    const std::string fromLog = ExportGpx("log.gpx");
    Entry("ActionAddToArchive")->trigger();

    Entry("ActionOpenArchive")->trigger();
    // In the test's data folder, named as the system names it.
    const QString archive = QDir::toNativeSeparators(QString::fromStdString(DefaultArchivePath()));
    EXPECT_TRUE(Source().startsWith(archive)) << Source().toStdString();
    EXPECT_TRUE(service.LoadedArchive().has_value());
    EXPECT_EQ(service.FixCount(), 40);
    // The archive itself cannot be added to the archive.
    EXPECT_FALSE(Entry("ActionAddToArchive")->isEnabled());

    const std::string fromArchive = ExportGpx("archive.gpx");
    EXPECT_TRUE(dialogs.Errors.isEmpty()) << dialogs.Errors.join('\n').toStdString();
    const std::string logGpx = ReadWholeFile(fromLog);
    EXPECT_NE(logGpx.find("<trkpt"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(fromArchive), logGpx);
}

TEST_F(ArchiveWindowTest, ArchiveThatIsNoArchiveShowsTheErrorAndStaysAsItWas)
{
    const std::string path = dir.Write("tallo2nmea/archive.sqlite", Bytes(4096, 'x'));
    Load("a.bin", LogOf(kMay2021, 3));
    Entry("ActionAddToArchive")->trigger();
    Entry("ActionOpenArchive")->trigger();
    ASSERT_EQ(dialogs.Errors.size(), 2);
    EXPECT_TRUE(dialogs.Informations.isEmpty());
    EXPECT_EQ(ReadWholeFile(path), std::string(4096, 'x'));
    // The log stays loaded.
    EXPECT_TRUE(Source().contains("a.bin")) << Source().toStdString();
}

} // namespace
