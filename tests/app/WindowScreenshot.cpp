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
#include "support/OutingsLog.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

using namespace t2ntest;

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
    const Bytes log = OutingsLog();
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
    // The morning and the afternoon outing picked in the trip list (a click, then Ctrl+click):
    // their span in the controls, strong in their colours in the fitted picture, shaded on the
    // timeline.
    auto* trips = form.findChild<QTableView*>(QStringLiteral("ListTrips"));
    if (trips == nullptr || trips->model()->rowCount() != 4) {
        std::fprintf(stderr, "the trip list does not show the log's four trips\n");
        return 1;
    }
    trips->selectRow(0);
    trips->selectionModel()->select(trips->model()->index(2, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
