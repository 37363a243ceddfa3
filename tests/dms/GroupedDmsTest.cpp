// The grouped DMS reports against the per-run lookups they replace, and the production listing
// read in short statements against its one statement, cell for cell, on random untidy plant
// databases with and without the report indexes.
#include "DmsFixture.h"
#include "PerRunReference.h"
#include "dms/DailyDms.h"
#include "dms/ShiftDms.h"
#include "reports/ProductionReport.h"
#include "reports/RunSummaryReport.h"
#include "simulate/PlantSchema.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"
#include "text/ProgressText.h"

#include <gtest/gtest.h>

#include <random>

namespace nax {
namespace {

// Everything a collector and years of hand edits can leave behind: NULLs, loss names with
// blanks and any case, events across hours and runs, ending before they start or never, zero
// and missing speeds, runs without masters or still open, production of runs nobody listed.
class UntidyPlant {
public:
    UntidyPlant(DbConnection& db, unsigned seed) : db_(db), random_(seed) {}

    void fill(double from, int days) {
        test::exec(db_, "insert into Pack_Master values (1,'PET 500'),(2,'Can 330'),(3,NULL);"
                        "insert into Flavor_Master values (1,'Cola'),(2,'lemon ')");
        std::string runs, production, events;
        double at = from;
        for (int id = 1; at < from + days; id += 1 + pick(2)) {
            const double start = at + pick(90) * kMinute;
            const double end = start + (20 + pick(600)) * kMinute;
            at = end + pick(60) * kMinute - 30 * kMinute;       // runs may overlap
            const int pack = 1 + pick(4), flavor = 1 + pick(3); // 4 and 3 have no master row
            const bool open = pick(12) == 0;
            runs += sep(runs) + "(" + std::to_string(id) + "," + lit(start) + "," +
                    (open ? std::string(pick(2) ? "0" : "NULL") : lit(end)) + "," + std::to_string(pack) +
                    "," + std::to_string(flavor) + ",120," +
                    oneOf({"0", "NULL", "40", "100", "37.5", "250"}) + "," +
                    oneOf({"0", "NULL", "24", "12", "6"}) + ")";
            addProduction(production, id, start, end, pack, flavor);
            const int eventCount = pick(9);
            for (int e = 0; e < eventCount; ++e)
                addEvent(events, id, start, end);
        }
        addProduction(production, 9999, from, from + 0.2, 1, 1); // a run without a master row
        addEvent(events, 9999, from, from + 0.2);
        test::exec(db_, "insert into Run_master values " + runs);
        test::exec(db_, "insert into opc (Timestamp, Tag_id, Run_ID, Shift_ID, Pack_ID, Flavor_Id, "
                        "Production) values " +
                            production);
        test::exec(db_, "insert into TimeLost (Run_no, Pack, Flavor, DT_Start, DT_End, Time_Lost, Asset, "
                        "Loss_Structure, Remarks) values " +
                            events);
    }

private:
    static constexpr double kMinute = 1.0 / 1440;
    static std::string lit(double value) {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.17g", value);
        return buffer;
    }
    static std::string sep(const std::string& list) { return list.empty() ? "" : ","; }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    std::string oneOf(std::initializer_list<const char*> choices) {
        return *(choices.begin() + pick(static_cast<int>(choices.size())));
    }

    // The minute `minute` of the hour of `serial`, as the reports write it into their statements.
    static double windowEdge(double serial, const std::string& minute) {
        const DateParts p = serialToParts(serial);
        const double hour = partsToSerial(p.year, p.month, p.day, p.hour, 0);
        return *parseNumber(formatGeneral(hour + std::stod(minute) * kMinute));
    }

    void addProduction(std::string& sql, int run, double start, double end, int pack, int flavor) {
        for (double t = start; t < end; t += (1 + pick(6)) * kMinute) {
            const std::string units = pick(25) == 0 ? "NULL" : std::to_string(pick(300));
            const int rowPack = pick(20) == 0 ? 1 + pick(3) : pack; // the pack may change inside an hour
            sql += sep(sql) + "(" + lit(t) + "," + std::to_string(1 + pick(2)) + "," + std::to_string(run) +
                   "," + oneOf({"'A'", "'B'", "'C'", "NULL"}) + "," + std::to_string(rowPack) + "," +
                   std::to_string(flavor) + "," + units + ")";
        }
    }

    void addEvent(std::string& sql, int run, double runStart, double runEnd) {
        double start = runStart + pick(static_cast<int>((runEnd - runStart) / kMinute) + 60) * kMinute;
        const double minutes = pick(6) == 0 ? pick(200) : pick(40) + pick(100) / 7.0;
        double end = start + minutes * kMinute;
        // Starts and ends exactly on the edges of hour windows, and inside the last minute.
        if (pick(3) == 0) start = windowEdge(start, oneOf({"0", "59", "59.5", "30"}));
        if (pick(3) == 0) end = windowEdge(end, oneOf({"0", "59", "59.5"}));
        if (pick(15) == 0) end = start - 5 * kMinute; // ends before it starts
        const std::string runNo = pick(25) == 0 ? "NULL" : std::to_string(pick(20) == 0 ? run + 1 : run);
        const std::string endText =
            pick(12) == 0 ? oneOf({"NULL", "'later'"}) : lit(end); // a text is after any number
        const std::string lost = pick(25) == 0 ? "NULL" : lit(end - start);
        const std::string startText = pick(40) == 0 ? "NULL" : lit(start);
        sql += sep(sql) + "(" + runNo + ",'PET 500','Cola'," + startText + "," + endText + "," + lost + "," +
               oneOf({"'Filler'", "NULL", "'Capper'"}) + "," +
               oneOf({"'Lack of Sales'", "'  lack of SALES '", "'Equipment Loss'", "'equipment loss  '", "''",
                      "'   '", "NULL", "'Planned Loss'", "'PLANNED LOSS'", "'Operational Loss'",
                      "'Minor Stoppage'", "' minor stoppage'", "'QA Loss'", "'qa loss '", "'Breakdown'",
                      "'Lack  of Sales'"}) +
               "," + oneOf({"NULL", "'seal'", "''"}) + ")";
    }

    DbConnection& db_;
    std::mt19937 random_;
};

void expectSameGrid(const ReportGrid& expected, const ReportGrid& actual, const std::string& what) {
    ASSERT_EQ(expected.rows(), actual.rows()) << what;
    ASSERT_EQ(expected.cols(), actual.cols()) << what;
    for (int r = 0; r < expected.rows(); ++r)
        ASSERT_EQ(test::joined(expected, r), test::joined(actual, r)) << what << ", row " << r;
}

class GroupedDms : public ::testing::TestWithParam<bool> {
protected:
    static constexpr double kFrom = 46290; // 25-Sep-26: the shift rows cross into October
    static constexpr SliceSizes kTinySlices{37, 3, 0};
    test::ScratchDir dir;
};

TEST_P(GroupedDms, SameCellsAsThePerRunLookups) {
    const bool indexed = GetParam();
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const std::string what = std::string(indexed ? "indexed" : "bare") + " seed " + std::to_string(seed);
        auto db = test::makePlantDatabase(dir.file("plant" + std::to_string(seed) + ".sqlite"), indexed);
        ASSERT_TRUE(db);
        UntidyPlant(*db, seed).fill(kFrom, 9);

        // Whole days, then a window that cuts runs and hours.
        for (const auto& [start, end] :
             {std::pair{kFrom, kFrom + 10}, std::pair{kFrom + 1.3, kFrom + 5.71}}) {
            ReportGrid expectedRuns, expectedDetail, runs, detail;
            SilentProgress progress;
            ASSERT_TRUE(test::perRunDailyDMSReport(*db, expectedRuns, expectedDetail, start, end, progress));
            ASSERT_TRUE(DailyDMSReport(*db, runs, detail, start, end, progress));
            ASSERT_GT(runs.rows(), 4) << what;
            expectSameGrid(expectedRuns, runs, what + " daily runs");
            expectSameGrid(expectedDetail, detail, what + " daily detail");
            // Read in many short statements, a run's rows falling in several of them.
            ASSERT_TRUE(DailyDMSReport(*db, runs, detail, start, end, progress, kTinySlices));
            expectSameGrid(expectedRuns, runs, what + " daily runs, small slices");
            expectSameGrid(expectedDetail, detail, what + " daily detail, again");
        }
        for (const auto& [start, end] :
             {std::pair{kFrom + 0.5, kFrom + 7.5}, std::pair{kFrom + 2.01, kFrom + 3.49}}) {
            NoEventPump pump;
            ReportGrid expectedRuns, expectedDetail, runs, detail;
            ASSERT_TRUE(test::perRunShiftDMSReport(*db, pump, expectedRuns, expectedDetail, start, end));
            ASSERT_TRUE(ShiftDMSReport(*db, pump, runs, detail, start, end));
            ASSERT_GT(runs.rows(), 20) << what;
            expectSameGrid(expectedRuns, runs, what + " shift runs");
            expectSameGrid(expectedDetail, detail, what + " shift detail");
            ReportGrid sliced;
            ASSERT_TRUE(ShiftDMSReport(*db, pump, sliced, detail, start, end, kTinySlices));
            expectSameGrid(expectedRuns, sliced, what + " shift runs, small slices");
            expectSameGrid(expectedDetail, detail, what + " shift detail, again");
        }
    }
}

// A grid of the first `columns` fields of every row of one statement, under `header`'s headers.
ReportGrid listedByOneStatement(DbConnection& db, const std::string& sql, int columns,
                                const ReportGrid& header) {
    ReportGrid grid = header.headerOnly();
    auto rs = db.openRecordset(sql);
    EXPECT_TRUE(rs) << sql;
    for (; rs && !rs->eof(); (void)rs->moveNext()) {
        const int r = grid.addRow();
        for (int c = 0; c < columns; ++c)
            grid.setCell(r, c, rs->text(c));
    }
    return grid;
}

// The run summary as one grouped statement over the runs and their rows of tag 1.
std::string runSummaryInOneStatement(const ReportRange& range) {
    return " SELECT Run_master.Run_ID, format(Run_master.Start_Time,'dd-MMM-yy hh:mm'), "
           "format(iif(Run_master.End_Time=0,cdbl(now()),Run_master.End_Time),'dd-MMM-yy hh:mm'), "
           "Pack_Master.Pack, Flavor_Master.Flavor, Run_master.CSpeed, Run_master.USpeed, "
           "Run_master.CaseCount, Sum(opc.Production) AS SumOfProduction "
           " FROM (Flavor_Master INNER JOIN (Pack_Master INNER JOIN Run_master ON Pack_Master.Pack_ID = "
           "Run_master.Pack_ID) ON Flavor_Master.Flavor_Id = Run_master.Flavor_ID) INNER JOIN opc ON "
           "Run_master.Run_ID = opc.Run_ID "
           " where tag_id=1 and Run_master.Start_Time between " +
           rangeBounds(range) +
           " GROUP BY Run_master.Run_ID, Run_master.Start_Time, Run_master.End_Time, Pack_Master.Pack, "
           "Flavor_Master.Flavor, Run_master.CSpeed, Run_master.USpeed, Run_master.CaseCount ORDER BY "
           "Run_master.Start_Time, Run_master.Run_ID";
}

// The production listing and the run summary read in short statements against one statement
// each. Runs overlap, so their rows are not stored in time order; the parts are tiny.
TEST_P(GroupedDms, ProductionReportsInShortStatementsAsInOne) {
    const bool indexed = GetParam();
    constexpr SliceSizes kTinyParts{41, 3, 0};
    for (unsigned seed = 1; seed <= 3; ++seed) {
        const std::string what = std::string(indexed ? "indexed" : "bare") + " seed " + std::to_string(seed);
        auto db = test::makePlantDatabase(dir.file("listing" + std::to_string(seed) + ".sqlite"), indexed);
        ASSERT_TRUE(db);
        db->setClock([] { return kFrom + 3.5; });
        UntidyPlant(*db, seed).fill(kFrom, 4);
        const std::string runRow = test::scalar(*db, "select min(rowid) from opc where Run_ID = 9999");
        for (const ReportRange range :
             {ReportRange{kFrom, kFrom + 5}, ReportRange{kFrom + 0.3, kFrom + 2.71}}) {
            ReportGrid header, listed;
            setProductionColumns(header, 13320);
            const ReportGrid expected = listedByOneStatement(
                *db, productionStatement("Timestamp between " + rangeBounds(range), ""), 6, header);
            ASSERT_GT(expected.rows(), 10) << what;

            auto collector = DbConnection::open(db->path(), OpenOptions{0, false});
            ASSERT_TRUE(collector);
            // Its commits need the lock but no disk syncs: a commit at every row stays quick.
            ASSERT_TRUE((*collector)->execute("pragma journal_mode=memory"));
            ASSERT_TRUE((*collector)->execute("pragma synchronous=off"));
            test::CommittingProgress progress(**collector);
            ASSERT_TRUE(listProduction(*db, listed, range, 13320, progress, kTinyParts));
            expectSameGrid(expected, listed, what + " small parts");
            EXPECT_EQ(progress.commits, expected.rows() - 1) << what;
            ASSERT_TRUE(ProductionReport(*db, listed, range, 13320, progress));
            expectSameGrid(expected, listed, what);
            test::exec(*db, "delete from opc where Run_ID = 99");

            setRunSummaryColumns(header, 13320);
            const ReportGrid runs =
                listedByOneStatement(*db, runSummaryInOneStatement(range), kRunSummaryColumns, header);
            ASSERT_GT(runs.rows(), 3) << what;
            ASSERT_TRUE(listRunSummary(*db, listed, range, 13320, progress, kTinyParts));
            expectSameGrid(runs, listed, what + " run summary, small parts");
            ASSERT_TRUE(RunSummaryReport(*db, listed, range, 13320, progress));
            expectSameGrid(runs, listed, what + " run summary");
        }
        EXPECT_NE(runRow, "1") << what; // the run read last lies first in time
    }
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutIndexes, GroupedDms, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Indexed" : "Bare"; });

} // namespace
} // namespace nax
