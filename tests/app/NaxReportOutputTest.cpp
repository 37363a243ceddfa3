// nax-report: arguments checked before the database opens, output files replaced only when
// complete, the database never overwritten, dates read as wall-clock texts.
#include "simulate/PlantSimulator.h"
#include "support/NaxReportProcess.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <signal.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace nax;

namespace {

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// What reaches the reader of `fifo` while `work` runs. A writer of our own, closed after the
// work, lets the reader see the end even when the program never opened the FIFO.
std::string readFifoWhile(const std::string& fifo, const std::function<void()>& work) {
    const int guard = ::open(fifo.c_str(), O_RDWR);
    std::string got;
    std::thread reader([&] { got = contents(fifo); });
    work();
    ::close(guard);
    reader.join();
    return got;
}

class NaxReportOutputTest : public test::PlantDbTest {
protected:
    const QString dbPath = QString::fromStdString(dir.file("db1.sqlite"));
    test::NaxReportRun run(const QString& args, const std::function<void(QProcess&)>& setup = {}) {
        return test::runNaxReport(args, dbPath, setup);
    }
    QString inFolder() const {
        return QStringLiteral("|--data-dir|") + QString::fromStdString(dir.path().string());
    }
    static QString range() { return QStringLiteral("|--from|2026-12-05 06:00|--to|2026-12-05 08:00"); }
    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(NaxReportOutputTest, ArgumentsAreCheckedBeforeAnyDatabaseIsOpened) {
    const QString missing = QStringLiteral("|--db|/no/such/folder/db1.sqlite") + range();
    // Options a report does not use and repeated options are usage errors, never ignored.
    const std::pair<QString, const char*> refused[] = {
        {QStringLiteral("no-such-report") + missing, "unknown report"},
        {QStringLiteral("downtime-list|--grid|detail") + missing, "no detail grid"},
        {QStringLiteral("production|--grid|run") + missing, "no detail grid"},
        {QStringLiteral("dms-daily|--minor-stops") + missing, "--minor-stops applies to downtime-list only"},
        {QStringLiteral("downtime-list|--from|2026-12-05 07:00") + missing, "--from is given more than once"},
        {QStringLiteral("dms-daily|--format|csv|--format|tsv") + missing, "--format is given more than once"},
        {QStringLiteral("downtime-list|--minor-stops|--minor-stops") + missing, "given more than once"}};
    for (const auto& [args, why] : refused) {
        const auto run = this->run(args);
        EXPECT_EQ(run.exitCode, 2) << args.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(why))) << run.err.toStdString();
    }
}

// -h/--help and --version on every program; nax names its database one way only, as nax-report.
TEST(ProgramArguments, HelpAndVersionEverywhereAndOneWayToNameTheDatabase) {
    const auto offscreen = [](QProcess& process) {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
    };
    const std::tuple<const char*, const char*, int, const char*> runs[] = {
        {NAX_EXE, "-h", 0, "--data-dir"},
        {NAX_REPORT_EXE, "--help", 0, "REPORT"},
        {NAX_SIMULATE_EXE, "-h", 0, "--out"},
        {NAX_EXE, "--version", 0, NAX_VERSION},
        {NAX_REPORT_EXE, "--version", 0, NAX_VERSION},
        {NAX_SIMULATE_EXE, "--version", 0, NAX_VERSION},
        {NAX_EXE, "--db|/no/such/db1.sqlite|--data-dir|/no/such", 2, "not both"}};
    for (const auto& [program, args, exitCode, shown] : runs) {
        const auto run = test::runProgram(QString::fromUtf8(program), QString::fromUtf8(args), {}, offscreen);
        EXPECT_EQ(run.exitCode, exitCode) << program << " " << args;
        EXPECT_TRUE((run.out + run.err).contains(QLatin1String(shown))) << program << " " << args;
    }
}

TEST_F(NaxReportOutputTest, OutNamingTheDatabaseIsRefusedAndTheDatabaseKept) {
    db.reset();
    const std::string before = contents(dbPath.toStdString());
    ASSERT_FALSE(before.empty());
    const QString folder = QString::fromStdString(dir.path().string());
    for (const QString& args :
         {QStringLiteral("downtime-list|--db|$db|--out|$db"),
          QStringLiteral("downtime-list|--db|$db|--out|") + folder + QStringLiteral("/./db1.sqlite"),
          QStringLiteral("downtime-list|--db|$db|--out|$db-wal"),
          QStringLiteral("downtime-list|--db|$db|--out|$db-journal"),
          QStringLiteral("downtime-list|--data-dir|") + folder + QStringLiteral("|--out|$db-shm"),
          QStringLiteral("downtime-list|--data-dir|") + folder + QStringLiteral("|--out|$db")}) {
        const auto refused = run(args + range());
        EXPECT_EQ(refused.exitCode, 2) << args.toStdString();
        EXPECT_TRUE(refused.err.contains(QStringLiteral("database"))) << refused.err.toStdString();
    }
    EXPECT_EQ(contents(dbPath.toStdString()), before);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"db1.sqlite"}); // no companion written
}

// An empty file or another program's database is refused at open, naming the tables it lacks,
// and is left as it was; no report file is written.
TEST_F(NaxReportOutputTest, AFileWithoutThePlantTablesIsRefusedAtOpen) {
    std::ofstream(dir.file("empty.sqlite")).flush();
    test::exec(*db, "drop table Misc_Master");
    db.reset();
    const std::pair<const char*, const char*> files[] = {
        {"empty.sqlite", "it has no table TimeLost, Tag_Master, Run_master, opc, Pack_Master"},
        {"db1.sqlite", "it has no table Misc_Master."}};
    for (const auto& [file, missing] : files) {
        const auto refused =
            run(QStringLiteral("downtime-list|--db|") + QString::fromStdString(dir.file(file)) +
                QStringLiteral("|--out|") + QString::fromStdString(dir.file("report.tsv")) + range());
        EXPECT_EQ(refused.exitCode, 1) << file;
        EXPECT_TRUE(refused.err.contains(QStringLiteral("is not a plant database")))
            << refused.err.toStdString();
        EXPECT_TRUE(refused.err.contains(QLatin1String(missing))) << refused.err.toStdString();
        EXPECT_FALSE(refused.err.contains(QStringLiteral("Error 0"))); // no engine code to show
    }
    EXPECT_EQ(contents(dir.file("empty.sqlite")), "");
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"db1.sqlite", "empty.sqlite"}));
}

TEST_F(NaxReportOutputTest, AFailedWriteLeavesThePreviousFileWhole) {
    const std::string out = dir.file("report.tsv");
    const QString place = inFolder() + QStringLiteral("|--out|") + QString::fromStdString(out) + range();
    // The DMS workbook first puts the missing default template into the data folder: that fails.
    const std::pair<QString, const char*> writes[] = {
        {QStringLiteral("dms-daily"), "report.tsv"},
        {QStringLiteral("production|--format|xlsx"), "The workbook could not be written"},
        {QStringLiteral("dms-daily|--format|xlsx"),
         "The template DailyDMS.xlsx was not found in the data folder "},
        {QStringLiteral("dms-daily|--format|xlsx"), "and could not be installed there: "}};
    for (const auto& [report, why] : writes) {
        std::ofstream(out) << "previous report\n";
        const auto full = run(report + place, test::childFileSizeLimit(64));
        EXPECT_EQ(full.exitCode, 1);
        EXPECT_TRUE(full.err.contains(QLatin1String(why))) << full.err.toStdString();
        // Our message alone: no engine code of 0, none of the workbook library's own lines.
        EXPECT_FALSE(full.err.contains(QStringLiteral("Error 0")) ||
                     full.err.contains(QStringLiteral("[ERROR]")))
            << full.err.toStdString();
        EXPECT_EQ(contents(out), "previous report\n");
        EXPECT_EQ(folderEntries(), (std::vector<std::string>{"db1.sqlite", "report.tsv"}));
    }

    ASSERT_EQ(run(QStringLiteral("dms-daily") + place).exitCode, 0);
    EXPECT_EQ(contents(out).substr(0, 15), "Run No\tPack\tFla");
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"db1.sqlite", "report.tsv"}));
}

// A FIFO (a scheduled job piping into a mail program) is written through and stays a FIFO.
TEST_F(NaxReportOutputTest, AFifoAsOutputIsWrittenThroughNotReplaced) {
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<QString, std::string> outputs[] = {{QStringLiteral("downtime-list"), "Tag\t"},
                                                       {QStringLiteral("production|--format|xlsx"), "PK"}};
    for (const auto& [report, start] : outputs) {
        test::NaxReportRun written;
        const std::string got = readFifoWhile(fifo, [&] {
            written =
                run(report + inFolder() + QStringLiteral("|--out|") + QString::fromStdString(fifo) + range());
        });
        EXPECT_EQ(written.exitCode, 0) << written.err.toStdString();
        EXPECT_EQ(got.substr(0, start.size()), start) << report.toStdString();
        EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    }
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"db1.sqlite", "pipe"}));
}

// A read-only file is refused by both writers, and whatever is named by --db must be a file.
TEST_F(NaxReportOutputTest, ReadOnlyOutputsAndDatabasesThatAreNoFilesAreRefusedAtOnce) {
    const std::string out = dir.file("kept.out");
    std::ofstream(out) << "keep";
    std::filesystem::permissions(out, std::filesystem::perms::owner_read);
    for (const QString& format : {QStringLiteral("tsv"), QStringLiteral("xlsx")}) {
        const auto refused =
            run(QStringLiteral("production") + inFolder() + QStringLiteral("|--out|") +
                QString::fromStdString(out) + QStringLiteral("|--format|") + format + range());
        EXPECT_EQ(refused.exitCode, 1) << format.toStdString();
        EXPECT_TRUE(refused.err.contains(QStringLiteral("is not writable"))) << refused.err.toStdString();
        EXPECT_TRUE(contents(out) == "keep");
    }
    ASSERT_EQ(::mkfifo(dir.file("db.fifo").c_str(), 0600), 0);
    const std::pair<std::string, const char*> databases[] = {
        {dir.file("db.fifo"), "is a FIFO, not a database file"},
        {dir.path().string(), "is a folder, not a database file"},
        {"", "Cannot open the database: no database was named"}};
    for (const auto& [database, why] : databases) {
        const auto refused =
            run(QStringLiteral("downtime-list|--db|") + QString::fromStdString(database) + range());
        EXPECT_EQ(refused.exitCode, 1) << database;
        EXPECT_TRUE(refused.err.contains(QLatin1String(why))) << refused.err.toStdString();
    }
    // A workbook into a folder that does not exist names that folder, not the data folder.
    const auto noFolder =
        run(QStringLiteral("production|--format|xlsx") + inFolder() + QStringLiteral("|--out|") +
            QString::fromStdString(dir.file("missing/x.xlsx")) + range());
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_TRUE(noFolder.err.startsWith(QStringLiteral("The folder ") +
                                        QString::fromStdString(dir.file("missing")) +
                                        QStringLiteral(" does not exist")))
        << noFolder.err.toStdString();
}

TEST_F(NaxReportOutputTest, AStandardOutputThatCannotTakeTheReportIsAFailure) {
    const auto full = run(QStringLiteral("dms-daily|--db|$db") + range(), [](QProcess& process) {
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
    });
    EXPECT_EQ(full.exitCode, 1);
}

TEST_F(NaxReportOutputTest, DatesAreWallClockTextsWithoutATimeZone) {
    // 02:30 does not exist on this day in Berlin's local time; the report has no time zone.
    const auto gap =
        run(QStringLiteral("downtime-list|--db|$db|--from|2026-03-29 02:30|--to|2026-03-29 03:30"),
            [](QProcess& process) {
                auto environment = QProcessEnvironment::systemEnvironment();
                environment.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
                process.setProcessEnvironment(environment);
            });
    EXPECT_EQ(gap.exitCode, 0) << gap.err.toStdString();
    EXPECT_TRUE(gap.out.startsWith(QStringLiteral("Tag\t")));
}

// The README names every report the usage text lists, and the same output formats.
TEST_F(NaxReportOutputTest, ReadmeNamesEveryReportAndFormat) {
    const QString usage = run(QStringLiteral("no-such-report")).err;
    const QString readme = QString::fromStdString(contents(NAX_README));
    const auto between = [](const QString& text, const QString& start, const QString& end) {
        const qsizetype from = text.indexOf(start) + start.size();
        return text.mid(from, text.indexOf(end, from) - from);
    };
    const QStringList names = between(usage, QStringLiteral("REPORT: "), QStringLiteral("\n")).split(u',');
    ASSERT_GE(names.size(), 10) << usage.toStdString();
    for (const QString& name : names)
        EXPECT_TRUE(readme.contains(u'`' + name.trimmed() + u'`')) << name.toStdString();
    const auto formats = [&](const QString& text) {
        QStringList listed = between(text, QStringLiteral("[--format "), QStringLiteral("]")).split(u'|');
        listed.sort();
        return listed.join(u'|').toStdString();
    };
    EXPECT_EQ(formats(readme), formats(usage));
}

// A row that cannot be read late in a walk, and a sum that is not a finite number, end every
// family of reports with exit 1 and a message instead of the figures read so far; an output file
// named is kept as it was. Text in a numeric column stays the engine's business.
TEST(NaxReportFailures, LateReadFailuresAndInfiniteSumsEndEveryReport) {
    test::ScratchDir dir;
    const std::string plant = dir.file("plant.sqlite");
    SimulationOptions simulated;
    simulated.outPath = plant;
    simulated.days = 2;
    simulated.endSerial = 46362; // 06-Dec-26 00:00
    ASSERT_TRUE(simulatePlant(simulated).ok());
    const char* const kLaterRow = nullptr; // the column fails to read instead of holding a value
    struct Case {
        const char* args;
        const char* column;
        const char* value;
        const char* message;
    };
    const Case cases[] = {
        {"downtime-list", "Time_Lost", kLaterRow, "Overflow"},
        {"dms-daily", "Time_Lost", kLaterRow, "Overflow"},
        {"dms-shift", "DT_End", kLaterRow, "Overflow"},
        {"asset-pareto", "Time_Lost", kLaterRow, "Overflow"},
        {"dms-daily|--format|xlsx|--out|$out", "Time_Lost", kLaterRow, "Overflow"},
        {"dms-daily", "Time_Lost", "9e999", "The Time_Lost of table TimeLost is not a finite number"},
        {"asset-pareto", "Time_Lost", "-9e999", "The Time_Lost of table TimeLost is not a finite number"},
        {"dms-shift|--format|xlsx|--out|$out", "Production", "9e999",
         "The Production of table opc is not a finite number"},
        {"asset-pareto", "Time_Lost", "'9 minutes'", nullptr},
    };
    const std::string out = dir.file("kept.xlsx");
    int n = 0;
    for (const Case& c : cases) {
        const std::string copy = dir.file("case" + std::to_string(++n) + ".sqlite");
        std::filesystem::copy_file(plant, copy);
        {
            auto db = DbConnection::open(copy);
            ASSERT_TRUE(db);
            // The events of the last run that ended in the range: late in every order the reports read.
            const std::string lastRun = test::scalar(
                **db, "select max(Run_ID) from Run_master where End_Time > 0 and End_Time <= 46362");
            const std::string where = "Run_no = " + lastRun;
            if (!c.value)
                test::failReadingAt(**db, c.column, where);
            else if (std::string(c.column) == "Production")
                test::exec(**db, "update opc set Production = " + std::string(c.value) +
                                     " where rowid = (select max(rowid) from opc where Run_ID = " + lastRun +
                                     ")");
            else
                test::exec(**db, "update TimeLost set " + std::string(c.column) + " = " + c.value +
                                     " where Dt_ID = (select max(Dt_ID) from TimeLost where " + where +
                                     " and Loss_Structure is not null)"); // counted in a loss category
        }
        std::ofstream(out, std::ios::trunc) << "old";
        QString args = QString::fromLatin1(c.args) +
                       QStringLiteral("|--db|$db|--from|2026-12-04 06:00|--to|2026-12-06 00:00");
        args.replace(QStringLiteral("$out"), QString::fromStdString(out));
        const auto done = test::runNaxReport(args, QString::fromStdString(copy), [&](QProcess& process) {
            auto environment = QProcessEnvironment::systemEnvironment(); // templates go to the scratch folder
            environment.insert(QStringLiteral("NAX_DATA_DIR"), QString::fromStdString(dir.path().string()));
            process.setProcessEnvironment(environment);
        });
        const std::string what = std::string(c.args) + " " + c.column + " " + (c.value ? c.value : "late");
        EXPECT_EQ(contents(out), "old") << what;
        if (!c.message) {
            EXPECT_EQ(done.exitCode, 0) << what << "\n" << done.err.toStdString();
            continue;
        }
        EXPECT_EQ(done.exitCode, 1) << what;
        EXPECT_TRUE(done.err.contains(QString::fromLatin1(c.message))) << what << "\n"
                                                                       << done.err.toStdString();
        EXPECT_TRUE(done.out.isEmpty()) << what;
    }
}

} // namespace
