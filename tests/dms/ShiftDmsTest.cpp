// The shift-wise report's refusal and the hour-window read failure (cells: GroupedDmsTest).
#include "dms/ShiftDms.h"
#include "DmsFixture.h"
#include "dms/DmsLayouts.h"
#include "dms/HourWindowLoss.h"
#include "simulate/PlantSchema.h"
#include "text/DaySerial.h"

#include <gtest/gtest.h>

namespace nax {
namespace {

using ShiftDms = test::DmsDatabase;

TEST_F(ShiftDms, WindowOfMoreThanSevenDaysIsRefused) {
    const double s = dec5(7, 13), weekAndMinute = partsToSerial(2026, 12, 12, 7, 14);
    runGrid.setCols(3);
    runGrid.addRow({"old"});
    const auto refused = ShiftDMSReport(*db, pump, runGrid, detailGrid, s, weekAndMinute);
    ASSERT_FALSE(refused);
    EXPECT_EQ(runGrid.rows(), 1);
    EXPECT_EQ(runGrid.cols(), 24);
    EXPECT_EQ(runGrid.cell(0, 0), "Hr");
    // Exactly 7 days pass (GroupedDmsTest); a start after the end is no refusal.
    EXPECT_TRUE(ShiftDMSReport(*db, pump, runGrid, detailGrid, s + 1, s));
}

// Overlapping events add up, and the hour's cell stops at 60 minutes.
TEST_F(ShiftDms, OverlappingEventsCapTheHourAtSixtyMinutes) {
    addRun(1, dec5(6), dec5(14), "40", "24");
    addProduction(1, dec5(7), 5, 10);
    addEvent(1, dec5(7, 1), dec5(7, 35), quoted("Lack of Sales"));
    addEvent(1, dec5(7, 20), dec5(7, 50), quoted("Lack of Sales"));
    ASSERT_TRUE(ShiftDMSReport(*db, pump, runGrid, detailGrid, dec5(7), dec5(8)));
    EXPECT_EQ(test::joined(runGrid, 1, {0, 7}), "07|60"); // 34 + 30
}

// An event row that cannot be read after the first ones fails the whole hour-window read.
TEST_F(ShiftDms, ALaterEventRowThatCannotBeReadFailsTheHourWindowRead) {
    test::exec(*db, reportIndexSql()); // the events come run by run as they are read
    addEvent(1, dec5(7, 10), dec5(7, 25), quoted("Lack of Sales"));
    addEvent(2, dec5(8, 10), dec5(8, 25), quoted("Lack of Sales"));
    test::failReadingAt(*db, "DT_End", "Run_no = 2");
    const auto losses = HourWindowLosses::read(*db, 1, 2);
    ASSERT_FALSE(losses);
    EXPECT_EQ(losses.error().message, "Overflow");
}

} // namespace
} // namespace nax
