// Grabs the main window after it loaded a generated block log of several trips and exported it,
// for the README:
//   t2n_window_screenshot OUTPUT.png [LOG-FOLDER]
// The log is written into LOG-FOLDER (a temporary folder when none is given) and converted into
// the same folder; both paths show in the window. Runs on the offscreen platform unless
// QT_QPA_PLATFORM names another.

#include "FakeDialogs.h"
#include "app/AppText.h"
#include "app/FormMain.h"
#include "store/TimeBase.h"
#include "support/LogWriter.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTableView>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <cstdio>

using namespace t2ntest;

namespace {

// A day of four outings, one fix a second, on 2024-05-03 (UTC+9): to the office, a lunch loop,
// out west in the afternoon and home in the evening.
struct Place {
    double Latitude;
    double Longitude;
};
struct Outing {
    std::int32_t StartUtc;
    int Seconds;
    Place From;
    Place To;
    double Bend; // sideways swing of the route in degrees; a round trip's radius
    float TopSpeedKmh;
};

constexpr Place kHome{35.6581, 139.7017};
constexpr Place kOffice{35.6896, 139.7623};
constexpr Place kLake{35.6239, 139.5731};
constexpr double kPi = 3.14159265358979323846;

// The position at `share` (0..1) of an outing: along a swinging line, or round a loop when it
// ends where it began.
Place PositionOf(const Outing& o, double share)
{
    const double wobble = 0.0009 * std::sin(13 * kPi * share) * std::sin(kPi * share);
    if (o.From.Latitude == o.To.Latitude && o.From.Longitude == o.To.Longitude) {
        const double angle = 2 * kPi * share;
        return {o.From.Latitude + o.Bend * std::sin(angle) + wobble,
                o.From.Longitude + 1.3 * o.Bend * (1 - std::cos(angle)) + wobble};
    }
    const double dLat = o.To.Latitude - o.From.Latitude;
    const double dLon = o.To.Longitude - o.From.Longitude;
    const double side = o.Bend * std::sin(kPi * share) + wobble;
    const double length = std::hypot(dLat, dLon);
    return {o.From.Latitude + dLat * share + side * dLon / length,
            o.From.Longitude + dLon * share - side * dLat / length};
}

Bytes DayLog()
{
    const std::array<Outing, 4> outings{{
        {1714689612, 2728, kHome, kOffice, 0.006, 52.0f},   // 07:40:12
        {1714705503, 1607, kOffice, kOffice, 0.008, 38.0f}, // 12:05:03
        {1714713030, 4308, kOffice, kLake, -0.012, 61.0f},  // 14:10:30
        {1714726965, 2484, kLake, kHome, 0.009, 57.0f},     // 18:02:45
    }};
    constexpr std::size_t kPerBlock = 1500;
    constexpr std::size_t kBlocks = 8;
    FlashImage image = BlockLog(kBlocks, kBlockBasicMask);
    std::size_t written = 0;
    for (const Outing& o : outings) {
        for (int i = 0; i < o.Seconds; ++i) {
            const double share = static_cast<double>(i) / (o.Seconds - 1);
            const Place at = PositionOf(o, share);
            RawFix fix;
            fix.Seconds = o.StartUtc + i;
            fix.Millisecond = 400;
            fix.Latitude = at.Latitude;
            fix.Longitude = at.Longitude;
            // Slow at either end, a few slow stretches on the way.
            fix.Speed =
                o.TopSpeedKmh * static_cast<float>(std::sin(kPi * share) *
                                                   (0.75 + 0.25 * std::cos(9 * kPi * share)));
            image.Append(written++ / kPerBlock, BlockRecord(fix, kBlockBasicMask));
        }
    }
    return image.Data();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: t2n_window_screenshot OUTPUT.png [LOG-FOLDER]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(kAppTitle);

    QTemporaryDir temporary;
    const QString folder = argc == 3 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    QDir().mkpath(folder);
    const QString logPath = QDir(folder).absoluteFilePath(QStringLiteral("20240503.bin"));
    const Bytes log = DayLog();
    QFile file(logPath);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(log.data()), static_cast<qint64>(log.size())) !=
            static_cast<qint64>(log.size())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(logPath));
        return 1;
    }
    file.close();

    ConversionService store(-540);
    FakeDialogs dialogs;
    TFormMain form(store, dialogs);
    form.show();
    dialogs.OpenAnswer = logPath;
    form.ButtonOpenClick();
    dialogs.SaveAnswer = QDir(folder).absoluteFilePath(QStringLiteral("20240503.nmea"));
    form.ButtonOutClick();
    if (!dialogs.Errors.isEmpty() || store.FixCount() == 0) {
        std::fprintf(stderr, "the log did not load or convert\n");
        return 1;
    }
    // The afternoon outing picked in the trip list: its span in the controls, strong in the
    // picture and shaded on the timeline.
    auto* trips = form.findChild<QTableView*>(QStringLiteral("ListTrips"));
    if (trips == nullptr || trips->model()->rowCount() != 4) {
        std::fprintf(stderr, "the trip list does not show the log's four trips\n");
        return 1;
    }
    trips->selectRow(2);
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
