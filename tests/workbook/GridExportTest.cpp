// New workbooks from grids, read back by openpyxl.
#include "support/TestSupport.h"
#include "support/WorkbookReader.h"
#include "workbook/CellText.h"
#include "workbook/WorkbookExport.h"
#include "workbook/WorkbookFile.h"

#include <QJsonArray>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/resource.h>

using namespace nax;
using nax::test::cellOf;
using nax::test::filesEndingWith;
using nax::test::readWorkbook;

namespace {

constexpr double kNow = 46361.5416666667; // 05-Dec-26 13:00:00
const QString kSheet = QStringLiteral("Sheet1");

ReportGrid gridOf(const std::vector<std::vector<std::string_view>>& rows) {
    ReportGrid grid;
    grid.setCols(static_cast<int>(rows.front().size()));
    for (const auto& row : rows)
        grid.addRow(row);
    return grid;
}

// Counts what the export tells its progress window.
class CountingProgress : public SilentProgress {
public:
    void SetMax(int32_t maxer) override {
        maxima.push_back(maxer);
        SilentProgress::SetMax(maxer);
    }
    void ProgressNextValue(std::string_view text) override {
        ++steps;
        SilentProgress::ProgressNextValue(text);
        if (abandonAfter > 0 && steps >= abandonAfter) abandonNow = true;
    }
    bool abandoned() const override { return abandonNow; }
    std::vector<int32_t> maxima;
    int steps = 0;
    int abandonAfter = 0;
    bool abandonNow = false;
};

class GridExportTest : public ::testing::Test {
protected:
    Result<std::filesystem::path> exportGrid(const ReportGrid& grid,
                                             std::string_view title = "Downtime Entry") {
        return ExportToExcel(grid, title, ExportPlace{dir.path(), kNow}, progress);
    }
    // Nothing but finished workbooks in the folder.
    void expectNoLeftovers() { EXPECT_TRUE(filesEndingWith(dir.path(), ".tmp").empty()); }

    test::ScratchDir dir;
    CountingProgress progress;
};

QString width(const QJsonObject& book, const QString& column) {
    const auto entry = book[QStringLiteral("sheet")][kSheet][QStringLiteral("widths")][column].toObject();
    return entry.isEmpty() ? QStringLiteral("none")
                           : QString::number(entry[QStringLiteral("width")].toDouble());
}

} // namespace

TEST(CellText, TypesTextsAsASpreadsheetWould) {
    EXPECT_EQ(classifyCell("").kind, CellValue::Kind::Empty);
    EXPECT_EQ(classifyCell("12.5").number, 12.5);
    EXPECT_EQ(classifyCell("-3").kind, CellValue::Kind::Number);
    EXPECT_EQ(classifyCell("0012").number, 12);
    const CellValue minute = classifyCell("05-Dec-26 06:30");
    EXPECT_EQ(minute.kind, CellValue::Kind::DateTime);
    EXPECT_DOUBLE_EQ(minute.number, 46361.0 + 6.5 / 24);
    EXPECT_EQ(minute.format, "dd-mmm-yy hh:mm");
    EXPECT_EQ(classifyCell("05-Dec-26").format, "dd-mmm-yy");
    EXPECT_EQ(classifyCell("05-Dec-26 06:30:15").format, "dd-mmm-yy hh:mm:ss");
    EXPECT_DOUBLE_EQ(classifyCell("01-Jan-99").number, 36161); // two-digit years from 30 are 19xx
    for (std::string_view text : {"31-Feb-26", "05-Dez-26", "05-Dec-26 24:00", "5-Dec-26", "A", "12 kg",
                                  "1.2.3", "inf", "nan", "0x10", "12345678901234567890"})
        EXPECT_EQ(classifyCell(text).kind, CellValue::Kind::Text) << text;
}

TEST(CellText, ColumnLettersAndSafeTexts) {
    EXPECT_EQ(XlCol(1), "A");
    EXPECT_EQ(XlCol(26), "Z");
    EXPECT_EQ(XlCol(27), "AA");
    EXPECT_EQ(XlCol(52), "AZ");
    EXPECT_EQ(XlCol(53), "BA");
    EXPECT_EQ(XlCol(702), "ZZ");
    EXPECT_EQ(XlCol(16384), "XFD");
    EXPECT_EQ(XlCol(0), "");
    EXPECT_EQ(GetXLCol(1), "B");
    EXPECT_EQ(GetXLCol(25), "Z");
    EXPECT_EQ(GetXLCol(26), "AA");
    EXPECT_EQ(GetXLCol(27), "AB");
    EXPECT_EQ(GetXLCol(52), "BA");
    EXPECT_EQ(GetXLCol(103), "CZ");
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
    const auto written = exportGrid(grid);
    ASSERT_TRUE(written) << written.error().message;
    EXPECT_EQ(written->filename(), "46361.5416666667Downtime Entry.xlsx");
    EXPECT_EQ(written->parent_path(), dir.path());
    expectNoLeftovers();
    EXPECT_EQ(progress.maxima, std::vector<int32_t>{3});
    EXPECT_EQ(progress.steps, 2);

    const QJsonObject book = readWorkbook(*written);
    const QJsonArray merges = book[QStringLiteral("sheet")][kSheet][QStringLiteral("merges")].toArray();
    EXPECT_EQ(merges,
              (QJsonArray{QStringLiteral("A1:O1"), QStringLiteral("A2:O2"), QStringLiteral("A3:O3")}));
    const QJsonObject company = cellOf(book, kSheet, QStringLiteral("A1"));
    EXPECT_EQ(company[QStringLiteral("v")].toString(), QStringLiteral("Online NAX C-200"));
    EXPECT_TRUE(company[QStringLiteral("bold")].toBool());
    EXPECT_EQ(company[QStringLiteral("size")].toDouble(), 10);
    EXPECT_TRUE(company[QStringLiteral("centre")].toBool());
    EXPECT_EQ(cellOf(book, kSheet, QStringLiteral("A3"))[QStringLiteral("v")].toString(),
              QStringLiteral("Downtime Entry"));

    const QJsonObject header = cellOf(book, kSheet, QStringLiteral("C4"));
    EXPECT_EQ(header[QStringLiteral("v")].toString(), QStringLiteral("Start Time"));
    EXPECT_TRUE(header[QStringLiteral("bold")].toBool());
    EXPECT_EQ(header[QStringLiteral("size")].toDouble(), 9);
    EXPECT_TRUE(cellOf(book, kSheet, QStringLiteral("A5")).isEmpty()); // row 5 stays empty

    // Typed data from row 6: text, number, date-time in the grid's own pattern; empty stays empty.
    const QJsonObject tag = cellOf(book, kSheet, QStringLiteral("A6"));
    EXPECT_EQ(tag[QStringLiteral("t")].toString(), QStringLiteral("s"));
    EXPECT_TRUE(tag[QStringLiteral("wrap")].toBool());
    EXPECT_FALSE(tag[QStringLiteral("bold")].toBool());
    const QJsonObject run = cellOf(book, kSheet, QStringLiteral("B6"));
    EXPECT_EQ(run[QStringLiteral("t")].toString(), QStringLiteral("n"));
    EXPECT_EQ(run[QStringLiteral("v")].toDouble(), 12);
    const QJsonObject start = cellOf(book, kSheet, QStringLiteral("C6"));
    EXPECT_EQ(start[QStringLiteral("t")].toString(), QStringLiteral("d"));
    EXPECT_EQ(start[QStringLiteral("v")].toString(), QStringLiteral("2026-12-05T06:30:15"));
    EXPECT_EQ(start[QStringLiteral("fmt")].toString(), QStringLiteral("dd-mmm-yy hh:mm:ss"));
    EXPECT_EQ(cellOf(book, kSheet, QStringLiteral("N6"))[QStringLiteral("fmt")].toString(),
              QStringLiteral("dd-mmm-yy"));
    EXPECT_EQ(cellOf(book, kSheet, QStringLiteral("D7"))[QStringLiteral("v")].toDouble(), -4);
    EXPECT_TRUE(cellOf(book, kSheet, QStringLiteral("E7")).isEmpty());

    // Widths in characters as the file stores them (n + 0.7109375 for the default font).
    EXPECT_EQ(width(book, QStringLiteral("A")), QStringLiteral("8.71094")); // "Labeller"
    EXPECT_EQ(width(book, QStringLiteral("C")), QStringLiteral("18.7109")); // a date-time text
    EXPECT_EQ(width(book, QStringLiteral("D")), QStringLiteral("16.7109")); // the header
    EXPECT_EQ(width(book, QStringLiteral("G")), QStringLiteral("250.711")); // 300 characters, then 100
    EXPECT_EQ(width(book, QStringLiteral("F")), QStringLiteral("0"));       // empty header, empty cells
    EXPECT_EQ(width(book, QStringLiteral("O")), QStringLiteral("12.1406")); // standard width + 3
}

TEST_F(GridExportTest, HeaderOnlyGridWritesTheFirstFourRows) {
    ReportGrid grid = gridOf({{"Tag", "Run"}});
    const auto written = exportGrid(grid, "Run Summary Report 05-Dec-26 06:00 - 05-Dec-26 12:00");
    ASSERT_TRUE(written) << written.error().message;
    EXPECT_EQ(written->filename(),
              "46361.5416666667Run Summary Report 05-Dec-26 06.00 - 05-Dec-26 12.00.xlsx");
    EXPECT_EQ(progress.maxima, std::vector<int32_t>{1});
    EXPECT_EQ(progress.steps, 0);
    const QJsonObject book = readWorkbook(*written);
    const QJsonObject cells = book[QStringLiteral("sheet")][kSheet][QStringLiteral("cells")].toObject();
    EXPECT_EQ(cells.keys(), (QStringList{QStringLiteral("A1"), QStringLiteral("A3"), QStringLiteral("A4"),
                                         QStringLiteral("B4")}));
    EXPECT_EQ(cells[QStringLiteral("A3")].toObject()[QStringLiteral("v")].toString(),
              QStringLiteral("Run Summary Report 05-Dec-26 06:00 - 05-Dec-26 12:00"));
}

TEST_F(GridExportTest, ExportsInOneSecondKeepTheirOwnFilesInsideTheDataFolder) {
    const ReportGrid grid = gridOf({{"Tag"}, {"Filler"}});
    const auto first = exportGrid(grid, "Downtime Entry");
    const auto second = exportGrid(grid, "Downtime Entry");
    const auto hostile = exportGrid(grid, "../../etc/Downtime: Entry");
    ASSERT_TRUE(first && second && hostile);
    EXPECT_EQ(first->filename(), "46361.5416666667Downtime Entry.xlsx");
    EXPECT_EQ(second->filename(), "46361.5416666667Downtime Entry (2).xlsx");
    EXPECT_EQ(hostile->parent_path(), dir.path());
    EXPECT_EQ(hostile->filename(), "46361.5416666667.._.._etc_Downtime. Entry.xlsx");
    EXPECT_EQ(filesEndingWith(dir.path(), ".xlsx").size(), 3u);
    expectNoLeftovers();
    EXPECT_EQ(cellOf(readWorkbook(*first), kSheet, QStringLiteral("A6"))[QStringLiteral("v")].toString(),
              QStringLiteral("Filler"));
}

TEST_F(GridExportTest, FailuresComeBackWithAMessageAndLeaveNothing) {
    const ReportGrid grid = gridOf({{"Tag"}, {"Filler"}});
    // A data folder that is not a folder.
    const auto notFolder = dir.path() / "plain-file";
    std::ofstream(notFolder) << "x";
    const auto refused = ExportToExcel(grid, "Downtime Entry", ExportPlace{notFolder, kNow}, progress);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("plain-file"), std::string::npos) << refused.error().message;

    // A disk that fills: writes beyond a few kilobytes fail.
    ReportGrid big = gridOf({{"Tag", "Remarks"}});
    for (int r = 0; r < 20000; ++r)
        big.addRow({std::to_string(r), "a remark that takes some room " + std::to_string(r * 7919)});
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    const auto full = exportGrid(big);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    ASSERT_FALSE(full);
    EXPECT_FALSE(full.error().message.empty());
    EXPECT_TRUE(filesEndingWith(dir.path(), ".xlsx").empty());
    expectNoLeftovers();

    // The user ended the program: abandoned, nothing kept.
    progress.abandonAfter = 5;
    const auto abandoned = exportGrid(big);
    ASSERT_FALSE(abandoned);
    EXPECT_TRUE(abandoned.error().abandoned);
    EXPECT_TRUE(filesEndingWith(dir.path(), ".xlsx").empty());
    expectNoLeftovers();
}
