// The hour-window losses and the shift-wise DMS report.
#include "dms/ShiftDms.h"
#include "DmsFixture.h"
#include "dms/DmsLayouts.h"
#include "dms/HourWindowLoss.h"
#include "simulate/PlantSchema.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <utility>

namespace nax {
namespace {

class HourWindow : public test::DmsDatabase {
protected:
    std::string loss(std::string_view hour, size_t category, int32_t run) {
        runGrid.setRows(0);
        runGrid.setCols(24);
        runGrid.addRow();
        runGrid.setCell(0, 7, "stale");
        auto losses = HourWindowLosses::read(*db, run, run);
        EXPECT_TRUE(losses);
        if (!losses) return {};
        losses->write(runGrid, category, 7, "05-Dec-26", hour, run);
        return std::string(runGrid.cell(0, 7));
    }
    static constexpr size_t kLackOfSales = 0, kEquipmentLoss = 1;
};

TEST_F(HourWindow, ClipsEventsToTheHourAndCapsAtSixty) {
    struct Event {
        double start, end;
        const char* lossStructure = "Lack of Sales";
    };
    struct Case {
        const char* name;
        std::vector<Event> events;
        std::vector<std::pair<const char*, const char*>> minutes; // hour text, cell text
    };
    // clang-format off
    const Case cases[] = {
        {"no event", {}, {{"07", "0"}}},
        {"inside one hour", {{dec5(7, 10), dec5(7, 25)}}, {{"06", "0"}, {"07", "15"}, {"08", "0"}}},
        {"across the full hour", {{dec5(6, 50), dec5(7, 20)}}, {{"06", "9"}, {"07", "20"}}},
        {"over several hours", {{dec5(6, 30), dec5(9, 10)}},
         {{"06", "29"}, {"07", "60"}, {"08", "60"}, {"09", "10"}}},
        {"from the full hour", {{dec5(7), dec5(8, 30)}}, {{"07", "60"}, {"08", "30"}}},
        // Starting at minute 00 as the window's edge is written is starting in the window, not
        // ending in it: 20, not 0 or 40.
        {"from minute 00 to 20", {{*parseNumber(formatGeneral(dec5(7))), dec5(7, 20)}},
         {{"06", "0"}, {"07", "20"}}},
        {"in the last minute", {{dec5(7, 59, 10), dec5(7, 59, 50)}}, {{"07", "0"}, {"08", "0"}}},
        {"overlapping events", {{dec5(7, 5), dec5(7, 45)}, {dec5(7, 10), dec5(7, 50)}}, {{"07", "60"}}},
        {"trailing blanks", {{dec5(7, 10), dec5(7, 25), "Lack of Sales  "}}, {{"07", "15"}}},
        {"other category", {{dec5(7, 10), dec5(7, 25), "Planned Loss"}}, {{"07", "0"}}}};
    // clang-format on
    int run = 0;
    for (const Case& c : cases) {
        ++run; // each case on its own run
        for (const Event& e : c.events)
            addEvent(run, e.start, e.end, quoted(e.lossStructure));
        for (const auto& [hour, expected] : c.minutes)
            EXPECT_EQ(loss(hour, kLackOfSales, run), expected) << c.name << ", hour " << hour;
    }
    // A blank loss structure is no Equipment Loss here; names match trimmed and in any case.
    addEvent(20, dec5(7, 10), dec5(7, 25), quoted(""));
    addEvent(21, dec5(7, 10), dec5(7, 25), quoted(" equipment LOSS "));
    EXPECT_EQ(loss("07", kEquipmentLoss, 20), "0");
    EXPECT_EQ(loss("07", kEquipmentLoss, 21), "15");
    // An hour text that names no hour leaves the cell empty.
    EXPECT_EQ(loss("24", kEquipmentLoss, 21), "");
}

// An event without an end adds nothing; one whose end is a text counts as never ending; one
// that ends before it starts takes its negative minutes off the hour it starts in.
TEST_F(HourWindow, UntidyEventsCountAsTheEngineComparesThem) {
    const std::string lossStructure = quoted("Lack of Sales");
    test::exec(*db, "insert into TimeLost (Run_no, DT_Start, DT_End, Loss_Structure) values (1," +
                        lit(dec5(7, 10)) + ",NULL," + lossStructure + "),(2," + lit(dec5(6, 30)) +
                        ",'later'," + lossStructure + "),(3," + lit(dec5(7, 30)) + "," + lit(dec5(7, 20)) +
                        "," + lossStructure + "),(3," + lit(dec5(7, 40)) + "," + lit(dec5(7, 55)) + "," +
                        lossStructure + ")");
    EXPECT_EQ(loss("07", kLackOfSales, 1), "0");
    EXPECT_EQ(loss("06", kLackOfSales, 2), "29");
    EXPECT_EQ(loss("07", kLackOfSales, 2), "60");
    EXPECT_EQ(loss("07", kLackOfSales, 3), "5"); // -10 + 15
}

// A row that cannot be read after the first ones fails the whole read.
TEST_F(HourWindow, ALaterRowThatCannotBeReadFailsTheRead) {
    test::exec(*db, reportIndexSql()); // the events come run by run as they are read
    addEvent(1, dec5(7, 10), dec5(7, 25), quoted("Lack of Sales"));
    addEvent(2, dec5(8, 10), dec5(8, 25), quoted("Lack of Sales"));
    test::failReadingAt(*db, "DT_End", "Run_no = 2");
    const auto losses = HourWindowLosses::read(*db, 1, 2);
    ASSERT_FALSE(losses);
    EXPECT_EQ(losses.error().message, "Overflow");
}

class ShiftDms : public test::DmsDatabase {
protected:
    Result<void> run(double start, double end) {
        return ShiftDMSReport(*db, pump, runGrid, detailGrid, start, end);
    }
};

TEST_F(ShiftDms, HourOf1800UnitsWithAndWithoutLosses) {
    addRun(1, dec5(6), dec5(14), "40", "24");
    addProduction(1, dec5(7, 10), 30, 60);
    ASSERT_TRUE(run(dec5(7), dec5(8)));
    ASSERT_EQ(runGrid.rows(), 2);
    EXPECT_EQ(cells(1),
              "07|PET 500|Cola|1|40|24|75|0|0|0|0|0|0|15|15|45|B|75|75|05-Dec-26|05|December|2026|49");
    EXPECT_EQ(pump.count, 6); // events are let through six times an hour row

    // Lack of Sales and Planned Loss narrow the base of ME and NAX.
    addEvent(1, dec5(7, 10), dec5(7, 20), quoted("Lack of Sales"));
    addEvent(1, dec5(7, 30), dec5(7, 35), quoted("Planned Loss"));
    ASSERT_TRUE(run(dec5(7), dec5(8)));
    EXPECT_EQ(cells(1, {7, 9, 13, 17, 18}), "10|5|0|100|90");
}

TEST_F(ShiftDms, RowsFollowTheDateTextThenHourThenRun) {
    const double s = partsToSerial(2026, 11, 30, 20, 0);
    const double e = partsToSerial(2026, 12, 1, 4, 0);
    addRun(1, s, e, "40", "24");
    addRun(2, s, e, "40", "24", 2, 2);
    addProduction(2, s + 75 * kMinute, 5, 10, 1, "C", 2, 2); // 21:15 to 21:19
    addProduction(1, s, 480, 10);
    ASSERT_TRUE(run(s, e));
    std::vector<std::string> order;
    for (int r = 1; r < runGrid.rows(); ++r)
        order.push_back(cells(r, {19, 0, 3, 16, 1}));
    EXPECT_EQ(order, (std::vector<std::string>{"01-Dec-26|00|1|A|PET 500", "01-Dec-26|01|1|A|PET 500",
                                               "01-Dec-26|02|1|A|PET 500", "01-Dec-26|03|1|A|PET 500",
                                               "30-Nov-26|20|1|C|PET 500", "30-Nov-26|21|1|C|PET 500",
                                               "30-Nov-26|21|2|C|Can 330", "30-Nov-26|22|1|A|PET 500",
                                               "30-Nov-26|23|1|A|PET 500"}));
    // Monday 30 November and Tuesday 1 December share week 49.
    EXPECT_EQ(cells(1, {20, 21, 23}), "01|December|49");
    EXPECT_EQ(cells(5, {20, 21, 23}), "30|November|49");
}

TEST_F(ShiftDms, WindowOfMoreThanSevenDaysIsRefused) {
    const double s = dec5(7, 13);
    runGrid.setCols(3);
    runGrid.addRow({"old"});
    const auto refused = run(s, partsToSerial(2026, 12, 12, 7, 14)); // 7 days and a minute
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().refusal);
    EXPECT_EQ(refused.error().message, "Shift wise report Cannot be generated for More than 7 Days");
    EXPECT_EQ(runGrid.rows(), 1);
    EXPECT_EQ(runGrid.cols(), 24);
    EXPECT_EQ(runGrid.cell(0, 0), "Hr");

    addRun(1, dec5(6), dec5(14), "40", "24");
    addProduction(1, dec5(7, 20), 1, 40);
    EXPECT_TRUE(run(s, partsToSerial(2026, 12, 12, 7, 13))); // 7 days to the minute
    EXPECT_EQ(runGrid.rows(), 2);
    EXPECT_TRUE(run(s + 1, s)); // a start after the end is no refusal
    EXPECT_EQ(runGrid.rows(), 1);
}

// The events that lie in the window go below the detail headers; a second report starts the
// grid afresh.
TEST_F(ShiftDms, WindowEventsGoBelowTheDetailHeadersOncePerReport) {
    addRun(1, dec5(6), dec5(14), "40", "24");
    addEvent(1, dec5(7, 10), dec5(7, 20), quoted("QA Loss"));
    addEvent(1, dec5(6, 50), dec5(7, 20), quoted("QA Loss")); // starts before the window
    addEvent(1, dec5(7, 50), dec5(8, 20), quoted("QA Loss")); // ends after it
    ASSERT_TRUE(run(dec5(7), dec5(8)));
    ASSERT_EQ(detailGrid.rows(), 2);
    EXPECT_EQ(detailGrid.cols(), 24);
    EXPECT_EQ(test::joined(detailGrid, 0, {0, 5, 23}), "Run No|TimeLost|WW-Asset");
    EXPECT_EQ(test::joined(detailGrid, 1, {0, 20}), "1|07");
    ASSERT_TRUE(run(dec5(7), dec5(8)));
    EXPECT_EQ(detailGrid.rows(), 2);
}

// Ending the program while the report lets events through stops it at once: no row is
// written after that, and the detail grid holds only its header row.
TEST_F(ShiftDms, AbandonedReportStopsAtOnce) {
    class EndingPump : public EventPump {
    public:
        void processEvents() override { ++count; }
        bool abandoned() const override { return count > 0; }
        int count = 0;
    } endingPump;
    addRun(1, dec5(6), dec5(14), "40", "24");
    addProduction(1, dec5(7, 10), 120, 60);
    const auto done = ShiftDMSReport(*db, endingPump, runGrid, detailGrid, dec5(7), dec5(9));
    ASSERT_FALSE(done);
    EXPECT_TRUE(done.error().abandoned);
    EXPECT_EQ(runGrid.rows(), 1);
    EXPECT_EQ(detailGrid.rows(), 1);
}

TEST_F(ShiftDms, CollectorCommitsWhileEventsAreLetThrough) {
    addRun(1, dec5(6), dec5(14), "40", "24");
    addProduction(1, dec5(7, 10), 120, 60);
    addEvent(1, dec5(7, 10), dec5(7, 20), quoted("QA Loss"));
    auto collector = DbConnection::open(db->path(), OpenOptions{0, false});
    ASSERT_TRUE(collector);
    class CommittingPump : public EventPump {
    public:
        explicit CommittingPump(DbConnection& collector) : collector_(collector) {}
        void processEvents() override {
            const auto committed = collector_.execute("insert into opc (Run_ID, Production) values (99, 1)");
            EXPECT_TRUE(committed) << (committed ? "" : committed.error().message);
        }

    private:
        DbConnection& collector_;
    } committingPump(**collector);
    ASSERT_TRUE(ShiftDMSReport(*db, committingPump, runGrid, detailGrid, dec5(7), dec5(9)));
    EXPECT_EQ(runGrid.rows(), 4); // 07, 08 and 09 (its first minute)
    EXPECT_EQ(test::scalar(*db, "select count(*) from opc where Run_ID = 99"), "18");
}

TEST_F(ShiftDms, FailedLossLookupEndsTheReportWithTheEnginesError) {
    addRun(1, dec5(6), dec5(14), "40", "24");
    addProduction(1, dec5(7, 10), 30, 60);
    test::exec(*db, "alter table TimeLost drop column Loss_Structure");
    const auto done = run(dec5(7), dec5(8));
    ASSERT_FALSE(done);
    EXPECT_EQ(done.error().code, SQLITE_ERROR);
    EXPECT_EQ(done.error().message, "no such column: Loss_Structure");
    for (int r = 1; r < runGrid.rows(); ++r)
        EXPECT_NE(runGrid.cell(r, 7), "0");
}

} // namespace
} // namespace nax
