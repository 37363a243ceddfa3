// nax: the desktop application. Opens the database, then the main menu.
#include "base/DataFolder.h"
#include "db/DbConnection.h"
#include "db/PlantDatabase.h"
#include "dms/DmsWorkbook.h"
#include "menu/FrmStartup.h"
#include "ui/Placement.h"
#include "ui/QtServices.h"
#include "xlsx/ui/WorkbookHandover.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <filesystem>
#include <optional>

using namespace nax;

namespace {

struct Options {
    QCommandLineOption dataDir{QStringLiteral("data-dir"), QStringLiteral("Data folder."),
                               QStringLiteral("DIR")};
    QCommandLineOption db{QStringLiteral("db"), QStringLiteral("Database file or PostgreSQL connection URI."),
                          QStringLiteral("FILE")};
};

void describe(QCommandLineParser& parser, const Options& options) {
    QCoreApplication::setApplicationName(
        QString::fromUtf8(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size())));
    QCoreApplication::setApplicationVersion(QStringLiteral(NAX_VERSION));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(options.dataDir);
    parser.addOption(options.db);
}

// Why the command line cannot be used: as in nax-report, the database is named one way, each
// option once.
std::optional<QString> problemWith(const QCommandLineParser& parser, const Options& options) {
    if (parser.isSet(options.dataDir) && parser.isSet(options.db))
        return QStringLiteral("give --db or --data-dir, not both");
    for (const QCommandLineOption* option : {&options.dataDir, &options.db})
        if (parser.values(*option).size() > 1)
            return QStringLiteral("--%1 is given more than once").arg(option->names().constFirst());
    return std::nullopt;
}

int refuse(const QCommandLineParser& parser, const QString& problem) {
    std::fprintf(stderr, "nax: %s\n%s", qPrintable(problem), qPrintable(parser.helpText()));
    return 2;
}

// Help, the version and a refused command line need no display: they are answered before the
// application starts, unless the arguments hold Qt's own options (-platform ...) for it to take.
std::optional<int> answerWithoutDisplay(int argc, char** argv, const Options& options) {
    QCommandLineParser parser;
    describe(parser, options);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(arguments)) return std::nullopt;
    const auto problem = problemWith(parser, options);
    if (!problem && !parser.isSet(QStringLiteral("help")) && !parser.isSet(QStringLiteral("version")))
        return std::nullopt;
    QCoreApplication printer(argc, argv); // the help text names the program through it
    if (problem) return refuse(parser, *problem);
    parser.process(printer); // prints the help or the version and ends the program
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const Options options;
    if (const auto answered = answerWithoutDisplay(argc, argv, options)) return *answered;
    QApplication app(argc, argv);
    useDesignedFont();
    QCommandLineParser parser;
    describe(parser, options);
    parser.process(app);
    if (const auto problem = problemWith(parser, options)) return refuse(parser, *problem);
    const QCommandLineOption& dataDirOption = options.dataDir;
    const QCommandLineOption& dbOption = options.db;

    std::optional<std::string> dataDirArgument;
    if (parser.isSet(dataDirOption)) dataDirArgument = parser.value(dataDirOption).toStdString();
    const std::filesystem::path dataFolder = resolveDataFolder(dataDirArgument);
    const std::string path = resolveDatabase(
        parser.isSet(dbOption) ? std::optional(parser.value(dbOption).toStdString()) : std::nullopt,
        dataDirArgument);

    MessageBoxSink messages;
    auto db = openPlantDatabase(path, messages);
    if (!db) return 1;
    QtEventPump pump;
    AppContext context{*db, messages, pump, dataFolder, openWithDesktop, {}};
    installWorkbookExports(context);
    // A new data folder gets the default templates; its own are kept. A folder that cannot take
    // them is reported by "Print" when a template is missing.
    static_cast<void>(installDefaultTemplates(dataFolder, installedTemplateFolder(runningProgram(argv[0]))));
    // Ending the program stops a running report at once: it sees the pump abandoned and returns.
    const auto endProgram = [&pump] {
        pump.endProgram();
        QCoreApplication::exit(0);
    };
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, endProgram);
    FrmStartup menu(context, endProgram);
    menu.show();
    return QApplication::exec();
}
