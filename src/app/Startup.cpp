#include "app/Startup.h"

#include "app/FormMain.h"
#include "app/overview/MapPanel.h"
#include "load/LogFile.h"
#include "store/Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>
#include <QUrl>

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
    QString TileUrl; // a tile server's URL template; empty for none
    QString MapPath; // a map file to show; empty for none
};

// An answer that opens no window: help, the version or an error.
CommandLine Answer(Action what, const QString& text) { return {what, text, {}, {}, {}}; }

// A tile server's address: http or https, with the three places of a tile in it.
// The logs' extensions for the help: ".bnx4, .binx, .bin".
QString LogExtensionsText()
{
    QStringList extensions;
    for (const std::string_view extension : kLogExtensions)
        extensions << QLatin1Char('.') +
                          QString::fromLatin1(extension.data(),
                                              static_cast<qsizetype>(extension.size()));
    return extensions.join(QStringLiteral(", "));
}

bool ValidTemplate(const QString& urlTemplate)
{
    const QUrl url(urlTemplate);
    return (url.scheme() == QStringLiteral("http") || url.scheme() == QStringLiteral("https")) &&
           !url.host().isEmpty() && urlTemplate.contains(QStringLiteral("{z}")) &&
           urlTemplate.contains(QStringLiteral("{x}")) &&
           urlTemplate.contains(QStringLiteral("{y}"));
}

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
    const QCommandLineOption tileUrl(
        QStringLiteral("tile-url"),
        QStringLiteral("Draw the tiles of this server behind the track, e.g. "
                       "'https://tiles.example.org/{z}/{x}/{y}.png' (the window goes online)."),
        QStringLiteral("TEMPLATE"));
    const QCommandLineOption map(QStringLiteral("map"),
                                 QStringLiteral("Draw this map file's tiles behind the track."),
                                 QStringLiteral("FILE.mbtiles"));
    parser.addOptions({help, version, tileUrl, map});
    parser.addPositionalArgument(
        QStringLiteral("LOG"),
        QStringLiteral("A log file to open at start (%1).").arg(LogExtensionsText()),
        QStringLiteral("[LOG]"));

    // --help and --version win over anything else on the line, as they are answered first.
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help)) {
        // The usage line names the program, not the path it was started from.
        const QString usage = QStringLiteral("Usage: %1 [options] [LOG]\n").arg(kProgram);
        return Answer(Action::Help, usage + parser.helpText().section(u'\n', 1));
    }
    if (parser.isSet(version))
        return Answer(Action::Version, QStringLiteral("%1 %2\n").arg(kProgram, kVersion));
    // Only unknown options make the parse fail; named in English, like the rest of the terminal
    // output, whatever the translations installed.
    if (!parsed && !parser.unknownOptionNames().isEmpty())
        return Answer(
            Action::Error,
            QStringLiteral("unknown option '%1'").arg(parser.unknownOptionNames().constFirst()));
    if (!parsed)
        return Answer(Action::Error, parser.errorText());
    const QStringList logs = parser.positionalArguments();
    if (logs.size() > 1)
        return Answer(Action::Error, QStringLiteral("one log at most, %1 given").arg(logs.size()));
    if (parser.isSet(tileUrl) && parser.isSet(map))
        return Answer(Action::Error,
                      QStringLiteral("--tile-url and --map cannot be given together"));
    const QString urlTemplate = parser.value(tileUrl);
    if (parser.isSet(tileUrl) && !ValidTemplate(urlTemplate))
        return Answer(Action::Error,
                      QStringLiteral("the tile URL '%1' needs {z}, {x} and {y} in an http or https "
                                     "address")
                          .arg(urlTemplate));
    return {Action::Window,
            {},
            logs.isEmpty() ? QString() : QFileInfo(logs[0]).absoluteFilePath(),
            urlTemplate,
            parser.isSet(map) ? QFileInfo(parser.value(map)).absoluteFilePath() : QString()};
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
    // The map first, so the log is drawn on it at once.
    if (auto* map = form.findChild<MapPanel*>(); map != nullptr) {
        if (!line.TileUrl.isEmpty())
            map->UseTileUrl(line.TileUrl);
        if (!line.MapPath.isEmpty())
            map->OpenMapFile(line.MapPath);
    }
    if (!line.LogPath.isEmpty())
        form.OpenLog(line.LogPath);
    return std::nullopt;
}
