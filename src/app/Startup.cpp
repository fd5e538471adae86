#include "app/Startup.h"

#include "app/FormMain.h"
#include "store/Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

constexpr char kProgram[] = "tallo2nmea";
// Where a build with a static Qt (Windows) keeps Qt's translations, as a resource.
const QString kBuiltInTranslations = QStringLiteral(":/translations");

enum class Action {
    Window,
    Help,
    Version,
    Error,
};

struct CommandLine {
    Action What = Action::Window;
    QString Text;    // the help, version or error text
    QString LogPath; // the log to open, made absolute; empty for none
};

CommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Opens the Tallo2NMEA window, which converts the raw memory image of a GPS "
                       "data logger into an NMEA file."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOptions({help, version});
    parser.addPositionalArgument(
        QStringLiteral("LOG"), QStringLiteral("A log file to open at start (.bnx4, .binx, .bin)."),
        QStringLiteral("[LOG]"));

    // --help and --version win over anything else on the line, as they are answered first.
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help)) {
        // The usage line names the program, not the path it was started from.
        const QString usage = QStringLiteral("Usage: %1 [options] [LOG]\n").arg(kProgram);
        return {Action::Help, usage + parser.helpText().section(u'\n', 1), {}};
    }
    if (parser.isSet(version))
        return {Action::Version, QStringLiteral("%1 %2\n").arg(kProgram, kVersion), {}};
    // Only unknown options make the parse fail; named in English, like the rest of the terminal
    // output, whatever the translations installed.
    if (!parsed && !parser.unknownOptionNames().isEmpty())
        return {Action::Error,
                QStringLiteral("unknown option '%1'").arg(parser.unknownOptionNames().constFirst()),
                {}};
    if (!parsed)
        return {Action::Error, parser.errorText(), {}};
    const QStringList logs = parser.positionalArguments();
    if (logs.size() > 1)
        return {Action::Error, QStringLiteral("one log at most, %1 given").arg(logs.size()), {}};
    return {Action::Window, {}, logs.isEmpty() ? QString() : QFileInfo(logs[0]).absoluteFilePath()};
}

} // namespace

QTranslator* InstallQtTranslations(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    const bool loaded = translator->load(QStringLiteral("qtbase_ja"),
                                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
                        translator->load(QStringLiteral("qtbase_ja"), kBuiltInTranslations);
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

std::optional<int> AnswerWithoutWindow(const QStringList& arguments, std::ostream& out)
{
    const CommandLine line = ParseCommandLine(arguments);
    if (line.What != Action::Help && line.What != Action::Version)
        return std::nullopt;
    out << line.Text.toStdString() << std::flush;
    return 0;
}

std::optional<int> StartWindow(TFormMain& form, const QStringList& arguments, std::ostream& out,
                               std::ostream& err)
{
    const CommandLine line = ParseCommandLine(arguments);
    switch (line.What) {
    case Action::Help:
    case Action::Version:
        out << line.Text.toStdString() << std::flush;
        return 0;
    case Action::Error:
        err << kProgram << ": " << line.Text.toStdString() << "\nTry '" << kProgram
            << " --help' for more information.\n";
        return 2;
    case Action::Window:
        break;
    }
    form.show();
    if (!line.LogPath.isEmpty())
        form.OpenLog(line.LogPath);
    return std::nullopt;
}
