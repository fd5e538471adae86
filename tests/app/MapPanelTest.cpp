#include "app/overview/MapPanel.h"

#include "FakeDialogs.h"
#include "FakeTileSource.h"
#include "app/AppSettings.h"
#include "app/FormMain.h"
#include "app/Startup.h"
#include "app/overview/TrackView.h"
#include "support/LogWriter.h"
#include "support/MbTilesWriter.h"
#include "support/OutingsLog.h"
#include "support/TileServer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSettings>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <sstream>

namespace {

// A panel over a picture, with sources from a fake maker that records what it was asked; each
// test starts from settings as a new user's.
class MapPanelTest : public ::testing::Test
{
  protected:
    void SetUp() override { OpenAppSettings()->clear(); }

    std::unique_ptr<MapPanel> MakePanel()
    {
        MapSourceMaker maker{[this](const OnlineServer& online) -> std::unique_ptr<TileSource> {
                                 made << online.UrlTemplate;
                                 return std::make_unique<FakeTileSource>();
                             },
                             [this](const QString& path) {
                                 opened << path;
                                 if (path.endsWith(QStringLiteral("bad.mbtiles")))
                                     return MbTilesOpened{nullptr, QStringLiteral("壊れています")};
                                 return MbTilesOpened{std::make_unique<FakeTileSource>(), {}};
                             }};
        auto panel = std::make_unique<MapPanel>(track, dialogs, std::move(maker));
        panel->show();
        return panel;
    }
    template <typename T> static T* Find(const MapPanel& panel, const char* name)
    {
        T* found = panel.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static void Pick(MapPanel& panel, int index)
    {
        auto* list = Find<QComboBox>(panel, "ComboMapSource");
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    TrackView track;
    FakeDialogs dialogs;
    QStringList made;   // the URL template of every online source made
    QStringList opened; // every map file opened
};

TEST_F(MapPanelTest, TheWindowGoesOnlineOnlyAfterTheUserSaidYesOnce)
{
    {
        const std::unique_ptr<MapPanel> panel = MakePanel();
        auto* online = Find<QCheckBox>(*panel, "CheckOnlineMap");
        EXPECT_FALSE(online->isChecked());
        EXPECT_EQ(Find<QComboBox>(*panel, "ComboMapSource")->currentIndex(), 0);
        EXPECT_EQ(panel->Source(), nullptr);
        // No: the switch stays off and nothing is made.
        QTest::mouseClick(online, Qt::LeftButton);
        EXPECT_FALSE(online->isChecked());
        EXPECT_EQ(dialogs.GoOnlineQuestions.size(), 1);
        EXPECT_TRUE(dialogs.GoOnlineQuestions[0].contains(QStringLiteral("OpenStreetMap")));
        EXPECT_TRUE(made.isEmpty());
        // Picking a server asks too; yes turns the switch on and makes that server's source.
        dialogs.GoOnlineAnswer = true;
        Pick(*panel, 2);
        EXPECT_EQ(dialogs.GoOnlineQuestions.size(), 2);
        EXPECT_TRUE(online->isChecked());
        ASSERT_EQ(made.size(), 1);
        EXPECT_EQ(made[0], BuiltInSources()[1].UrlTemplate);
        EXPECT_NE(panel->Source(), nullptr);
        // Off and on again: no more questions.
        QTest::mouseClick(online, Qt::LeftButton);
        EXPECT_EQ(panel->Source(), nullptr);
        QTest::mouseClick(online, Qt::LeftButton);
        EXPECT_EQ(dialogs.GoOnlineQuestions.size(), 2);
        EXPECT_EQ(made.size(), 2);
    }
    // The next start: the same server, on, without a question.
    dialogs.GoOnlineAnswer = false;
    const std::unique_ptr<MapPanel> again = MakePanel();
    EXPECT_TRUE(Find<QCheckBox>(*again, "CheckOnlineMap")->isChecked());
    EXPECT_EQ(Find<QComboBox>(*again, "ComboMapSource")->currentIndex(), 2);
    EXPECT_EQ(made.size(), 3);
    EXPECT_EQ(made.back(), BuiltInSources()[1].UrlTemplate);
    EXPECT_EQ(dialogs.GoOnlineQuestions.size(), 2);
}

TEST_F(MapPanelTest, ATileUrlIsSayingYesAndIsKeptInTheList)
{
    const QString url = QStringLiteral("http://127.0.0.1:9/tiles/{z}/{x}/{y}.png");
    {
        const std::unique_ptr<MapPanel> panel = MakePanel();
        panel->UseTileUrl(url);
        EXPECT_TRUE(dialogs.GoOnlineQuestions.isEmpty());
        EXPECT_EQ(made, QStringList{url});
        EXPECT_EQ(Find<QComboBox>(*panel, "ComboMapSource")->currentText(), "127.0.0.1");
        // Back to no map: nothing drawn from a server.
        Pick(*panel, 0);
        EXPECT_EQ(panel->Source(), nullptr);
    }
    const std::unique_ptr<MapPanel> again = MakePanel();
    auto* list = Find<QComboBox>(*again, "ComboMapSource");
    EXPECT_EQ(list->count(), 1 + static_cast<int>(BuiltInSources().size()) + 1);
    EXPECT_EQ(list->itemText(list->count() - 1), "127.0.0.1");
    EXPECT_EQ(again->Source(), nullptr);
    EXPECT_EQ(made.size(), 1);
}

TEST_F(MapPanelTest, MapFilesNeedNoNetworkAndABadOneIsAMessage)
{
    {
        const std::unique_ptr<MapPanel> panel = MakePanel();
        dialogs.MapAnswer = QStringLiteral("/maps/bad.mbtiles");
        QTest::mouseClick(Find<QToolButton>(*panel, "ButtonOpenMap"), Qt::LeftButton);
        EXPECT_EQ(dialogs.Errors, QStringList{"壊れています"});
        EXPECT_EQ(panel->Source(), nullptr);
        EXPECT_EQ(Find<QComboBox>(*panel, "ComboMapSource")->currentIndex(), 0);

        dialogs.MapAnswer = QStringLiteral("/maps/kanto.mbtiles");
        QTest::mouseClick(Find<QToolButton>(*panel, "ButtonOpenMap"), Qt::LeftButton);
        EXPECT_NE(panel->Source(), nullptr);
        EXPECT_EQ(Find<QComboBox>(*panel, "ComboMapSource")->currentText(),
                  "地図ファイル: kanto.mbtiles");
        dialogs.MapAnswer.reset(); // the dialog starts where the last file was
        QTest::mouseClick(Find<QToolButton>(*panel, "ButtonOpenMap"), Qt::LeftButton);
        EXPECT_EQ(dialogs.MapFolders.back(), QFileInfo("/maps/kanto.mbtiles").absolutePath());
        EXPECT_FALSE(Find<QCheckBox>(*panel, "CheckOnlineMap")->isChecked());
    }
    // opened again at the next start, with no question and no server.
    const std::unique_ptr<MapPanel> again = MakePanel();
    EXPECT_NE(again->Source(), nullptr);
    EXPECT_EQ(opened.back(),
              QFileInfo("/maps/kanto.mbtiles").absoluteFilePath()); // Z:/maps/… on Windows
    EXPECT_TRUE(made.isEmpty());
    EXPECT_TRUE(dialogs.GoOnlineQuestions.isEmpty());
}

// The whole road: the window started with a tile server of the test's own and a log draws that
// server's tiles, asks for one zoom's tiles of the picture only and names itself; the next start
// with the same cache asks for none of the tiles it got before.
TEST_F(MapPanelTest, TileUrlOnTheCommandLineDrawsThatServersTiles)
{
    TileServer server;
    ASSERT_TRUE(server.Start());
    t2ntest::TempDir dir;
    const std::string log = dir.Write("outings.bin", t2ntest::OutingsLog());
    const QStringList arguments{"tallo2nmea", "--tile-url", server.UrlTemplate(),
                                QString::fromStdString(log)};
    QStringList got;
    for (const bool again : {false, true}) {
        SCOPED_TRACE(again);
        ConversionService service;
        TFormMain form(service, dialogs);
        std::ostringstream out, err;
        ASSERT_EQ(StartWindow(form, arguments, out, err), std::nullopt) << err.str();
        form.findChild<TrackView*>(QStringLiteral("PaintTrack"))->grab();
        if (!again)
            QTRY_VERIFY(server.Requests().size() >= 4);
        QTRY_COMPARE(server.Outstanding(), 0);
        QString zoom;
        for (const TileServer::Request& request : server.Requests()) {
            EXPECT_TRUE(request.Headers.value("user-agent").startsWith("Tallo2NMEA/"));
            const QString z = request.Path.section(u'/', 1, 1);
            EXPECT_TRUE(zoom.isEmpty() || z == zoom) << request.Path.toStdString();
            zoom = z;
            EXPECT_FALSE(got.contains(request.Path)) << request.Path.toStdString();
            got << request.Path;
        }
        // The picture's tiles and one ring around them, no more.
        EXPECT_LE(server.Requests().size(), 7 * 6);
        EXPECT_TRUE(dialogs.GoOnlineQuestions.isEmpty());
        server.ClearRequests();
    }
}

// --map shows a map file written by the test; a tile URL without its places is refused.
TEST_F(MapPanelTest, MapOnTheCommandLineAndBadTileUrls)
{
    t2ntest::TempDir dir;
    const std::string path = dir.Write("kanto.mbtiles", {});
    ASSERT_TRUE(WriteMbTiles(path, TwoZoomFixture(256, "-180,0,0,85")).Ok());
    struct Case {
        QStringList Arguments;
        std::optional<int> Status;
        QString Shown; // the source list's text
    };
    for (const Case& c : std::vector<Case>{
             {{"--map", QString::fromStdString(path)}, {}, "地図ファイル: kanto.mbtiles"},
             {{"--map", QString::fromStdString(path + ".gone")}, {}, "地図なし"},
             {{"--tile-url", "http://127.0.0.1:9/{z}/{x}.png"}, 2, ""},
             {{"--tile-url", "file:///tiles/{z}/{x}/{y}.png"}, 2, ""},
             {{"--tile-url", "http://127.0.0.1:9/{z}/{x}/{y}.png", "--map", "a.mbtiles"}, 2, ""}}) {
        SCOPED_TRACE(c.Arguments.join(' ').toStdString());
        OpenAppSettings()->clear();
        ConversionService service;
        FakeDialogs boxes;
        TFormMain form(service, boxes);
        std::ostringstream out, err;
        EXPECT_EQ(StartWindow(form, QStringList{"tallo2nmea"} + c.Arguments, out, err), c.Status);
        if (c.Status)
            continue;
        EXPECT_EQ(form.findChild<QComboBox*>("ComboMapSource")->currentText(), c.Shown);
        EXPECT_EQ(boxes.Errors.size(), c.Shown.startsWith("地図ファイル") ? 0 : 1);
    }
}

} // namespace
