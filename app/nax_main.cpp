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
#include <filesystem>

using namespace nax;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(
        QString::fromUtf8(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size())));
    useDesignedFont();
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption dataDirOption(QStringLiteral("data-dir"), QStringLiteral("Data folder."),
                                     QStringLiteral("DIR"));
    QCommandLineOption dbOption(QStringLiteral("db"),
                                QStringLiteral("Database file or PostgreSQL connection URI."),
                                QStringLiteral("FILE"));
    parser.addOption(dataDirOption);
    parser.addOption(dbOption);
    parser.process(app);

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
