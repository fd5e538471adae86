// Grabs the main window after it loaded a generated block log and exported it, for the README:
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
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

using namespace t2ntest;

namespace {

// A drive of 2 h 35 min, one fix a second from 2024-05-03 09:12:30.400 (UTC+9).
Bytes DriveLog()
{
    constexpr std::int32_t kStartUtc = 1714695150;
    constexpr int kFixes = 9275;
    constexpr std::size_t kPerBlock = 1500;
    FlashImage image = BlockLog((kFixes + kPerBlock - 1) / kPerBlock, kBlockBasicMask);
    for (int i = 0; i < kFixes; ++i) {
        RawFix fix;
        fix.Seconds = kStartUtc + i;
        fix.Millisecond = 400;
        fix.Latitude = 35.6812 + 0.0001 * std::sin(i / 600.0) + i * 0.00002;
        fix.Longitude = 139.7671 + i * 0.00003;
        fix.Speed = 40.0f;
        image.Append(static_cast<std::size_t>(i) / kPerBlock, BlockRecord(fix, kBlockBasicMask));
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
    const Bytes log = DriveLog();
    QFile file(logPath);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(log.data()), static_cast<qint64>(log.size())) !=
            static_cast<qint64>(log.size())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(logPath));
        return 1;
    }
    file.close();

    ConversionService store;
    FakeDialogs dialogs;
    TFormMain form(store, dialogs);
    store.SetBias(-540);
    form.show();
    dialogs.OpenAnswer = logPath;
    form.ButtonOpenClick();
    dialogs.SaveAnswer = QDir(folder).absoluteFilePath(QStringLiteral("20240503.nmea"));
    form.ButtonOutClick();
    if (!dialogs.Errors.isEmpty() || store.FixCount() == 0) {
        std::fprintf(stderr, "the log did not load or convert\n");
        return 1;
    }
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
