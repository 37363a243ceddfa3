// Rows of the downtime detail grid and the shift letter of an hour.
#include "dms/DowntimeDetail.h"
#include "DmsFixture.h"
#include "dms/DmsLayouts.h"
#include "text/DatePattern.h"
#include "text/DaySerial.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace nax {
namespace {

TEST(ShiftOfHour, LettersAtTheShiftBoundaries) {
    const std::pair<const char*, const char*> cases[] = {
        {"0", "A"},  {"05", "A"}, {"06", "B"}, {"13", "B"}, {"14", "C"}, {"21", "C"}, {"22", "A"},
        {"23", "A"}, {"24", ""},  {"-1", ""},  {"6.5", ""}, {"x", ""},   {"", ""}};
    for (const auto& [hour, letter] : cases)
        EXPECT_EQ(ShiftOfHour(hour), letter) << hour;
}

class DowntimeDetail : public test::DmsDatabase {
protected:
    void SetUp() override {
        test::DmsDatabase::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        SetDowntimeGrid(grid);
    }
    ReportGrid grid;
};

TEST_F(DowntimeDetail, OneClassifiedEventAfternoon) {
    const double start = dec5(13);
    test::exec(*db,
               "insert into TimeLost (Run_no, Pack, Flavor, DT_Start, DT_End, Time_Lost, Asset, Component, "
               "Loss_Structure, Failure, A_Operator, Executive, Remarks, Other1, Other2) values (3,'PET 500',"
               "'Cola'," +
                   lit(start) + "," + lit(start + 0.01) +
                   ",0.01,'Filler','Valve','Equipment Loss',"
                   "'Leak','Ravi','Mala','seal','o1','o2')");
    ASSERT_TRUE(ListDowntimeDetail(*db, grid, 0, 0, 3));
    ASSERT_EQ(grid.rows(), 2);
    EXPECT_EQ(test::joined(grid, 1),
              "3|PET 500|Cola|" + generalDateText(start) + "|" + generalDateText(start + 0.01) +
                  "|14.4|B|Filler|Equipment Loss|Leak|Ravi|Mala|seal|o1|o2|05-Dec-26|Saturday|"
                  "December|49|2026|13|13Filler|46362Filler|49Filler");
    EXPECT_NE(grid.cell(1, 3), grid.cell(1, 4));
}

// An event without a start comes last and keeps its other cells.
TEST_F(DowntimeDetail, EmptyFieldsGiveEmptyCellsAndBareKeys) {
    addEvent(4, dec5(9), dec5(9, 10), "NULL", "NULL");
    addEvent(4, dec5(15), dec5(15, 10), quoted("QA Loss"), quoted(""));
    test::exec(*db, "insert into TimeLost (Run_no, Asset, Time_Lost) values (4, 'Labeller', NULL)");
    ASSERT_TRUE(ListDowntimeDetail(*db, grid, 0, 0, 4));
    ASSERT_EQ(grid.rows(), 4);
    EXPECT_EQ(test::joined(grid, 1, {6, 7, 8, 9, 10, 11, 12, 13, 14, 21, 22, 23}), "B|||||||||09|46361|49");
    EXPECT_EQ(test::joined(grid, 2, {6, 22}), "C|46362"); // 09:00 rounds down, 15:00 up to the next day
    EXPECT_EQ(test::joined(grid, 3, {7, 3, 4, 5, 6, 15, 16, 17, 18, 19, 20, 21, 22, 23}),
              "Labeller|||||||||||||");
}

// The calendar cells are composed directly from the date parts; they must read as the
// dialect's own date patterns would print them.
TEST_F(DowntimeDetail, CalendarCellsAgreeWithTheDatePatterns) {
    std::vector<double> starts;
    for (int i = 0; i < 400; ++i)
        starts.push_back(partsToSerial(2019, 12, 25) + i * 1.37 + (i % 7) * 0.0913);
    starts.push_back(partsToSerial(2026, 12, 31, 23, 59, 59) + 0.6 / 86400); // rounds into the next year
    starts.push_back(partsToSerial(1999, 1, 1, 0, 0, 0));
    std::string sql = "insert into TimeLost (Run_no, DT_Start, DT_End, Asset) values ";
    for (size_t i = 0; i < starts.size(); ++i)
        sql +=
            (i ? "," : "") + std::string("(8,") + lit(starts[i]) + "," + lit(starts[i] + kMinute) + ",'F')";
    test::exec(*db, sql);
    ASSERT_TRUE(ListDowntimeDetail(*db, grid, 0, 0, 8));
    ASSERT_EQ(grid.rows(), static_cast<int>(starts.size()) + 1);
    for (size_t i = 0; i < starts.size(); ++i) {
        const double s = starts[i];
        ASSERT_EQ(test::joined(grid, int(i) + 1, {15, 16, 17, 18, 19, 20, 6}),
                  formatSerial(s, "dd-MMM-yy|dddd|MMMM|WW|yyyy|hh|") + ShiftOfHour(formatSerial(s, "h")))
            << lit(s);
    }
}

} // namespace
} // namespace nax
