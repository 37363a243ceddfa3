// New workbooks from grids, read back by openpyxl.
#include "dms/DmsFixture.h"
#include "support/TestSupport.h"
#include "support/WorkbookReader.h"
#include "text/ProgressText.h"
#include "xlsx/CellText.h"
#include "xlsx/PrintSetup.h"
#include "xlsx/WorkbookExport.h"
#include "xlsx/WorkbookFile.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace nax;
using nax::test::cellField;
using nax::test::columnWidth;
using nax::test::filesEndingWith;
using nax::test::readWorkbook;
using nax::test::sheetValue;

namespace {

constexpr double kNow = 46361.5416666667; // 05-Dec-26 13:00:00
constexpr const char* kSheet = "Sheet1";

ReportGrid gridOf(const std::vector<std::vector<std::string_view>>& rows) {
    ReportGrid grid;
    grid.setCols(static_cast<int>(rows.front().size()));
    for (const auto& row : rows)
        grid.addRow(row);
    return grid;
}

class GridExportTest : public ::testing::Test {
protected:
    Result<std::filesystem::path> exportGrid(const ReportGrid& grid,
                                             std::string_view title = "Downtime Entry") {
        return ExportToExcel(grid, title, ExportPlace{dir.path(), kNow}, progress);
    }
    // Nothing but finished workbooks in the folder.
    void expectNoLeftovers() { EXPECT_TRUE(filesEndingWith(dir.path(), ".tmp").empty()); }

    test::ScratchDir dir;
    SilentProgress progress;
};

} // namespace

TEST(CellText, TypesTextsAsASpreadsheetWould) {
    EXPECT_EQ(classifyCell("").kind, CellValue::Kind::Empty);
    EXPECT_EQ(classifyCell("12.5").number, 12.5);
    EXPECT_EQ(classifyCell("-3").kind, CellValue::Kind::Number);
    EXPECT_EQ(classifyCell("0012").number, 12);
    EXPECT_EQ(classifyCell("123456789012345").number, 123456789012345.0); // 15 digits: still a number
    const CellValue minute = classifyCell("05-Dec-26 06:30");
    EXPECT_EQ(minute.kind, CellValue::Kind::DateTime);
    EXPECT_DOUBLE_EQ(minute.number, 46361.0 + 6.5 / 24);
    EXPECT_EQ(minute.format, "dd-mmm-yy hh:mm");
    EXPECT_EQ(classifyCell("05-Dec-26").format, "dd-mmm-yy");
    EXPECT_EQ(classifyCell("05-Dec-26 06:30:15").format, "dd-mmm-yy hh:mm:ss");
    EXPECT_DOUBLE_EQ(classifyCell("01-Jan-99").number, 36161); // two-digit years from 30 are 19xx
    for (std::string_view text : {"31-Feb-26", "05-Dez-26", "05-Dec-26 24:00", "5-Dec-26", "A", "12 kg",
                                  "1.2.3", "inf", "nan", "0x10", "1234567890123456", "12345678901234567890"})
        EXPECT_EQ(classifyCell(text).kind, CellValue::Kind::Text) << text;
}

TEST(CellText, ColumnLettersAndSafeTexts) {
    std::string letters;
    for (int col : {1, 26, 27, 52, 53, 702, 16384, 0})
        letters += XlCol(col) + " ";
    for (int zeroBased : {1, 25, 26, 27, 52, 103})
        letters += GetXLCol(zeroBased) + " ";
    EXPECT_EQ(letters, "A Z AA AZ BA ZZ XFD  B Z AA AB BA CZ ");
    int row = 0, col = 0;
    EXPECT_TRUE(parseCellAddress("$AB$12", row, col));
    EXPECT_EQ(row * 100 + col, 1228);
    EXPECT_FALSE(parseCellAddress("A0", row, col));

    EXPECT_EQ(cellSafeText("a\x01"
                           "b\tc"),
              "a b\tc");
    EXPECT_EQ(cellSafeText("caf\xE9"), "caf\xC3\xA9"); // a Latin-1 byte becomes its character
    EXPECT_EQ(characterCount(cellSafeText(std::string(40000, 'x'))), kMaxCellChars);
    EXPECT_EQ(fileNameSafe("Run Summary Report 05-Dec-26 06:00 - ../x\\y*?<>|\"."),
              "Run Summary Report 05-Dec-26 06.00 - .._x_y______");
    EXPECT_FALSE(isPlainFileName("../DailyDMS.xlsx"));
    EXPECT_FALSE(isPlainFileName("sub/DailyDMS.xlsx"));
    EXPECT_TRUE(isPlainFileName("DailyDMS.xlsx"));
    EXPECT_EQ(serialStamp(kNow), "46361.5416666667");
    // Page headers: an ampersand is no code, a long title is cut between characters.
    EXPECT_EQ(pageHeaderText("R&D") + "|" + rangeText(46361.25, 46361.5),
              "R&&D| from 05-Dec-26 06:00 to 05-Dec-26 12:00");
    EXPECT_EQ(pageHeaderText(std::string(251, 'x') + "\xC3\xA9").size(), 251u);
    EXPECT_EQ(pageHeaderText(std::string(127, '&')).size(), 252u);
    // A template's header gains the range at the end of its centre section, its own text kept.
    for (auto [header, ranged] : {std::pair{"Title", "Title R&&D"},
                                  std::pair{"&LA&C&\"Arial,Bold\"T&RB", "&LA&C&\"Arial,Bold\"T R&&D&RB"},
                                  std::pair{"&LA&&C", "&LA&&C&C R&&D"}, std::pair{"", "&C R&&D"}})
        EXPECT_EQ(pageHeaderWithRange(header, " R&D"), ranged) << header;
    EXPECT_EQ(pageHeaderWithRange(std::string(250, 'x'), " R&D"), std::string(250, 'x') + " R&&");
    EXPECT_EQ(serialStamp(46361.5416666667 + 0.4 / 86400), "46361.5416666667"); // to the second
}

TEST_F(GridExportTest, LaysOutTitleHeadersAndTypedDataRows) {
    const std::string longText(300, 'L');
    // 14 columns: the title block reaches column O.
    const ReportGrid grid = gridOf({
        {"Tag", "Run", "Start Time", "Time Lost (mins)", "Asset", "", "Remarks", "C8", "C9", "C10", "C11",
         "C12", "C13", "Date"},
        {"Filler", "12", "05-Dec-26 06:30:15", "12.33", "Valve", "", longText, "x", "", "", "", "", "",
         "05-Dec-26"},
        {"Labeller", "13", "05-Dec-26 07:00:00", "-4", "", "", std::string(100, 'S'), "", "", "", "", "", "",
         ""},
    });
    const auto written = exportGrid(grid, "../Downtime: Entry"); // the file stays in the data folder
    ASSERT_TRUE(written) << written.error().message;
    EXPECT_EQ(written->filename(), "46361.5416666667.._Downtime. Entry.xlsx");
    EXPECT_EQ(written->parent_path(), dir.path());
    expectNoLeftovers();
    EXPECT_EQ(progress.state().maximum(), 3);
    EXPECT_EQ(progress.state().value(), 2);

    const QJsonObject book = readWorkbook(*written);
    EXPECT_EQ(sheetValue(book, kSheet, "merges").toArray(),
              (QJsonArray{QStringLiteral("A1:O1"), QStringLiteral("A2:O2"), QStringLiteral("A3:O3")}));
    // A cell as "kind value bold size wrap centre format".
    const auto cell = [&](const char* address) {
        std::string text;
        for (const char* field : {"t", "v", "bold", "size", "wrap", "centre", "fmt"})
            text += cellField(book, kSheet, address, field) + (field[0] == 'f' ? "" : " ");
        return text;
    };
    EXPECT_EQ(cell("A1"), "s Online NAX C-200 true 10 false true General");
    EXPECT_EQ(cellField(book, kSheet, "A3"), "../Downtime: Entry");
    EXPECT_EQ(cell("C4"), "s Start Time true 9 false false General");
    EXPECT_EQ(cellField(book, kSheet, "A5", "t"), ""); // row 5 stays empty

    // Data from row 6, typed as CellText classifies the texts.
    EXPECT_EQ(cell("A6"), "s Filler false 11 true false General");
    EXPECT_EQ(cell("C6"), "d 2026-12-05T06:30:15 false 11 true false dd-mmm-yy hh:mm:ss");

    // Widths in characters as the file stores them (n + 0.7109375 for the default font): "Labeller",
    // a date-time text, the header, 300 characters then 100, empty header and cells, standard + 3.
    std::string widths;
    for (const char* column : {"A", "C", "D", "G", "F", "O"})
        widths += columnWidth(book, kSheet, column) + " ";
    EXPECT_EQ(widths, "8.71094 18.7109 16.7109 250.711 0 12.1406 ");
    EXPECT_EQ(sheetValue(book, kSheet, "print").toString().toStdString(),
              "landscape|1x0|$4:$4|../Downtime: Entry|Page &P of &N");
}

TEST_F(GridExportTest, FailuresComeBackWithAMessageAndLeaveNothing) {
    // A data folder that is not a folder: WorkbookWiringTest. A disk that fills: writes beyond a few
    // kilobytes fail.
    ReportGrid big = gridOf({{"Tag", "Remarks"}});
    for (int r = 0; r < 20000; ++r)
        big.addRow({std::to_string(r), "a remark that takes some room " + std::to_string(r * 7919)});
    const auto full = test::withFileSizeLimit(64 * 1024, [&] { return exportGrid(big); });
    ASSERT_FALSE(full);
    EXPECT_FALSE(full.error().message.empty());
    EXPECT_TRUE(filesEndingWith(dir.path(), ".xlsx").empty());
    expectNoLeftovers();

    // The user ended the program: abandoned, nothing kept.
    test::EndingProgress ending(5);
    const auto abandoned = ExportToExcel(big, "Downtime Entry", ExportPlace{dir.path(), kNow}, ending);
    ASSERT_FALSE(abandoned);
    EXPECT_TRUE(abandoned.error().abandoned);
    EXPECT_TRUE(filesEndingWith(dir.path(), ".xlsx").empty());
    expectNoLeftovers();
}
