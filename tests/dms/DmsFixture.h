#pragma once
// A small plant database for the DMS tests: two packs, two flavours, and helpers that add runs,
// per-minute production and downtime events at given serials.
#include "shell/Dialect.h"
#include "shell/EventPump.h"
#include "shell/ReportGrid.h"
#include "shell/TextRules.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace nax::test {

class CountingPump : public EventPump {
public:
    void processEvents() override { ++count; }
    int count = 0;
};

class DmsDatabase : public PlantDbTest {
protected:
    static constexpr double kMinute = 1.0 / 1440;
    // 05-Dec-26 (a Saturday) at h:m:s.
    static double dec5(int h, int m = 0, int s = 0) { return partsToSerial(2026, 12, 5, h, m, s); }
    static std::string quoted(const std::string& text) { return "'" + text + "'"; }
    // A double as SQL text with every bit kept.
    static std::string lit(double value) {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.17g", value);
        return buffer;
    }

    void SetUp() override {
        ASSERT_TRUE(db);
        exec(*db, "insert into Pack_Master values (1,'PET 500'),(2,'Can 330');"
                  "insert into Flavor_Master values (1,'Cola'),(2,'Lemon')");
    }

    void addRun(int id, double start, double end, const std::string& uspeed, const std::string& caseCount,
                int pack = 1, int flavor = 1) {
        exec(*db, "insert into Run_master values (" + std::to_string(id) + "," + lit(start) + "," + lit(end) +
                      "," + std::to_string(pack) + "," + std::to_string(flavor) + ",120," + uspeed + "," +
                      caseCount + ")");
    }

    // `count` rows of `units` each, one a minute from `from`.
    void addProduction(int run, double from, int count, int units, int tag = 1,
                       const std::string& shift = "B", int pack = 1, int flavor = 1) {
        std::string sql =
            "insert into opc (Timestamp, Tag_id, Run_ID, Shift_ID, Pack_ID, Flavor_Id, Production) "
            "values ";
        for (int i = 0; i < count; ++i)
            sql += std::string(i ? ",(" : "(") + lit(from + i * kMinute) + "," + std::to_string(tag) + "," +
                   std::to_string(run) + ",'" + shift + "'," + std::to_string(pack) + "," +
                   std::to_string(flavor) + "," + std::to_string(units) + ")";
        exec(*db, sql);
    }

    // lossStructure is SQL text: quoted("Planned Loss"), "NULL", ...
    void addEvent(int run, double start, double end, const std::string& lossStructure,
                  const std::string& asset = "'Filler'") {
        exec(
            *db,
            "insert into TimeLost (Run_no, Pack, Flavor, DT_Start, DT_End, Time_Lost, Asset, Loss_Structure) "
            "values (" +
                std::to_string(run) + ",'PET 500','Cola'," + lit(start) + "," + lit(end) + "," +
                lit(end - start) + "," + asset + "," + lossStructure + ")");
    }

    std::string cells(int row, std::vector<int> cols = {}) const {
        return joined(runGrid, row, std::move(cols));
    }

    ReportGrid runGrid, detailGrid;
    CountingPump pump;
};

// Records every statement the engine runs while it lives.
class StatementLog {
public:
    explicit StatementLog(DbConnection& db) : db_(db) {
        sqlite3_trace_v2(db.handle(), SQLITE_TRACE_STMT, &StatementLog::record, this);
    }
    ~StatementLog() { sqlite3_trace_v2(db_.handle(), 0, nullptr, nullptr); }

    // The statements sent, PRAGMAs left out, against the expected ones as the dialect rewrites them.
    void expectSent(const std::vector<std::string>& expected) const {
        std::vector<std::string> rewritten;
        for (const auto& sql : expected)
            rewritten.push_back(caseInsensitiveStatement(sql));
        EXPECT_EQ(statements, rewritten);
    }

private:
    static int record(unsigned, void* self, void* stmt, void*) {
        const std::string sql = sqlite3_sql(static_cast<sqlite3_stmt*>(stmt));
        if (sql.rfind("PRAGMA", 0) != 0) static_cast<StatementLog*>(self)->statements.push_back(sql);
        return 0;
    }
    DbConnection& db_;
    std::vector<std::string> statements;
};

} // namespace nax::test
