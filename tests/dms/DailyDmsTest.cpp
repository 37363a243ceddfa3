// The day-wise DMS report against the worked figures of the loss analysis.
#include "dms/DailyDms.h"
#include "DmsFixture.h"
#include "dms/DmsLayouts.h"
#include "text/ProgressText.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace nax {
namespace {

// Counts steps and remembers whether the run grid was shown while rows were added.
class WatchingProgress : public SilentProgress {
public:
    explicit WatchingProgress(const ReportGrid& grid) : grid_(grid) {}
    void ProgressNextValue(std::string_view text) override {
        SilentProgress::ProgressNextValue(text);
        shownWhileFilling = shownWhileFilling || grid_.visible();
    }
    bool shownWhileFilling = false;

private:
    const ReportGrid& grid_;
};

class DailyDms : public test::DmsDatabase {
protected:
    Result<void> run(double start = dec5(0), double end = dec5(0) + 1) {
        WatchingProgress progress(runGrid);
        auto done = DailyDMSReport(*db, runGrid, detailGrid, start, end, progress);
        maximum = progress.state().maximum();
        steps = progress.state().value();
        EXPECT_FALSE(progress.shownWhileFilling);
        EXPECT_TRUE(runGrid.visible());
        return done;
    }
    float maximum = 0, steps = 0;
};

TEST_F(DailyDms, RunOf480MinutesWithLackOfSalesAndPlannedLoss) {
    addRun(1, dec5(6), dec5(14), "100", "24");
    addProduction(1, dec5(6), 300, 100); // 30000 units: 300 minutes earned
    addEvent(1, dec5(7), dec5(7, 30), quoted("Lack of Sales"));
    addEvent(1, dec5(9), dec5(9, 50), quoted("Planned Loss"));
    ASSERT_TRUE(run());
    ASSERT_EQ(runGrid.rows(), 2);
    EXPECT_EQ(cells(1),
              "1|PET 500|Cola|120|100|24|05-Dec-26 06:00|05-Dec-26 14:00|1250|30|0|50|0|0|0|100|180|480|"
              "300|05-Dec-26|Saturday|December|2026|49|0|75|66.67|0");
}

// Row 1: 8000 units from two tags; row 2: ME empty; rows 3 and 4: ME 85 and 90 against ">85";
// row 5: losses above Lost Time give a negative Speed Loss.
TEST_F(DailyDms, EarnedTimeMeAndTheThreshold) {
    addRun(1, dec5(0), dec5(2), "100", "24");
    addProduction(1, dec5(0), 50, 100, 1);
    addProduction(1, dec5(0), 30, 100, 2);    // every tag counts
    addRun(2, dec5(3), dec5(4), "100", "10"); // 60 minutes, all of them lost to sales and planning
    addProduction(2, dec5(3), 20, 100);
    addEvent(2, dec5(3, 10), dec5(3, 50), quoted("Lack of Sales"));
    addEvent(2, dec5(3, 50), dec5(4, 10), quoted("Planned Loss"));
    addRun(3, dec5(5), dec5(5) + 100 * kMinute, "100", "10");
    addProduction(3, dec5(5), 85, 100);
    addRun(4, dec5(8), dec5(8) + 100 * kMinute, "100", "10");
    addProduction(4, dec5(8), 90, 100);
    addRun(5, dec5(11), dec5(12), "10", "10");
    addProduction(5, dec5(11), 50, 10);
    addEvent(5, dec5(11, 10), dec5(11, 35), quoted("Equipment Loss"));
    ASSERT_TRUE(run());
    ASSERT_EQ(runGrid.rows(), 6);
    // Production in cases, Speed Loss, Lost Time, Earned, ME, NAX, >85.
    const std::vector<int> figures = {8, 15, 16, 18, 25, 26, 27};
    EXPECT_EQ(cells(1, figures), "333|40|40|80|66.67|66.67|0"); // 8000 / 24, 120 - 80
    EXPECT_EQ(cells(2, figures), "200|-20|40|20||100|");        // divisor 60 - (40 + 20) is 0
    EXPECT_EQ(cells(3, figures), "850|15|15|85|85|85|0");       // 85 is not above 85
    EXPECT_EQ(cells(4, figures), "900|10|10|90|90|90|1");
    EXPECT_EQ(cells(5, figures), "50|-15|10|50|83.33|83.33|0"); // 10 - 25
}

TEST_F(DailyDms, OnlyRunsInsideTheWindowAndWithMastersAreListed) {
    const double s = dec5(0), e = dec5(0) + 1;
    addRun(1, s, e, "100", "24");                           // exactly the window
    addRun(2, s + kMinute, e + kMinute, "100", "24");       // ends a minute late
    addRun(3, s - kMinute, e - kMinute, "100", "24");       // starts a minute early
    addRun(4, s + kMinute, 0, "100", "24");                 // still going
    addRun(5, s + kMinute, e - kMinute, "100", "24", 9, 1); // no such pack
    ASSERT_TRUE(run(s, e));
    ASSERT_EQ(runGrid.rows(), 2);
    EXPECT_EQ(cells(1, {0}), "1");
    EXPECT_EQ(maximum, 2.0f); // the count still holds the run without a pack
    EXPECT_EQ(steps, 1.0f);
}

// Each table is read once for all runs of the range, not once per run.
TEST_F(DailyDms, ReadsEachTableOnceWhateverTheNumberOfRuns) {
    for (const int id : {7, 9, 12}) {
        addRun(id, dec5(id), dec5(id) + 0.02, "100", "24");
        addProduction(id, dec5(id), 10, 100);
    }
    test::StatementLog log(*db);
    ASSERT_TRUE(run());
    const std::string runs = " where Start_Time >= 46361 and end_time>0 and End_time <=46362 ";
    std::string losses = "select Run_no";
    for (const char* name : {"='Lack of Sales'", "in ('Equipment Loss','')", "='Planned Loss'",
                             "='Operational Loss'", "='Minor Stoppage'", "='QA Loss'"})
        losses += std::string(", Sum(iif(trim([Loss_Structure]) ") + name + ",Time_Lost,Null)) *60 *24";
    log.expectSent(
        {"SELECT count(Run_master.Run_ID) FROM Run_master" + runs,
         "SELECT Run_master.Run_ID, Pack_Master.Pack, Flavor_Master.Flavor, Run_master.CSpeed, "
         "Run_master.USpeed, Run_master.CaseCount, Run_master.Start_Time, Run_master.End_Time FROM "
         "Flavor_Master INNER JOIN (Pack_Master INNER JOIN Run_master ON Pack_Master.Pack_ID = "
         "Run_master.Pack_ID) ON Flavor_Master.Flavor_Id = Run_master.Flavor_ID" +
             runs + "Order by Run_master.Run_ID",
         // Without an index, production is read in rowid slices: one here.
         "EXPLAIN QUERY PLAN select Sum(Production) from opc where Run_id between 7 and 12",
         "select (select min(rowid) from opc), (select max(rowid) from opc)",
         "select Run_id, Sum(Production) from opc where rowid between 1 and 30 and Run_id between 7 and 12 "
         "group by Run_id",
         losses + " from TimeLost where Run_no between 7 and 12 group by Run_no",
         "select * from TimeLost where Run_no between 7 and 12 order by Run_no"});
    EXPECT_EQ(runGrid.rows(), 4);
}

TEST_F(DailyDms, DetailGridHoldsTheEventsRunAfterRun) {
    SetDowntimeGrid(detailGrid);
    detailGrid.addRow({"stale"});
    addRun(2, dec5(6), dec5(7), "100", "24");
    addRun(1, dec5(8), dec5(9), "100", "24");
    const std::pair<int, int> events[] = {{2, 370}, {1, 490}, {1, 510}, {3, 510}}; // run 3 is not listed
    for (const auto& [runNo, minute] : events)
        addEvent(runNo, dec5(0) + minute * kMinute, dec5(0) + (minute + 10) * kMinute, quoted("QA Loss"));
    ASSERT_TRUE(run());
    ASSERT_EQ(detailGrid.rows(), 4);
    EXPECT_EQ(detailGrid.cell(0, 0), "Run No");
    EXPECT_EQ(test::rowsOf(detailGrid, 1, {0}), "1\n1\n2\n");

    test::exec(*db, "drop table TimeLost");
    const auto done = run();
    ASSERT_FALSE(done);
    EXPECT_FALSE(done.error().refusal);
    EXPECT_EQ(runGrid.rows(), 1); // no run is shown with losses it could not read
}

// A lookup that fails ends the report with the engine's error: no run shows a production or a
// loss of 0 that was never measured.
TEST_F(DailyDms, FailedLookupEndsTheReportWithTheEnginesError) {
    addRun(1, dec5(6), dec5(7), "100", "24");
    addProduction(1, dec5(6), 10, 100);
    addEvent(1, dec5(6, 10), dec5(6, 20), quoted("QA Loss"));
    const std::pair<const char*, const char*> damages[] = {
        {"alter table TimeLost drop column Loss_Structure", "no such column: Loss_Structure"},
        {"drop table opc", "no such table: opc"}};
    for (const auto& [damage, message] : damages) {
        test::exec(*db, damage);
        const auto done = run();
        ASSERT_FALSE(done) << damage;
        EXPECT_EQ(done.error().code, SQLITE_ERROR);
        EXPECT_EQ(done.error().message, message);
        EXPECT_FALSE(done.error().refusal);
        EXPECT_EQ(runGrid.cell(0, 0), "Run No");
        for (int r = 1; r < runGrid.rows(); ++r)
            EXPECT_NE(runGrid.cell(r, 8), "0") << damage;
    }
}

// The user ends the program while the report lets events through: it stops at once.
TEST_F(DailyDms, AbandonedReportStopsAtOnceWritingNothingMore) {
    for (const int id : {1, 2, 3})
        addRun(id, dec5(id), dec5(id) + 0.02, "100", "24");
    test::EndingProgress progress(2);
    const auto done = DailyDMSReport(*db, runGrid, detailGrid, dec5(0), dec5(0) + 1, progress);
    ASSERT_FALSE(done);
    EXPECT_TRUE(done.error().abandoned);
    EXPECT_EQ(runGrid.rows(), 2); // the first run only
}

// A data collector commits while the report lets events through: no statement of the report
// is open then.
TEST_F(DailyDms, CollectorCommitsWhileEventsAreLetThrough) {
    for (const int id : {1, 2, 3}) {
        addRun(id, dec5(id), dec5(id) + 0.02, "100", "24");
        addProduction(id, dec5(id), 5, 10);
        addEvent(id, dec5(id), dec5(id) + 0.01, quoted("QA Loss"));
    }
    auto collector = DbConnection::open(db->path(), OpenOptions{0, false});
    ASSERT_TRUE(collector);
    test::CommittingProgress progress(**collector);
    ASSERT_TRUE(DailyDMSReport(*db, runGrid, detailGrid, dec5(0), dec5(0) + 1, progress));
    EXPECT_EQ(test::scalar(*db, "select count(*) from opc where Run_ID = 99"), "3");
}

} // namespace
} // namespace nax
