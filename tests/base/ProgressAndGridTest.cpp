// The progress line's arithmetic and the packed report grid.
#include "base/GridOutput.h"
#include "base/ReportGrid.h"
#include "support/TestSupport.h"
#include "text/NumberText.h"
#include "text/ProgressText.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace nax;

namespace {

std::string after(int steps, int32_t maximum, const char* text = "") {
    SilentProgress progress;
    progress.SetMax(maximum);
    for (int i = 0; i < steps; ++i)
        progress.ProgressNextValue(text);
    return progress.caption();
}

TEST(ProgressCaption, PercentRoundsHalfToEvenInSinglePrecisionAndStopsAtTheMaximum) {
    EXPECT_EQ(after(1, 32), "3.12%[1 / 32]");
    EXPECT_EQ(after(1, 8), "12.5%[1 / 8]");
    EXPECT_EQ(after(2, 3), "66.67%[2 / 3]");
    EXPECT_EQ(after(200, 200, "05-Dec-26 07:00"), "100%[200 / 200]05-Dec-26 07:00");
    // Extra steps stay full; a maximum of zero or less keeps 100.
    EXPECT_EQ(after(5, 3, "late"), "100%[3 / 3]late");
    SilentProgress progress;
    progress.SetMax(0);
    EXPECT_EQ(progress.state().maximum(), 100.0f);
    progress.SetMax(-4);
    progress.ProgressNextValue("");
    EXPECT_EQ(progress.caption(), "1%[1 / 100]");
}

TEST(ReportGrid, CellsSurviveResizingAndRewriting) {
    ReportGrid grid;
    grid.setCols(3);
    grid.setRows(1);
    grid.setCell(0, 0, "A");
    grid.setCell(0, 2, "C");
    const int r = grid.addRow({"1", "", "long text here"}, 42);
    grid.setCell(r, 1, "middle");
    grid.setCell(r, 1, "m");
    EXPECT_EQ(test::joined(grid, r), "1|m|long text here");
    EXPECT_EQ(grid.rowKey(r), 42);
    grid.setCols(5);
    EXPECT_EQ(test::joined(grid, r), "1|m|long text here||");
    grid.setCols(2);
    EXPECT_EQ(test::joined(grid, 0) + " " + test::joined(grid, r), "A| 1|m");
    grid.setCell(r, 0, std::string_view("a\0b", 3)); // a NUL cannot split a cell
    EXPECT_EQ(grid.cell(r, 0), "ab");
    EXPECT_EQ(cellNumber(grid, r, 1), std::nullopt);
    grid.setRows(1);
    EXPECT_EQ(grid.rows(), 1);
    EXPECT_EQ(grid.cell(0, 0), "A");
    EXPECT_THROW((void)grid.cell(0, 2), std::out_of_range);
}

TEST(GridText, TsvBlanksTabsAndCsvQuotes) {
    ReportGrid grid;
    grid.setCols(2);
    grid.addRow({"a\tb", "line\nbreak"});
    grid.addRow({"x,y", "say \"hi\""});
    grid.addRow({"two\r\nlines", "cr\ronly"});
    std::ostringstream tsv, csv;
    writeGrid(tsv, grid, GridFormat::Tsv);
    writeGrid(csv, grid, GridFormat::Csv);
    // CR LF inside a cell is one line break, so one blank.
    EXPECT_EQ(tsv.str(), "a b\tline break\nx,y\tsay \"hi\"\ntwo lines\tcr only\n");
    EXPECT_EQ(csv.str(),
              "a\tb,\"line\nbreak\"\r\n\"x,y\",\"say \"\"hi\"\"\"\r\n\"two\r\nlines\",\"cr\ronly\"\r\n");
}

} // namespace
