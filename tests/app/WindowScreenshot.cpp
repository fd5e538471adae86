// Grabs the main window after it loaded a generated block log of several trips and exported it,
// for the README:
//   t2n_window_screenshot [--photos | --map] OUTPUT.png [LOG-FOLDER]
// The log is written into LOG-FOLDER (a temporary folder when none is given) and converted into
// the same folder; both paths show in the window. With --photos, photos taken along the trips by
// a camera 75 s fast are written into its sub-folder "photos" and dropped on the window, the clock
// error set and one photo picked, in a window 1024 pixels wide. With --map, a map file of tiles
// drawn from the built-in outline (a grid of the tiles, each named z/x/y, and the coasts) is
// written into the folder and opened behind the track, in a window 1024 pixels wide, the picture
// a level out. Runs on the offscreen platform unless QT_QPA_PLATFORM names another.

#include "FakeDialogs.h"
#include "PrivateSettings.h"
#include "app/AppText.h"
#include "app/FormMain.h"
#include "app/WindowPlace.h"
#include "app/overview/MapPanel.h"
#include "app/overview/TrackView.h"
#include "geometry/Outline.h"
#include "store/TimeBase.h"
#include "support/MbTilesWriter.h"
#include "support/OutingsLog.h"
#include "support/PhotoWriter.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

using namespace t2ntest;

namespace {

constexpr int kPhotosWidth = 1024;

// The day of four outings.
bool WriteLog(const QString& path)
{
    const Bytes log = OutingsLog();
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(log.data()), static_cast<qint64>(log.size())) ==
               static_cast<qint64>(log.size());
}

// Five photos along each trip and one an hour before the first, on a camera set to the window's
// zone that runs 75 s fast; the photos' folder.
QString WritePhotos(const ConversionService& service, const QString& folder)
{
    QString photos = QDir(folder).absoluteFilePath(QStringLiteral("photos"));
    QDir().mkpath(photos);
    const std::string jpeg = MakeJpeg(8, 6);
    std::vector<std::int64_t> moments{service.Trips().Trips.front().FirstMs - 3600000};
    for (const Trip& trip : service.Trips().Trips)
        for (int i = 1; i <= 5; ++i)
            moments.push_back(trip.FirstMs + trip.DurationMs() * i / 6);
    for (std::size_t i = 0; i < moments.size(); ++i) {
        const CalendarTime t = MillisecondsToCalendar(moments[i] + 75000);
        char taken[32], name[32];
        std::snprintf(taken, sizeof taken, "%04d:%02d:%02d %02d:%02d:%02d", t.Year, t.Month, t.Day,
                      t.Hour, t.Minute, t.Second);
        std::snprintf(name, sizeof name, "/IMG_%04zu.JPG", 412 + i);
        CameraTags tags;
        tags.DateTimeOriginal = taken;
        std::ofstream((photos + QString::fromLatin1(name)).toStdString(), std::ios::binary)
            << WithCameraTags(jpeg, tags);
    }
    return photos;
}

// The photos dropped on the window, the clock error set and the fourth photo of the third trip
// picked.
bool ShowPhotos(TFormMain& form, const ConversionService& service, const QString& folder)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(WritePhotos(service, folder))});
    QDragEnterEvent enter({400, 100}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop({400, 100}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    if (QApplication::sendEvent(&form, &enter) && enter.isAccepted())
        QApplication::sendEvent(&form, &drop);
    auto* photos = form.findChild<QTableView*>(QStringLiteral("ListPhotos"));
    auto* clockError = form.findChild<QSpinBox*>(QStringLiteral("SpinClockError"));
    if (photos == nullptr || clockError == nullptr || photos->model()->rowCount() != 21)
        return false;
    clockError->setValue(75);
    photos->selectRow(14);
    return true;
}

// One tile of the map file: a paper colour, the tile's edge and name, and the outline's coasts
// and borders that cross it.
std::string OutlineTilePng(const WorldOutline& outline, int z, int x, int y)
{
    constexpr int kPixels = 256;
    QImage image(kPixels, kPixels, QImage::Format_RGB32);
    image.fill(QColor(242, 239, 230));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(222, 216, 204));
    painter.drawRect(0, 0, kPixels - 1, kPixels - 1);
    painter.drawText(QRect(6, 4, kPixels, 20), Qt::AlignLeft,
                     QStringLiteral("%1/%2/%3").arg(z).arg(x).arg(y));
    const double world = WorldPixels(z, kPixels);
    const PlaneBox box{double(x) / (world / kPixels), double(y) / (world / kPixels),
                       double(x + 1) / (world / kPixels), double(y + 1) / (world / kPixels)};
    for (const OutlineLine& line : outline.Lines) {
        if (line.Box.MaxX < box.MinX || line.Box.MinX > box.MaxX || line.Box.MaxY < box.MinY ||
            line.Box.MinY > box.MaxY)
            continue;
        painter.setPen(line.Kind == OutlineKind::Coast
                           ? QPen(QColor(70, 120, 190), 2.0)
                           : QPen(QColor(150, 120, 150), 1.5, Qt::DashLine));
        QPolygonF polygon;
        for (const PlanePoint& u : line.Units)
            polygon << QPointF(u.X * world - x * kPixels, u.Y * world - y * kPixels);
        painter.drawPolyline(polygon);
    }
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png.toStdString();
}

// The map file of the log's surroundings, zooms 8 to 14; its path, empty when it was not written.
QString WriteOutlineMap(const QString& folder)
{
    QFile resource(QStringLiteral(":/map/outline.bin"));
    if (!resource.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = resource.readAll();
    const std::optional<WorldOutline> outline =
        ReadOutline(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                              static_cast<std::size_t>(bytes.size())));
    if (!outline)
        return {};
    MbTilesFixture map;
    map.Metadata = {{"name", "Outline"},
                    {"format", "png"},
                    {"minzoom", "8"},
                    {"maxzoom", "14"},
                    {"attribution", "Natural Earth"}};
    const PlanePoint north = MercatorUnit(35.95, 139.20);
    const PlanePoint south = MercatorUnit(35.35, 140.10);
    for (int z = 8; z <= 14; ++z)
        for (const PlacedTile& t : TilesCovering({north.X, north.Y, south.X, south.Y}, z, 0))
            map.Tiles.push_back(
                {z, t.Tile.X, t.Tile.Y, OutlineTilePng(*outline, z, t.Tile.X, t.Tile.Y)});
    const QString path = QDir(folder).absoluteFilePath(QStringLiteral("outline.mbtiles"));
    QFile::remove(path);
    return WriteMbTiles(path.toStdString(), map).Ok() ? path : QString();
}

// The map file opened behind the track, the picture a level out so the bay's coast shows.
bool ShowMap(TFormMain& form, const QString& folder)
{
    const QString path = WriteOutlineMap(folder);
    auto* panel = form.findChild<MapPanel*>();
    auto* track = form.findChild<TrackView*>(QStringLiteral("PaintTrack"));
    if (path.isEmpty() || panel == nullptr || track == nullptr || !panel->OpenMapFile(path))
        return false;
    QKeyEvent out(QEvent::KeyPress, Qt::Key_Minus, Qt::NoModifier);
    QApplication::sendEvent(track, &out);
    return true;
}

// Opens the log and converts it as a user would; false, with the reason on standard error, when
// either fails.
bool OpenAndConvert(TFormMain& form, FakeDialogs& dialogs, const ConversionService& store,
                    const QString& folder, const QString& logPath)
{
    dialogs.OpenAnswer = logPath;
    form.ButtonOpenClick();
    dialogs.SaveAnswer = QDir(folder).absoluteFilePath(QStringLiteral("20240503.nmea"));
    form.ButtonOutClick();
    if (!dialogs.Errors.isEmpty() || store.FixCount() == 0) {
        std::fprintf(stderr, "the log did not load or convert\n");
        return false;
    }
    return true;
}

// The scene of the screenshot: the morning and the afternoon outing picked in the trip list (a
// click, then Ctrl+click): their span in the controls, strong in their colours in the fitted
// picture, shaded on the timeline; or the photos in their list; and the map file when asked.
bool ShowScene(TFormMain& form, const ConversionService& store, const QString& folder,
               bool withPhotos, bool withMap)
{
    auto* trips = form.findChild<QTableView*>(QStringLiteral("ListTrips"));
    if (trips == nullptr || trips->model()->rowCount() != 4) {
        std::fprintf(stderr, "the trip list does not show the log's four trips\n");
        return false;
    }
    if (withPhotos) {
        if (!ShowPhotos(form, store, folder)) {
            std::fprintf(stderr, "the photos did not come into the list\n");
            return false;
        }
    } else {
        trips->selectRow(0);
        trips->selectionModel()->select(trips->model()->index(2, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    if (withMap && !ShowMap(form, folder)) {
        std::fprintf(stderr, "the map file was not written or shown\n");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    const bool withPhotos = argc > 1 && std::strcmp(argv[1], "--photos") == 0;
    const bool withMap = argc > 1 && std::strcmp(argv[1], "--map") == 0;
    if (withPhotos || withMap) {
        --argc;
        ++argv;
    }
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr,
                     "usage: t2n_window_screenshot [--photos | --map] OUTPUT.png [LOG-FOLDER]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const PrivateSettings settings;
    QApplication::setApplicationName(kAppTitle);

    QTemporaryDir temporary;
    const QString folder = argc == 3 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    QDir().mkpath(folder);
    const QString logPath = QDir(folder).absoluteFilePath(QStringLiteral("20240503.bin"));
    if (!WriteLog(logPath)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(logPath));
        return 1;
    }

    ConversionService store(-540);
    FakeDialogs dialogs;
    TFormMain form(store, dialogs);
    // Wide enough for every column of the photo list beside the picture, where the screen has
    // the room.
    if (withPhotos || withMap)
        form.resize(
            std::min(kPhotosWidth, form.screen()->availableGeometry().width() - 2 * kFrameSide),
            form.height());
    form.show();
    if (!OpenAndConvert(form, dialogs, store, folder, logPath) ||
        !ShowScene(form, store, folder, withPhotos, withMap))
        return 1;
    // The map file's tiles are read on a thread of their own: a second for them to come in.
    // Without a map, a moment for the layouts to settle (a part moved between them shows on the
    // event loop's next pass).
    QElapsedTimer waited;
    waited.start();
    while (!waited.hasExpired(withMap ? 1000 : 200)) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
