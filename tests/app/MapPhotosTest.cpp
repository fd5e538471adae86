// Photos on the map: a diamond names its photo when the pointer rests on it, picks its row when
// clicked, and slid along the track sets the clock error that puts the photo there.
#include "FakeDialogs.h"
#include "app/FormMain.h"
#include "app/overview/TrackView.h"
#include "geometry/TrackPlane.h"
#include "store/TimeBase.h"
#include "support/LogWriter.h"
#include "support/OutingsLog.h"
#include "support/PhotoWriter.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QToolTip>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>

namespace {

constexpr std::int32_t kTokyoBias = -540;

class MapPhotosTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        dialogs.OpenAnswer = QString::fromStdString(dir.Write("day.bin", t2ntest::OutingsLog()));
        form.resize(1024, 640);
        form.show();
        form.ButtonOpenClick();
        plane = TrackPlane(service.Fixes(), service.Trips());
        const Trip& first = service.Trips().Trips.front();
        // Three photos a third of the way along the first trip and later, on a right clock.
        for (int i = 0; i < 3; ++i) {
            const std::int64_t ms = first.FirstMs + first.DurationMs() * (i + 1) / 5;
            const CalendarTime t = MillisecondsToCalendar(ms - ms % 1000);
            char taken[32];
            std::snprintf(taken, sizeof taken, "%04d:%02d:%02d %02d:%02d:%02d", t.Year, t.Month,
                          t.Day, t.Hour, t.Minute, t.Second);
            t2ntest::CameraTags tags;
            tags.DateTimeOriginal = taken;
            const std::string path = dir.Write("IMG_" + std::to_string(i) + ".JPG", {});
            std::ofstream(path, std::ios::binary)
                << t2ntest::WithCameraTags(t2ntest::MakeJpeg(8, 6), tags);
            photos << QString::fromStdString(path);
            moments.push_back(ms - ms % 1000);
        }
        form.AddPhotos(photos);
        track = form.findChild<TrackView*>(QStringLiteral("PaintTrack"));
        QCoreApplication::sendPostedEvents();
        ASSERT_EQ(track->PhotoMarkPixels().size(), 3u);
    }
    void Mouse(QEvent::Type type, const QPointF& at, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, at, track->mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(track, &event);
    }
    // The position of the fix at a local moment (the first at or after it).
    std::size_t PositionAt(std::int64_t ms) const
    {
        return plane.PositionsIn({ms, ms + 3'600'000}).first;
    }

    t2ntest::TempDir dir;
    ConversionService service{kTokyoBias};
    FakeDialogs dialogs;
    TFormMain form{service, dialogs};
    TrackPlane plane;
    QStringList photos;
    std::vector<std::int64_t> moments;
    TrackView* track = nullptr;
};

TEST_F(MapPhotosTest, RestingOnADiamondNamesItsPhoto)
{
    const QPoint at = track->PhotoMarkPixels()[1].toPoint();
    QHelpEvent help(QEvent::ToolTip, at, track->mapToGlobal(at));
    QApplication::sendEvent(track, &help);
    QTRY_VERIFY(QToolTip::text().contains(QStringLiteral("IMG_1.JPG")));
    const CalendarTime t = MillisecondsToCalendar(moments[1]);
    EXPECT_TRUE(
        QToolTip::text().contains(QString::asprintf("%02d:%02d:%02d", t.Hour, t.Minute, t.Second)));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("data:image/png;base64,")));
}

TEST_F(MapPhotosTest, AClickPicksTheRowAndASlideSetsTheClockError)
{
    const QPointF second = track->PhotoMarkPixels()[2];
    Mouse(QEvent::MouseButtonPress, second, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, second, Qt::NoButton);
    auto* list = form.findChild<QTableView*>(QStringLiteral("ListPhotos"));
    EXPECT_EQ(list->currentIndex().row(), 2);

    // The first photo slid to where the track was 10 min after its clock: the camera is 10 min
    // slow.
    const QPointF from = track->PhotoMarkPixels()[0];
    const std::size_t spot = PositionAt(moments[0] + 600'000);
    const QPointF to = track->PixelOf(spot);
    Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
    Mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    Mouse(QEvent::MouseMove, to, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
    auto* clockError = form.findChild<QSpinBox*>(QStringLiteral("SpinClockError"));
    const double expected = static_cast<double>(moments[0] - plane.Moment(spot)) / 1000;
    EXPECT_NEAR(clockError->value(), expected, 1.0);
    EXPECT_NEAR(clockError->value(), -600, 2.0);
    EXPECT_EQ(list->currentIndex().row(), 0);
    // Every photo moved with it: the first now lies at the spot.
    const QPointF now = track->PhotoMarkPixels()[0];
    EXPECT_NEAR(now.x(), to.x(), 3.0);
    EXPECT_NEAR(now.y(), to.y(), 3.0);
}

} // namespace
