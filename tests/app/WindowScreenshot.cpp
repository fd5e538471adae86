// Grabs the main window after it loaded a generated block log of several trips and exported it,
// for the README:
//   t2n_window_screenshot [--photos] OUTPUT.png [LOG-FOLDER]
// The log is written into LOG-FOLDER (a temporary folder when none is given) and converted into
// the same folder; both paths show in the window. With --photos, photos taken along the trips by
// a camera 75 s fast are written into its sub-folder "photos" and dropped on the window, the clock
// error set and one photo picked, in a window 1024 pixels wide. Runs on the offscreen platform
// unless QT_QPA_PLATFORM names another.

#include "FakeDialogs.h"
#include "PrivateSettings.h"
#include "app/AppText.h"
#include "app/FormMain.h"
#include "store/TimeBase.h"
#include "support/OutingsLog.h"
#include "support/PhotoWriter.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QPixmap>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
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
    const QString photos = QDir(folder).absoluteFilePath(QStringLiteral("photos"));
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

} // namespace

int main(int argc, char* argv[])
{
    const bool withPhotos = argc > 1 && std::strcmp(argv[1], "--photos") == 0;
    if (withPhotos) {
        --argc;
        ++argv;
    }
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: t2n_window_screenshot [--photos] OUTPUT.png [LOG-FOLDER]\n");
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
    // Wide enough for every column of the photo list beside the picture.
    if (withPhotos)
        form.resize(kPhotosWidth, form.height());
    form.show();
    dialogs.OpenAnswer = logPath;
    form.ButtonOpenClick();
    dialogs.SaveAnswer = QDir(folder).absoluteFilePath(QStringLiteral("20240503.nmea"));
    form.ButtonOutClick();
    if (!dialogs.Errors.isEmpty() || store.FixCount() == 0) {
        std::fprintf(stderr, "the log did not load or convert\n");
        return 1;
    }
    // The morning and the afternoon outing picked in the trip list (a click, then Ctrl+click):
    // their span in the controls, strong in their colours in the fitted picture, shaded on the
    // timeline.
    auto* trips = form.findChild<QTableView*>(QStringLiteral("ListTrips"));
    if (trips == nullptr || trips->model()->rowCount() != 4) {
        std::fprintf(stderr, "the trip list does not show the log's four trips\n");
        return 1;
    }
    if (withPhotos) {
        if (!ShowPhotos(form, store, folder)) {
            std::fprintf(stderr, "the photos did not come into the list\n");
            return 1;
        }
    } else {
        trips->selectRow(0);
        trips->selectionModel()->select(trips->model()->index(2, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
