#include "app/AppText.h"
#include "app/FormMain.h"
#include "app/QtDialogs.h"
#include "app/Startup.h"
#include "convert/ConversionService.h"
#include "system/InterruptCleanup.h"

#include <QApplication>
#include <QIcon>
#include <iostream>

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<int> status = AnswerWithoutWindow(arguments, std::cout))
        return *status;

    InstallInterruptCleanup();
    QApplication app(argc, argv);
    // QSettings() finds the user's settings of this application wherever it is made.
    QCoreApplication::setOrganizationName(QStringLiteral("Tallo2NMEA"));
    QApplication::setApplicationName(kAppTitle);
    // Lets desktops match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Tallo2NMEA"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.example.Tallo2NMEA")));
    InstallQtTranslations(app);

    ConversionService service;
    QtDialogs dialogs;
    TFormMain form(service, dialogs);
    // The application has taken its own options (-platform, -style ...) out of the arguments.
    if (const std::optional<int> status =
            StartWindow(form, QCoreApplication::arguments(), std::cout, std::cerr))
        return *status;
    return QApplication::exec();
}
