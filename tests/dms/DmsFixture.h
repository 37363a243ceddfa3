#pragma once
// A small plant database for the DMS tests: two packs, two flavours, and helpers that add runs,
// per-minute production and downtime events at given serials.
#include "base/EventPump.h"
#include "base/ReportGrid.h"
#include "support/TestSupport.h"
#include "text/DaySerial.h"
#include "text/ProgressText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace nax::test {

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

    // Run 1 on 04-Dec-26 06:00-14:00 on tag 1 (Filler), 300 minutes of 100 cases of 24, and a
    // planned stop on that tag from 07:00 to 07:30.
    void addPlannedStopRun() {
        exec(*db, "insert into Tag_Master values (1,'Filler')");
        addRun(1, dec5(6) - 1, dec5(14) - 1, "100", "24");
        addProduction(1, dec5(6) - 1, 300, 100);
        addEvent(1, dec5(7) - 1, dec5(7, 30) - 1, quoted("Planned Loss"));
        exec(*db, "update TimeLost set Tag_ID = 1");
    }

    ReportGrid runGrid, detailGrid;
    NoEventPump pump;
};

// A data collector on a second connection, without a busy timeout, that commits a production row
// at every progress step and whenever events are let through: it fails whenever a statement of
// the report is still open then.
class CommittingProgress : public SilentProgress, public EventPump {
public:
    explicit CommittingProgress(DbConnection& collector) : collector_(collector) {}
    void ProgressNextValue(std::string_view text) override {
        SilentProgress::ProgressNextValue(text);
        processEvents();
    }
    void processEvents() override {
        const auto committed = collector_.execute("insert into opc (Run_ID, Production) values (99, 1)");
        EXPECT_TRUE(committed) << (committed ? "" : committed.error().message);
        ++commits;
    }
    int commits = 0;

private:
    DbConnection& collector_;
};

// Progress, or an event pump, that reports the program ending once `steps` steps were taken.
class EndingProgress : public SilentProgress, public EventPump {
public:
    explicit EndingProgress(int steps) : steps_(steps) {}
    void ProgressNextValue(std::string_view text) override {
        SilentProgress::ProgressNextValue(text);
        --steps_;
    }
    void processEvents() override { --steps_; }
    bool abandoned() const override { return steps_ <= 0; }

private:
    int steps_;
};

// Records every statement sent to the connection while it lives.
class StatementLog {
public:
    explicit StatementLog(DbConnection& db) : db_(db) {
        db.setStatementObserver([this](std::string_view sql) { statements.emplace_back(sql); });
    }
    ~StatementLog() { db_.setStatementObserver(nullptr); }

    void expectSent(const std::vector<std::string>& expected) const { EXPECT_EQ(statements, expected); }
    size_t sent() const { return statements.size(); }

private:
    DbConnection& db_;
    std::vector<std::string> statements;
};

} // namespace nax::test
