// The day-wise DMS report against the worked figures of the loss analysis.
#include "dms/DailyDms.h"
#include "DmsFixture.h"
#include "dms/DmsLayouts.h"
#include "shell/DbConnection.h"
#include "shell/Dialect.h"

#include <gtest/gtest.h>

namespace nax {
namespace {

using test::dec5;
using test::kMinute;
using test::quoted;

// Counts steps and remembers whether the run grid was hidden while rows were added.
class WatchingProgress : public SilentProgress {
  public:
    explicit WatchingProgress(const ReportGrid& grid) : grid_(grid) {}
    void ProgressNextValue(std::string_view text) override {
        SilentProgress::ProgressNextValue(text);
        if (grid_.visible()) shownWhileFilling = true;
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
    std::vector<std::string> row(int r) const {
        std::vector<std::string> cells;
        for (int c = 0; c < runGrid.cols(); ++c)
            cells.emplace_back(runGrid.cell(r, c));
        return cells;
    }
    std::string cell(int r, int c) const { return std::string(runGrid.cell(r, c)); }
    ReportGrid runGrid, detailGrid;
    float maximum = 0, steps = 0;
};

TEST_F(DailyDms, RunOf480MinutesWithLackOfSalesAndPlannedLoss) {
    addRun(1, dec5(6), dec5(14), "100", "24");
    addProduction(1, dec5(6), 300, 100); // 30000 units: 300 minutes earned
    addEvent(1, dec5(7), dec5(7, 30), quoted("Lack of Sales"));
    addEvent(1, dec5(9), dec5(9, 50), quoted("Planned Loss"));
    ASSERT_TRUE(run());
    ASSERT_EQ(runGrid.rows(), 2);
    const std::vector<std::string> expected = {"1",
                                               "PET 500",
                                               "Cola",
                                               "120",
                                               "100",
                                               "24",
                                               "05-Dec-26 06:00",
                                               "05-Dec-26 14:00",
                                               "1250",
                                               "30",
                                               "0",
                                               "50",
                                               "0",
                                               "0",
                                               "0",
                                               "100",
                                               "180",
                                               "480",
                                               "300",
                                               "05-Dec-26",
                                               "Saturday",
                                               "December",
                                               "2026",
                                               "49",
                                               "0",
                                               "75",
                                               "66.67",
                                               "0"};
    EXPECT_EQ(row(1), expected);
}

TEST_F(DailyDms, ProductionSumsEveryTagAndEndsInWholeCases) {
    addRun(2, dec5(6), dec5(8), "100", "24");
    addProduction(2, dec5(6), 50, 100, 1);
    addProduction(2, dec5(6), 30, 100, 2);
    ASSERT_TRUE(run());
    EXPECT_EQ(cell(1, 18), "80"); // 8000 / 100
    EXPECT_EQ(cell(1, 8), "333"); // 8000 / 24 = 333.33
    EXPECT_EQ(cell(1, 16), "40"); // 120 - 80
    EXPECT_EQ(cell(1, 15), "40");
}

TEST_F(DailyDms, MePercentageAndItsThreshold) {
    addRun(1, dec5(0), dec5(1), "100", "10"); // 60 minutes, all of them lost to sales and planning
    addProduction(1, dec5(0), 20, 100);
    addEvent(1, dec5(0, 10), dec5(0, 50), quoted("Lack of Sales"));
    addEvent(1, dec5(0, 50), dec5(1, 10), quoted("Planned Loss"));
    addRun(2, dec5(2), dec5(2) + 100 * kMinute, "100", "10");
    addProduction(2, dec5(2), 85, 100);
    addRun(3, dec5(5), dec5(5) + 100 * kMinute, "100", "10");
    addProduction(3, dec5(5), 90, 100);
    addRun(4, dec5(8), dec5(9), "10", "10"); // losses above Lost Time
    addProduction(4, dec5(8), 50, 10);
    addEvent(4, dec5(8, 10), dec5(8, 35), quoted("Equipment Loss"));
    ASSERT_TRUE(run());
    ASSERT_EQ(runGrid.rows(), 5);
    EXPECT_EQ(cell(1, 25), ""); // divisor 60 - (40 + 20) is 0
    EXPECT_EQ(cell(1, 27), "");
    EXPECT_EQ(cell(1, 26), "100"); // 20 / (60 - 40)
    EXPECT_EQ(cell(2, 25), "85");
    EXPECT_EQ(cell(2, 27), "0"); // 85 is not above 85
    EXPECT_EQ(cell(3, 27), "1");
    EXPECT_EQ(cell(4, 16), "10");  // 60 - 50
    EXPECT_EQ(cell(4, 15), "-15"); // 10 - 25
}

TEST_F(DailyDms, LossStructuresMatchTrimmedAndWithoutCase) {
    addRun(1, dec5(6), dec5(8), "100", "24");
    addProduction(1, dec5(6), 60, 100); // earned 60, lost 60
    const double at = dec5(6);
    addEvent(1, at, at + 10 * kMinute, quoted("  Lack of Sales "));
    addEvent(1, at, at + 5 * kMinute, quoted("lack of sales"));
    addEvent(1, at, at + 7 * kMinute, quoted("   ")); // blank: Equipment Loss
    addEvent(1, at, at + 3 * kMinute, quoted("Equipment Loss"));
    addEvent(1, at, at + 4 * kMinute, "NULL");              // in no category
    addEvent(1, at, at + 6 * kMinute, quoted("Breakdown")); // in no category
    addEvent(1, at, at + 8 * kMinute, quoted("Operational Loss"));
    addEvent(1, at, at + 2 * kMinute, quoted("Minor Stoppage"));
    addEvent(1, at, at + 1 * kMinute, quoted("QA Loss "));
    addEvent(2, at, at + 9 * kMinute, quoted("Planned Loss")); // another run
    ASSERT_TRUE(run());
    std::vector<std::string> got;
    for (int c = 9; c <= 16; ++c)
        got.push_back(cell(1, c));
    EXPECT_EQ(got, (std::vector<std::string>{"15", "10", "0", "8", "2", "1", "24", "60"}));
}

TEST_F(DailyDms, SpeedLossAddsTheCategoriesInSinglePrecision) {
    // 131072.01 minutes is 131072.015625 as a single; the row shows 131073 - that.
    const double start = 46000;
    addRun(1, start, start + 131073 * kMinute, "100", "24");
    addEvent(1, start, start + 131072.01 * kMinute, quoted("Operational Loss"));
    ASSERT_TRUE(run(start, start + 100));
    EXPECT_EQ(cell(1, 12), "131072.01");
    EXPECT_EQ(cell(1, 16), "131073");
    EXPECT_EQ(cell(1, 15), "0.98");
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
    EXPECT_EQ(cell(1, 0), "1");
    EXPECT_EQ(maximum, 2.0f); // the count still holds the run without a pack
    EXPECT_EQ(steps, 1.0f);
}

TEST_F(DailyDms, RunWithoutSpeedOrCaseCountKeepsWhatCanBeComputed) {
    addRun(1, dec5(6), dec5(7), "0", "NULL");
    addProduction(1, dec5(6), 10, 50);
    addEvent(1, dec5(6, 5), dec5(6, 15), quoted("QA Loss"));
    addRun(2, dec5(8), dec5(9), "NULL", "0");
    addRun(3, dec5(10), dec5(11), "100", "24");
    addProduction(3, dec5(10), 48, 100);
    ASSERT_TRUE(run());
    ASSERT_EQ(runGrid.rows(), 4);
    EXPECT_EQ(cell(1, 8), "500"); // units stay: no case count
    EXPECT_EQ(cell(1, 14), "10");
    EXPECT_EQ(cell(1, 17), "60");
    for (const int c : {15, 16, 18, 25, 26, 27})
        EXPECT_EQ(cell(1, c), "") << c;
    EXPECT_EQ(cell(1, 23), "49");
    EXPECT_EQ(cell(2, 4), "");
    EXPECT_EQ(cell(2, 8), "0");
    EXPECT_EQ(cell(3, 18), "48");
    EXPECT_EQ(cell(3, 8), "200");
    EXPECT_EQ(cell(3, 25), "80");
}

TEST_F(DailyDms, SendsTheStatementsAsWritten) {
    addRun(7, dec5(6), dec5(7), "100", "24");
    test::StatementLog log(*db);
    ASSERT_TRUE(run());
    std::vector<std::string> sent;
    for (const auto& s : log.statements)
        if (s.rfind("PRAGMA", 0) != 0) sent.push_back(s);
    const std::string where = " where Run_no =7 and  trim([Loss_Structure]) ='";
    const std::vector<std::string> expected = {
        "SELECT count(Run_master.Run_ID) FROM Run_master where Start_Time >= 46361 and end_time>0 and "
        "End_time "
        "<=46362 ",
        "SELECT Run_master.Run_ID, Pack_Master.Pack, Flavor_Master.Flavor, Run_master.CSpeed, "
        "Run_master.USpeed, "
        "Run_master.CaseCount, Run_master.Start_Time, Run_master.End_Time FROM Flavor_Master INNER JOIN "
        "(Pack_Master INNER JOIN Run_master ON Pack_Master.Pack_ID = Run_master.Pack_ID) ON "
        "Flavor_Master.Flavor_Id "
        "= Run_master.Flavor_ID where Start_Time >= 46361 and end_time>0 and End_time <=46362 Order by "
        "Run_master.Run_ID",
        "select Sum(Production) from opc  where Run_id =7",
        "select Sum(Time_Lost) *60 *24 from TimeLost " + where + "Lack of Sales'",
        "select Sum(Time_Lost) *60 *24 from TimeLost  where Run_no =7 and   trim([Loss_Structure]) in "
        "('Equipment "
        "Loss','')",
        "select Sum(Time_Lost) *60 *24 from TimeLost " + where + "Planned Loss'",
        "select Sum(Time_Lost) *60 *24 from TimeLost " + where + "Operational Loss'",
        "select Sum(Time_Lost) *60 *24 from TimeLost " + where + "Minor Stoppage'",
        "select Sum(Time_Lost) *60 *24 from TimeLost " + where + "QA Loss'",
        "select * from TimeLost where run_no =7  order by Run_no",
    };
    ASSERT_EQ(sent.size(), expected.size());
    for (size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ(sent[i], caseInsensitiveStatement(expected[i])) << i;
}

TEST_F(DailyDms, DetailGridHoldsTheEventsRunAfterRun) {
    SetDowntimeGrid(detailGrid);
    detailGrid.addRow({"stale"});
    addRun(2, dec5(6), dec5(7), "100", "24");
    addRun(1, dec5(8), dec5(9), "100", "24");
    addEvent(2, dec5(6, 10), dec5(6, 20), quoted("QA Loss"));
    addEvent(1, dec5(8, 10), dec5(8, 20), quoted("QA Loss"));
    addEvent(1, dec5(8, 30), dec5(8, 40), quoted("QA Loss"));
    addEvent(3, dec5(8, 30), dec5(8, 40), quoted("QA Loss")); // no such run in the report
    ASSERT_TRUE(run());
    ASSERT_EQ(detailGrid.rows(), 4);
    EXPECT_EQ(detailGrid.cell(0, 0), "Run No");
    EXPECT_EQ(detailGrid.cell(1, 0), "1");
    EXPECT_EQ(detailGrid.cell(2, 0), "1");
    EXPECT_EQ(detailGrid.cell(3, 0), "2");
}

TEST_F(DailyDms, DatabaseFailureIsReturnedAndRowsSoFarStay) {
    addRun(1, dec5(6), dec5(7), "100", "24");
    test::exec(*db, "drop table TimeLost");
    const auto done = run();
    ASSERT_FALSE(done);
    EXPECT_FALSE(done.error().refusal);
    EXPECT_EQ(runGrid.rows(), 2);
}

} // namespace
} // namespace nax
