#include "simulate/PlantSimulator.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <memory>

namespace nax {
namespace {

class Db {
  public:
    explicit Db(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
    }
    ~Db() { sqlite3_close(db_); }

    // First column of the first row as a number; fails the test on an SQL error.
    double number(const std::string& sql) const {
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db_);
        double value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_double(stmt, 0) : -1;
        sqlite3_finalize(stmt);
        return value;
    }

    // FNV-1a over every value of every table, with types and exact bits.
    std::uint64_t checksum() const {
        std::uint64_t hash = 1469598103934665603ull;
        auto mix = [&hash](const void* data, std::size_t size) {
            for (std::size_t i = 0; i < size; ++i)
                hash = (hash ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ull;
        };
        for (const char* table :
             {"TimeLost", "Tag_Master", "Run_master", "opc", "Pack_Master", "Flavor_Master", "Asset_Master",
              "Component_master", "Failure_Master", "Misc_Master", "Employee_Master", "CMMS_Misc_Master"}) {
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(db_, (std::string("SELECT * FROM ") + table + " ORDER BY rowid").c_str(), -1,
                               &stmt, nullptr);
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                    const int type = sqlite3_column_type(stmt, c);
                    mix(&type, sizeof type);
                    const double real = sqlite3_column_double(stmt, c);
                    mix(&real, sizeof real);
                    if (type == SQLITE_TEXT)
                        mix(sqlite3_column_text(stmt, c), std::size_t(sqlite3_column_bytes(stmt, c)));
                }
            }
            sqlite3_finalize(stmt);
        }
        return hash;
    }

  private:
    sqlite3* db_ = nullptr;
};

const double kEnd = simulationSerial(2026, 5, 10, 14, 37);

std::string exact(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}
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
        path = dir->filePath(QStringLiteral("plant.sqlite")).toStdString();
        auto summary = simulatePlant(options(path, 7));
        ASSERT_TRUE(summary.ok()) << summary.error().message;
        totals = *summary;
    }
    static void TearDownTestSuite() { dir.reset(); }

    static SimulationOptions options(const std::string& file, unsigned seed, bool indexes = true) {
        SimulationOptions o;
        o.outPath = file;
        o.days = 3;
        o.endSerial = kEnd;
        o.seed = seed;
        o.withIndexes = indexes;
        return o;
    }
    static std::string temp(const char* name) {
        return dir->filePath(QString::fromLatin1(name)).toStdString();
    }

    static inline std::unique_ptr<QTemporaryDir> dir;
    static inline std::string path;
    static inline SimulationSummary totals;
};

TEST_F(SimulatedPlant, RunsFollowEachOtherWithOneOpenRunLast) {
    Db db(path);
    EXPECT_EQ(db.number("SELECT count(*) FROM Run_master"), totals.runs);
    EXPECT_EQ(db.number("SELECT count(*) FROM Run_master WHERE End_Time = 0"), 1);
    EXPECT_EQ(db.number("SELECT Run_ID FROM Run_master WHERE End_Time = 0"),
              db.number("SELECT max(Run_ID) FROM Run_master"));
    EXPECT_NEAR(db.number("SELECT min(Start_Time) FROM Run_master"), kEnd - 3, 1e-9);
    // Closed runs last 2 to 12 hours; the next one starts after a changeover of at most an hour.
    EXPECT_EQ(db.number("SELECT count(*) FROM Run_master WHERE End_Time > 0 AND "
                        "(End_Time - Start_Time) * 1440 NOT BETWEEN 119.99 AND 720.01"),
              0);
    EXPECT_EQ(db.number("SELECT count(*) FROM Run_master a JOIN Run_master b ON b.Run_ID = a.Run_ID + 1 "
                        "WHERE (b.Start_Time - a.End_Time) * 1440 NOT BETWEEN 9.99 AND 60.01"),
              0);
    EXPECT_EQ(db.number("SELECT count(*) FROM Run_master WHERE CaseCount NOT IN (6, 12, 24) OR "
                        "USpeed NOT BETWEEN 300 AND 600 OR abs(CSpeed - USpeed / CaseCount) > 0.005"),
              0);
}

TEST_F(SimulatedPlant, OpcHasOneRowPerTagAndMinuteOfEachRun) {
    Db db(path);
    const std::string runEnd = "(CASE WHEN r.End_Time = 0 THEN " + exact(kEnd) + " ELSE r.End_Time END)";
    EXPECT_EQ(db.number("SELECT count(*) FROM opc"), totals.opcRows);
    EXPECT_EQ(db.number("SELECT sum(round((" + runEnd + " - r.Start_Time) * 1440)) * 3 FROM Run_master r"),
              totals.opcRows);
    EXPECT_EQ(
        db.number("SELECT count(*) FROM (SELECT 1 FROM opc GROUP BY Timestamp, Tag_id HAVING count(*) > 1)"),
        0);
    EXPECT_EQ(db.number("SELECT count(DISTINCT Tag_id) FROM opc"), 3);
    EXPECT_EQ(db.number("SELECT count(*) FROM opc o JOIN Run_master r ON r.Run_ID = o.Run_ID WHERE "
                        "o.Timestamp < r.Start_Time - 1e-9 OR o.Timestamp > " +
                        runEnd +
                        " - 1.0 / 1440 + 1e-9 OR "
                        "o.Pack_ID <> r.Pack_ID OR o.Flavor_Id <> r.Flavor_ID OR o.Shift_ID <> " +
                        shiftOf("o.Timestamp")),
              0);
}

TEST_F(SimulatedPlant, EventsLieInsideTheirRunsAndDescribeThem) {
    Db db(path);
    const std::string runEnd = "(CASE WHEN r.End_Time = 0 THEN " + exact(kEnd) + " ELSE r.End_Time END)";
    EXPECT_EQ(db.number("SELECT count(*) FROM TimeLost"), totals.events);
    EXPECT_EQ(
        db.number(
            "SELECT count(*) FROM TimeLost t JOIN Run_master r ON r.Run_ID = t.Run_no "
            "JOIN Pack_Master p ON p.Pack_ID = r.Pack_ID JOIN Flavor_Master f ON f.Flavor_Id = r.Flavor_ID "
            "JOIN Tag_Master g ON g.Tag_ID = t.Tag_ID WHERE t.DT_Start >= r.Start_Time AND "
            "t.DT_End <= " +
            runEnd +
            " AND t.DT_End > t.DT_Start AND t.Pack = p.Pack AND t.Flavor = f.Flavor "
            "AND t.Shift = " +
            shiftOf("t.DT_Start") + " AND abs(t.Time_Lost - (t.DT_End - t.DT_Start)) < 1e-12"),
        totals.events);
    // A tag is never stopped twice at once.
    EXPECT_EQ(
        db.number(
            "SELECT count(*) FROM TimeLost a JOIN TimeLost b ON a.Tag_ID = b.Tag_ID AND a.Dt_ID < b.Dt_ID "
            "AND a.DT_Start < b.DT_End AND b.DT_Start < a.DT_End"),
        0);
    EXPECT_GE(totals.events, 3 * 30);
    EXPECT_LE(totals.events, 3 * 60);
    EXPECT_GT(db.number("SELECT avg(Time_Lost * 1440 < 10) FROM TimeLost"), 0.6);
    EXPECT_GT(db.number("SELECT count(*) FROM TimeLost WHERE Time_Lost * 1440 >= 30"), 0);
}

TEST_F(SimulatedPlant, ATagCountsNothingWhileItIsStopped) {
    Db db(path);
    const char* covered =
        "FROM opc o JOIN TimeLost t ON t.Tag_ID = o.Tag_id AND t.Run_no = o.Run_ID "
        "WHERE o.Timestamp >= t.DT_Start - 1e-9 AND o.Timestamp + 1.0 / 1440 <= t.DT_End + 1e-9";
    EXPECT_GT(db.number(std::string("SELECT count(*) ") + covered), 100);
    EXPECT_EQ(db.number(std::string("SELECT count(*) ") + covered + " AND o.Production <> 0"), 0);
    // Only the filler counts the line's bottles.
    EXPECT_EQ(db.number("SELECT count(*) FROM opc WHERE Tag_id <> 1 AND Production <> 0"), 0);
    // Filler minutes untouched by a stop of any tag run near the rated speed, never far above it.
    const std::string running =
        "FROM opc o JOIN Run_master r ON r.Run_ID = o.Run_ID WHERE o.Tag_id = 1 AND NOT EXISTS (SELECT 1 "
        "FROM TimeLost t WHERE t.Run_no = o.Run_ID AND t.DT_Start < o.Timestamp + 1.0 / 1440 "
        "AND t.DT_End > o.Timestamp)";
    EXPECT_NEAR(db.number("SELECT avg(o.Production / r.USpeed) " + running), 0.94, 0.05);
    EXPECT_EQ(db.number("SELECT count(*) " + running + " AND o.Production = 0"), 0);
    EXPECT_GT(db.number("SELECT count(*) " + running + " AND o.Production > r.USpeed"), 0);
    EXPECT_EQ(db.number("SELECT count(*) " + running + " AND o.Production > r.USpeed * 1.05"), 0);
}

TEST_F(SimulatedPlant, ClassificationComesFromTheMasterLists) {
    Db db(path);
    EXPECT_NEAR(db.number("SELECT avg(Loss_Structure IS NOT NULL) FROM TimeLost"), 0.62, 0.12);
    EXPECT_EQ(
        db.number("SELECT count(*) FROM TimeLost WHERE Loss_Structure IS NULL AND coalesce(Asset, Component, "
                  "Failure, A_Operator, Executive, Remarks, Other1, Other2) IS NOT NULL"),
        0);
    EXPECT_EQ(
        db.number(
            "SELECT count(*) FROM TimeLost t WHERE t.Loss_Structure IS NOT NULL AND NOT ("
            "t.Loss_Structure IN (SELECT Loss_Structure FROM Misc_Master) AND EXISTS (SELECT 1 FROM "
            "Asset_Master a JOIN Component_master c ON c.Asset_id = a.Asset_ID JOIN Failure_Master f ON "
            "f.Asset_id = a.Asset_ID WHERE a.Asset_Name = t.Asset AND c.Component = t.Component AND "
            "f.Failure_Description = t.Failure) AND t.A_Operator IN (SELECT Employee_Name FROM "
            "Employee_Master WHERE Employee_Type = 'Operator') AND t.Executive IN (SELECT Employee_Name "
            "FROM Employee_Master WHERE Employee_Type = 'Executive'))"),
        0);
    EXPECT_GT(db.number("SELECT avg(Loss_Structure = 'Minor Stoppage') FROM TimeLost "
                        "WHERE Loss_Structure IS NOT NULL AND Time_Lost * 1440 < 10"),
              0.6);
    EXPECT_GT(db.number("SELECT count(*) FROM TimeLost WHERE Remarks IS NOT NULL"), 0);
}

// The six loss categories, and every asset offers components and failures to pick from.
TEST_F(SimulatedPlant, MasterListsAreFilled) {
    Db db(path);
    EXPECT_EQ(db.number("SELECT count(*) FROM Tag_Master WHERE Tag_ID = 1 AND TagName = 'Filler'"), 1);
    EXPECT_EQ(
        db.number(
            "SELECT count(*) FROM Misc_Master WHERE Loss_Structure IN ('Lack of Sales', 'Equipment Loss', "
            "'Planned Loss', 'Operational Loss', 'Minor Stoppage', 'QA Loss')"),
        6);
    EXPECT_EQ(db.number("SELECT count(*) FROM Misc_Master"), 6);
    EXPECT_EQ(
        db.number("SELECT count(*) FROM Asset_Master a WHERE NOT EXISTS (SELECT 1 FROM Component_master c "
                  "WHERE c.Asset_id = a.Asset_ID) OR NOT EXISTS (SELECT 1 FROM Failure_Master f "
                  "WHERE f.Asset_id = a.Asset_ID)"),
        0);
}

TEST_F(SimulatedPlant, SeedDecidesTheContentAndOptionTheIndexes) {
    const std::string same = temp("same.sqlite"), other = temp("other.sqlite");
    ASSERT_TRUE(simulatePlant(options(same, 7, false)).ok());
    ASSERT_TRUE(simulatePlant(options(other, 8)).ok());
    EXPECT_EQ(Db(same).checksum(), Db(path).checksum());
    EXPECT_NE(Db(other).checksum(), Db(path).checksum());

    const std::string indexes = "SELECT count(*) FROM sqlite_master WHERE type = 'index'";
    EXPECT_EQ(Db(path).number(indexes), 5);
    EXPECT_EQ(Db(same).number(indexes), 0);
    EXPECT_EQ(Db(path).number("SELECT count(*) FROM pragma_index_info('opc_run')"), 3);
}

TEST_F(SimulatedPlant, ReplacesADatabaseButNoOtherFile) {
    const std::string notes = temp("notes.txt");
    std::ofstream(notes) << "keep me";
    auto refused = simulatePlant(options(notes, 1));
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().message.find("not a database"), std::string::npos);
    std::string kept;
    std::getline(std::ifstream(notes), kept);
    EXPECT_EQ(kept, "keep me");

    const std::string again = temp("again.sqlite");
    ASSERT_TRUE(simulatePlant(options(again, 7)).ok());
    ASSERT_TRUE(simulatePlant(options(again, 7)).ok());
    EXPECT_EQ(Db(again).checksum(), Db(path).checksum());

    EXPECT_FALSE(simulatePlant(options(dir->path().toStdString(), 1)).ok());
    SimulationOptions noDays = options(temp("none.sqlite"), 1);
    noDays.days = 0;
    EXPECT_FALSE(simulatePlant(noDays).ok());
    EXPECT_FALSE(std::ifstream(noDays.outPath).good());
}

TEST_F(SimulatedPlant, CommandLineExitCodes) {
    auto run = [](const QStringList& args, QString* out = nullptr, QString* err = nullptr) {
        QProcess process;
        process.start(QStringLiteral(NAX_SIMULATE_EXE), args);
        process.waitForFinished(60000);
        if (out) *out = QString::fromUtf8(process.readAllStandardOutput());
        if (err) *err = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    };
    const QString file = dir->filePath(QStringLiteral("cli.sqlite"));
    QString out, err;
    EXPECT_EQ(run({QStringLiteral("--out"), file, QStringLiteral("--days"), QStringLiteral("3"),
                   QStringLiteral("--end"), QStringLiteral("2026-05-10 14:37"), QStringLiteral("--seed"),
                   QStringLiteral("7")},
                  &out),
              0);
    EXPECT_TRUE(out.contains(QStringLiteral("%1 runs").arg(totals.runs))) << out.toStdString();
    EXPECT_EQ(Db(file.toStdString()).checksum(), Db(path).checksum());

    EXPECT_EQ(run({QStringLiteral("--days"), QStringLiteral("3")}, nullptr, &err), 2);
    EXPECT_TRUE(err.contains(QStringLiteral("usage:")));
    const QString notes = dir->filePath(QStringLiteral("cli.txt"));
    std::ofstream(notes.toStdString()) << "text";
    EXPECT_EQ(run({QStringLiteral("--out"), notes}), 1);
}

TEST(SimulateArguments, ParsesOptionsAndRejectsBadOnes) {
    auto parse = [](std::vector<std::string> args) { return parseSimulateArguments(args, 45000.5); };
    auto defaults = parse({"--out", "a.db"});
    ASSERT_TRUE(defaults.ok());
    EXPECT_EQ(defaults->outPath, "a.db");
    EXPECT_EQ(defaults->days, 30);
    EXPECT_EQ(defaults->endSerial, 45000.5);
    EXPECT_TRUE(defaults->withIndexes);

    auto full = parse(
        {"--days=365", "--end", "2026-12-05 07:00", "--seed", "4294967295", "--no-indexes", "--out=b.db"});
    ASSERT_TRUE(full.ok()) << full.error().message;
    EXPECT_EQ(full->days, 365);
    EXPECT_NEAR(full->endSerial, 46361.2916666667, 1e-9);
    EXPECT_EQ(full->seed, 4294967295u);
    EXPECT_FALSE(full->withIndexes);
    EXPECT_EQ(full->outPath, "b.db");

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{},
                                               {"--days", "3"},
                                               {"--out"},
                                               {"--out", "a.db", "--days", "0"},
                                               {"--out", "a.db", "--days", "3x"},
                                               {"--out", "a.db", "--end", "2026-02-29 10:00"},
                                               {"--out", "a.db", "--end", "2026-05-10"},
                                               {"--out", "a.db", "--end", "2026-05-10 24:00"},
                                               {"--out", "a.db", "--seed", "-1"},
                                               {"--out", "a.db", "--fast"},
                                               {"--out", "a.db", "--no-indexes=1"}})
        EXPECT_FALSE(parse(bad).ok()) << (bad.empty() ? "(none)" : bad.back());
}

TEST(SimulateArguments, SerialsCountDaysFromTheEpoch) {
    EXPECT_EQ(simulationSerial(1899, 12, 30, 0, 0), 0);
    EXPECT_EQ(simulationSerial(1900, 3, 1, 0, 0), 61);
    EXPECT_EQ(simulationSerial(2000, 2, 29, 6, 0), 36585.25);
    EXPECT_DOUBLE_EQ(simulationSerial(2026, 12, 5, 7, 0), 46361 + 7.0 / 24);
}

} // namespace
} // namespace nax
