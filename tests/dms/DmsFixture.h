#pragma once
// A small plant database for the DMS tests: one pack, one flavour, and helpers that add runs,
// per-minute production and downtime events at given serials.
#include "shell/TextRules.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace nax::test {

// 05-Dec-26 (a Saturday) at h:m:s.
inline double dec5(int hour, int minute = 0, int second = 0) {
    return partsToSerial(2026, 12, 5, hour, minute, second);
}

inline constexpr double kMinute = 1.0 / 1440;

// A double as SQL text with every bit kept.
inline std::string lit(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

inline std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

class DmsDatabase : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(db);
        exec(*db, "insert into Pack_Master values (1,'PET 500'),(2,'Can 330');"
                  "insert into Flavor_Master values (1,'Cola'),(2,'Lemon')");
    }

    void addRun(int id, double start, double end, const std::string& uspeed, const std::string& caseCount,
                int pack = 1, int flavor = 1) {
        exec(*db, "insert into Run_master (Run_ID, Start_Time, End_Time, Pack_ID, Flavor_ID, CSpeed, USpeed, "
                  "CaseCount) values (" +
                      std::to_string(id) + "," + lit(start) + "," + lit(end) + "," + std::to_string(pack) +
                      "," + std::to_string(flavor) + ",120," + uspeed + "," + caseCount + ")");
    }

    // `count` rows of `units` each, one a minute from `from`.
    void addProduction(int run, double from, int count, int units, int tag = 1,
                       const std::string& shift = "B", int pack = 1, int flavor = 1) {
        std::string sql =
            "insert into opc (Timestamp, Tag_id, Run_ID, Shift_ID, Pack_ID, Flavor_Id, Production) values ";
        for (int i = 0; i < count; ++i) {
            if (i) sql += ",";
            sql += "(" + lit(from + i * kMinute) + "," + std::to_string(tag) + "," + std::to_string(run) +
                   ",'" + shift + "'," + std::to_string(pack) + "," + std::to_string(flavor) + "," +
                   std::to_string(units) + ")";
        }
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

    ScratchDir dir;
    std::unique_ptr<DbConnection> db = makePlantDatabase(dir.file("plant.db"));
};

// Records every statement the engine runs while it lives.
class StatementLog {
  public:
    explicit StatementLog(DbConnection& db) : db_(db) {
        sqlite3_trace_v2(db.handle(), SQLITE_TRACE_STMT, &StatementLog::record, this);
    }
    ~StatementLog() { sqlite3_trace_v2(db_.handle(), 0, nullptr, nullptr); }
    std::vector<std::string> statements;

  private:
    static int record(unsigned, void* self, void* stmt, void*) {
        static_cast<StatementLog*>(self)->statements.emplace_back(
            sqlite3_sql(static_cast<sqlite3_stmt*>(stmt)));
        return 0;
    }
    DbConnection& db_;
};

} // namespace nax::test
