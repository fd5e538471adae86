// Writes tests/data/window-controls.txt: the window's controls as DescribeControls sees them.
//   t2n_make_window_golden FILE        (make golden runs it under the offscreen platform)
#include "ControlDump.h"
#include "FakeDialogs.h"
#include "PrivateSettings.h"
#include "app/FormMain.h"

#include <QApplication>
#include <QTest>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: t2n_make_window_golden FILE\n";
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const PrivateSettings settings;
    ConversionService service;
    FakeDialogs dialogs;
    TFormMain form(service, dialogs);
    form.show();
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form)) {
        std::cerr << "t2n_make_window_golden: the window did not become active\n";
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << DescribeControls(form);
    return out.flush() ? 0 : 1;
}
