#include "app/overview/Overview.h"

#include "FakeDialogs.h"
#include "app/FormMain.h"
#include "app/Platform.h"
#include "app/overview/TimelineView.h"
#include "app/overview/TrackView.h"
#include "export/NmeaExport.h"
#include "support/LogWriter.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <array>
#include <ctime>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace t2ntest;

namespace {

constexpr std::int32_t kTokyoBias = -540;
constexpr std::array<const char*, 6> kSuffixes{"YY", "MM", "DD", "HH", "NN", "SS"};
using Row = std::array<int, 6>;

// Three trips on 2024-05-03 (UTC+9), heading north one fix a second: 30 fixes from 07:40:12.400,
// 20 from 08:05:00.900 and 20 from 23:59:50.000, the last running into the next day.
struct TripPlan {
    std::int32_t StartUtc;
    std::uint16_t Millisecond;
    int Fixes;
    double StepDegrees;
    float FirstSpeed;
};
constexpr std::array<TripPlan, 3> kTrips{{
    {1714689612, 400, 30, 0.001, 20.0f},
    {1714691100, 900, 20, 0.001, 36.0f},
    {1714748390, 0, 20, 0.002, 80.5f},
}};

Bytes ThreeTripLog()
{
    FlashImage image = BlockLog(1, kBlockBasicMask);
    for (const TripPlan& plan : kTrips) {
        for (int i = 0; i < plan.Fixes; ++i) {
            RawFix fix;
            fix.Seconds = plan.StartUtc + i;
            fix.Millisecond = plan.Millisecond;
            fix.Latitude = 35.5 + i * plan.StepDegrees;
            // A rising speed on the first trip, a steady one on the others.
            fix.Speed = plan.FirstSpeed + (plan.Millisecond == 400 ? static_cast<float>(i) : 0.0f);
            image.Append(0, BlockRecord(fix, kBlockBasicMask));
        }
    }
    return image.Data();
}

class OverviewTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        form = std::make_unique<TFormMain>(store, dialogs);
        form->show();
        dialogs.OpenAnswer = QString::fromStdString(dir.Write("day.bin", ThreeTripLog()));
        form->ButtonOpenClick();
        // Lets the window's layout place the overview's parts.
        QCoreApplication::sendPostedEvents();
    }

    template <class T> T* Find(const char* name) const
    {
        T* widget = form->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr)
            throw std::runtime_error(std::string("no control ") + name);
        return widget;
    }
    Row Values(const char* role) const
    {
        Row row{};
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = Find<QSpinBox>((std::string("UpDown") + role + kSuffixes[i]).c_str())->value();
        return row;
    }
    QTableView* List() const { return Find<QTableView>("ListTrips"); }
    QPoint RowCentre(int row) const
    {
        return List()->visualRect(List()->model()->index(row, 0)).center();
    }
    // The overview, the track and the timeline all show the window the controls hold.
    void ExpectShownWindow(const Row& start, const Row& end) const
    {
        const auto ms = [](const Row& r) {
            return CalendarToMilliseconds({r[0], r[1], r[2], r[3], r[4], r[5], 0});
        };
        EXPECT_EQ(Values("Sta"), start);
        EXPECT_EQ(Values("End"), end);
        const std::optional<MsWindow> shown = Find<TOverview>("Overview")->Window();
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(shown->Start, ms(start));
        EXPECT_EQ(shown->End, ms(end));
        for (const std::vector<MsWindow>& picked :
             {Find<TrackView>("PaintTrack")->Picked(),
              Find<TimelineView>("PaintTimeline")->Picked()}) {
            ASSERT_EQ(picked.size(), 1u);
            EXPECT_EQ(picked[0].Start, ms(start));
            EXPECT_EQ(picked[0].End, ms(end));
        }
    }

    ConversionService store{kTokyoBias};
    FakeDialogs dialogs;
    TempDir dir;
    std::unique_ptr<TFormMain> form;
};

TEST_F(OverviewTest, ListAndSummaryShowEachTrip)
{
    const auto local = [](const char* text) {
        QString s = QString::fromUtf8(text);
        s.replace(u'/', DateSeparator(QLocale::system()));
        s.replace(u':', TimeSeparator(QLocale::system()));
        return s;
    };
    // 29, 19 and 19 steps of 111.195 m, 111.195 m and 222.390 m along a meridian.
    const std::array<std::array<const char*, 7>, 3> expected{{
        {"2024/05/03", "07:40:12", "07:40:41", "0:00:29", "3.22", "30", "49.0"},
        {"2024/05/03", "08:05:00", "08:05:19", "0:00:19", "2.11", "20", "36.0"},
        {"2024/05/03", "23:59:50", "00:00:09 +1日", "0:00:19", "4.23", "20", "80.5"},
    }};
    const QAbstractItemModel* model = List()->model();
    ASSERT_EQ(model->rowCount(), 3);
    const QStringList captions{
        "日付", "開始", "終了", "時間", "距離\n(km)", "件数", "最高速度\n(km/h)"};
    for (int column = 0; column < 7; ++column) {
        EXPECT_EQ(model->headerData(column, Qt::Horizontal).toString(), captions[column]);
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(
                model->index(row, column).data().toString(),
                local(expected[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]))
                << "row " << row << " column " << column;
    }
    EXPECT_EQ(Find<QLabel>("LabelSummary")->text(), "70 件、トリップ 3 個、合計 9.56 km");
}

TEST_F(OverviewTest, SectorLogSummaryCountsTheDroppedRecords)
{
    // Two good fixes, a 2D fix and the five 3D fixes it discredits, a fix without speed, one of
    // 2020, then two good fixes again.
    FlashImage image = SectorLog(1, kSectorFixMask);
    for (int i = 0; i < 12; ++i) {
        RawFix fix;
        fix.Seconds = 1714689612 + i;
        fix.FixType = i == 2 ? 2 : 3;
        fix.Speed = i == 8 ? 0.0f : 30.0f;
        if (i == 9)
            fix.Seconds = 1590000000;
        image.Append(0, SectorRecord(fix, kSectorFixMask));
    }
    dialogs.OpenAnswer = QString::fromStdString(dir.Write("day.BNX4", image.Data()));
    form->ButtonOpenClick();
    EXPECT_EQ(Find<QLabel>("LabelSummary")->text(),
              "4 件、トリップ 1 個、合計 0.00 km（除外: 測位種別 6 件、妥当性 1 件、日付 1 件）");
    EXPECT_EQ(List()->model()->rowCount(), 1);
}

// The summary adds its notes on lines of their own: a misnamed log, and fixes in the system zone's
// summer time (Berlin in May; the window's times are its standard time, UTC+01:00).
TEST_F(OverviewTest, SummaryNotesMisnamedLogsAndSummerTime)
{
#ifdef _WIN32
    GTEST_SKIP() << "the zone comes from GetTimeZoneInformation, which TZ does not change";
#else
    const QByteArray oldZone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    // A window of the system's zone, as the program makes it.
    ConversionService system;
    form = std::make_unique<TFormMain>(system, dialogs);
    dialogs.OpenAnswer = QString::fromStdString(dir.Write("day.BNX4", ThreeTripLog()));
    form->ButtonOpenClick();
    EXPECT_EQ(Find<QLabel>("LabelSummary")->text(),
              "0 件、トリップ 0 個、合計 0.00 km（除外: 測位種別 78 件、妥当性 1 件、日付 0 件）\n"
              "ブロックログのようです。ブロックログの拡張子は .bin か .binx です");
    dialogs.OpenAnswer = QString::fromStdString(dir.Write("again.bin", ThreeTripLog()));
    form->ButtonOpenClick();
    EXPECT_EQ(Find<QLabel>("LabelSummary")->text(),
              "70 件、トリップ 3 個、合計 9.56 km\n"
              "時刻は標準時 (UTC+01:00) です。夏時間は適用していません");
    form.reset(); // before the service it shows
    if (oldZone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldZone);
    tzset();
#endif
}

TEST_F(OverviewTest, SummaryNamesTheSisterLayout)
{
    FlashImage image = BlockLog(2, kSisterBasicMask);
    for (std::int32_t i = 0; i < 3; ++i)
        image.Append(0, SisterRecord({.Seconds = 1714689612 + i}, kSisterBasicMask));
    const std::pair<const char*, const char*> cases[] = {
        {"sister.bin", "3 件、トリップ 1 個、合計 0.00 km（姉妹形式）"},
        {"mixed.bin", "4 件、トリップ 1 個、合計 0.00 km（標準形式と姉妹形式の混在）"},
    };
    for (const auto& [name, summary] : cases) {
        if (std::string(name) == "mixed.bin") {
            image.SetHeaderMask(1, kBlockBasicMask);
            image.Append(1, BlockRecord({.Seconds = 1714689615}, kBlockBasicMask));
        }
        dialogs.OpenAnswer = QString::fromStdString(dir.Write(name, image.Data()));
        form->ButtonOpenClick();
        EXPECT_EQ(Find<QLabel>("LabelSummary")->text(), QString::fromUtf8(summary));
    }
}

// Each step acts on the list or a control; the controls, the overview, the track and the timeline
// then all hold the expected window.
TEST_F(OverviewTest, SelectionSetsTheControlsAndTheControlsSetTheShading)
{
    QWidget* viewport = List()->viewport();
    ExpectShownWindow({2024, 5, 3, 7, 40, 12}, {2024, 5, 4, 0, 0, 10}); // the load's preset

    QTest::mouseClick(viewport, Qt::LeftButton, {}, RowCentre(1));
    ExpectShownWindow({2024, 5, 3, 8, 5, 0}, {2024, 5, 3, 8, 5, 20});

    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, RowCentre(2));
    ExpectShownWindow({2024, 5, 3, 8, 5, 0}, {2024, 5, 4, 0, 0, 10});
    EXPECT_EQ(List()->selectionModel()->selectedRows().size(), 2);

    QTest::mouseClick(viewport, Qt::LeftButton, {}, RowCentre(0));
    ExpectShownWindow({2024, 5, 3, 7, 40, 12}, {2024, 5, 3, 7, 40, 42});

    // A control changed by hand: the shading follows and the list no longer claims the window.
    Find<QSpinBox>("UpDownEndNN")->setValue(55);
    ExpectShownWindow({2024, 5, 3, 7, 40, 12}, {2024, 5, 3, 7, 55, 42});
    EXPECT_TRUE(List()->selectionModel()->selectedRows().isEmpty());

    // An impossible date shows no window at all.
    Find<QSpinBox>("UpDownStaDD")->setValue(31);
    Find<QSpinBox>("UpDownStaMM")->setValue(2);
    EXPECT_FALSE(Find<TOverview>("Overview")->Window().has_value());
    EXPECT_TRUE(Find<TrackView>("PaintTrack")->Picked().empty());
}

TEST_F(OverviewTest, DragOnTheTimelineSetsWholeSeconds)
{
    auto* timeline = Find<TimelineView>("PaintTimeline");
    const QRectF strip = timeline->StripRect();
    const std::int64_t first = store.Trips().FirstMs;
    const std::int64_t last = store.Trips().LastMs;
    const double msPerPixel = static_cast<double>(last - first) / strip.width();
    struct Drag {
        double From; // share of the strip; beyond 0..1 lies outside it
        double To;
    };
    for (const Drag& drag : {Drag{0.25, 0.5}, Drag{0.8, 0.1}, Drag{-0.1, 1.1}}) {
        SCOPED_TRACE(drag.From);
        const auto at = [&](double share) {
            return QPoint(static_cast<int>(strip.left() + share * strip.width()),
                          static_cast<int>(strip.center().y()));
        };
        QTest::mousePress(timeline, Qt::LeftButton, {}, at(drag.From));
        QTest::mouseMove(timeline, at((drag.From + drag.To) / 2));
        QTest::mouseRelease(timeline, Qt::LeftButton, {}, at(drag.To));
        const std::optional<MsWindow> window = Find<TOverview>("Overview")->Window();
        ASSERT_TRUE(window.has_value());
        EXPECT_EQ(window->Start % 1000, 0);
        EXPECT_EQ(window->End % 1000, 0);
        // The earlier end's second starts the window, the second after the later end's ends it.
        const auto moment = [&](double share) {
            return static_cast<double>(first) +
                   std::clamp(share, 0.0, 1.0) * static_cast<double>(last - first);
        };
        const double from = moment(std::min(drag.From, drag.To));
        const double to = moment(std::max(drag.From, drag.To));
        EXPECT_NEAR(static_cast<double>(window->Start), from - 500, 500 + msPerPixel);
        EXPECT_NEAR(static_cast<double>(window->End), to + 500, 500 + msPerPixel);
    }
    // Across the whole strip: the load's preset again.
    ExpectShownWindow({2024, 5, 3, 7, 40, 12}, {2024, 5, 4, 0, 0, 10});

    // A click on a trip's bar picks that trip.
    const double share =
        static_cast<double>(1714691105000 - 1714689612000) / static_cast<double>(last - first);
    QTest::mouseClick(timeline, Qt::LeftButton, {},
                      QPoint(static_cast<int>(strip.left() + share * strip.width()), 12));
    ExpectShownWindow({2024, 5, 3, 8, 5, 0}, {2024, 5, 3, 8, 5, 20});
    EXPECT_EQ(List()->selectionModel()->selectedRows().value(0).row(), 1);
}

TEST_F(OverviewTest, DoubleClickExportsExactlyThatTrip)
{
    const std::string target = (dir.Path() / "trip.nmea").string();
    dialogs.SaveAnswer = QString::fromStdString(target);
    // What a user's double click brings: a click, then the double click.
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, RowCentre(1));
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, RowCentre(1));

    ExpectShownWindow({2024, 5, 3, 8, 5, 0}, {2024, 5, 3, 8, 5, 20});
    EXPECT_EQ(dialogs.SaveFolders.size(), 1);
    std::string expected;
    char line[kMaxRmcLength];
    for (std::size_t i = 30; i < 50; ++i)
        expected += std::string(line, FormatRmcLine(store.Fixes()[i], line)) + "\r\n";
    EXPECT_EQ(ReadWholeFile(target), expected);
}

// The controls keep their places; the group boxes and the path panels grow with the window, the
// overview takes every pixel below and beside them.
TEST_F(OverviewTest, OverviewTakesTheExtraRoom)
{
    for (const QSize size : {QSize(788, 640), QSize(1200, 900), QSize(600, 300)}) {
        form->resize(size);
        QCoreApplication::sendPostedEvents();
        const QSize shown = form->size();
        EXPECT_EQ(shown.width(), std::max(size.width(), 788));
        EXPECT_EQ(Find<QWidget>("GroupBox2")->geometry(), QRect(8, 128, shown.width() - 16, 129));
        EXPECT_EQ(Find<QWidget>("PanelSrcFn")->geometry(), QRect(72, 24, shown.width() - 104, 25));
        EXPECT_EQ(Find<QWidget>("PanelDstFn")->geometry(), QRect(72, 88, shown.width() - 104, 25));
        EXPECT_EQ(Find<TOverview>("Overview")->geometry(),
                  QRect(8, 266, shown.width() - 16, shown.height() - 266 - 8));
    }
}

// The overview's texts fit their places: run at the process's own scale, and again at 200 % in a
// child process below (the scale is read once, when the application starts).
TEST_F(OverviewTest, NothingIsClipped)
{
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2") {
        EXPECT_EQ(form->devicePixelRatioF(), 2.0);
    }
    for (const QSize size : {QSize(788, 640), form->minimumSize()}) {
        SCOPED_TRACE(size.height());
        form->resize(size);
        QCoreApplication::sendPostedEvents();
        QTableView* list = List();
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
        for (int column = 0; column < list->model()->columnCount(); ++column) {
            EXPECT_GE(list->columnWidth(column),
                      static_cast<QAbstractItemView*>(list)->sizeHintForColumn(column));
            EXPECT_GE(list->columnWidth(column), list->horizontalHeader()->sectionSizeHint(column));
        }
        auto* track = Find<TrackView>("PaintTrack");
        EXPECT_GE(track->width(), track->minimumSizeHint().width());
        const TrackView::ScaleBarPlace& bar = track->ScaleBar();
        const QRectF ink = QFontMetricsF(track->font()).tightBoundingRect(bar.Text);
        EXPECT_TRUE(QRectF(track->rect()).contains(bar.TextRect));
        EXPECT_TRUE(QRectF(track->rect()).contains(bar.Bar));
        EXPECT_LE(ink.width(), bar.TextRect.width());
        EXPECT_LE(ink.height(), bar.TextRect.height());
        auto* timeline = Find<TimelineView>("PaintTimeline");
        for (const TimelineView::Tick& tick : timeline->Ticks())
            EXPECT_TRUE(tick.Text.isEmpty() || QRectF(timeline->rect()).contains(tick.TextRect));
        auto* summary = Find<QLabel>("LabelSummary");
        EXPECT_LE(summary->sizeHint().width(), summary->width());
    }
}

TEST(OverviewScale, NothingIsClippedAtTwiceTheScale)
{
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2")
        GTEST_SKIP() << "this is the child process";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=OverviewTest.NothingIsClipped")});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

} // namespace
