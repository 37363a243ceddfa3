// The loss-analysis formulas on their own, as a sum of runs (a day) uses them.
#include "dms/DmsFigures.h"

#include <gtest/gtest.h>

namespace nax {
namespace {

LossMinutes losses(Figure lackOfSales, Figure planned, Figure operational = 0) {
    return {lackOfSales, 0.0, planned, operational, 0.0, 0.0};
}

// Whole runs through these formulas are checked on the daily report; here the edges of each.
TEST(DmsFigures, ZeroDivisorsLeaveTheFigureEmptyAndRoundingIsHalfToEven) {
    // ME's divisor is 0 while NAX's is not.
    EXPECT_FALSE(mePercent(20.0, 60.0, losses(40, 20)));
    EXPECT_EQ(naxPercent(20.0, 60.0, losses(40, 20)), 100);
    EXPECT_FALSE(productionCases(1e12, 1));           // does not fit 32 bits: the cell keeps the units
    EXPECT_EQ(productionCases(36, 24), 2);            // 1.5 to even
    EXPECT_EQ(earnedTimeMinutes(1801, 40, 2), 45.02); // 45.025 to even
    EXPECT_EQ(earnedTimeMinutes(2.5, 1, 0), 2);       // half to even
    EXPECT_EQ(productionTimeMinutes(0.0, 90.25 / 1440), 90.25); // a run ending on seconds keeps two decimals
    EXPECT_EQ(meAbove85(85), false);                            // 85 is not above 85
    EXPECT_EQ(meAbove85(85.01), true);
}

TEST(DmsFigures, SpeedLossAddsInSinglePrecisionByDayAndInDoubleByHour) {
    // 131072.01 is 131072.015625 as a single.
    const LossMinutes big = {0.0, 0.0, 0.0, 131072.01, 0.0, 0.0};
    EXPECT_EQ(speedLossMinutes(131073.0, big), 0.98);
    EXPECT_EQ(hourSpeedLossMinutes(131073.0, big), 0.99);
    // By day an empty category counts 0; by hour it leaves Speed Loss empty.
    const LossMinutes gap = {10.0, std::nullopt, 0.0, 0.0, 0.0, 0.0};
    EXPECT_EQ(speedLossMinutes(15.0, gap), 5);
    EXPECT_FALSE(hourSpeedLossMinutes(15.0, gap));
    EXPECT_FALSE(speedLossMinutes(std::nullopt, big));
}

} // namespace
} // namespace nax
