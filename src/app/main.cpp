#include "app/AppText.h"
#include "app/FormMain.h"
#include "app/QtDialogs.h"
#include "convert/ConversionService.h"
#include "export/InterruptCleanup.h"

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

    ConversionService service;
    QtDialogs dialogs;
    TFormMain form(service, dialogs);
    form.show();
    return QApplication::exec();
}
