#include "simulate/PlantSimulator.h"
#include "support/NaxReportProcess.h"
#include "support/TestSupport.h"
#include "support/WorkbookReader.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace nax;

namespace {

std::string contents(const std::string& path) {
    return (std::ostringstream() << std::ifstream(path, std::ios::binary).rdbuf()).str();
}

class NaxReportOutputTest : public test::PlantDbTest {
protected:
    const QString dbPath = QString::fromStdString(dir.file("db1.sqlite"));
    const QString folder = QString::fromStdString(dir.path().string());
    // "$dir" stands for the scratch folder, "$m" for a database that is not there, "$r" for a
    // two-hour range, "$db" for db1.sqlite.
    QString expand(QString args) const {
        return args.replace(QStringLiteral("$dir"), folder)
            .replace(QStringLiteral("$m"), QStringLiteral("|--db|/no/such/db1.sqlite$r"))
            .replace(QStringLiteral("$r"), QStringLiteral("|--from|2026-12-05 06:00|--to|2026-12-05 08:00"));
    }
    test::NaxReportRun run(const QString& args, const std::function<void(QProcess&)>& setup = {}) {
        return test::runNaxReport(expand(args), dbPath, setup);
    }
    std::vector<std::string> folderEntries() const { return test::filesEndingWith(dir.path(), ""); }
};

// Usage errors (exit 2) come before any database opens; a database or output that cannot serve is
// refused (exit 1); nothing named changes. 02:30 does not exist on 29 March in Berlin.
TEST_F(NaxReportOutputTest, CommandLinesAndTheFilesTheyName) {
    std::ofstream(dir.file("empty.sqlite")).flush();
    test::exec(*test::makePlantDatabase(dir.file("partial.sqlite")), "drop table Misc_Master");
    std::ofstream(dir.file("kept.out")) << "keep";
    std::filesystem::permissions(dir.file("kept.out"), std::filesystem::perms::owner_read);
    ASSERT_EQ(::mkfifo(dir.file("db.fifo").c_str(), 0600), 0);
    db.reset();
    const std::string before = contents(dbPath.toStdString());
    ASSERT_FALSE(before.empty());
    const char* const report = NAX_REPORT_EXE;
    // clang-format off
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        {report, "no-such-report$m", 2, "unknown report"},
        {report, "downtime-list|--grid|detail$m", 2, "no detail grid"},
        {report, "dms-daily|--minor-stops$m", 2, "--minor-stops applies to downtime-list only"},
        {report, "downtime-list|--from|2026-12-05 07:00$m", 2, "--from is given more than once"},
        {report, "downtime-list|--db|$db|--out|$dir/./db1.sqlite$r", 2, "--out names the database file"},
        {report, "downtime-list|--db|$db|--out|$db-wal$r", 2, "--out names the database file"},
        {report, "downtime-list|--db|$db|--out|$db-journal$r", 2, "--out names the database file"},
        {report, "downtime-list|--data-dir|$dir|--out|$db-shm$r", 2, "--out names the database file"},
        {report, "downtime-list|--db|$dir/empty.sqlite|--out|$dir/report.tsv$r", 1,
         "is not a plant database: it has no table TimeLost, Tag_Master, Run_master, opc, Pack_Master"},
        {report, "downtime-list|--db|$dir/partial.sqlite|--out|$dir/r.tsv$r", 1, "it has no table Misc_Master."},
        {report, "production|--data-dir|$dir|--out|$dir/kept.out|--format|tsv$r", 1, "is not writable"},
        {report, "production|--data-dir|$dir|--out|$dir/kept.out|--format|xlsx$r", 1, "is not writable"},
        {report, "downtime-list|--db|$dir/db.fifo$r", 1, "is a FIFO, not a database file"},
        {report, "downtime-list|--db|$dir$r", 1, "is a folder, not a database file"},
        {report, "downtime-list|--db|$r", 1, "Cannot open the database: no database was named"},
        // A workbook into a folder that does not exist names that folder, not the data folder.
        {report, "production|--format|xlsx|--data-dir|$dir|--out|$dir/missing/x.xlsx$r", 1,
         "The folder $dir/missing does not exist"},
        {report, "downtime-list|--db|$db|--from|2026-03-29 02:30|--to|2026-03-29 03:30", 0, "Tag\t"},
        {NAX_EXE, "-h", 0, "--data-dir"}, {report, "--help", 0, "REPORT"}, {NAX_SIMULATE_EXE, "-h", 0, "--out"},
        {NAX_EXE, "--version", 0, NAX_VERSION}, {report, "--version", 0, NAX_VERSION},
        {NAX_SIMULATE_EXE, "--version", 0, NAX_VERSION},
        // nax names its database one way only.
        {NAX_EXE, "--db|/no/such/db1.sqlite|--data-dir|/no/such", 2, "not both"}};
    // clang-format on
    const auto environment = [](QProcess& process) {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
        process.setProcessEnvironment(environment);
    };
    for (const auto& [program, args, exitCode, says] : cases) {
        const auto done = test::runProgram(QString::fromUtf8(program), expand(QString::fromUtf8(args)),
                                           dbPath, environment);
        EXPECT_EQ(done.exitCode, exitCode) << args;
        const QString shown = exitCode ? done.err : done.out + done.err;
        EXPECT_TRUE(shown.contains(expand(QString::fromUtf8(says)))) << args << "\n" << shown.toStdString();
        EXPECT_FALSE(shown.contains(QStringLiteral("Error 0"))) << args; // no engine code to show
    }
    EXPECT_EQ(contents(dbPath.toStdString()), before);
    EXPECT_EQ(contents(dir.file("empty.sqlite")), "");
    EXPECT_EQ(contents(dir.file("kept.out")), "keep");
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"db.fifo", "db1.sqlite", "empty.sqlite", "kept.out",
                                                         "partial.sqlite"}));
}

TEST_F(NaxReportOutputTest, AFailedWriteLeavesThePreviousFileWhole) {
    const std::string out = dir.file("report.tsv");
    // The DMS workbook first puts the missing default template into the data folder: that fails.
    const std::pair<QString, const char*> writes[] = {
        {QStringLiteral("dms-daily"), "report.tsv"},
        {QStringLiteral("production|--format|xlsx"), "The workbook could not be written"},
        {QStringLiteral("dms-daily|--format|xlsx"), "The template DailyDMS.xlsx was not found in the data "
                                                    "folder $dir and could not be installed there: "}};
    const QString place = QStringLiteral("|--data-dir|$dir|--out|$dir/report.tsv$r");
    for (const auto& [report, why] : writes) {
        std::ofstream(out) << "previous report\n";
        const auto full = run(report + place, test::childFileSizeLimit(64));
        EXPECT_EQ(full.exitCode, 1);
        EXPECT_TRUE(full.err.contains(expand(QString::fromUtf8(why)))) << full.err.toStdString();
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

// A FIFO (a job piping into mail) is written through; a full standard output is a failure.
TEST_F(NaxReportOutputTest, OutputsThatAreNoFiles) {
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<QString, std::string> outputs[] = {{QStringLiteral("downtime-list"), "Tag\t"},
                                                       {QStringLiteral("production|--format|xlsx"), "PK"}};
    for (const auto& [report, start] : outputs) {
        const int guard = ::open(fifo.c_str(), O_RDWR); // ends the reading if the program never opens it
        std::string got;
        std::thread reader([&] { got = contents(fifo); });
        const auto written = run(report + QStringLiteral("|--data-dir|$dir|--out|$dir/pipe$r"));
        ::close(guard);
        reader.join();
        EXPECT_EQ(written.exitCode, 0) << written.err.toStdString();
        EXPECT_EQ(got.substr(0, start.size()), start) << report.toStdString();
        EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    }
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"db1.sqlite", "pipe"}));
    const auto full = run(QStringLiteral("dms-daily|--db|$db$r"), [](QProcess& process) {
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
    });
    EXPECT_EQ(full.exitCode, 1);
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

// A row unreadable late in a walk or a sum that is not finite ends every report; text in a number does not.
TEST(NaxReportFailures, LateReadFailuresAndInfiniteSumsEndEveryReport) {
    test::ScratchDir dir;
    const std::string plant = dir.file("plant.sqlite"), out = dir.file("kept.xlsx");
    ASSERT_TRUE(simulatePlant({plant, 2, 46362}).ok()); // two days up to 06-Dec-26 00:00
    const std::tuple<const char*, const char*, std::string, const char*> cases[] = {
        {"downtime-list", "Time_Lost", "late", "Overflow"},
        {"dms-daily", "Time_Lost", "late", "Overflow"},
        {"dms-shift", "DT_End", "late", "Overflow"},
        {"asset-pareto", "Time_Lost", "late", "Overflow"},
        {"dms-daily", "Time_Lost", "9e999", "The Time_Lost of table TimeLost is not a finite number"},
        {"asset-pareto", "Time_Lost", "-9e999", "The Time_Lost of table TimeLost is not a finite number"},
        {"dms-shift|--format|xlsx|--out|$out", "Production", "9e999",
         "The Production of table opc is not a finite number"},
        {"asset-pareto", "Time_Lost", "'9 minutes'", nullptr},
    };
    int n = 0;
    for (const auto& [report, column, value, message] : cases) {
        const std::string copy = dir.file("case" + std::to_string(++n) + ".sqlite");
        std::filesystem::copy_file(plant, copy);
        {
            auto db = DbConnection::open(copy);
            ASSERT_TRUE(db);
            // The events of the last run that ended in the range: late in every order the reports read.
            const std::string lastRun = test::scalar(
                **db, "select max(Run_ID) from Run_master where End_Time > 0 and End_Time <= 46362");
            if (value == "late")
                test::failReadingAt(**db, column, "Run_no = " + lastRun);
            else if (std::string(column) == "Production")
                test::exec(**db, "update opc set Production = " + value +
                                     " where rowid = (select max(rowid) from opc where Run_ID = " + lastRun +
                                     ")");
            else // an event counted in a loss category
                test::exec(**db, "update TimeLost set Time_Lost = " + value +
                                     " where Dt_ID = (select max(Dt_ID) from TimeLost where Run_no = " +
                                     lastRun + " and Loss_Structure is not null)");
        }
        std::ofstream(out, std::ios::trunc) << "old";
        const QString args =
            QString::fromLatin1(report).replace(QStringLiteral("$out"), QString::fromStdString(out)) +
            QStringLiteral("|--db|$db|--from|2026-12-04 06:00|--to|2026-12-06 00:00");
        const auto done = test::runNaxReport(args, QString::fromStdString(copy), [&](QProcess& process) {
            auto environment = QProcessEnvironment::systemEnvironment(); // templates go to the scratch folder
            environment.insert(QStringLiteral("NAX_DATA_DIR"), QString::fromStdString(dir.path().string()));
            process.setProcessEnvironment(environment);
        });
        const std::string what =
            std::string(report) + " " + column + " " + value + "\n" + done.err.toStdString();
        EXPECT_EQ(contents(out), "old") << what;
        EXPECT_EQ(done.exitCode, message ? 1 : 0) << what;
        EXPECT_TRUE(!message || (done.err.contains(QString::fromLatin1(message)) && done.out.isEmpty()))
            << what;
    }
}

} // namespace
