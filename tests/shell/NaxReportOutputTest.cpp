// nax-report: arguments checked before the database opens, output files replaced only when
// complete, the database never overwritten, dates read as wall-clock texts.
#include "support/NaxReportProcess.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <signal.h>
#include <sstream>
#include <sys/resource.h>

using namespace nax;

namespace {

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class NaxReportOutputTest : public test::PlantDbTest {
protected:
    const QString dbPath = QString::fromStdString(dir.file("db1.sqlite"));
    test::NaxReportRun run(const QString& args, const std::function<void(QProcess&)>& setup = {}) {
        return test::runNaxReport(args, dbPath, setup);
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
    const QString missing = QStringLiteral("|--db|/no/such/folder/db1.sqlite");
    EXPECT_EQ(run(QStringLiteral("no-such-report") + missing + range()).exitCode, 2);
    const auto detail =
        run(QStringLiteral("downtime-list") + missing + range() + QStringLiteral("|--grid|detail"));
    EXPECT_EQ(detail.exitCode, 2);
    EXPECT_TRUE(detail.err.contains(QStringLiteral("no detail grid")));
}

TEST_F(NaxReportOutputTest, OutNamingTheDatabaseIsRefusedAndTheDatabaseKept) {
    db.reset();
    const std::string before = contents(dbPath.toStdString());
    ASSERT_FALSE(before.empty());
    const QString folder = QString::fromStdString(dir.path().string());
    for (const QString& args :
         {QStringLiteral("downtime-list|--db|$db|--out|$db"),
          QStringLiteral("downtime-list|--db|$db|--out|") + folder + QStringLiteral("/./db1.sqlite"),
          QStringLiteral("downtime-list|--data-dir|") + folder + QStringLiteral("|--out|$db")}) {
        const auto refused = run(args + range());
        EXPECT_EQ(refused.exitCode, 2) << args.toStdString();
        EXPECT_TRUE(refused.err.contains(QStringLiteral("database"))) << refused.err.toStdString();
    }
    EXPECT_EQ(contents(dbPath.toStdString()), before);
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
    std::ofstream(out) << "previous report\n";
    const QString args = QStringLiteral("dms-daily|--db|$db|--out|") + QString::fromStdString(out) + range();
    // A file size limit stands in for a full disk: writes beyond 64 bytes fail.
    const auto full = run(args, [](QProcess& process) {
        process.setChildProcessModifier([] {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{64, 64};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    });
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_TRUE(full.err.contains(QStringLiteral("report.tsv"))) << full.err.toStdString();
    EXPECT_EQ(contents(out), "previous report\n");
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"db1.sqlite", "report.tsv"}));

    ASSERT_EQ(run(args).exitCode, 0);
    EXPECT_EQ(contents(out).substr(0, 15), "Run No\tPack\tFla");
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"db1.sqlite", "report.tsv"}));
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

} // namespace
