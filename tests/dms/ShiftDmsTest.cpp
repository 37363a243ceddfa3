// The hour-window losses and the shift-wise DMS report.
#include "dms/ShiftDms.h"
#include "DmsFixture.h"
#include "dms/DmsLayouts.h"
#include "dms/DowntimeDetail.h"
#include "dms/HourWindowLoss.h"
#include "shell/DbConnection.h"
#include "shell/Dialect.h"

#include <gtest/gtest.h>

#include <utility>

namespace nax {
namespace {

using test::dec5;
using test::kMinute;
using test::quoted;

class CountingPump : public EventPump {
  public:
    void processEvents() override { ++count; }
    int count = 0;
};

// ------------------------------------------------------------------ HourWindowLoss

struct Event {
    double start, end;
    const char* lossStructure = "Lack of Sales";
};

struct HourCase {
    const char* name;
    std::vector<Event> events;
    std::vector<std::pair<const char*, const char*>> hourFigures; // hour text, cell text
};

class HourWindow : public test::DmsDatabase, public ::testing::WithParamInterface<HourCase> {
  protected:
    std::string loss(std::string_view hour, std::string_view category = "Lack of Sales", int32_t run = 1) {
        grid.setRows(0);
        grid.setCols(24);
        grid.addRow();
        grid.setCell(0, 7, "stale");
        HourWindowLoss(*db, pump, grid, category, 7, "05-Dec-26", hour, run);
        return std::string(grid.cell(0, 7));
    }
    ReportGrid grid;
    CountingPump pump;
};

TEST_P(HourWindow, ClipsEventsToTheHour) {
    for (const auto& e : GetParam().events)
        addEvent(1, e.start, e.end, quoted(e.lossStructure));
    for (const auto& [hour, expected] : GetParam().hourFigures)
        EXPECT_EQ(loss(hour), expected) << "hour " << hour;
}

INSTANTIATE_TEST_SUITE_P(
    Events, HourWindow,
    ::testing::Values(
        HourCase{"NoEvent", {}, {{"07", "0"}}},
        HourCase{"InsideOneHour", {{dec5(7, 10), dec5(7, 25)}}, {{"06", "0"}, {"07", "15"}, {"08", "0"}}},
        HourCase{"AcrossTheFullHour", {{dec5(6, 50), dec5(7, 20)}}, {{"06", "9"}, {"07", "20"}}},
        HourCase{"OverSeveralHours",
                 {{dec5(6, 30), dec5(9, 10)}},
                 {{"06", "29"}, {"07", "60"}, {"08", "60"}, {"09", "10"}}},
        HourCase{"FromTheFullHour", {{dec5(7), dec5(8, 30)}}, {{"07", "60"}, {"08", "30"}}},
        HourCase{"InTheLastMinute", {{dec5(7, 59, 10), dec5(7, 59, 50)}}, {{"07", "0"}, {"08", "0"}}},
        HourCase{"OverlappingEventsCapped",
                 {{dec5(7, 5), dec5(7, 45)}, {dec5(7, 10), dec5(7, 50)}},
                 {{"07", "60"}}},
        HourCase{"TrailingBlanksStillMatch", {{dec5(7, 10), dec5(7, 25), "Lack of Sales  "}}, {{"07", "15"}}},
        HourCase{"OtherCategoryNotCounted", {{dec5(7, 10), dec5(7, 25), "Planned Loss"}}, {{"07", "0"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HourWindow, BlankLossStructureIsNoEquipmentLossHere) {
    addEvent(1, dec5(7, 10), dec5(7, 25), quoted(""));
    addEvent(2, dec5(7, 10), dec5(7, 25), quoted("Equipment Loss"));
    EXPECT_EQ(loss("07", "Equipment Loss"), "0");
    EXPECT_EQ(loss("07", " Equipment Loss ", 2), "15"); // the category is trimmed
}

TEST_F(HourWindow, PumpsEventsAndSendsTheThreeLookups) {
    test::StatementLog log(*db);
    loss("07", "QA Loss", 12);
    EXPECT_EQ(pump.count, 6);
    const std::string where = " where Run_no =12 and  trim([Loss_Structure]) ='QA Loss' and  ";
    const std::vector<std::string> expected = {
        "select Sum(iif(DT_End>46361.3326388889,46361.3326388889,DT_End) -Dt_Start) *60 *24 from TimeLost " +
            where + "DT_Start between 46361.2916666667 and 46361.3326388889",
        "select 60 from TimeLost " + where + "DT_Start <=46361.2916666667 and dt_End >=46361.3326388889",
        "select Sum(DT_End-iif(DT_Start<46361.2916666667,46361.2916666667,DT_Start)) *60 *24 from TimeLost " +
            where + "DT_End between 46361.2916666667 and 46361.3326388889 and DT_Start < 46361.2916666667",
    };
    ASSERT_EQ(log.statements.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(log.statements[i], caseInsensitiveStatement(expected[i])) << i;
}

// ------------------------------------------------------------------ ShiftDMSReport

class ShiftDms : public test::DmsDatabase {
  protected:
    Result<void> run(double start, double end) {
        return ShiftDMSReport(*db, pump, runGrid, detailGrid, start, end);
    }
    std::vector<std::string> row(int r) const {
        std::vector<std::string> cells;
        for (int c = 0; c < runGrid.cols(); ++c)
            cells.emplace_back(runGrid.cell(r, c));
        return cells;
    }
    std::string cell(int r, int c) const { return std::string(runGrid.cell(r, c)); }
    ReportGrid runGrid, detailGrid;
    CountingPump pump;
};

TEST_F(ShiftDms, HourOf1800UnitsWithoutDowntime) {
    addRun(1, dec5(6), dec5(14), "40", "24");
    addProduction(1, dec5(7, 10), 30, 60);
    ASSERT_TRUE(run(dec5(7), dec5(8)));
    ASSERT_EQ(runGrid.rows(), 2);
    const std::vector<std::string> expected = {
        "07", "PET 500", "Cola", "1",  "40", "24", "75", "0",         "0",  "0",        "0",    "0",
        "0",  "15",      "15",   "45", "B",  "75", "75", "05-Dec-26", "05", "December", "2026", "49"};
    EXPECT_EQ(row(1), expected);
    EXPECT_EQ(pump.count, 36); // six lookups of the hour, each pumping six times
}

TEST_F(ShiftDms, LackOfSalesAndPlannedLossNarrowTheBase) {
    addRun(1, dec5(6), dec5(14), "40", "24");
    addProduction(1, dec5(7, 10), 30, 60);
    addEvent(1, dec5(7, 10), dec5(7, 20), quoted("Lack of Sales"));
    addEvent(1, dec5(7, 30), dec5(7, 35), quoted("Planned Loss"));
    ASSERT_TRUE(run(dec5(7), dec5(8)));
    EXPECT_EQ(cell(1, 7), "10");
    EXPECT_EQ(cell(1, 9), "5");
    EXPECT_EQ(cell(1, 13), "0");
    EXPECT_EQ(cell(1, 17), "100");
    EXPECT_EQ(cell(1, 18), "90");
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
        order.push_back(cell(r, 19) + " " + cell(r, 0) + " " + cell(r, 3) + " " + cell(r, 16));
    EXPECT_EQ(order, (std::vector<std::string>{"01-Dec-26 00 1 A", "01-Dec-26 01 1 A", "01-Dec-26 02 1 A",
                                               "01-Dec-26 03 1 A", "30-Nov-26 20 1 C", "30-Nov-26 21 1 C",
                                               "30-Nov-26 21 2 C", "30-Nov-26 22 1 A", "30-Nov-26 23 1 A"}));
    EXPECT_EQ(cell(6, 1), "PET 500");
    EXPECT_EQ(cell(7, 1), "Can 330");
    EXPECT_EQ(cell(1, 20), "01");
    EXPECT_EQ(cell(5, 21), "November");
    EXPECT_EQ(cell(5, 23), "49"); // Monday 30 November and Tuesday 1 December share week 49
}

TEST_F(ShiftDms, WindowOfMoreThanSevenDaysIsRefused) {
    const double s = dec5(7, 13);
    runGrid.setCols(3);
    runGrid.addRow({"old"});
    const auto refused = run(s, partsToSerial(2026, 12, 12, 7, 14));
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().refusal);
    EXPECT_EQ(refused.error().message, "Shift wise report Cannot be generated for More than 7 Days");
    EXPECT_EQ(runGrid.rows(), 1);
    EXPECT_EQ(runGrid.cols(), 24);
    EXPECT_EQ(runGrid.cell(0, 0), "Hr");

    addRun(1, dec5(6), dec5(14), "40", "24");
    addProduction(1, dec5(7, 20), 1, 40);
    EXPECT_TRUE(run(s, partsToSerial(2026, 12, 12, 7, 13)));
    EXPECT_EQ(runGrid.rows(), 2);
    EXPECT_TRUE(run(s + 1, s)); // a start after the end is no refusal
    EXPECT_EQ(runGrid.rows(), 1);
}

TEST_F(ShiftDms, HourOfARunWithoutSpeedIsStillListed) {
    addRun(1, dec5(6), dec5(14), "0", "24");
    addProduction(1, dec5(7, 10), 10, 48);
    addEvent(1, dec5(7, 10), dec5(7, 20), quoted("QA Loss"));
    addRun(2, dec5(6), dec5(14), "40", "0", 2, 1);
    addProduction(2, dec5(8, 10), 10, 40, 1, "B", 2, 1);
    ASSERT_TRUE(run(dec5(7), dec5(9)));
    ASSERT_EQ(runGrid.rows(), 3);
    EXPECT_EQ(cell(1, 12), "10");
    for (const int c : {13, 14, 15, 17, 18})
        EXPECT_EQ(cell(1, c), "") << c;
    EXPECT_EQ(cell(1, 6), "20"); // 480 units in cases
    EXPECT_EQ(cell(1, 16), "B");
    EXPECT_EQ(cell(2, 15), "10");
    EXPECT_EQ(cell(2, 6), "400"); // units stay: case count 0
}

TEST_F(ShiftDms, WindowEventsAreAppendedToTheDetailGrid) {
    SetDowntimeGrid(detailGrid);
    detailGrid.addRow({"earlier"});
    addRun(1, dec5(6), dec5(14), "40", "24");
    addEvent(1, dec5(7, 10), dec5(7, 20), quoted("QA Loss"));
    addEvent(1, dec5(6, 50), dec5(7, 20), quoted("QA Loss")); // starts before the window
    addEvent(1, dec5(7, 50), dec5(8, 20), quoted("QA Loss")); // ends after it
    ASSERT_TRUE(run(dec5(7), dec5(8)));
    ASSERT_EQ(detailGrid.rows(), 3);
    EXPECT_EQ(detailGrid.cell(1, 0), "earlier");
    EXPECT_EQ(detailGrid.cell(2, 20), "07");
}

} // namespace
} // namespace nax
