// The three production reports against figures worked out by hand on a small plant.
#include "ReportsFixture.h"
#include "reports/ReportKinds.h"
#include "simulate/PlantSchema.h"
#include "support/NaxReportProcess.h"
#include "text/ProgressText.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace nax {
namespace {

using test::exec;

class ProductionReports : public test::ReportsDatabase {
protected:
    std::string row(int r, std::vector<int> cols = {}) const {
        return test::joined(grid, r, std::move(cols));
    }
    std::string rows() const { return test::rowsOf(grid, 1); }
    ReportGrid grid;
    SilentProgress progress;
};

TEST_F(ProductionReports, RunSummaryListsRunsThatStartedInsideWithAllTheirTagOneBottles) {
    addRun(1, dec5(5, 59), dec5(7), "100", "24"); // one minute early: left out though it produced inside
    addProduction(1, dec5(6), 10, 10);
    addRun(2, dec5(6), dec5(8), "100", "24"); // starts on the range start
    addProduction(2, dec5(6), 10, 7);
    addProduction(2, dec5(6), 5, 1000, 2); // another tag's rows do not count
    addRun(9, dec5(7, 30), dec5(8, 30), "50", "12");
    addProduction(9, dec5(7, 40), 1, 50);
    addRun(5, dec5(7, 30), dec5(9), "NULL", "NULL", 2, 2); // same start: the lower run first
    addProduction(5, dec5(7, 30), 2, 1, 1, "C", 2, 2);
    addRun(4, dec5(9), dec5(10), "100", "24"); // no tag-1 rows
    addProduction(4, dec5(9), 3, 40, 2);
    addRun(3, dec5(12), 0, "100", "24"); // starts on the range end, still open
    addProduction(3, dec5(12), 3, 5);    // its bottles after the range end count too

    ASSERT_TRUE(RunSummaryReport(*db, grid, morning, 13320, progress));
    EXPECT_EQ(rows(), "2|05-Dec-26 06:00|05-Dec-26 08:00|PET 500|Cola|120|100|24|70\n"
                      "5|05-Dec-26 07:30|05-Dec-26 09:00|Can 330|Lemon|120|||2\n"
                      "9|05-Dec-26 07:30|05-Dec-26 08:30|PET 500|Cola|120|50|12|50\n"
                      "3|05-Dec-26 12:00|05-Dec-26 13:45|PET 500|Cola|120|100|24|15\n");
    EXPECT_EQ(row(0), "Run|Start_Time|End_Time|Pack_ID|Flavor_ID|CSpeed|USpeed|CaseCount|Production");
    EXPECT_EQ(progress.caption(), "100%[4 / 4]05-Dec-26 12:00"); // counted as listed, the start shown
    EXPECT_TRUE(grid.visible());
}

TEST_F(ProductionReports, ProductionListsTagOneMinutesInsideInTimeThenRunOrder) {
    addProduction(8, dec5(6), 2, 30, 1, "B");        // 06:00 and 06:01 of run 8, written first
    addProduction(3, dec5(6), 1, 20, 1, "B");        // 06:00 of run 3: before run 8's
    addProduction(3, dec5(5, 59), 1, 99);            // before the range
    addProduction(3, dec5(12), 2, 11, 1, "C", 2, 2); // on the range end, and one minute after
    addProduction(3, dec5(7), 1, 500, 2);            // another tag
    addProduction(3, dec5(8), 1, 60, 1, "B", 7, 1);  // pack without master row: counted, not listed
    exec(*db, "update opc set UTimeLost = 0.5, CTimeLost = 3, Shift_ID = NULL where Production = 20");

    ASSERT_TRUE(ProductionReport(*db, grid, morning, 13320, progress));
    EXPECT_EQ(row(0), "Time|Run|Shift|Pack|Flavor|Bottles|U Time Lost|C Time Lost");
    EXPECT_EQ(rows(), "05-Dec-26 06:00|3||PET 500|Cola|20||\n"
                      "05-Dec-26 06:00|8|B|PET 500|Cola|30||\n"
                      "05-Dec-26 06:01|8|B|PET 500|Cola|30||\n"
                      "05-Dec-26 12:00|3|C|Can 330|Lemon|11||\n");
    EXPECT_EQ(progress.caption(), "80%[4 / 5]05-Dec-26 12:00");
}

TEST_F(ProductionReports, DowntimeListsEventsStartedInsideWithMinutesToTwoDecimals) {
    addTaggedEvent(7, 1, dec5(7), 90, "'Filler'", "'Valve leak'");
    addTaggedEvent(5, 2, dec5(7), 20);         // same start: the lower id first; not classified
    addTaggedEvent(3, 1, dec5(5, 59), 600);    // started before the range, ended inside
    addTaggedEvent(4, 1, dec5(12), 12.5 * 60); // on the range end
    addTaggedEvent(6, 9, dec5(8), 60);         // tag without master row
    addTaggedEvent(2, 1, dec5(6), 180);
    exec(*db, "update TimeLost set Time_Lost = NULL, DT_End = NULL where Dt_ID = 2");
    exec(*db, "update TimeLost set A_Operator='Ravi', Executive='Mala', Remarks='seal', Other1='o1', "
              "Other2='o2' where Dt_ID = 7");

    ASSERT_TRUE(DowntimeReport(*db, grid, morning, 13320, progress));
    EXPECT_EQ(row(0), "Tag|Run|Pack|Flavor|Start Time|End Time|Time Lost (mins)|Asset|Failure|Operator|"
                      "Executive|Remarks|Other1|Other2");
    EXPECT_EQ(rows(), "Filler|2|PET 500|Cola|05-Dec-26 06:00:00|||||||||\n"
                      "Labeller|2|PET 500|Cola|05-Dec-26 07:00:00|05-Dec-26 07:00:20|0.33|||||||\n"
                      "Filler|2|PET 500|Cola|05-Dec-26 07:00:00|05-Dec-26 07:01:30|1.5|Filler|Valve "
                      "leak|Ravi|Mala|seal|o1|o2\n"
                      "Filler|2|PET 500|Cola|05-Dec-26 12:00:00|05-Dec-26 12:12:30|12.5|||||||\n");
    EXPECT_EQ(progress.caption(), "100%[4 / 4]05-Dec-26 12:00:00");
}

TEST_F(ProductionReports, WidthsAreSharesOfTheGridWidthHalvesToEven) {
    auto widths = [&] {
        std::vector<int> all;
        for (int c = 0; c < grid.cols(); ++c)
            all.push_back(grid.colWidth(c));
        return all;
    };
    setRunSummaryColumns(grid, 13320);
    EXPECT_EQ(widths(), (std::vector<int>{666, 2664, 2664, 666, 666, 666, 666, 666, 2664}));
    setProductionColumns(grid, 13320);
    EXPECT_EQ(widths(), (std::vector<int>{2664, 666, 666, 666, 666, 1998, 0, 0}));
    // Columns 9 to 13 of the downtime report keep what they had.
    setRunSummaryColumns(grid, 13320);
    setDowntimeReportColumns(grid, 13320);
    const int keep = ReportGrid::kDefaultWidth;
    EXPECT_EQ(widths(), (std::vector<int>{666, 666, 666, 666, 1998, 1998, 1332, 1332, 2664, keep, keep, keep,
                                          keep, keep}));
    EXPECT_EQ(shareOfWidth(13330, 0.05), 666);  // 666.5
    EXPECT_EQ(shareOfWidth(13350, 0.05), 668);  // 667.5
    EXPECT_EQ(shareOfWidth(13330, 0.15), 2000); // 1999.5
    EXPECT_EQ(shareOfWidth(13310, 0.15), 1996); // 1996.5
}

TEST_F(ProductionReports, FailureOrAbandonmentKeepsTheRowsListedSoFarAndAMissingTableFails) {
    exec(*db, reportIndexSql()); // rows come one by one in start order, as from a real plant
    addTaggedEvent(1, 1, dec5(7), 60);
    addTaggedEvent(2, 1, dec5(8), 60);
    addTaggedEvent(3, 1, dec5(9), 60);
    exec(*db, "update TimeLost set DT_End = 1e9 where Dt_ID = 3"); // a date the engine cannot format

    auto failed = DowntimeReport(*db, grid, morning, 13320, progress);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().message, "Overflow");
    EXPECT_FALSE(failed.error().abandoned);
    EXPECT_EQ(grid.rows(), 3);
    EXPECT_EQ(row(2, {4}), "05-Dec-26 08:00:00");
    EXPECT_TRUE(grid.visible());

    test::EndingProgress ending(1);
    auto abandoned = DowntimeReport(*db, grid, morning, 13320, ending);
    ASSERT_FALSE(abandoned);
    EXPECT_TRUE(abandoned.error().abandoned);
    EXPECT_EQ(grid.rows(), 2);

    // A missing table is an error, not an empty report.
    addRun(2, dec5(6), dec5(8), "100", "24"); // so that the run summary reads opc
    exec(*db, "alter table opc rename to opc_gone");
    for (const auto& kind : kProductionReportKinds) {
        auto failed = kind.run(*db, grid, morning, 13320, progress);
        if (kind.caption == "Downtime") continue; // reads no opc
        ASSERT_FALSE(failed) << kind.caption;
        EXPECT_EQ(failed.error().code, SQLITE_ERROR);
        EXPECT_EQ(failed.error().message.rfind("no such table: ", 0), 0u) << kind.caption;
        EXPECT_EQ(grid.rows(), 1);
        EXPECT_TRUE(grid.visible());
    }
}

TEST_F(ProductionReports, NaxReportPrintsTheGridsAndExitsOneOnAFailure) {
    addRun(3, dec5(12), 0, "100", "24");
    addProduction(3, dec5(12), 2, 5);
    addTaggedEvent(1, 1, dec5(7), 90);
    const QString db = QString::fromStdString(this->db->path());
    const QString range = QStringLiteral("|--db|$db|--from|2026-12-05 06:00|--to|2026-12-05 12:00");
    // Each report's last row: the clock of --now ends the open run; csv has its own separators.
    const std::pair<QString, QString> runs[] = {
        {QStringLiteral("run-summary|--now|2026-12-06 01:30"),
         QStringLiteral("\n3\t05-Dec-26 12:00\t06-Dec-26 01:30\tPET 500\tCola\t120\t100\t24\t10\n")},
        {QStringLiteral("production|--format|csv"),
         QStringLiteral("\r\n05-Dec-26 12:00,3,B,PET 500,Cola,5,,\r\n")},
        {QStringLiteral("downtime"), QStringLiteral("\t05-Dec-26 07:01:30\t1.5\t\t\t\t\t\t\t\n")}};
    for (const auto& [args, ending] : runs) {
        const auto run = test::runNaxReport(args + range, db);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.endsWith(ending)) << run.out.toStdString();
    }

    exec(*this->db, "alter table Tag_Master rename column TagName to Name");
    const auto run = test::runNaxReport(QStringLiteral("downtime") + range, db);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QStringLiteral("Error 1: no such column: Tag_Master.TagName\n"));
    EXPECT_TRUE(run.out.isEmpty());
}

} // namespace
} // namespace nax
