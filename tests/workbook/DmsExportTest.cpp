// DMS grids written into copies of the templates, read back by openpyxl.
#include "dms/DmsLayouts.h"
#include "support/TestSupport.h"
#include "support/WorkbookReader.h"
#include "workbook/DmsTemplates.h"
#include "workbook/TemplateWorkbook.h"
#include "workbook/WorkbookExport.h"

#include <QJsonArray>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <regex>
#include <sys/resource.h>

using namespace nax;
using nax::test::cellOf;
using nax::test::filesEndingWith;
using nax::test::readPart;
using nax::test::readWorkbook;
using nax::test::rewritePart;

namespace {

constexpr double kNow = 46361.5416666667;
const QString kDaily = QStringLiteral("Daily DMS");
const QString kDetail = QStringLiteral("Downtime");
const QString kRaw = QStringLiteral("RawData");

QString text(const QJsonObject& cell) {
    const QJsonValue value = cell[QStringLiteral("v")];
    return value.isString() ? value.toString() : QString::number(value.toDouble());
}

// Rows of a worksheet part in ascending order, and the cells of each row: what a spreadsheet
// program requires and a lenient reader does not check.
void expectRowsInOrder(const std::string& xml) {
    static const std::regex tag(R"re(<(row|c) r="([A-Z]*)(\d+)")re");
    int lastRow = 0;
    std::string lastCol;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), tag); it != std::sregex_iterator(); ++it) {
        const int row = std::stoi((*it)[3]);
        if ((*it)[1] == "row") {
            EXPECT_GT(row, lastRow);
            lastRow = row;
            lastCol.clear();
            continue;
        }
        const std::string col = (*it)[2];
        EXPECT_EQ(row, lastRow) << col;
        EXPECT_TRUE(col.size() > lastCol.size() || (col.size() == lastCol.size() && col > lastCol))
            << col << row << " after " << lastCol;
        lastCol = col;
    }
}

class DmsExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto installed = installDefaultTemplates(dir.path());
        ASSERT_TRUE(installed) << installed.error().message;
        SetDailyGrid(runs);
        SetDowntimeGrid(details);
    }
    Result<std::filesystem::path> print(std::string_view templateName = kDailyTemplate) {
        return ExportToExcelDMS(runs, templateName, details, ExportPlace{dir.path(), kNow}, progress);
    }
    // The folder holds the templates, the named workbooks and nothing half-written.
    void expectFiles(std::vector<std::string> names) {
        names.insert(names.end(), {"DailyDMS.xlsx", "HourDMS.xlsx"});
        std::sort(names.begin(), names.end());
        EXPECT_EQ(filesEndingWith(dir.path(), ".xlsx"), names);
        EXPECT_TRUE(filesEndingWith(dir.path(), ".tmp").empty());
    }
    void addRun(std::initializer_list<std::pair<int, std::string_view>> cells) {
        const int row = runs.addRow();
        for (auto [col, value] : cells)
            runs.setCell(row, col, value);
    }

    test::ScratchDir dir;
    ReportGrid runs, details;
    SilentProgress progress;
};

} // namespace

TEST_F(DmsExportTest, PrintBeforeGenerateFillsHeadersAndKeepsTheTemplate) {
    const auto written = print();
    ASSERT_TRUE(written) << written.error().message;
    EXPECT_EQ(written->filename(), "46361.5416666667DailyDMS.xlsx");
    const QJsonObject book = readWorkbook(*written);
    EXPECT_EQ(book[QStringLiteral("sheets")].toArray(), (QJsonArray{kDaily, kDetail, kRaw}));
    EXPECT_EQ(book[QStringLiteral("active")].toString(), kRaw);
    EXPECT_TRUE(book[QStringLiteral("full_calc")].toBool());
    for (const QString& sheet : {kDaily, kDetail})
        EXPECT_FALSE(book[QStringLiteral("sheet")][sheet][QStringLiteral("selected")].toBool())
            << sheet.toStdString();
    EXPECT_TRUE(book[QStringLiteral("sheet")][kRaw][QStringLiteral("selected")].toBool());

    // The template's titles stay; the headers arrive in row 4, bold and size 9 on the first sheet.
    EXPECT_EQ(text(cellOf(book, kDaily, QStringLiteral("A1"))), QStringLiteral("Online NAX C-200"));
    EXPECT_EQ(text(cellOf(book, kDaily, QStringLiteral("A2"))), QStringLiteral("Daily DMS Report"));
    const QJsonObject runNo = cellOf(book, kDaily, QStringLiteral("A4"));
    EXPECT_EQ(text(runNo), QStringLiteral("Run No"));
    EXPECT_TRUE(runNo[QStringLiteral("bold")].toBool());
    EXPECT_EQ(runNo[QStringLiteral("size")].toDouble(), 9);
    EXPECT_EQ(text(cellOf(book, kDaily, QStringLiteral("AB4"))), QStringLiteral(">85"));
    EXPECT_EQ(text(cellOf(book, kDetail, QStringLiteral("X4"))), QStringLiteral("WW-Asset"));
    EXPECT_FALSE(cellOf(book, kDetail, QStringLiteral("A4"))[QStringLiteral("bold")].toBool());
    const auto widths = book[QStringLiteral("sheet")][kDaily][QStringLiteral("widths")].toObject();
    EXPECT_EQ(widths[QStringLiteral("AB")].toObject()[QStringLiteral("width")].toDouble(),
              3.7109375); // ">85"

    // The glance sheet keeps its formulas and its chart.
    const QJsonObject runsCount = cellOf(book, kRaw, QStringLiteral("B6"));
    EXPECT_EQ(runsCount[QStringLiteral("t")].toString(), QStringLiteral("f"));
    EXPECT_EQ(text(runsCount), QStringLiteral("=COUNT('Daily DMS'!$R$5:$R$1048576)"));
    EXPECT_EQ(book[QStringLiteral("sheet")][kRaw][QStringLiteral("charts")].toInt(), 1);
    expectFiles({written->filename().string()});
}

TEST_F(DmsExportTest, RunAndDetailRowsArriveTypedAndTheFiguresAddUp) {
    // Two runs: 300 and 100 cases of 24; 600 and 420 minutes; Lack of Sales 30 + 0, Planned 50 + 20.
    addRun({{0, "7"},
            {1, "300ML"},
            {5, "24"},
            {6, "04-Dec-26 06:00"},
            {8, "300"},
            {9, "30"},
            {11, "50"},
            {13, "2.5"},
            {15, "97.5"},
            {16, "180"},
            {17, "600"},
            {18, "420"},
            {19, "04-Dec-26"},
            {25, "80"},
            {27, "0"}});
    addRun({{0, "8"},
            {1, "300ML"},
            {5, "24"},
            {8, "100"},
            {11, "20"},
            {17, "420"},
            {18, "380"},
            {25, "95"},
            {27, "1"},
            {12, std::string(300, 'x')}});
    details.addRow({"7",
                    "300ML",
                    "Cola",
                    "04-Dec-26 07:00:00",
                    "04-Dec-26 07:30:00",
                    "30",
                    "B",
                    "Filler",
                    "Lack of Sales",
                    "",
                    "",
                    "",
                    "a remark",
                    "",
                    "",
                    "04-Dec-26",
                    "Friday",
                    "December",
                    "49",
                    "2026",
                    "07",
                    "",
                    "",
                    ""});
    const auto written = print();
    ASSERT_TRUE(written) << written.error().message;
    const QJsonObject book = readWorkbook(*written);
    const QJsonObject run = cellOf(book, kDaily, QStringLiteral("A5"));
    EXPECT_EQ(run[QStringLiteral("t")].toString(), QStringLiteral("n"));
    EXPECT_TRUE(run[QStringLiteral("wrap")].toBool());
    EXPECT_EQ(text(cellOf(book, kDaily, QStringLiteral("B6"))), QStringLiteral("300ML"));
    EXPECT_EQ(cellOf(book, kDaily, QStringLiteral("G5"))[QStringLiteral("v")].toString(),
              QStringLiteral("2026-12-04T06:00:00"));
    EXPECT_EQ(cellOf(book, kDaily, QStringLiteral("G5"))[QStringLiteral("fmt")].toString(),
              QStringLiteral("dd-mmm-yy hh:mm"));
    const auto widths = book[QStringLiteral("sheet")][kDaily][QStringLiteral("widths")].toObject();
    EXPECT_EQ(widths[QStringLiteral("M")].toObject()[QStringLiteral("width")].toDouble(), 250.7109375);
    EXPECT_EQ(widths[QStringLiteral("G")].toObject()[QStringLiteral("width")].toDouble(), 15.7109375);
    const QJsonObject start = cellOf(book, kDetail, QStringLiteral("D5"));
    EXPECT_EQ(start[QStringLiteral("v")].toString(), QStringLiteral("2026-12-04T07:00:00"));
    EXPECT_EQ(start[QStringLiteral("fmt")].toString(), QStringLiteral("dd-mmm-yy hh:mm:ss"));
    EXPECT_FALSE(start[QStringLiteral("wrap")].toBool());
    EXPECT_EQ(text(cellOf(book, kDetail, QStringLiteral("M5"))), QStringLiteral("a remark"));
    EXPECT_TRUE(cellOf(book, kDetail, QStringLiteral("J5")).isEmpty());
    EXPECT_TRUE(cellOf(book, kDetail, QStringLiteral("A6")).isEmpty());
}

TEST_F(DmsExportTest, ShiftGridGoesIntoTheHourTemplate) {
    SetShiftGrid(runs);
    details.addRow(std::vector<std::string_view>(24, "1"));
    const auto written = print(kHourTemplate);
    ASSERT_TRUE(written) << written.error().message;
    EXPECT_EQ(written->filename(), "46361.5416666667HourDMS.xlsx");
    const QJsonObject book = readWorkbook(*written);
    const QString hourly = QStringLiteral("Hourly DMS");
    EXPECT_EQ(book[QStringLiteral("sheets")].toArray(), (QJsonArray{hourly, kDetail, kRaw}));
    EXPECT_EQ(text(cellOf(book, hourly, QStringLiteral("A4"))), QStringLiteral("Hr"));
    EXPECT_TRUE(cellOf(book, hourly, QStringLiteral("A5")).isEmpty());
    EXPECT_EQ(text(cellOf(book, kDetail, QStringLiteral("X5"))), QStringLiteral("1"));
    EXPECT_EQ(text(cellOf(book, kRaw, QStringLiteral("C5"))), QStringLiteral("A"));
    EXPECT_EQ(book[QStringLiteral("active")].toString(), kRaw);
}

// A plant's template may hold rows where the grids go: the grids' cells join them, the rows past
// them follow, and cells written again or out of order still land in order.
TEST_F(DmsExportTest, GridRowsJoinTheTemplatesOwnRowsInOrder) {
    rewritePart(dir.path() / "DailyDMS.xlsx", "xl/worksheets/sheet2.xml", [](std::string xml) {
        return xml.insert(xml.find("</sheetData>"),
                          R"(<row r="4"><c r="A4" t="inlineStr"><is><t>old</t></is></c></row>)"
                          R"(<row r="6"><c r="Z6"><f>2+3</f><v>5</v></c></row>)");
    });
    for (const std::string_view run : {"1", "2", "3"}) {
        std::vector<std::string_view> row(24, "");
        row[0] = run;
        row[12] = " <&>\tkept\n";
        row[15] = "04-Dec-26";
        details.addRow(row);
    }
    const auto written = print();
    ASSERT_TRUE(written) << written.error().message;
    const QJsonObject book = readWorkbook(*written);
    EXPECT_EQ(text(cellOf(book, kDetail, QStringLiteral("A4"))), QStringLiteral("Run No"));
    EXPECT_EQ(text(cellOf(book, kDetail, QStringLiteral("Z6"))), QStringLiteral("=2+3"));
    for (const int row : {5, 6, 7}) { // 5 and 6 among the template's rows, 7 past them
        const QString at = QString::number(row);
        EXPECT_EQ(cellOf(book, kDetail, QStringLiteral("A") + at)[QStringLiteral("v")].toDouble(), row - 4);
        EXPECT_EQ(text(cellOf(book, kDetail, QStringLiteral("M") + at)), QStringLiteral(" <&>\tkept\n"));
        EXPECT_EQ(cellOf(book, kDetail, QStringLiteral("P") + at)[QStringLiteral("fmt")].toString(),
                  QStringLiteral("dd-mmm-yy"));
    }
    expectRowsInOrder(readPart(*written, "xl/worksheets/sheet2.xml"));

    auto opened = TemplateWorkbook::open(dir.path() / "HourDMS.xlsx", "HourDMS.xlsx");
    ASSERT_TRUE(opened);
    TemplateWorkbook& direct = **opened;
    ASSERT_TRUE(direct.selectSheet(2));
    for (auto [row, col, value] : {std::tuple{10, 1, "a"},
                                   {10, 3, "5"},
                                   {8, 2, "x"},
                                   {10, 2, "b"},
                                   {11, 1, "c"},
                                   {10, 1, "a2"},
                                   {12, 1, "d"}})
        ASSERT_TRUE(direct.setCell(row, col, value));
    ASSERT_TRUE(direct.saveAs(dir.path() / "Direct.xlsx"));
    const QJsonObject again = readWorkbook(dir.path() / "Direct.xlsx");
    for (auto [address, value] :
         {std::pair{"A10", "a2"}, {"B10", "b"}, {"C10", "5"}, {"B8", "x"}, {"A11", "c"}, {"A12", "d"}})
        EXPECT_EQ(text(cellOf(again, kDetail, QString::fromLatin1(address))), QString::fromLatin1(value))
            << address;
    expectRowsInOrder(readPart(dir.path() / "Direct.xlsx", "xl/worksheets/sheet2.xml"));
}

TEST_F(DmsExportTest, TemplatesAreInstalledOnceAndNeverReplaced) {
    { std::ofstream(dir.path() / "HourDMS.xlsx", std::ios::trunc) << "the plant's own"; }
    std::filesystem::remove(dir.path() / "DailyDMS.xlsx");
    const auto installed = installDefaultTemplates(dir.path());
    ASSERT_TRUE(installed);
    EXPECT_EQ(*installed, std::vector<std::string>{"DailyDMS.xlsx"});
    std::ifstream own(dir.path() / "HourDMS.xlsx");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(own), {}), "the plant's own");
    expectFiles({});
}

TEST_F(DmsExportTest, TemplateFailuresAreRefusedWithAMessage) {
    const auto expectRefused = [&](std::string_view templateName, const std::string& words) {
        const auto refused = print(templateName);
        ASSERT_FALSE(refused) << templateName;
        EXPECT_NE(refused.error().message.find(words), std::string::npos) << refused.error().message;
    };
    expectRefused("Missing.xlsx", "was not found in the data folder");
    expectRefused("../DailyDMS.xlsx", "is not the name of a file in the data folder");
    { std::ofstream(dir.path() / "Text.xlsx") << "not a workbook at all"; }
    expectRefused("Text.xlsx", "is not a workbook");

    // A one-sheet workbook, a workbook without "RawData", a truncated package.
    std::filesystem::copy_file(dir.path() / "DailyDMS.xlsx", dir.path() / "Renamed.xlsx");
    rewritePart(dir.path() / "Renamed.xlsx", "xl/workbook.xml", [](std::string xml) {
        xml.replace(xml.find("name=\"RawData\""), 14, "name=\"Figures\"");
        return xml;
    });
    expectRefused("Renamed.xlsx", "has no worksheet named \"RawData\"");
    SilentProgress silent;
    ReportGrid one;
    one.setCols(1);
    one.addRow({"x"});
    const auto single = ExportToExcel(one, "One", ExportPlace{dir.path(), kNow}, silent);
    ASSERT_TRUE(single);
    std::filesystem::rename(*single, dir.path() / "One.xlsx");
    expectRefused("One.xlsx", "has no second worksheet");
    {
        const auto size = std::filesystem::file_size(dir.path() / "HourDMS.xlsx");
        std::filesystem::copy_file(dir.path() / "HourDMS.xlsx", dir.path() / "Cut.xlsx");
        std::filesystem::resize_file(dir.path() / "Cut.xlsx", size / 2);
    }
    expectRefused("Cut.xlsx", "is not a workbook");
    for (const char* name : {"Text.xlsx", "Renamed.xlsx", "One.xlsx", "Cut.xlsx"})
        std::filesystem::remove(dir.path() / name);
    expectFiles({});
}

TEST_F(DmsExportTest, HostileTemplatesAreRefusedWithoutHarm) {
    const auto expectRefused = [&](const std::string& name, const std::string& words) {
        const auto refused = print(name);
        ASSERT_FALSE(refused) << name;
        EXPECT_NE(refused.error().message.find(words), std::string::npos) << refused.error().message;
        std::filesystem::remove(dir.path() / name);
    };
    // Entity expansion in a part.
    std::filesystem::copy_file(dir.path() / "DailyDMS.xlsx", dir.path() / "Entities.xlsx");
    rewritePart(dir.path() / "Entities.xlsx", "xl/worksheets/sheet1.xml", [](std::string xml) {
        const size_t root = xml.find("<worksheet");
        return xml.substr(0, root) +
               "<!DOCTYPE worksheet [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
               "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>" +
               xml.substr(root);
    });
    expectRefused("Entities.xlsx", "declares a document type or entities");
    // A part that inflates far beyond what a template holds.
    std::filesystem::copy_file(dir.path() / "DailyDMS.xlsx", dir.path() / "Bomb.xlsx");
    rewritePart(dir.path() / "Bomb.xlsx", "xl/media/padding.bin",
                [](std::string) { return std::string((128u << 20) + 1, '\0'); });
    expectRefused("Bomb.xlsx", "too large");
    // Not well-formed.
    std::filesystem::copy_file(dir.path() / "DailyDMS.xlsx", dir.path() / "Broken.xlsx");
    rewritePart(dir.path() / "Broken.xlsx", "xl/styles.xml",
                [](std::string xml) { return xml.substr(0, xml.size() / 2); });
    expectRefused("Broken.xlsx", "is not well-formed");
    // Text that spells out the mark where the written rows go.
    std::filesystem::copy_file(dir.path() / "DailyDMS.xlsx", dir.path() / "Marked.xlsx");
    rewritePart(dir.path() / "Marked.xlsx", "xl/worksheets/sheet1.xml", [](std::string xml) {
        return xml.insert(xml.rfind("</worksheet>"),
                          "<extLst><ext><![CDATA[<!--appended rows--></sheetData>]]></ext></extLst>");
    });
    expectRefused("Marked.xlsx", "marks its rows with");
    expectFiles({});
}

TEST_F(DmsExportTest, AFullDiskLeavesNoWorkbook) {
    for (int r = 0; r < 3000; ++r)
        details.addRow(std::vector<std::string_view>(24, "a detail text that takes room"));
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 32 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    const auto full = print();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    ASSERT_FALSE(full);
    EXPECT_NE(full.error().message.find("could not be written"), std::string::npos) << full.error().message;
    expectFiles({});
}
