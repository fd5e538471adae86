#include "app/AppText.h"
#include "app/FormMain.h"
#include "app/QtDialogs.h"
#include "store/FixStore.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(kAppTitle);

    FixStore store;
    QtDialogs dialogs;
    TFormMain form(store, dialogs);
    form.show();
    return QApplication::exec();
}
