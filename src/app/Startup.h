#pragma once

#include <QStringList>
#include <optional>
#include <ostream>

class QCoreApplication;
class QTranslator;
class TFormMain;

// The start of the window's program, apart from main so the tests run the same steps.
//
//   tallo2nmea [LOG]        opens the window, and LOG in it
//   tallo2nmea --tile-url TEMPLATE [LOG]
//                           ... with that tile server's map behind the track (saying yes to
//                           going online)
//   tallo2nmea --map FILE.mbtiles [LOG]
//                           ... with that map file behind the track
//   tallo2nmea --help       prints the usage
//   tallo2nmea --version    prints the release

// Installs Qt's own Japanese texts (qtbase_ja.qm from Qt's translations folder, else the copy
// built into the program), so the file dialogs and the standard buttons read like the rest of the
// window. Returns the translator, owned by the application, or nullptr when there is none.
QTranslator* InstallQtTranslations(QCoreApplication& app);

// --help and --version, answered before the application object exists so that they need no
// display: prints to `out` and returns the exit status. Nothing for any other command line;
// options unknown here may be the toolkit's own (-platform, -style) and are left to StartWindow.
std::optional<int> AnswerWithoutWindow(const QStringList& arguments, std::ostream& out);

// The command line once the application has taken out its own options. An answer returns the
// exit status: --help and --version print to `out` (0), a wrong command line to `err` (2).
// Otherwise the window is shown, the log named is opened through the window's own load path
// (error boxes included), and the result is nothing: the event loop runs next.
std::optional<int> StartWindow(TFormMain& form, const QStringList& arguments, std::ostream& out,
                               std::ostream& err);
