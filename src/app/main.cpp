#include "app/AppText.h"
#include "app/FormMain.h"
#include "app/QtDialogs.h"
#include "export/InterruptCleanup.h"
#include "store/FixStore.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    InstallInterruptCleanup();
    QApplication app(argc, argv);
    QApplication::setApplicationName(kAppTitle);
    // Lets desktops match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Tallo2NMEA"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.example.Tallo2NMEA")));

    FixStore store;
    QtDialogs dialogs;
    TFormMain form(store, dialogs);
    form.show();
    return QApplication::exec();
}
