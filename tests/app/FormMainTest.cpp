#include "app/FormMain.h"

#include "ControlDump.h"
#include "FakeDialogs.h"
#include "QtPrint.h"
#include "ScreenChild.h"
#include "app/Platform.h"
#include "app/WindowPlace.h"
#include "export/NmeaExport.h"
#include "messages/ErrorText.h"
#include "store/TimeBase.h"
#include "support/BadFiles.h"
#include "support/ChildProcess.h"
#include "support/LogWriter.h"
#include "system/Paths.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>

using namespace t2ntest;

namespace {

// Japan's standard bias: logger second 1609459200 (2021-01-01 00:00:00 UTC) is 09:00 local.
constexpr std::int32_t kTokyoBias = -540;
constexpr std::int32_t kNewYear2021Utc = 1609459200;
// 2023-12-31 14:59:59 UTC, that is 23:59:59 of the year's last day in Japan.
constexpr std::int32_t kLastSecondOf2023Tokyo = 1704034799;
// The block records of these tests carry bit 12 as well, for the count the RMC line ends with.
constexpr std::uint32_t kMask = kBlockBasicMask | 0x1000u;

constexpr std::array<const char*, 6> kSuffixes{"YY", "MM", "DD", "HH", "NN", "SS"};
using Row = std::array<int, 6>;

RawFix FixAt(std::int32_t seconds, std::uint16_t millisecond)
{
    RawFix fix;
    fix.Seconds = seconds;
    fix.Millisecond = millisecond;
    return fix;
}

Bytes BlockLogOf(const std::vector<RawFix>& fixes)
{
    FlashImage image = BlockLog(1, kMask);
    for (const RawFix& fix : fixes)
        image.Append(0, BlockRecord(fix, kMask));
    return image.Data();
}

Bytes SectorLogOf(const std::vector<RawFix>& fixes)
{
    FlashImage image = SectorLog(1, kSectorFixMask);
    for (const RawFix& fix : fixes)
        image.Append(0, SectorRecord(fix, kSectorFixMask));
    return image.Data();
}

QString Native(const std::string& path)
{
    return QDir::toNativeSeparators(QString::fromStdString(path));
}

class FormMainTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        form = std::make_unique<TFormMain>(store, dialogs);
        form->show();
    }

    template <class T> T* Find(const QString& name) const
    {
        T* widget = form->findChild<T*>(name);
        if (widget == nullptr)
            throw std::runtime_error("no control " + name.toStdString());
        return widget;
    }
    QString Text(const char* name) const { return Find<QLabel>(QString::fromLatin1(name))->text(); }
    void Click(const char* name) const
    {
        QTest::mouseClick(Find<QPushButton>(QString::fromLatin1(name)), Qt::LeftButton);
    }
    QSpinBox* Spin(const char* role, std::size_t field) const
    {
        return Find<QSpinBox>(
            QStringLiteral("UpDown%1%2").arg(QLatin1String(role), QLatin1String(kSuffixes[field])));
    }
    Row Values(const char* role) const
    {
        Row row{};
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = Spin(role, i)->value();
        return row;
    }
    void SetValues(const char* role, const Row& row) const
    {
        for (std::size_t i = 0; i < row.size(); ++i)
            Spin(role, i)->setValue(row[i]);
    }

    // Both rows of fields stand at a second between two moments.
    void ExpectFieldsAtNow(const QDateTime& before, const QDateTime& after) const
    {
        for (const char* role : {"Sta", "End"}) {
            const Row row = Values(role);
            const QDateTime shown(QDate(row[0], row[1], row[2]), QTime(row[3], row[4], row[5]));
            EXPECT_GE(shown, before.addMSecs(-before.time().msec())) << role;
            EXPECT_LE(shown, after) << role;
        }
    }

    // Writes the log, answers the open dialog with it and clicks the load button.
    std::string Load(const std::string& name, const Bytes& bytes)
    {
        std::string path = dir.Write(name, bytes);
        dialogs.OpenAnswer = QString::fromStdString(path);
        Click("ButtonOpen");
        return path;
    }
    std::string Export(const std::string& chosenName)
    {
        std::string chosen = Utf8Path(dir.Path() / NativePath(chosenName));
        dialogs.SaveAnswer = QString::fromStdString(chosen);
        Click("ButtonOut");
        return chosen;
    }
    QString Label(const std::string& text) const
    {
        // The labels use the locale's separators in place of "/" and ":".
        QString label = QString::fromStdString(text);
        label.replace(u'/', DateSeparator(QLocale::system()));
        label.replace(u':', TimeSeparator(QLocale::system()));
        return label;
    }

    // A fixed time base, so fix times do not depend on the machine's zone.
    ConversionService store{kTokyoBias};
    FakeDialogs dialogs;
    TempDir dir;
    std::unique_ptr<TFormMain> form;
};

// The window as designed: its frame and font here, and every control's name, class, place,
// size, caption, range and the tab order in the reviewed golden text (make golden writes it).
TEST_F(FormMainTest, ControlsMatchTheDesign)
{
    EXPECT_EQ(form->objectName(), "FormMain");
    EXPECT_STREQ(form->metaObject()->className(), "TFormMain");
    // Tall enough for the overview below the controls; never narrower than the controls.
    EXPECT_EQ(form->size(), QSize(788, 640));
    EXPECT_EQ(form->minimumWidth(), 788);
    EXPECT_GT(form->maximumWidth(), 788);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(form->windowTitle().startsWith("Tallomer to NMEA Ver1.4 "));
    EXPECT_GT(form->windowTitle().size(), QString("Tallomer to NMEA Ver1.4 ").size());
    EXPECT_EQ(form->font().families().value(0), "ＭＳ Ｐゴシック");
    EXPECT_EQ(form->font().pixelSize(), 15);
    if (QFontDatabase::families().contains("Noto Sans CJK JP") &&
        !QFontDatabase::families().contains("ＭＳ Ｐゴシック")) {
        EXPECT_EQ(QFontInfo(form->font()).family(), "Noto Sans CJK JP");
    }

    // Every time field types digits only and steps by one within its range.
    for (QSpinBox* spin : form->findChildren<QSpinBox*>(QRegularExpression("^UpDown"))) {
        SCOPED_TRACE(spin->objectName().toStdString());
        auto* edit = spin->findChild<QLineEdit*>();
        EXPECT_FALSE(edit->testAttribute(Qt::WA_InputMethodEnabled));
        EXPECT_FALSE(spin->testAttribute(Qt::WA_InputMethodEnabled));
        EXPECT_TRUE(edit->inputMethodHints() & Qt::ImhDigitsOnly);
        EXPECT_EQ(spin->singleStep(), 1);
        EXPECT_FALSE(spin->wrapping());
        EXPECT_FALSE(spin->isGroupSeparatorShown());
        spin->setValue(spin->maximum());
        QTest::keyClick(spin, Qt::Key_Up);
        EXPECT_EQ(spin->value(), spin->maximum());
        spin->setValue(spin->minimum());
        QTest::keyClick(spin, Qt::Key_Down);
        EXPECT_EQ(spin->value(), spin->minimum());
        QTest::keyClick(spin, Qt::Key_Up);
        EXPECT_EQ(edit->text(), QString::number(spin->minimum() + 1));
    }

    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(DescribeControls(*form), ReadWholeFile(T2N_TEST_DATA "/window-controls.txt"))
        << "make golden writes the window's controls again; review the difference";
}

TEST_F(FormMainTest, LoadOfBlockLogShowsPathEntriesAndPresetsTheWindowToEveryFix)
{
    Find<QLabel>("PanelDstFn")->setText("stale");
    const QString folder = form->OpenFolder();
    // A logger that wrote on from the front: entry 0 is the latest fix, entry 1 the earliest. The
    // labels show the entries in the logger's order, the preset window covers every fix.
    const std::string path = Load("track.bin", BlockLogOf({
                                                   FixAt(kLastSecondOf2023Tokyo, 999),
                                                   FixAt(kNewYear2021Utc - 86400 * 200, 0),
                                                   FixAt(kNewYear2021Utc, 250),
                                               }));

    EXPECT_EQ(dialogs.OpenFolders, QStringList{folder});
    EXPECT_TRUE(dialogs.Errors.isEmpty());
    EXPECT_EQ(store.FixCount(), 3);
    EXPECT_EQ(Text("PanelSrcFn"), Native(path));
    EXPECT_EQ(Text("LabelSta"), Label("2023/12/31 23:59:59.999"));
    EXPECT_EQ(Text("LabelEnd"), Label("2021/01/01 09:00:00.250"));
    EXPECT_EQ(Values("Sta"), (Row{2020, 6, 15, 9, 0, 0}));
    // One second past the last fix's second, carried into the next year.
    EXPECT_EQ(Values("End"), (Row{2024, 1, 1, 0, 0, 0}));
    EXPECT_EQ(Text("PanelDstFn"), "");
}

TEST_F(FormMainTest, LoadOfSectorLogShowsPathAndSpan)
{
    std::vector<RawFix> fixes;
    for (int i = 0; i < 8; ++i)
        fixes.push_back(FixAt(kNewYear2021Utc + i, static_cast<std::uint16_t>(100 * i)));
    const std::string path = Load("TRACK.BNX4", SectorLogOf(fixes));

    EXPECT_TRUE(dialogs.Errors.isEmpty());
    EXPECT_EQ(store.FixCount(), 8);
    EXPECT_EQ(Text("PanelSrcFn"), Native(path));
    EXPECT_EQ(Text("LabelSta"), Label("2021/01/01 09:00:00.000"));
    EXPECT_EQ(Text("LabelEnd"), Label("2021/01/01 09:00:07.700"));
    EXPECT_EQ(Values("Sta"), (Row{2021, 1, 1, 9, 0, 0}));
    EXPECT_EQ(Values("End"), (Row{2021, 1, 1, 9, 0, 8}));
}

// After a good load: a file the loading ignores says why and, like a cancelled dialog, changes
// nothing; a log without fixes is shown as such, and the export says there is nothing to write.
TEST_F(FormMainTest, LoadsThatBringNoFixesShowWhatIsLoaded)
{
    enum Answer {
        WrittenFile,
        MissingFile,
        Cancel,
    };
    struct Case {
        const char* What;
        Answer Dialog;
        std::string Name;
        Bytes Content;
        QString Error; // after the load
        bool Loaded;
    };
    const std::vector<Case> cases{
        {"size not a whole block", WrittenFile, "short.bin", Bytes(4096, 0xFF),
         "ファイルの大きさが 65536 バイト (ブロックログの単位) の整数倍ではありません.", false},
        {"missing file", MissingFile, "none.bin", {}, "ファイルが見つかりません.", false},
        {"cancelled dialog", Cancel, "", {}, "", false},
        {"log without fixes", WrittenFile, "empty.binx", BlockLogOf({}), "", true},
        // A block log named as a sector log: read as one, its fixes are none the fields can hold.
        {"misnamed log", WrittenFile, "misnamed.BNX4",
         BlockLogOf({FixAt(kNewYear2021Utc, 0), FixAt(kNewYear2021Utc + 5, 0)}), "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        dialogs.Errors.clear();
        const std::string good = Load(
            "good.bin", BlockLogOf({FixAt(kNewYear2021Utc, 0), FixAt(kNewYear2021Utc + 5, 0)}));
        Find<QLabel>("PanelDstFn")->setText("out.nmea");
        const QString sta = Text("LabelSta");
        const QString end = Text("LabelEnd");
        SetValues("End", {2030, 6, 7, 8, 9, 10});

        const QDateTime before = QDateTime::currentDateTime();
        std::string path = (dir.Path() / c.Name).string();
        if (c.Dialog == WrittenFile)
            path = Load(c.Name, c.Content);
        if (c.Dialog == MissingFile)
            dialogs.OpenAnswer = QString::fromStdString(path);
        if (c.Dialog == Cancel)
            dialogs.OpenAnswer.reset();
        if (c.Dialog != WrittenFile)
            Click("ButtonOpen");

        const QString refused = "ファイル \"" + Native(path) + "\" は読み込めません。" + c.Error;
        EXPECT_EQ(dialogs.Errors, c.Error.isEmpty() ? QStringList() : QStringList{refused});
        EXPECT_EQ(Text("PanelSrcFn"), Native(c.Loaded ? path : good));
        EXPECT_EQ(store.FixCount(), c.Loaded ? 0 : 2);
        EXPECT_EQ(Text("LabelSta"), c.Loaded ? "記録なし" : sta);
        EXPECT_EQ(Text("LabelEnd"), c.Loaded ? "" : end);
        EXPECT_EQ(Find<QLabel>("Label2")->isVisible(), !c.Loaded);
        EXPECT_EQ(Find<QLabel>("Label3")->isVisible(), !c.Loaded);
        // A loaded log without fixes leaves the last log's window for the present, as at start.
        if (c.Loaded)
            ExpectFieldsAtNow(before, QDateTime::currentDateTime());
        else
            EXPECT_EQ(Values("End"), (Row{2030, 6, 7, 8, 9, 10}));
        EXPECT_EQ(Text("PanelDstFn"), c.Loaded ? "" : "out.nmea");

        // The export works on what the table holds, and says so when it holds nothing.
        dialogs.Errors.clear();
        const auto asked = dialogs.SaveFolders.size();
        Export("after.txt");
        EXPECT_EQ(dialogs.SaveFolders.size(), asked + (c.Loaded ? 0 : 1));
        EXPECT_EQ(dialogs.Errors.size(), c.Loaded ? 1 : 0);
        EXPECT_EQ(std::filesystem::remove(dir.Path() / "after.nmea"), !c.Loaded);
    }
}

TEST_F(FormMainTest, LoadThatCannotOpenTheFileShowsTheErrorBox)
{
    // One sector that no one may read (root included; on Windows, held open by another handle).
    const std::optional<std::string> path = UnreadableFile(dir, "denied.bnx4", Bytes(4096, 0xFF));
    if (!path)
        GTEST_SKIP() << "running as root without a write-only file to open";
    dialogs.OpenAnswer = QString::fromStdString(*path);
    Click("ButtonOpen");

    EXPECT_EQ(dialogs.Errors, QStringList{"ファイルへのアクセスが拒否されました."});
    EXPECT_EQ(Text("PanelSrcFn"), "");
    EXPECT_EQ(Text("LabelSta"), "");
}

class ExportTest : public FormMainTest
{
  protected:
    void SetUp() override
    {
        FormMainTest::SetUp();
        // 2021-05-03 12:34:56.789 local, and two fixes of the following seconds.
        RawFix first = FixAt(1620012896, 789);
        first.Latitude = 35.5020576;
        first.Longitude = 139.75;
        first.Speed = 22.7796f;
        first.Course = 0.0f;
        first.ExtraValue = 1.25f;
        first.ExtraCount = 9;
        logPath =
            Load("track.bin", BlockLogOf({first, FixAt(1620012897, 0), FixAt(1620012898, 999)}));
    }
    std::string logPath;
};

TEST_F(ExportTest, WritesTheFixesOfTheWindowToTheNmeaName)
{
    const QString folder = form->SaveFolder();
    const std::string chosen = Export("out.txt");
    const std::string target = (dir.Path() / "out.nmea").string();

    EXPECT_TRUE(dialogs.Errors.isEmpty());
    EXPECT_TRUE(dialogs.Questions.isEmpty());
    EXPECT_EQ(dialogs.SaveFolders, QStringList{folder});
    EXPECT_EQ(dialogs.SaveNames, QStringList{"track.nmea"});
    EXPECT_FALSE(std::filesystem::exists(chosen));
    EXPECT_EQ(Text("PanelDstFn"), Native(target) + "  3 件");
    // The preset window holds every fix, the last one of the log's last second included.
    const std::string written = ReadWholeFile(target);
    std::string expected = "$GPRMC,123456.789,A,3530.123456,N,13945.000000,E,12.3,0.0,030521,"
                           "1.250,9,A*43\r\n";
    char line[kMaxRmcLength];
    for (int i = 1; i < 3; ++i)
        expected +=
            std::string(line, FormatRmcLine(store.Fixes()[static_cast<std::size_t>(i)], line)) +
            "\r\n";
    EXPECT_EQ(written, expected);
}

TEST_F(ExportTest, SaysSoWithoutALogAndDoesNothingWhenCancelled)
{
    ConversionService emptyStore;
    FakeDialogs emptyDialogs;
    TFormMain emptyForm(emptyStore, emptyDialogs);
    emptyDialogs.SaveAnswer = QString::fromStdString((dir.Path() / "empty.nmea").string());
    QTest::mouseClick(emptyForm.findChild<QPushButton*>("ButtonOut"), Qt::LeftButton);
    EXPECT_TRUE(emptyDialogs.SaveFolders.isEmpty());
    EXPECT_EQ(emptyDialogs.Errors, QStringList{"先にログファイルを読み込んでください."});
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "empty.nmea"));

    Find<QLabel>("PanelDstFn")->setText("earlier.nmea");
    dialogs.SaveAnswer.reset();
    Click("ButtonOut");
    EXPECT_EQ(dialogs.SaveFolders.size(), 1);
    EXPECT_TRUE(dialogs.Errors.isEmpty());
    EXPECT_EQ(Text("PanelDstFn"), "earlier.nmea");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST_F(ExportTest, ImpossibleDateShowsTheErrorBoxAndWritesNothing)
{
    for (const char* role : {"Sta", "End"}) {
        SCOPED_TRACE(role);
        dialogs.Errors.clear();
        const Row kept = Values(role);
        SetValues(role, {2024, 2, 30, 0, 0, 0});
        Export("feb30.nmea");
        SetValues(role, kept);

        EXPECT_EQ(dialogs.Errors, QStringList{"日付に変換できない値が渡されました."});
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / "feb30.nmea"));
        EXPECT_EQ(Text("PanelDstFn"), "");
    }
}

TEST_F(ExportTest, AsksBeforeReplacingATargetTheDialogDidNotConfirm)
{
    struct Case {
        const char* Chosen;
        bool Answer;
        bool Asked;
        bool Replaced;
    };
    for (const Case& c : {Case{"out.txt", false, true, false}, Case{"out.txt", true, true, true},
                          Case{"out.nmea", false, false, true}}) {
        SCOPED_TRACE(std::string(c.Chosen) + (c.Answer ? " yes" : " no"));
        const std::string target = dir.Write("out.nmea", Bytes{'o', 'l', 'd'});
        dialogs.Questions.clear();
        dialogs.OverwriteAnswer = c.Answer;
        Find<QLabel>("PanelDstFn")->clear();
        Export(c.Chosen);

        const QStringList asked{Native(target) + " は既に存在します。上書きしますか?"};
        EXPECT_EQ(dialogs.Questions, c.Asked ? asked : QStringList());
        EXPECT_EQ(ReadWholeFile(target) == "old", !c.Replaced);
        EXPECT_EQ(Text("PanelDstFn"), c.Replaced ? Native(target) + "  3 件" : QString());
    }
    EXPECT_TRUE(dialogs.Errors.isEmpty());
}

TEST_F(ExportTest, RefusesToWriteOverTheLoadedLog)
{
    const Bytes log = BlockLogOf({FixAt(kNewYear2021Utc, 0)});
    const std::string path = Load("track.nmea", log);
    dialogs.OverwriteAnswer = true;
    Export("track.txt");

    EXPECT_EQ(dialogs.Errors, QStringList{QString::fromStdString(WithFinalPoint(kSameFileError))});
    EXPECT_TRUE(dialogs.Questions.isEmpty());
    EXPECT_EQ(ReadWholeFile(path), std::string(log.begin(), log.end()));
    EXPECT_EQ(Text("PanelDstFn"), "");
}

TEST_F(ExportTest, FailedExportShowsTheReasonAndKeepsThePanel)
{
    Find<QLabel>("PanelDstFn")->setText("earlier.nmea");
    Export("missing-folder/out.nmea");

    ASSERT_EQ(dialogs.Errors.size(), 1);
    EXPECT_TRUE(dialogs.Errors[0].contains("missing-folder")) << dialogs.Errors[0].toStdString();
    EXPECT_TRUE(dialogs.Errors[0].endsWith("を作成できません.")) << dialogs.Errors[0].toStdString();
    EXPECT_EQ(Text("PanelDstFn"), "earlier.nmea");
}

// Ctrl+O and Ctrl+S run the commands, and the count shows an empty result as such. A single
// local file dropped on the window is opened as if chosen in the dialog; two logs are refused, and
// a folder holds photos, not a log.
TEST_F(ExportTest, ShortcutsAndDropsRunTheCommands)
{
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const std::string other = dir.Write("other.bin", BlockLogOf({FixAt(kNewYear2021Utc, 0)}));
    dialogs.OpenAnswer = QString::fromStdString(other);
    QTest::keyClick(Spin("Sta", 2), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Text("PanelSrcFn"), Native(other));
    SetValues("Sta", Values("End"));
    const std::string keys = (dir.Path() / "keys.nmea").string();
    dialogs.SaveAnswer = QString::fromStdString(keys);
    QTest::keyClick(Spin("End", 5), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Text("PanelDstFn"), Native(keys) + "  0 件");

    const QUrl log = QUrl::fromLocalFile(QString::fromStdString(logPath));
    const QUrl folder = QUrl::fromLocalFile(QString::fromStdString(dir.Path().string()));
    for (const auto& [urls, shown, errors] : {std::tuple{QList<QUrl>{log, log}, other, 0},
                                              {QList<QUrl>{log}, logPath, 0},
                                              {QList<QUrl>{folder}, logPath, 0}}) {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter({400, 100}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop({400, 100}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        if (QApplication::sendEvent(form.get(), &enter) && enter.isAccepted())
            QApplication::sendEvent(form.get(), &drop);
        EXPECT_EQ(Text("PanelSrcFn"), Native(shown));
        EXPECT_EQ(dialogs.Errors.size(), errors);
    }
}

// Typed text that is no number in range reverts to the last valid value, as the spin box does.
TEST_F(ExportTest, TypedTextOutsideTheRangeReverts)
{
    struct Case {
        std::size_t Field;
        const char* Typed;
        int Expected; // -1: the value before typing
    };
    // A keystroke that cannot lead to a number in range is refused ("13": the 3), and text
    // that is no number in range when the edit is left or Return pressed reverts.
    for (const Case& c :
         {Case{0, "1979", -1}, Case{0, "2100", -1}, Case{0, "1980", 1980}, Case{0, "2050", 2050},
          Case{0, "20", -1}, Case{1, "13", 1}, Case{1, "ab", -1}, Case{2, "31", 31},
          Case{3, "24", 2}, Case{5, "7", 7}}) {
        SCOPED_TRACE(c.Typed);
        QSpinBox* spin = Spin("Sta", c.Field);
        const int before = spin->value();
        spin->selectAll();
        QTest::keyClicks(spin, c.Typed);
        QTest::keyClick(spin, Qt::Key_Return);
        const int expected = c.Expected < 0 ? before : c.Expected;
        EXPECT_EQ(spin->value(), expected);
        EXPECT_EQ(spin->findChild<QLineEdit*>()->text(), QString::number(expected));
    }
}

// A log whose dates look 1024 GPS weeks early: the window shows it as recorded, then asks once,
// naming the days found and the days they become; Yes reloads it with the repair, which holds
// for its exports; the next load starts without it.
TEST_F(FormMainTest, OffersTheWeekRolloverRepairOnceTheLogIsShown)
{
    constexpr std::int32_t kEarly = 1024 * 604800;
    const Bytes early =
        BlockLogOf({{.Seconds = kMay2021 - kEarly}, {.Seconds = kMay2021 + 86401 - kEarly}});
    for (const bool yes : {false, true}) {
        dialogs.WeekRepairAnswer = yes;
        dialogs.WeekRepairQuestions.clear();
        QStringList shownWhileAsked;
        dialogs.WhileAskingWeekRepair = [&] {
            shownWhileAsked << Text("PanelSrcFn") << Text("LabelSta")
                            << QString::number(Values("Sta")[0]);
        };
        const std::string path = Load(yes ? "yes.bin" : "no.bin", early);
        const QString question = "日付が 1024 週 (約 19.6 年) 前になっているようです。\n" +
                                 Label("2001/09/17 – 2001/09/18 → 2021/05/03 – 2021/05/04") +
                                 "\n補正して読み込み直しますか?";
        ASSERT_EQ(dialogs.WeekRepairQuestions, QStringList{question});
        EXPECT_EQ(shownWhileAsked,
                  (QStringList{Native(path), Label("2001/09/17 09:00:00.000"), "2001"}));
        EXPECT_EQ(Text("LabelSta"),
                  Label(yes ? "2021/05/03 09:00:00.000" : "2001/09/17 09:00:00.000"));
        EXPECT_EQ(Values("Sta")[0], yes ? 2021 : 2001);
        // The summary says so while the repaired log is shown.
        EXPECT_EQ(
            Text("LabelSummary").contains("日付を 1024 週 (約 19.6 年) 後へ補正して表示しています"),
            yes);
    }
    dialogs.WhileAskingWeekRepair = nullptr;
    Export("repaired.nmea");
    EXPECT_NE(ReadWholeFile((dir.Path() / "repaired.nmea").string()).find(",030521,"),
              std::string::npos);
    dialogs.WeekRepairQuestions.clear();
    Load("today.bin", BlockLogOf({{.Seconds = kMay2021}}));
    EXPECT_TRUE(dialogs.WeekRepairQuestions.isEmpty());
    EXPECT_EQ(Values("Sta")[0], 2021); // read without added weeks
    EXPECT_FALSE(Text("LabelSummary").contains("補正")) << Text("LabelSummary").toStdString();
}

// A log saved under the other kind's extension is offered to be read as the kind its content
// fits: a block log named ".BNX4" as a block log, a sector log named ".bin" as a sector log. Yes
// reads it so; the other button keeps it as its name reads it.
TEST_F(FormMainTest, MisnamedLogIsOfferedAsTheOtherKind)
{
    std::vector<RawFix> fixes;
    FlashImage sector = SectorLog(16, kSectorFixMask); // 64 KiB, a size a block log has too
    for (int i = 0; i < 40; ++i) {
        fixes.push_back({.Seconds = kMay2021 + i, .Latitude = 35.0 + i * 1e-5});
        sector.Append(static_cast<std::size_t>(i) / 10, SectorRecord(fixes.back(), kSectorFixMask));
    }
    const struct {
        const char* Name;
        Bytes Content;
        const char* Caption;
        bool Answer;
        LogKind Read;
    } cases[] = {
        {"block.BNX4", BlockLogOf(fixes), "ブロックログとして開く", true, LogKind::Block},
        {"block.bnx4", BlockLogOf(fixes), "ブロックログとして開く", false, LogKind::Sector},
        {"sector.bin", sector.Data(), "セクターログとして開く", true, LogKind::Sector},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        dialogs.ReadAsOtherQuestions.clear();
        dialogs.ReadAsOtherAnswer = c.Answer;
        const std::string path = Load(c.Name, c.Content);
        ASSERT_EQ(dialogs.ReadAsOtherQuestions.size(), 2);
        const bool asBlock = c.Name[0] == 'b';
        EXPECT_EQ(dialogs.ReadAsOtherQuestions[0],
                  asBlock ? "ブロックログのようです。ブロックログの拡張子は .bin か .binx です\n"
                            "ブロックログとして開きますか?"
                          : "セクターログのようです。セクターログの拡張子は .BNX4 です\n"
                            "セクターログとして開きますか?");
        EXPECT_EQ(dialogs.ReadAsOtherQuestions[1], QString::fromUtf8(c.Caption));
        EXPECT_EQ(store.LastLoad().Kind, c.Read);
        EXPECT_EQ(Text("PanelSrcFn"), Native(path));
        if (c.Answer) {
            EXPECT_EQ(store.FixCount(), 40);
        }
    }
    // A log whose name fits its content is not asked about.
    dialogs.ReadAsOtherQuestions.clear();
    Load("right.bin", BlockLogOf(fixes));
    EXPECT_TRUE(dialogs.ReadAsOtherQuestions.isEmpty());
}

// A logger that filled its memory and wrote on from the front: its first entry is after its
// last, and the summary names the earliest record it kept. A log in time order says nothing.
TEST_F(FormMainTest, WrappedLogSaysSoInTheSummary)
{
    const struct {
        std::vector<std::int32_t> Seconds;
        bool Wrapped;
    } cases[] = {
        {{kMay2021 + 100, kMay2021 + 101, kMay2021, kMay2021 + 1}, true},
        {{kMay2021, kMay2021 + 1, kMay2021 + 100}, false},
    };
    for (const auto& c : cases) {
        std::vector<RawFix> fixes;
        for (const std::int32_t seconds : c.Seconds)
            fixes.push_back(FixAt(seconds, 0));
        Load("wrapped.bin", BlockLogOf(fixes));
        const QString note = "記憶が一周しています：最初の記録は " + Label("2021/05/03 09:00:00") +
                             " です（それより前の記録は上書きされています）";
        EXPECT_EQ(Text("LabelSummary").contains(note), c.Wrapped)
            << Text("LabelSummary").toStdString();
    }
}

// The fields reach back to 1980, the start of GPS time: a trip of 1988 is picked and written
// exactly; a fix before 1980 is out of every window the fields hold, and the export says how many
// of the window's fixes it left out for that.
TEST_F(FormMainTest, FieldsReachBackTo1980AndTheExportCountsWhatTheyCannot)
{
    constexpr std::int32_t k1988 = 570337200; // 1988-01-28 12:00:00 local
    Load("old.bin",
         BlockLogOf({FixAt(-2147000000, 0), FixAt(315500399, 500), FixAt(k1988, 250),
                     FixAt(k1988 + 1, 250), FixAt(k1988 + 2, 999), FixAt(kNewYear2021Utc, 0)}));
    ASSERT_TRUE(dialogs.WeekRepairQuestions.isEmpty());
    auto* list = Find<QTableView>("ListTrips");
    ASSERT_EQ(list->model()->rowCount(), 4);
    struct Case {
        int Pick; // the row clicked; -1: the load's preset
        Row Start;
        Row End;
        std::size_t Written;
        QString Count;
    };
    const Case cases[] = {
        {-1,
         {1980, 1, 1, 0, 0, 0},
         {2021, 1, 1, 9, 0, 1},
         4,
         "4 件（1980〜2099 年の範囲外にある 2 件は含みません）"},
        {2, {1988, 1, 28, 12, 0, 0}, {1988, 1, 28, 12, 0, 3}, 3, "3 件"},
        {1,
         {1980, 1, 1, 0, 0, 0},
         {1980, 1, 1, 0, 0, 0},
         0,
         "0 件（1980〜2099 年の範囲外にある 2 件は含みません）"},
        {3, {2021, 1, 1, 9, 0, 0}, {2021, 1, 1, 9, 0, 1}, 1, "1 件"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Pick);
        if (c.Pick >= 0)
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(c.Pick, 0)).center());
        EXPECT_EQ(Values("Sta"), c.Start);
        EXPECT_EQ(Values("End"), c.End);
        const std::string target = (dir.Path() / "old.nmea").string();
        Export("old.nmea");
        EXPECT_TRUE(Text("PanelDstFn").endsWith("  " + c.Count))
            << Text("PanelDstFn").toStdString();
        EXPECT_EQ(Find<QLabel>("PanelDstFn")->toolTip(), Native(target));
        std::size_t lines = 0;
        for (const char ch : ReadWholeFile(target))
            lines += ch == '\n' ? 1 : 0;
        EXPECT_EQ(lines, c.Written);
    }
    // The trip of 1988 alone, exactly.
    Export("old.nmea");
    std::string expected;
    char line[kMaxRmcLength];
    for (std::size_t i = 2; i < 5; ++i)
        expected += std::string(line, FormatRmcLine(store.Fixes()[i], line)) + "\r\n";
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(2, 0)).center());
    Export("old.nmea");
    EXPECT_EQ(ReadWholeFile((dir.Path() / "old.nmea").string()), expected);
}

// Before a load the window says what to do. A long path is shortened in its middle, the count
// after it stays in sight and the tooltip shows it whole; the panels grow with the window. Each
// dialog starts in the folder of the last file chosen in it; counts have a comma every three
// digits wherever they show.
TEST_F(FormMainTest, PathsFitTheirPanelsAndTheDialogsRememberTheirFolders)
{
    EXPECT_EQ(Find<QLabel>("LabelSummary")->text(),
              "[読込] (Ctrl+O) "
              "でログファイルを開くか、ログファイルをこのウィンドウにドロップしてください");
    const std::string deep = "ロガーの記録 " + std::string(8, 'x') +
                             "/長いフォルダー名 2024年5月 "
                             "連休の旅行/さらに長いフォルダー名 ロガーから読み出したファイル";
    std::vector<RawFix> fixes;
    for (int i = 0; i < 1234; ++i)
        fixes.push_back(FixAt(kNewYear2021Utc + i, 0));
    const std::string log = Load(deep + "/記録.bin", BlockLogOf(fixes));
    const std::string target = Export("出力先 " + std::string(40, 'y') + "/書き出した記録.nmea");
    dialogs.Errors.clear();
    std::filesystem::create_directories(NativePath(target).parent_path());
    Export("出力先 " + std::string(40, 'y') + "/書き出した記録.nmea");
    ASSERT_TRUE(dialogs.Errors.isEmpty());
    for (const int width : {788, 1800}) {
        SCOPED_TRACE(width);
        form->resize(width, 640);
        QCoreApplication::sendPostedEvents();
        for (const auto& [name, path, tail] :
             {std::tuple{"PanelSrcFn", log, QString()}, {"PanelDstFn", target, "  1,234 件"}}) {
            auto* panel = Find<QLabel>(name);
            EXPECT_EQ(panel->width(), width - (panel->x() + 32));
            EXPECT_EQ(panel->toolTip(), Native(path));
            const QString text = panel->text();
            EXPECT_LE(panel->fontMetrics().horizontalAdvance(text), panel->contentsRect().width());
            EXPECT_TRUE(text.endsWith(tail)) << text.toStdString();
            const bool whole = text == Native(path) + tail;
            EXPECT_EQ(whole, width == 1800) << text.toStdString();
            if (!whole) { // shortened in the middle: both ends kept
                EXPECT_TRUE(text.contains(QChar(0x2026))) << text.toStdString();
                EXPECT_TRUE(text.startsWith(Native(path).left(8))) << text.toStdString();
            }
        }
    }
    EXPECT_EQ(Find<QTableView>("ListTrips")->model()->index(0, 5).data().toString(), "1,234");

    // The next dialogs start where the last files were chosen.
    Load("other.bin", BlockLogOf({FixAt(kNewYear2021Utc, 0)}));
    Export("again.nmea");
    EXPECT_EQ(dialogs.OpenFolders.value(1), Native(Utf8Path(dir.Path() / NativePath(deep))));
    EXPECT_EQ(dialogs.SaveFolders.value(2),
              Native(Utf8Path(dir.Path() / NativePath("出力先 " + std::string(40, 'y')))));
}

// The type picked in the save dialog decides the writer and the extension: the default file as
// always, UTC NMEA with a GGA line before each RMC line, or GPX with one track per trip of the
// window (two outings 15 minutes apart here), KML and GeoJSON with one track a trip, or CSV with
// a line a fix.
TEST_F(FormMainTest, SaveDialogTypeDecidesTheWriter)
{
    Load("day.bin", BlockLogOf({FixAt(1620012896, 0), FixAt(1620012897, 0),
                                FixAt(1620012896 + 900, 0), FixAt(1620012897 + 900, 0)}));
    const struct {
        OutputType type;
        const char* written;
        const char* has;
        std::size_t count;
    } cases[] = {
        {OutputType::Nmea, "a.nmea", "$GPRMC,12", 4},
        {OutputType::NmeaUtcHeights, "b.nmea", "$GPGGA,03", 4},
        {OutputType::Gpx, "c.gpx", "<trk>", 2},
        {OutputType::Kml, "d.kml", "<gx:Track>", 2},
        {OutputType::GeoJson, "e.geojson", "\"LineString\"", 2},
        {OutputType::Csv, "f.csv", "Z,35.", 4},
    };
    for (const auto& c : cases) {
        dialogs.SaveType = c.type;
        Export(std::string(c.written, 1) + ".txt");
        const std::string text = ReadWholeFile((dir.Path() / c.written).string());
        std::size_t found = 0;
        for (std::size_t at = text.find(c.has); at != std::string::npos;
             at = text.find(c.has, at + 1))
            ++found;
        EXPECT_EQ(found, c.count) << c.written << "\n" << text.substr(0, 300);
        EXPECT_TRUE(Text("PanelDstFn").endsWith(QStringLiteral("  4 件"))) << c.written;
    }
    EXPECT_TRUE(dialogs.Errors.isEmpty());
}

// Three outings of two fixes, 15 minutes apart: three trips of 2021-05-03 (Japan).
Bytes ThreeTripsLog()
{
    std::vector<RawFix> fixes;
    for (int trip = 0; trip < 3; ++trip)
        for (int second = 0; second < 2; ++second)
            fixes.push_back(FixAt(1620012896 + trip * 900 + second, 0));
    return BlockLogOf(fixes);
}

// A name typed with an output type's extension decides the writer, whatever type was picked:
// "t13.gpx" with the default type picked is GPX that a real reader reads, never "t13.nmea".
TEST_F(FormMainTest, TypedExtensionChoosesTheWriter)
{
    Load("t13.bin", ThreeTripsLog());
    const struct {
        const char* Typed;
        OutputType Picked;
        const char* Written;
        const char* Has;
    } cases[] = {
        {"t13.gpx", OutputType::Nmea, "t13.gpx", "<trk>"},
        {"t13.KML", OutputType::Gpx, "t13.KML", "<gx:Track>"}, // kept as typed
        {"t13.csv", OutputType::NmeaUtcHeights, "t13.csv", "Z,35."},
        {"t13.nmea", OutputType::NmeaUtcHeights, "t13.nmea", "$GPGGA,"},
        {"t14.txt", OutputType::GeoJson, "t14.geojson", "\"LineString\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Typed);
        dialogs.SaveType = c.Picked;
        Export(c.Typed);
        const std::string text = ReadWholeFile((dir.Path() / c.Written).string());
        EXPECT_NE(text.find(c.Has), std::string::npos) << text.substr(0, 200);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "t13.nmea.gpx"));
    EXPECT_TRUE(dialogs.Errors.isEmpty());
    EXPECT_TRUE(dialogs.Questions.isEmpty());
    // The type written last is the one the next dialog picks.
    Export("again.txt");
    EXPECT_EQ(
        dialogs.SaveTypes,
        (QList<OutputType>{OutputType::Nmea, OutputType::Gpx, OutputType::Kml, OutputType::Csv,
                           OutputType::NmeaUtcHeights, OutputType::GeoJson}));

#ifndef _WIN32
    if (RunProgram("/usr/bin/python3", {"-c", "import gpxpy"}, {.Out = {}, .Err = {}}).Status != 0)
        GTEST_SKIP() << "python3-gpxpy is not installed for /usr/bin/python3";
    const ProgramResult read =
        RunProgram("/usr/bin/python3", {"-c",
                                        "import gpxpy, sys; g = gpxpy.parse(open(sys.argv[1])); "
                                        "print(len(g.tracks), g.get_points_no())",
                                        (dir.Path() / "t13.gpx").string()});
    EXPECT_EQ(read.Out, "3 6\n") << read.Err;
#endif
}

// Trips picked in the list give the proposed name: one trip's is the name a split by trips
// gives it, several trips' the day with their numbers; trips picked with a gap are named beside
// 出力範囲 as the only ones written.
TEST_F(FormMainTest, PickedTripsNameTheExportAndShowBesideTheRange)
{
    Load("day.bin", ThreeTripsLog());
    auto* list = Find<QTableView>("ListTrips");
    const auto pick = [list](std::initializer_list<int> rows) {
        list->clearSelection();
        for (const int row : rows)
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    const struct {
        std::initializer_list<int> Rows;
        const char* Name;
        const char* Label;
    } cases[] = {
        {{1}, "day-20210503-124956.nmea", ""},
        {{0, 1}, "day-20210503-trip1,2.nmea", ""},
        {{0, 2}, "day-20210503-trip1,3.nmea", "トリップ 1, 3 のみ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        pick(c.Rows);
        EXPECT_EQ(Text("LabelChosen"), QString::fromUtf8(c.Label));
        dialogs.SaveNames.clear();
        Click("ButtonOut");
        EXPECT_EQ(dialogs.SaveNames, QStringList{c.Name});
    }
    // A window set by hand is no trip's: the log's name, and nothing beside the range.
    Spin("Sta", 4)->setValue(Spin("Sta", 4)->value() - 1);
    dialogs.SaveNames.clear();
    Click("ButtonOut");
    EXPECT_EQ(dialogs.SaveNames, QStringList{"day.nmea"});
    EXPECT_EQ(Text("LabelChosen"), "");
}

// The split buttons write one file per trip or per day of the window into the chosen folder, as
// --split does, in the type written last, and say how many; files they would replace are asked
// about once.
TEST_F(FormMainTest, SplitFromTheWindowWritesAFileAPieceIntoTheFolder)
{
    Load("day.bin", ThreeTripsLog());
    const std::filesystem::path out = dir.Path() / "split";
    std::filesystem::create_directories(out);
    dialogs.FolderAnswer = QString::fromStdString(out.string());
    Click("ButtonSplitTrip");
    const std::vector<std::string> names{"day-20210503-123456.nmea", "day-20210503-124956.nmea",
                                         "day-20210503-130456.nmea"};
    for (const std::string& name : names) {
        const std::string text = ReadWholeFile((out / name).string());
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << name; // two RMC lines
    }
    EXPECT_EQ(Text("PanelDstFn"), Native(out.string()) + "  3 ファイル、6 件");
    EXPECT_TRUE(dialogs.Questions.isEmpty());

    // Again: one question for the three files; no leaves them as they are.
    dialogs.OverwriteAnswer = false;
    dir.Write("split/day-20210503-123456.nmea", Bytes{'o', 'l', 'd'});
    Click("ButtonSplitTrip");
    ASSERT_EQ(dialogs.Questions.size(), 1);
    EXPECT_TRUE(dialogs.Questions[0].contains("3 個")) << dialogs.Questions[0].toStdString();
    EXPECT_EQ(ReadWholeFile((out / names[0]).string()), "old");

    // By day in GPX, the type written last, with the folder remembered.
    dialogs.SaveType = OutputType::Gpx;
    Export("whole.gpx");
    Click("ButtonSplitDay");
    EXPECT_EQ(dialogs.FolderFolders.value(2), Native(dir.Path().string()));
    const std::string gpx = ReadWholeFile((out / "day-20210503.gpx").string());
    EXPECT_NE(gpx.find("<trk>"), std::string::npos);
    EXPECT_EQ(Text("PanelDstFn"), Native(out.string()) + "  1 ファイル、6 件");
    EXPECT_TRUE(dialogs.Errors.isEmpty());
}

// What the window remembers reaches a second window: the dialogs' folders, the type written
// last, the recent logs on the load button's arrow (the latest first, each once), and the place
// and size it was closed at.
TEST_F(FormMainTest, SettingsReachTheNextWindow)
{
    const std::string first = Load("first.bin", ThreeTripsLog());
    const std::string second = Load("sub/second.bin", ThreeTripsLog());
    Load("first.bin", ThreeTripsLog());
    dialogs.SaveType = OutputType::Kml;
    std::filesystem::create_directories(dir.Path() / "out");
    Export("out/a.kml");
    form->setGeometry(40, 50, 900, 600);
    form->close();

    FakeDialogs nextDialogs;
    TFormMain next(store, nextDialogs);
    EXPECT_EQ(next.OpenFolder(), Native(dir.Path().string()));
    EXPECT_EQ(next.SaveFolder(), Native((dir.Path() / "out").string()));
    EXPECT_EQ(next.size(), QSize(900, 600));
    QTest::mouseClick(next.findChild<QPushButton*>("ButtonOut"), Qt::LeftButton);
    EXPECT_EQ(nextDialogs.SaveTypes, QList<OutputType>{OutputType::Kml});

    auto* recent = next.findChild<QToolButton*>("ButtonRecent");
    ASSERT_NE(recent, nullptr);
    emit recent->menu()->aboutToShow();
    QStringList listed;
    for (const QAction* action : recent->menu()->actions())
        listed << action->text();
    // The recent logs, then the archive's entries after a separator.
    EXPECT_EQ(listed,
              (QStringList{Native(first), Native(second), "", "保存庫に追加", "保存庫を開く"}));
    recent->menu()->actions().value(1)->trigger();
    EXPECT_EQ(next.findChild<QLabel*>("PanelSrcFn")->toolTip(), Native(second));
}

// The first size is the design's, clamped to the screen's available area with room for the
// frame, centred: at 200 % on 1920×1200 (960×600 logical pixels) and on 1024×700 the title bar
// stays in reach.
TEST(WindowPlace, FirstSizeFitsTheAvailableArea)
{
    const QSize minimum(788, 480);
    const QSize wanted(788, 640);
    const struct {
        QRect Available;
        QSize Client;
        QSize Minimum;
    } cases[] = {
        {QRect(0, 0, 1920, 1200), wanted, minimum},
        {QRect(0, 0, 960, 600), QSize(788, 564), minimum},
        {QRect(0, 0, 1024, 700), wanted, minimum},
        {QRect(0, 28, 800, 452), QSize(788, 416), QSize(788, 416)},
        {QRect(0, 0, 760, 500), QSize(752, 464), QSize(752, 464)},
    };
    for (const auto& c : cases) {
        const WindowPlace place = FirstWindowPlace(minimum, wanted, c.Available);
        EXPECT_EQ(place.Client.size(), c.Client) << c.Available.height();
        EXPECT_EQ(place.Minimum, c.Minimum) << c.Available.height();
        const QRect framed =
            place.Client.marginsAdded({kFrameSide, kFrameTop, kFrameSide, kFrameSide});
        EXPECT_TRUE(c.Available.contains(framed)) << c.Available.height();
    }
}

// The window as it opens on the test's screen: its frame within the available area. The suite
// runs it on the offscreen default screen, and in child processes on a 1024×700 screen and at
// 200 % on a 1920×1200 one.
TEST_F(FormMainTest, OpensWithinTheScreen)
{
    const QRect available = form->screen()->availableGeometry();
    const QRect framed =
        form->geometry().marginsAdded({kFrameSide, kFrameTop, kFrameSide, kFrameSide});
    EXPECT_TRUE(available.contains(framed)) << available.width() << "x" << available.height();
    EXPECT_GE(form->width(), std::min(788, available.width() - 2 * kFrameSide));

    // On the screens the window is made for, the photo list shows eight rows whole.
    auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("TabsOverview"));
    auto* photos = form->findChild<QTableView*>(QStringLiteral("ListPhotos"));
    ASSERT_TRUE(tabs != nullptr && photos != nullptr);
    tabs->setCurrentWidget(tabs->widget(1));
    QApplication::processEvents();
    const int rows = photos->viewport()->height() / photos->verticalHeader()->defaultSectionSize();
    if (available.height() >= 564) {
        EXPECT_GE(rows, 8) << available.width() << "x" << available.height();
    }
    // The timeline lies under the picture beside the photo list, and spans the overview again
    // beside the trip list.
    auto* timeline = form->findChild<QWidget*>(QStringLiteral("PaintTimeline"));
    auto* overview = form->findChild<QWidget*>(QStringLiteral("Overview"));
    EXPECT_GT(timeline->mapTo(overview, QPoint(0, 0)).x(),
              photos->mapTo(overview, QPoint(photos->width(), 0)).x());
    tabs->setCurrentIndex(0);
    QApplication::processEvents();
    EXPECT_EQ(timeline->geometry(), QRect(0, timeline->y(), overview->width(), timeline->height()));
    EXPECT_EQ(timeline->parentWidget(), overview);
}

TEST(WindowScreens, OpensWithinSmallAndScaledScreens)
{
    if (qEnvironmentVariableIsSet("T2N_SCREEN_CHILD"))
        GTEST_SKIP() << "this is the child process";
    const struct {
        int Width;
        int Height;
        const char* Scale;
    } screens[] = {{1024, 700, "1"}, {1920, 1200, "2"}};
    for (const auto& screen : screens) {
        SCOPED_TRACE(screen.Width);
        const ChildRun child = RunOnScreen(
            QStringLiteral("FormMainTest.OpensWithinTheScreen"), screen.Width, screen.Height,
            QString::fromLatin1(screen.Scale), QStringLiteral("T2N_SCREEN_CHILD"));
        EXPECT_TRUE(child.Passed()) << child.ExitCode << "\n" << child.Output.toStdString();
    }
}

} // namespace
