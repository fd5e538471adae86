// Photos placed on the loaded log in the window: added with the photo button and by drops, the
// list's reasons, the camera's clock error and zone moving a photo (its row and its mark), and
// the write button tagging the photos, read back by exiftool (or Exiv2).
#include "FakeDialogs.h"
#include "app/FormMain.h"
#include "app/PathPanel.h"
#include "app/Platform.h"
#include "app/overview/MapPanel.h"
#include "app/overview/TrackView.h"
#include "app/overview/TripColour.h"
#include "app/photos/PhotoPanel.h"
#include "app/photos/PhotoText.h"
#include "store/TimeBase.h"
#include "support/LogWriter.h"
#include "support/PhotoWriter.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace t2ntest;

namespace {

constexpr std::int32_t kTokyoBias = -540;
constexpr std::int32_t kT0 = kMay2021; // the first fix: 2021-05-03 09:00:00 in Tokyo
constexpr int kTrip2Seconds = 3600;    // the second trip starts an hour later
enum Column { Name, Time, State, Position };

// Two trips: 30 fixes a second apart heading north from 35.5 N, 139.75 E (heights 10 m, 11 m...),
// then after a pause of 120 s (too long to place a photo across, too short to end the trip) 30
// more; an hour later, 30 fixes heading east from 35.6 N.
Bytes TwoTripLog(std::int32_t shiftSeconds = 0)
{
    FlashImage image = BlockLog(1, kBlockBasicMask);
    const auto add = [&](std::int32_t seconds, double lat, double lon, float height) {
        RawFix fix;
        fix.Seconds = kT0 + shiftSeconds + seconds;
        fix.Latitude = lat;
        fix.Longitude = lon;
        fix.ExtraValue = height;
        image.Append(0, BlockRecord(fix, kBlockBasicMask));
    };
    for (int i = 0; i < 180; ++i)
        if (i < 30 || i >= 150)
            add(i, 35.5 + 0.001 * i, 139.75, 10.0f + static_cast<float>(i));
    for (int i = 0; i < 30; ++i)
        add(kTrip2Seconds + i, 35.6, 139.75 + 0.001 * i, 50.0f);
    return image.Data();
}

// The camera's tags of a photo taken `afterMs` after the first fix, on a clock set to Tokyo's time.
CameraTags TakenAt(std::int64_t afterMs)
{
    const std::int64_t local = (std::int64_t{kT0} + std::int64_t{9} * 3600) * 1000 + afterMs;
    const CalendarTime t = MillisecondsToCalendar(local + kUnixEpochMs);
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", t.Year, t.Month, t.Day,
                  t.Hour, t.Minute, t.Second);
    CameraTags tags;
    tags.DateTimeOriginal = text;
    tags.SubSec = std::to_string(t.Millisecond + 1000).substr(1);
    return tags;
}

class PhotosTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        form = std::make_unique<TFormMain>(store, dialogs);
        form->show();
        window = form.get();
        logPath = dir.Write("day.bin", TwoTripLog());
        dialogs.OpenAnswer = QString::fromStdString(logPath);
        form->ButtonOpenClick();
        QCoreApplication::sendPostedEvents();
    }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        return dir.Write(name, Bytes(bytes.begin(), bytes.end()));
    }
    std::string Photo(const std::string& name, const CameraTags& tags) const
    {
        return Write(name, WithCameraTags(MakeJpeg(2, 2), tags));
    }
    void AddByButton(const std::vector<std::string>& paths)
    {
        dialogs.PhotoAnswer.clear();
        for (const std::string& path : paths)
            dialogs.PhotoAnswer << QString::fromStdString(path);
        QTest::mouseClick(Find<QPushButton>("ButtonPhoto"), Qt::LeftButton);
    }
    void Drop(const std::vector<std::string>& paths)
    {
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter({400, 100}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop({400, 100}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        if (QApplication::sendEvent(window, &enter) && enter.isAccepted())
            QApplication::sendEvent(window, &drop);
    }
    template <class T> T* Find(const char* name) const
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr)
            throw std::runtime_error(std::string("no control ") + name);
        return widget;
    }
    QString Cell(int row, Column column) const
    {
        return Find<QTableView>("ListPhotos")->model()->index(row, column).data().toString();
    }
    QStringList ColumnOf(Column column) const
    {
        QStringList cells;
        for (int row = 0; row < Find<QTableView>("ListPhotos")->model()->rowCount(); ++row)
            cells << Cell(row, column);
        return cells;
    }
    QString Result() const { return Find<QLabel>("LabelPhotoResult")->text(); }
    QString LogShown() const { return Find<PathPanel>("PanelSrcFn")->Path(); }
    const std::vector<PhotoMark>& Marks() const
    {
        return Find<TrackView>("PaintTrack")->PhotoMarks();
    }

    ConversionService store{kTokyoBias};
    FakeDialogs dialogs;
    TempDir dir;
    std::unique_ptr<TFormMain> form;
    TFormMain* window = nullptr; // the window the helpers act on
    std::string logPath;
};

// Every photo says where it lies, or why it is left alone; the placed ones are marked in the
// colour of their trip.
TEST_F(PhotosTest, ListSaysWhereEachPhotoLiesOrWhyNot)
{
    CameraTags tagged = TakenAt(20000);
    tagged.LatDeg = 35.0;
    AddByButton({Photo("on.jpg", TakenAt(10500)), Photo("gap.jpg", TakenAt(90000)),
                 Photo("before.jpg", TakenAt(-3600000)), Photo("notime.jpg", {}),
                 Write("notes.txt", "not a photo"), Photo("tagged.jpg", tagged),
                 Photo("raw.CR2", TakenAt(kTrip2Seconds * 1000 + 10000)),
                 (dir.Path() / "gone.jpg").string()});

    EXPECT_EQ(dialogs.PhotoFolders, QStringList{QDir::toNativeSeparators(PicturesFolder())});
    EXPECT_EQ(ColumnOf(Name), (QStringList{"on.jpg", "gap.jpg", "before.jpg", "notime.jpg",
                                           "notes.txt", "tagged.jpg", "raw.CR2", "gone.jpg"}));
    EXPECT_EQ(ColumnOf(State),
              (QStringList{"書込予定", "記録の途切れ", "ログの範囲外", "撮影時刻なし",
                           "非対応の形式", "位置情報あり", "書込予定 (XMP)",
                           "エラー: 読み込めません (ファイルが見つかりません)"}));
    EXPECT_EQ(ColumnOf(Position),
              (QStringList{"35.51050, 139.75000", "-", "-", "-", "-", "35.00000, 0.00000",
                           "35.60000, 139.76000", "-"})); // the tagged photo's own
    EXPECT_EQ(Cell(0, Time), "05/03 09:00:10");
    EXPECT_EQ(Cell(2, Time), "05/03 08:00:00");
    EXPECT_EQ(Result(), "写真 8 枚のうち 2 枚に書き込めます");
    EXPECT_TRUE(Find<QPushButton>("ButtonWrite")->isEnabled());
    auto* tabs = Find<QTabWidget>("TabsOverview");
    EXPECT_EQ(tabs->currentWidget(), Find<PhotoPanel>("PanelPhotos"));
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), "写真 (8)");

    ASSERT_EQ(Marks().size(), 3u);
    const std::array<std::pair<std::size_t, std::size_t>, 3> photoTrip{{{0, 0}, {5, 0}, {6, 1}}};
    for (std::size_t i = 0; i < photoTrip.size(); ++i) {
        EXPECT_EQ(Marks()[i].Photo, photoTrip[i].first);
        EXPECT_EQ(Marks()[i].Trip, photoTrip[i].second);
    }
    const QModelIndex raw = Find<QTableView>("ListPhotos")->model()->index(6, Name);
    EXPECT_EQ(raw.data(Qt::DecorationRole).value<QColor>(), TripQColor(1));
    EXPECT_TRUE(dialogs.Errors.isEmpty());
}

// Photos and folders dropped on the window join the list once each; a log dropped with them is
// opened and every photo placed on it; photos added before any log wait for one.
TEST_F(PhotosTest, DroppedPhotosAndFoldersJoinTheList)
{
    const std::string one = Photo("one.jpg", TakenAt(5000));
    Drop({one});
    EXPECT_EQ(ColumnOf(State), QStringList{"書込予定"});
    EXPECT_TRUE(LogShown().endsWith("day.bin"));
    Photo("folder/a.jpg", TakenAt(6000));
    Photo("folder/b.jpg", TakenAt(7000));
    Drop({(dir.Path() / "folder").string(), one, (dir.Path() / "." / "one.jpg").string()});
    EXPECT_EQ(ColumnOf(Name), (QStringList{"one.jpg", "a.jpg", "b.jpg"})); // one.jpg once

    // A log an hour later: the photos lie before it.
    const std::string later = dir.Write("later.bin", TwoTripLog(2 * kTrip2Seconds));
    Drop({later, Photo("c.jpg", TakenAt(2 * kTrip2Seconds * 1000 + 8000))});
    EXPECT_TRUE(LogShown().endsWith("later.bin"));
    EXPECT_EQ(ColumnOf(State),
              (QStringList{"ログの範囲外", "ログの範囲外", "ログの範囲外", "書込予定"}));
    Drop({logPath, later}); // which one?
    EXPECT_TRUE(LogShown().endsWith("later.bin"));
    EXPECT_TRUE(dialogs.Errors.isEmpty());

    // A window without a log: the photo waits, and is placed once the log is loaded.
    ConversionService fresh(kTokyoBias);
    TFormMain second(fresh, dialogs);
    window = &second;
    Drop({one});
    EXPECT_EQ(ColumnOf(State), QStringList{"ログ未読込"});
    EXPECT_EQ(Result(), "ログファイルを読み込むと、写真の位置を求めます");
    EXPECT_FALSE(Find<QPushButton>("ButtonWrite")->isEnabled());
    Drop({logPath});
    EXPECT_EQ(ColumnOf(State), QStringList{"書込予定"});
    EXPECT_EQ(Result(), "写真 1 枚のうち 1 枚に書き込めます");
}

// The clock error and the zone move a photo along the track: its time, its position and its
// mark follow at once, out of the log and into the other trip, in that trip's colour.
TEST_F(PhotosTest, ClockErrorAndZoneMoveThePhoto)
{
    AddByButton({Photo("on.jpg", TakenAt(10500))});
    auto* clockError = Find<QSpinBox>("SpinClockError");
    auto* track = Find<TrackView>("PaintTrack");
    const QPointF before = track->PhotoMarkPixels().at(0);

    clockError->setValue(-5); // the camera ran 5 s slow: taken 5 s later, 0.005 degrees further
    EXPECT_EQ(Cell(0, Time), "05/03 09:00:15");
    EXPECT_EQ(Cell(0, Position), "35.51550, 139.75000");
    const QPointF north = track->PhotoMarkPixels().at(0);
    EXPECT_NEAR(north.x(), before.x(), 0.01);
    EXPECT_LT(north.y(), before.y() - 1); // north is up

    clockError->setValue(40); // taken 29.5 s before the first fix
    EXPECT_EQ(Cell(0, State), "ログの範囲外");
    EXPECT_EQ(Cell(0, Position), "-");
    EXPECT_TRUE(Marks().empty());
    EXPECT_FALSE(Find<QPushButton>("ButtonWrite")->isEnabled());

    // A camera on UTC+08:00: its clock shows an hour less, the photo lies on the second trip.
    clockError->setValue(0);
    auto* zone = Find<QComboBox>("ComboCameraZone");
    EXPECT_EQ(zone->currentText(), "UTC+09:00 東京");
    zone->setCurrentIndex(zone->findText("UTC+08:00 北京"));
    EXPECT_EQ(Cell(0, Time), "05/03 10:00:10");
    EXPECT_EQ(Cell(0, Position), "35.60000, 139.76050");
    ASSERT_EQ(Marks().size(), 1u);
    EXPECT_EQ(Marks()[0].Trip, 1u);
    EXPECT_GT(track->PhotoMarkPixels().at(0).x(), before.x());
}

// A photo that holds its true position sets the clock error from its menu: taken where the track
// was 12 s after the first fix, on a clock 75 s fast, it moves the other photo of that camera to
// its true place. A photo without a position is not offered the action; one far from the track
// says why and leaves the error alone.
TEST_F(PhotosTest, ClockErrorFromAPlacedPhoto)
{
    CameraTags placed = TakenAt(12000 + 75000);
    placed.LatDeg = 35.512;
    placed.LonDeg = 139.75;
    CameraTags far = placed;
    far.LatDeg = 35.4;
    AddByButton({Photo("placed.jpg", placed), Photo("other.jpg", TakenAt(20000 + 75000)),
                 Photo("far.jpg", far)});
    auto* list = Find<QTableView>("ListPhotos");
    auto* action = Find<QAction>("ActionClockFromPhoto");
    EXPECT_EQ(action->text(), "この写真の位置から時計のずれを求める");
    EXPECT_TRUE(list->actions().contains(action));
    ASSERT_EQ(ColumnOf(Name), (QStringList{"placed.jpg", "other.jpg", "far.jpg"}));
    list->selectRow(1);
    EXPECT_FALSE(action->isEnabled());

    list->selectRow(2);
    ASSERT_TRUE(action->isEnabled());
    action->trigger();
    EXPECT_EQ(Find<QSpinBox>("SpinClockError")->value(), 0);
    EXPECT_TRUE(Result().contains("100 m 以内を通っていません")) << Result().toStdString();

    list->selectRow(0);
    action->trigger();
    EXPECT_EQ(Find<QSpinBox>("SpinClockError")->value(), 75);
    EXPECT_TRUE(Result().startsWith("placed.jpg: カメラの時計は 75.000 秒進んでいます"))
        << Result().toStdString();
    EXPECT_EQ(Cell(1, Position), "35.52000, 139.75000");
}

// The write button tags the photos that would be tagged, in place or in a sidecar, and leaves
// the others as they were; a photo that fails says so in its row, and no error box comes up.
TEST_F(PhotosTest, WriteTagsThePhotosAndReadsBack)
{
    const std::string on = Photo("on.jpg", TakenAt(10500));
    const std::string raw = Photo("raw.CR2", TakenAt(kTrip2Seconds * 1000 + 10000));
    const std::string before = Photo("before.jpg", TakenAt(-3600000));
    const std::string gone = Photo("gone.jpg", TakenAt(12000));
    AddByButton({on, raw, before, gone});
    const std::string rawBytes = ReadWholeFile(raw), beforeBytes = ReadWholeFile(before);
    std::filesystem::remove(gone);

    QTest::mouseClick(Find<QPushButton>("ButtonWrite"), Qt::LeftButton);
    EXPECT_EQ(ColumnOf(State), (QStringList{"書込済み", "書込済み (XMP)", "ログの範囲外",
                                            "エラー: 読み込めません (ファイルが見つかりません)"}));
    EXPECT_EQ(Result(), "2 枚に書き込みました（うち XMP サイドカー 1 枚）、エラー 1 枚");
    EXPECT_FALSE(Find<QPushButton>("ButtonWrite")->isEnabled());
    EXPECT_TRUE(dialogs.Errors.isEmpty());
    EXPECT_EQ(ReadWholeFile(raw), rawBytes);
    EXPECT_EQ(ReadWholeFile(before), beforeBytes);

    // Placed again, the tagged photos hold their positions.
    Find<QSpinBox>("SpinClockError")->setValue(1);
    EXPECT_EQ(ColumnOf(State).mid(0, 2), (QStringList{"位置情報あり", "位置情報あり"}));

    // Read back: 10.5 s after the first fix, half way from 35.510 to 35.511 at 20.5 m.
    const auto read = ExiftoolValues(on, {"GPSLatitude", "GPSLongitude", "GPSAltitude"});
    const auto sidecar = ExiftoolValues(SidecarPath(raw), {"XMP:GPSLatitude", "XMP:GPSLongitude"});
    if (!read || !sidecar) {
        const auto position = Exiv2Position(on);
        ASSERT_TRUE(position.has_value());
        EXPECT_NEAR(position->first, 35.5105, 1e-7);
        GTEST_SKIP() << "exiftool is not installed";
    }
    EXPECT_NEAR(std::stod(read->at(0)), 35.5105, 1e-7);
    EXPECT_NEAR(std::stod(read->at(1)), 139.75, 1e-7);
    EXPECT_NEAR(std::stod(read->at(2)), 20.5, 1e-3);
    EXPECT_NEAR(std::stod(sidecar->at(0)), 35.6, 1e-7);
    EXPECT_NEAR(std::stod(sidecar->at(1)), 139.76, 1e-7);
}

// With the photo tab in front, Tab goes through its fields, list and button between the tabs and
// the map's controls; a window wide enough shows every column of the photo list.
TEST_F(PhotosTest, PhotoTabTakesItsPlaceInTabOrderAndWidth)
{
    form->resize(1024, 640);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    AddByButton({Photo("on.jpg", TakenAt(10500))});
    QCoreApplication::sendPostedEvents();
    const QStringList order{"ButtonSplitDay", "TabBarOverview", "SpinClockError", "ComboCameraZone",
                            "ListPhotos",     "ButtonWrite",    "CheckOnlineMap"};
    Find<QWidget>("ButtonSplitDay")->setFocus();
    QStringList visited;
    for (qsizetype i = 0; i < order.size(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        visited << (focus->objectName().isEmpty() ? focus->parentWidget()->objectName()
                                                  : focus->objectName());
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(visited, order);

    auto* list = Find<QTableView>("ListPhotos");
    int columns = 0;
    for (int column = 0; column < list->model()->columnCount(); ++column)
        columns += list->columnWidth(column);
    EXPECT_LE(columns, list->viewport()->width());
    EXPECT_GE(Find<TrackView>("PaintTrack")->width(), 1024 / 3 - 20);
}

// At the window's first size every column of the photo list shows whole.
TEST_F(PhotosTest, ColumnsFitAtTheFirstSize)
{
    AddByButton({Photo("IMG_0412.JPG", TakenAt(10500)),
                 Write("IMG_0413.CR2", WithCameraTags(MakeJpeg(2, 2), TakenAt(12000)))});
    QCoreApplication::sendPostedEvents();
    auto* list = Find<QTableView>("ListPhotos");
    int columns = 0;
    for (int column = 0; column < list->model()->columnCount(); ++column)
        columns += list->columnWidth(column);
    EXPECT_LE(columns, list->viewport()->width());
    EXPECT_GE(Find<TrackView>("PaintTrack")->width(), 120);
    // What the cells leave out for it, the year and the sixth decimal, their tooltips give.
    const auto tip = [&](Column column) {
        return list->model()->index(0, column).data(Qt::ToolTipRole).toString();
    };
    EXPECT_EQ(Cell(0, Time), "05/03 09:00:10");
    EXPECT_TRUE(tip(Time).startsWith("2021/05/03 09:00:10\nカメラの時計: "))
        << tip(Time).toStdString();
    EXPECT_EQ(Cell(0, Position), "35.51050, 139.75000");
    EXPECT_EQ(tip(Position), "35.510500, 139.750000\n高度 20.5 m");
}

// A photo that holds a position is listed and marked (hollow) there, stays 位置情報あり whatever
// the clock error, and takes the log's position only through 位置を上書き on the picked rows.
TEST_F(PhotosTest, APhotoWithAPositionKeepsItUntilOverwritten)
{
    CameraTags held = TakenAt(10500);
    held.LatDeg = 10.0;
    held.LonDeg = 20.0;
    const std::string photo = Photo("held.jpg", held);
    AddByButton({photo, Photo("on.jpg", TakenAt(12000))});
    auto* overwrite = Find<QPushButton>("ButtonOverwrite");
    auto* clockError = Find<QSpinBox>("SpinClockError");
    for (const int error : {0, 40, 100000}) {
        clockError->setValue(error);
        EXPECT_EQ(Cell(0, State), "位置情報あり") << error;
        EXPECT_EQ(Cell(0, Position), "10.00000, 20.00000") << error;
        ASSERT_FALSE(Marks().empty());
        EXPECT_EQ(Marks()[0].Photo, 0u);
        EXPECT_TRUE(Marks()[0].Held);
    }
    clockError->setValue(0);
    EXPECT_FALSE(overwrite->isEnabled()); // nothing picked
    auto* list = Find<QTableView>("ListPhotos");
    list->selectRow(1);
    EXPECT_FALSE(overwrite->isEnabled()); // a photo without a position
    list->selectAll();
    ASSERT_TRUE(overwrite->isEnabled());
    QTest::mouseClick(overwrite, Qt::LeftButton);
    EXPECT_EQ(ColumnOf(State), (QStringList{"書込済み", "書込予定"})); // the other is not written
    EXPECT_EQ(Cell(0, Position), "35.51050, 139.75000");
    EXPECT_FALSE(Marks()[0].Held);
    const auto position = Exiv2Position(photo);
    ASSERT_TRUE(position.has_value());
    EXPECT_NEAR(position->first, 35.5105, 1e-7);
    // Placed again, it holds the written position.
    clockError->setValue(5);
    EXPECT_EQ(Cell(0, State), "位置情報あり");
    EXPECT_EQ(Cell(0, Position), "35.51050, 139.75000");
}

// A window of the system's zone (Berlin, standard time UTC+01:00) and a camera set to summer
// time: a line above the list names the zone, which the zone list offers; chosen, the photo is
// placed and the line goes.
TEST_F(PhotosTest, SummerTimeIsNamedAboveTheList)
{
#ifdef _WIN32
    GTEST_SKIP() << "the zone comes from GetTimeZoneInformation, which TZ does not change";
#else
    const QByteArray oldZone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    {
        ConversionService system;
        TFormMain berlin(system, dialogs);
        window = &berlin;
        dialogs.OpenAnswer = QString::fromStdString(logPath);
        berlin.ButtonOpenClick();
        CameraTags summer = TakenAt(10500 - 7 * 3600 * 1000); // 02:00:10 on a Berlin clock
        AddByButton({Photo("summer.jpg", summer)});
        auto* line = Find<QLabel>("LabelSummerTime");
        EXPECT_FALSE(line->isHidden());
        EXPECT_EQ(line->text(), "夏時間に撮られた写真があります。カメラを夏時間に合わせていたなら、"
                                "時間帯を UTC+02:00 にしてください");
        EXPECT_EQ(Cell(0, Position), "35.60000, 139.76050"); // an hour late: on the 2nd trip
        auto* zone = Find<QComboBox>("ComboCameraZone");
        EXPECT_EQ(zone->currentText(), "UTC+01:00 パリ");
        ASSERT_GE(zone->findText("UTC+02:00 カイロ"), 0);
        zone->setCurrentIndex(zone->findText("UTC+02:00 カイロ"));
        EXPECT_EQ(Cell(0, State), "書込予定");
        EXPECT_EQ(Cell(0, Position), "35.51050, 139.75000");
        EXPECT_TRUE(line->isHidden());
    }
    if (oldZone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldZone);
    tzset();
#endif
}

// Only the ticked photos are written: a photo that would be written is ticked until the user
// takes the tick away; the others have no tick to give. Delete, the list's menu and
// 「一覧を空にする」 take photos out of the list (the files stay), with their marks.
TEST_F(PhotosTest, TicksChooseThePhotosWrittenAndPhotosLeaveTheList)
{
    const std::string one = Photo("one.jpg", TakenAt(10500));
    const std::string two = Photo("two.jpg", TakenAt(12000));
    const std::string early = Photo("early.jpg", TakenAt(-3600000));
    AddByButton({one, two, early});
    auto* list = Find<QTableView>("ListPhotos");
    QAbstractItemModel* model = list->model();
    const auto tick = [&](int row) { return model->index(row, Name).data(Qt::CheckStateRole); };
    EXPECT_EQ(tick(0), Qt::Checked);
    EXPECT_EQ(tick(2), Qt::Unchecked);
    EXPECT_FALSE(model->flags(model->index(2, Name)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model->setData(model->index(2, Name), Qt::Checked, Qt::CheckStateRole));
    ASSERT_TRUE(model->setData(model->index(1, Name), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(Result(), "写真 3 枚のうち 1 枚に書き込めます");
    const std::string twoBytes = ReadWholeFile(two);

    QTest::mouseClick(Find<QPushButton>("ButtonWrite"), Qt::LeftButton);
    EXPECT_EQ(ColumnOf(State), (QStringList{"書込済み", "書込予定", "ログの範囲外"}));
    EXPECT_EQ(ReadWholeFile(two), twoBytes);
    EXPECT_EQ(tick(1), Qt::Unchecked); // still left out
    EXPECT_FALSE(Find<QPushButton>("ButtonWrite")->isEnabled());

    auto* remove = Find<QAction>("ActionRemovePhotos");
    EXPECT_TRUE(list->actions().contains(remove));
    EXPECT_EQ(remove->text(), "一覧から外す");
    EXPECT_EQ(Marks().size(), 2u);
    list->selectRow(0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(ColumnOf(Name), (QStringList{"two.jpg", "early.jpg"}));
    ASSERT_EQ(Marks().size(), 1u);
    EXPECT_EQ(Marks()[0].Photo, 0u);
    EXPECT_EQ(Find<QTabWidget>("TabsOverview")->tabText(1), "写真 (2)");
    EXPECT_TRUE(std::filesystem::exists(one));

    auto* clear = Find<QPushButton>("ButtonClearPhotos");
    EXPECT_EQ(clear->text(), "一覧を空にする");
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_TRUE(Marks().empty());
    EXPECT_FALSE(clear->isEnabled());
    EXPECT_EQ(Find<QTabWidget>("TabsOverview")->tabText(1), "写真");
}

// 元に戻す gives every photo and sidecar of the last write its bytes and modification time back,
// and the rows are read anew; a photo changed since the write is left as it is and counted.
TEST_F(PhotosTest, UndoRestoresTheLastWriteExactly)
{
    const std::string on = Photo("on.jpg", TakenAt(10500));
    const std::string later = Photo("later.jpg", TakenAt(12000));
    const std::string raw = Photo("raw.CR2", TakenAt(kTrip2Seconds * 1000 + 10000));
    namespace fs = std::filesystem;
    const auto yearAgo = fs::last_write_time(on) - std::chrono::hours(24 * 365);
    for (const std::string& path : {on, later})
        fs::last_write_time(path, yearAgo);
    AddByButton({on, later, raw});
    const std::string onBytes = ReadWholeFile(on), laterBytes = ReadWholeFile(later);
    auto* undo = Find<QPushButton>("ButtonUndo");
    EXPECT_FALSE(undo->isEnabled());

    QTest::mouseClick(Find<QPushButton>("ButtonWrite"), Qt::LeftButton);
    ASSERT_EQ(ColumnOf(State), (QStringList{"書込済み", "書込済み", "書込済み (XMP)"}));
    ASSERT_TRUE(undo->isEnabled());
    const std::string edited = ReadWholeFile(later) + "edited elsewhere";
    Write("later.jpg", edited);

    QTest::mouseClick(undo, Qt::LeftButton);
    EXPECT_EQ(Result(),
              "2 枚を書込の前に戻しました。1 枚は書込の後に変更されていたため、そのままです");
    EXPECT_EQ(ReadWholeFile(on), onBytes);
    EXPECT_EQ(fs::last_write_time(on), yearAgo);
    EXPECT_FALSE(fs::exists(SidecarPath(raw))); // made by the write, gone again
    EXPECT_EQ(ReadWholeFile(later), edited);
    EXPECT_EQ(ColumnOf(State), (QStringList{"書込予定", "書込済み", "書込予定 (XMP)"}));
    // The one left out keeps its original until the backups are let go.
    EXPECT_TRUE(undo->isEnabled());
    Find<QAction>("ActionForgetBackups")->trigger();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(ReadWholeFile(later), edited);
    EXPECT_NE(laterBytes, edited);
}

// A row's tooltip shows the photo's EXIF thumbnail, or the photo scaled down when it has none,
// made off the window's thread.
TEST_F(PhotosTest, TooltipShowsAThumbnail)
{
    CameraTags withThumbnail = TakenAt(10500);
    withThumbnail.Thumbnail = true; // 16 x 16
    const std::string one = Write("one.jpg", WithCameraTags(MakeJpeg(40, 30), withThumbnail));
    const std::string two = Write("two.jpg", WithCameraTags(MakeJpeg(40, 30), TakenAt(12000)));
    AddByButton({one, two});
    auto* panel = Find<PhotoPanel>("PanelPhotos");
    QAbstractItemModel* model = Find<QTableView>("ListPhotos")->model();
    const auto picture = [&](int row) {
        const QString tip = model->index(row, Name).data(Qt::ToolTipRole).toString();
        const qsizetype at = tip.indexOf(QStringLiteral("base64,"));
        return at < 0
                   ? QImage()
                   : QImage::fromData(QByteArray::fromBase64(
                         tip.mid(at + 7, tip.indexOf(QLatin1Char('"'), at) - at - 7).toLatin1()));
    };
    for (int wait = 0; wait < 500 && (picture(0).isNull() || picture(1).isNull()); ++wait)
        QTest::qWait(10);
    EXPECT_EQ(panel->ThumbnailsPending(), 0);
    EXPECT_EQ(picture(0).size(), QSize(16, 16));
    EXPECT_EQ(picture(1).size(), QSize(160, 120));
    EXPECT_TRUE(
        model->index(0, Name)
            .data(Qt::ToolTipRole)
            .toString()
            .startsWith(QDir::toNativeSeparators(QString::fromStdString(one)).toHtmlEscaped()));
}

// The clock error is typed as seconds or as ±H:MM:SS; the zones name a city; the clock error
// and zone written with a camera come back when its photos are added to an empty list.
TEST_F(PhotosTest, ClockErrorTypedAsTimeAndRememberedPerCamera)
{
    auto* clockError = Find<QSpinBox>("SpinClockError");
    const std::pair<const char*, int> typed[] = {
        {"+0:01:15", 75},   {"-1:00:00", -3600}, {"90", 90},
        {"-0:00:02.5", -3}, {"12:34:56", 45296}, {"abc", 45296}, // not taken
    };
    auto* edit = clockError->findChild<QLineEdit*>();
    for (const auto& [text, seconds] : typed) {
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(text));
        QTest::keyClick(edit, Qt::Key_Enter);
        EXPECT_EQ(clockError->value(), seconds) << text;
    }
    auto* zone = Find<QComboBox>("ComboCameraZone");
    EXPECT_EQ(zone->itemText(zone->findData(-300)), "UTC-05:00 ニューヨーク");
    EXPECT_EQ(zone->itemText(zone->findData(345)), "UTC+05:45 カトマンズ");

    // Written with the camera set to UTC+08:00 and an hour fast: placed on the first trip.
    clockError->setValue(3600);
    zone->setCurrentIndex(zone->findData(480));
    AddByButton({Photo("test.jpg", TakenAt(10500))});
    QTest::mouseClick(Find<QPushButton>("ButtonWrite"), Qt::LeftButton);
    ASSERT_EQ(ColumnOf(State), QStringList{"書込済み"});

    form = std::make_unique<TFormMain>(store, dialogs);
    window = form.get();
    clockError = Find<QSpinBox>("SpinClockError");
    zone = Find<QComboBox>("ComboCameraZone");
    EXPECT_EQ(clockError->value(), 0);
    CameraTags canon = TakenAt(10500);
    canon.MakerNote = true; // another camera: nothing remembered
    AddByButton({Photo("canon.jpg", canon)});
    EXPECT_EQ(clockError->value(), 0);
    Find<QPushButton>("ButtonClearPhotos")->click();
    AddByButton({Photo("test2.jpg", TakenAt(10500))});
    EXPECT_EQ(clockError->value(), 3600);
    EXPECT_EQ(zone->currentData().toInt(), 480);
    EXPECT_EQ(Cell(0, State), "書込予定");
}

// The state column's words for every outcome, and an error's reason in the user's terms.
TEST(PhotoText, StatesAndReasons)
{
    const auto outcome = [](GeotagResult result, PhotoWay way = PhotoWay::InPlace,
                            PhotoError error = PhotoError::None, int errnoValue = 0) {
        PhotoOutcome o;
        o.Result = result;
        o.Way = way;
        o.Error = error;
        o.Errno = errnoValue;
        return o;
    };
    const std::pair<PhotoOutcome, QString> rows[] = {
        {outcome(GeotagResult::Tagged), "書込済み"},
        {outcome(GeotagResult::Sidecar, PhotoWay::Sidecar), "書込済み (XMP)"},
        {outcome(GeotagResult::WouldTag, PhotoWay::Sidecar), "書込予定 (XMP)"},
        {outcome(GeotagResult::AlreadyTagged), "位置情報あり"},
        {outcome(GeotagResult::NotSupported, PhotoWay::NotSupported), "非対応の形式"},
        {outcome(GeotagResult::Empty, PhotoWay::NotSupported), "空のファイル"},
        {outcome(GeotagResult::Error, {}, PhotoError::ExifSplit),
         "エラー: EXIF が JPEG の一つのセグメントに収まっていないため、元のままです"},
        {outcome(GeotagResult::Error, {}, PhotoError::Write, EACCES),
         "エラー: 書き込めません (アクセスが拒否されました)"},
        {outcome(GeotagResult::Error, {}, PhotoError::Write, ENOSPC),
         "エラー: 書き込めません (ディスクに十分な空き領域がありません)"},
        {outcome(GeotagResult::Error, {}, PhotoError::NotAFile), "エラー: ファイルではありません"},
        {outcome(GeotagResult::Error, {}, PhotoError::Metadata),
         "エラー: メタデータを読み込めません"},
        {outcome(GeotagResult::Error, {}, PhotoError::Sidecar),
         "エラー: サイドカー (.xmp) を読み込めません"},
        {outcome(GeotagResult::Error, {}, PhotoError::Verify),
         "エラー: 書き込んだ内容を確かめられなかったため、元のままです"},
        {outcome(GeotagResult::Error, {}, PhotoError::Backup, ENOSPC),
         "エラー: 元に戻すための控えを取れないため、元のままです "
         "(ディスクに十分な空き領域がありません)"},
    };
    for (const auto& [o, text] : rows) {
        EXPECT_EQ(PhotoStateText(o), text);
        EXPECT_FALSE(PhotoStateToolTip(o).isEmpty()) << text.toStdString();
    }
    EXPECT_EQ(ZoneText(-210), "UTC-03:30");
    EXPECT_EQ(ZoneText(345), "UTC+05:45");
}

} // namespace
