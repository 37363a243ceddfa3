// nax: the desktop application. Opens the database, then the main menu.
#include "gui/FrmStartup.h"
#include "shell/DataFolder.h"
#include "shell/DbConnection.h"
#include "shell/Startup.h"
#include "shell/ui/Placement.h"
#include "shell/ui/QtServices.h"
#include "workbook/DmsTemplates.h"
#include "workbook/ui/WorkbookHandover.h"

#include <QApplication>
#include <QCommandLineParser>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>

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

// -h, --help and --version print and end the program, without a display.
void printWhenAsked(int argc, char** argv, const Options& options) {
    const auto asks = [](std::string_view arg) {
        return arg == "-h" || arg == "--help" || arg == "--version";
    };
    if (std::none_of(argv + 1, argv + argc, asks)) return;
    QCoreApplication printer(argc, argv);
    QCommandLineParser parser;
    describe(parser, options);
    parser.process(printer);
}

} // namespace

int main(int argc, char** argv) {
    const Options options;
    printWhenAsked(argc, argv, options);
    QApplication app(argc, argv);
    useDesignedFont();
    QCommandLineParser parser;
    describe(parser, options);
    parser.process(app);
    const QCommandLineOption& dataDirOption = options.dataDir;
    const QCommandLineOption& dbOption = options.db;
    // As nax-report: one way of naming the database, each option once.
    const auto refuse = [&parser](const QString& problem) {
        std::fprintf(stderr, "nax: %s\n%s", qPrintable(problem), qPrintable(parser.helpText()));
        return 2;
    };
    if (parser.isSet(dataDirOption) && parser.isSet(dbOption))
        return refuse(QStringLiteral("give --db or --data-dir, not both"));
    for (const QCommandLineOption* option : {&dataDirOption, &dbOption})
        if (parser.values(*option).size() > 1)
            return refuse(QStringLiteral("--%1 is given more than once").arg(option->names().constFirst()));

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
    static_cast<void>(installDefaultTemplates(dataFolder));
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
