#include "simulate/PlantSimulator.h"
#include "SimulateArguments.h"
#include "support/NaxReportProcess.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/resource.h>

namespace nax {
namespace {

const double kEnd = simulationSerial(2026, 5, 10, 14, 37);

// A simulated file read through SQL, read-only; :end in a statement stands for the end of the open run.
class Db {
public:
    explicit Db(const std::string& path) : db_(DbConnection::open(path, OpenOptions{200, true})) {
        EXPECT_TRUE(db_) << path;
    }
    std::string text(std::string sql) const {
        for (size_t at; (at = sql.find(":end")) != std::string::npos;)
            sql.replace(at, 4, QString::number(kEnd, 'g', 17).toStdString());
        return db_ ? test::rowsOf(**db_, sql) : std::string();
    }
    double number(const std::string& sql) const { return std::atof(text(sql).c_str()); }
    // Every value of every table but the planner's.
    std::string dump() const {
        std::string all;
        for (const QString& table : QString::fromStdString(text("SELECT name FROM sqlite_master WHERE type = "
                                                                "'table' AND name NOT LIKE 'sqlite%'"))
                                        .split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            all += text("SELECT * FROM " + table.toStdString() + " ORDER BY rowid");
        return all;
    }

private:
    Result<std::unique_ptr<DbConnection>> db_;
};

// The shift letter of a date-time column, in SQL: A 22:00-05:59, B 06:00-13:59, C 14:00-21:59.
std::string shiftOf(const std::string& column) {
    const std::string h = "cast((" + column + " - cast(" + column + " as integer)) * 24 + 1e-6 as integer)";
    return "(CASE WHEN " + h + " BETWEEN 6 AND 13 THEN 'B' WHEN " + h +
           " BETWEEN 14 AND 21 THEN 'C' ELSE 'A' END)";
}

// Three days of the line, built once and read by the tests below.
class SimulatedPlant : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = std::make_unique<QTemporaryDir>();
        path = temp("plant.sqlite");
        auto summary = simulatePlant(options(path, 7));
        ASSERT_TRUE(summary.ok()) << summary.error().message;
        totals = *summary;
    }
    static void TearDownTestSuite() { dir.reset(); }

    static SimulationOptions options(const std::string& file, unsigned seed, bool indexes = true) {
        return {file, 3, kEnd, seed, indexes};
    }
    static std::string temp(const char* name) {
        return dir->filePath(QString::fromLatin1(name)).toStdString();
    }

    static inline std::unique_ptr<QTemporaryDir> dir;
    static inline std::string path;
    static inline SimulationSummary totals;
};

// Each query counts the rows that break one rule of the line.
TEST_F(SimulatedPlant, NoRowBreaksTheRulesOfTheLine) {
    const std::string stopped = R"(FROM opc o JOIN TimeLost t ON t.Tag_ID = o.Tag_id AND t.Run_no = o.Run_ID
        WHERE o.Timestamp >= t.DT_Start - 1e-9 AND o.Timestamp + 1.0 / 1440 <= t.DT_End + 1e-9)";
    const std::string running = R"(FROM opc o JOIN Run_master r ON r.Run_ID = o.Run_ID WHERE o.Tag_id = 1
        AND NOT EXISTS (SELECT 1 FROM TimeLost t WHERE t.Run_no = o.Run_ID
                        AND t.DT_Start < o.Timestamp + 1.0 / 1440 AND t.DT_End > o.Timestamp))";
    const std::pair<const char*, std::string> rules[] = {
        {"one open run, the last", R"(SELECT count(*) FROM Run_master
            WHERE (End_Time = 0) <> (Run_ID = (SELECT max(Run_ID) FROM Run_master)))"},
        {"runs of 2 to 12 hours, changeovers of 10 to 60 minutes", R"(SELECT count(*) FROM Run_master a
            LEFT JOIN Run_master b ON b.Run_ID = a.Run_ID + 1 WHERE a.End_Time > 0 AND (
            (a.End_Time - a.Start_Time) * 1440 NOT BETWEEN 119.99 AND 720.01
            OR (b.Start_Time - a.End_Time) * 1440 NOT BETWEEN 9.99 AND 60.01))"},
        {"one opc row per tag and minute",
         "SELECT count(*) FROM (SELECT 1 FROM opc GROUP BY Timestamp, Tag_id HAVING count(*) > 1)"},
        {"opc rows inside their run, of its pack, flavour and shift",
         R"(SELECT count(*) FROM opc o JOIN Run_master r ON r.Run_ID = o.Run_ID
            WHERE o.Timestamp < r.Start_Time - 1e-9
            OR o.Timestamp > iif(r.End_Time = 0, :end, r.End_Time) - 1.0 / 1440 + 1e-9
            OR o.Pack_ID <> r.Pack_ID OR o.Flavor_Id <> r.Flavor_ID OR o.Shift_ID <> )" +
             shiftOf("o.Timestamp")},
        {"events inside their run, Time_Lost = end - start", R"(SELECT count(*) FROM TimeLost t
            WHERE NOT EXISTS (SELECT 1 FROM Run_master r JOIN Pack_Master p ON p.Pack_ID = r.Pack_ID
            JOIN Flavor_Master f ON f.Flavor_Id = r.Flavor_ID WHERE r.Run_ID = t.Run_no
            AND t.DT_Start >= r.Start_Time AND t.DT_End <= iif(r.End_Time = 0, :end, r.End_Time)
            AND t.DT_End > t.DT_Start AND t.Pack = p.Pack AND t.Flavor = f.Flavor
            AND abs(t.Time_Lost - (t.DT_End - t.DT_Start)) < 1e-12 AND t.Shift = )" +
                                                                 shiftOf("t.DT_Start") + ")"},
        {"a tag stopped twice at once", R"(SELECT count(*) FROM TimeLost a JOIN TimeLost b
            ON a.Tag_ID = b.Tag_ID AND a.Dt_ID < b.Dt_ID
            AND a.DT_Start < b.DT_End AND b.DT_Start < a.DT_End)"},
        {"production while stopped", "SELECT count(*) " + stopped + " AND o.Production <> 0"},
        {"production of a tag other than the filler",
         "SELECT count(*) FROM opc WHERE Tag_id <> 1 AND Production <> 0"},
        {"running filler at 0 or far above its speed",
         "SELECT count(*) " + running + " AND (o.Production = 0 OR o.Production > r.USpeed * 1.05)"},
        {"unclassified event with details", R"(SELECT count(*) FROM TimeLost WHERE Loss_Structure IS NULL
            AND coalesce(Asset, Component, Failure, A_Operator, Executive, Remarks, Other1, Other2)
                IS NOT NULL)"},
        {"classification not from the master lists", R"(SELECT count(*) FROM TimeLost t
            WHERE t.Loss_Structure IS NOT NULL AND NOT (
            t.Loss_Structure IN (SELECT Loss_Structure FROM Misc_Master)
            AND EXISTS (SELECT 1 FROM Asset_Master a JOIN Component_master c ON c.Asset_id = a.Asset_ID
                        JOIN Failure_Master f ON f.Asset_id = a.Asset_ID WHERE a.Asset_Name = t.Asset
                        AND c.Component = t.Component AND f.Failure_Description = t.Failure)
            AND t.A_Operator IN (SELECT Employee_Name FROM Employee_Master WHERE Employee_Type = 'Operator')
            AND t.Executive IN (SELECT Employee_Name FROM Employee_Master
                                WHERE Employee_Type = 'Executive')))"}};
    Db db(path);
    for (const auto& [rule, sql] : rules)
        EXPECT_EQ(db.number(sql), 0) << rule;

    EXPECT_EQ(db.number("SELECT count(*) FROM Run_master"), totals.runs);
    EXPECT_NEAR(db.number("SELECT min(Start_Time) FROM Run_master"), kEnd - 3, 1e-9);
    EXPECT_EQ(db.number("SELECT count(*) FROM opc"), totals.opcRows);
    EXPECT_EQ(db.number("SELECT sum(round((iif(End_Time = 0, :end, End_Time) - Start_Time) * 1440)) * 3 "
                        "FROM Run_master"),
              totals.opcRows);
    EXPECT_EQ(db.number("SELECT count(*) FROM Tag_Master WHERE Tag_ID = 1 AND TagName = 'Filler'"), 1);
    EXPECT_EQ(db.number("SELECT count(*) FROM TimeLost"), totals.events);
    EXPECT_GE(totals.events, 3 * 30);
    EXPECT_LE(totals.events, 3 * 60);
    EXPECT_GT(db.number("SELECT count(*) " + stopped), 100);
    EXPECT_NEAR(db.number("SELECT avg(Loss_Structure IS NOT NULL) FROM TimeLost"), 0.62, 0.12); // about 2/3
    EXPECT_EQ(db.number(R"(SELECT count(*) = 6 AND sum(Loss_Structure IN ('Lack of Sales', 'Equipment Loss',
        'Planned Loss', 'Operational Loss', 'Minor Stoppage', 'QA Loss')) = 6 FROM Misc_Master)"),
              1);
}

TEST_F(SimulatedPlant, SeedDecidesTheContentOptionsTheIndexesAndOnlyDatabasesAreReplaced) {
    const std::string same = temp("same.sqlite"), other = temp("other.sqlite"), notes = temp("notes.txt");
    ASSERT_TRUE(simulatePlant(options(same, 8)).ok());
    ASSERT_TRUE(simulatePlant(options(same, 7, false)).ok()); // replaces the database of seed 8
    ASSERT_TRUE(simulatePlant(options(other, 8)).ok());
    EXPECT_TRUE(Db(same).dump() == Db(path).dump());
    EXPECT_FALSE(Db(other).dump() == Db(path).dump());
    const std::string indexes = "SELECT count(*) FROM sqlite_master WHERE type = 'index'";
    EXPECT_EQ(Db(path).number(indexes), 5);
    EXPECT_EQ(Db(same).number(indexes), 0);

    std::ofstream(notes) << "keep me";
    auto refused = simulatePlant(options(notes, 1));
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().message.find("not a database"), std::string::npos);
    EXPECT_EQ((std::ostringstream() << std::ifstream(notes).rdbuf()).str(), "keep me");
    SimulationOptions noDays = options(temp("none.sqlite"), 1);
    noDays.days = 0;
    EXPECT_FALSE(simulatePlant(noDays).ok());
    EXPECT_FALSE(std::ifstream(noDays.outPath).good());
}

TEST_F(SimulatedPlant, DemoIsSimulatedAgainWhenMissingOrItsDataEndsMoreThanADayBeforeNow) {
    const auto end = plantDataEnd(path);
    ASSERT_TRUE(end.ok() && end->has_value());
    EXPECT_NEAR(**end, kEnd, 2.0 / 1440); // the last minute before the end
    for (auto [now, stale] : {std::pair{**end + 0.5, false}, {**end + 1, false}, {**end + 1.01, true}})
        EXPECT_EQ(demoNeedsSimulating(path, now).value(), stale) << now - **end;
    EXPECT_TRUE(demoNeedsSimulating(temp("missing.sqlite"), kEnd).value());
}

// An existing file gives way only to a complete database (a full disk leaves it whole) and an
// SQLite file that is no plant database needs --replace.
TEST_F(SimulatedPlant, CommandLineExitCodesAndAnExistingFileGivesWayOnlyToACompleteDatabase) {
    const std::string cli = temp("cli.sqlite"), kept = temp("kept.sqlite"), other = temp("foreign.sqlite");
    std::filesystem::copy_file(path, kept);
    sqlite3* raw = nullptr;
    sqlite3_open(other.c_str(), &raw);
    sqlite3_exec(raw, "CREATE TABLE notes (x)", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    const auto bytes = [](const std::string& file) {
        return (std::ostringstream() << std::ifstream(file, std::ios::binary).rdbuf()).str();
    };
    const std::string keptBefore = bytes(kept), otherBefore = bytes(other);
    const std::tuple<const char*, std::string, rlim_t, int, std::string> cases[] = {
        {"--days|3|--end|2026-05-10 14:37|--seed|7|--out|$db", cli, RLIM_INFINITY, 0,
         std::to_string(totals.runs) + " runs"},
        {"--days|3", "", RLIM_INFINITY, 2, "usage:"},
        {"--days|1|--end|2026-05-11 14:00|--if-stale|--out|$db", cli, RLIM_INFINITY, 0, "is up to date"},
        {"--days|3|--out|$db", kept, 64 * 1024, 1, "kept.sqlite"},
        {"--days|1|--out|$db", other, RLIM_INFINITY, 1,
         "it is not a plant database (--replace writes over it)"},
        {"--days|1|--out|$db|--replace", other, RLIM_INFINITY, 0, "wrote "}};
    for (const auto& [args, file, limit, exitCode, why] : cases) {
        const auto run = test::runProgram(QStringLiteral(NAX_SIMULATE_EXE), QString::fromUtf8(args),
                                          QString::fromStdString(file), test::childFileSizeLimit(limit));
        EXPECT_EQ(run.exitCode, exitCode) << args << run.err.toStdString();
        EXPECT_TRUE((run.err + run.out).contains(QString::fromStdString(why))) << run.err.toStdString();
    }
    EXPECT_TRUE(Db(cli).dump() == Db(path).dump());
    EXPECT_TRUE(bytes(kept) == keptBefore);
    EXPECT_FALSE(bytes(other) == otherBefore);
    EXPECT_EQ(Db(other).number("SELECT count(*) FROM Tag_Master"), 3);
    for (const QString& name : QDir(dir->path()).entryList(QDir::Files))
        EXPECT_FALSE(name.startsWith(QLatin1Char('~'))) << name.toStdString(); // no temporary file left
}

TEST(SimulateArguments, ParsesOptionsAndRejectsBadOnes) {
    auto parse = [](const char* text) -> std::string {
        std::vector<std::string> list;
        for (const QString& arg : QString::fromUtf8(text).split(QLatin1Char('|'), Qt::SkipEmptyParts))
            list.push_back(arg.toStdString());
        auto parsed = parseSimulateArguments(list, 45000.5);
        if (!parsed.ok()) return "refused";
        char shown[300];
        std::snprintf(shown, sizeof shown, "%s %d %.15g %u %d%s", parsed->outPath.c_str(), parsed->days,
                      parsed->endSerial, parsed->seed, parsed->withIndexes,
                      parsed->onlyIfStale ? " stale only" : "");
        return shown;
    };
    EXPECT_EQ(parse("--out|a.db"), "a.db 30 45000.5 1 1");
    EXPECT_EQ(parse("--out|a.db|--if-stale"), "a.db 30 45000.5 1 1 stale only");
    EXPECT_EQ(parse("--days=365|--end|2026-12-05 07:00|--seed|4294967295|--no-indexes|--out=b.db"),
              "b.db 365 46361.2916666667 4294967295 0");
    for (const char* bad :
         {"", "--days|3", "--out", "--out|a|--days|0", "--out|a|--days|3x", "--out|a|--end|2026-02-29 10:00",
          "--out|a|--end|2026-05-10", "--out|a|--end|2026-05-10 24:00", "--out|a|--seed|-1", "--out|a|--fast",
          "--out|a|--no-indexes=1", "--out|a|--days|3|--days|4", "--out|a|--out|b"})
        EXPECT_EQ(parse(bad), "refused") << bad;
    EXPECT_EQ(simulationSerial(1899, 12, 30, 0, 0), 0);
    EXPECT_EQ(simulationSerial(1900, 3, 1, 0, 0), 61);
    EXPECT_EQ(simulationSerial(2000, 2, 29, 6, 0), 36585.25);
}

} // namespace
} // namespace nax
