// DMS grids written into copies of the templates, read back by openpyxl.
#include "dms/DmsWorkbook.h"
#include "dms/DmsLayouts.h"
#include "support/TestSupport.h"
#include "support/WorkbookReader.h"
#include "text/ProgressText.h"
#include "xlsx/PrintSetup.h"
#include "xlsx/TemplateWorkbook.h"
#include "xlsx/WorkbookExport.h"

#include <QJsonArray>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <tuple>

using namespace nax;
using nax::test::cellField;
using nax::test::filesEndingWith;
using nax::test::readPart;
using nax::test::readWorkbook;
using nax::test::rewritePart;
using nax::test::sheetValue;

namespace {

constexpr double kNow = 46361.5416666667;
constexpr const char* kDaily = "Daily DMS";
constexpr const char* kDetail = "Downtime";
constexpr const char* kRaw = "RawData";

// Rows of a worksheet part in ascending order, and the cells of each row: what a spreadsheet
// program requires and a lenient reader does not check.
void expectRowsInOrder(const std::string& xml) {
    static const std::regex tag(R"re(<(?:row|c) r="([A-Z]*)(\d+)")re");
    std::vector<std::tuple<int, size_t, std::string>> found; // row, then a row's cells by column
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), tag); it != std::sregex_iterator(); ++it)
        found.emplace_back(std::stoi((*it)[2]), (*it)[1].length(), (*it)[1]);
    const auto notAfter =
        std::adjacent_find(found.begin(), found.end(), [](auto& a, auto& b) { return !(a < b); });
    EXPECT_TRUE(notAfter == found.end()) << std::get<2>(*notAfter) << std::get<0>(*notAfter);
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
        return ExportToExcelDMS(runs, templateName, details, ExportPlace{dir.path(), kNow}, progress, range);
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
    // A copy of the daily template with one part rewritten by `edit`.
    void spoil(const std::string& name, const std::string& part,
               const std::function<std::string(std::string)>& edit) {
        std::filesystem::copy_file(dir.path() / "DailyDMS.xlsx", dir.path() / name);
        rewritePart(dir.path() / name, part, edit);
    }
    // Print with `templateName` fails and says `words`; a template made for the test goes again.
    void expectRefused(const std::string& templateName, const std::string& words) {
        const auto refused = print(templateName);
        ASSERT_FALSE(refused) << templateName;
        EXPECT_NE(refused.error().message.find(words), std::string::npos) << refused.error().message;
        if (templateName.find('/') == std::string::npos) std::filesystem::remove(dir.path() / templateName);
    }

    test::ScratchDir dir;
    ReportGrid runs, details;
    SilentProgress progress;
    std::string range; // of the report printed, for the page headers
};

} // namespace

TEST_F(DmsExportTest, RowsArriveTypedUnderTheHeadersAndTheTemplateStays) {
    // clang-format off
    addRun({{0, "7"}, {1, "300ML"}, {5, "24"}, {6, "04-Dec-26 06:00"}, {8, "300"}, {12, std::string(300, 'x')}});
    addRun({{0, "8"}, {1, "300ML"}});
    details.addRow({"7", "300ML", "Cola", "04-Dec-26 07:00:00", "04-Dec-26 07:30:00", "30", "B", "Filler",
                    "Lack of Sales", "", "", "", "a remark", "", "", "04-Dec-26", "Friday", "December", "49",
                    "2026", "07", "", "", ""});
    // clang-format on
    const auto written = print();
    ASSERT_TRUE(written) << written.error().message;
    EXPECT_EQ(written->filename(), "46361.5416666667DailyDMS.xlsx");
    const QJsonObject book = readWorkbook(*written);
    EXPECT_EQ(
        book[QStringLiteral("sheets")].toArray(),
        (QJsonArray{QStringLiteral("Daily DMS"), QStringLiteral("Downtime"), QStringLiteral("RawData")}));
    EXPECT_EQ(book[QStringLiteral("active")].toString(), QStringLiteral("RawData"));
    EXPECT_TRUE(book[QStringLiteral("full_calc")].toBool());
    std::string selected;
    for (const char* sheet : {kDaily, kDetail, kRaw})
        selected += sheetValue(book, sheet, "selected").toBool() ? "1" : "0";
    EXPECT_EQ(selected, "001");

    // The template's titles stay; the headers arrive in row 4, bold and size 9 on the first sheet.
    EXPECT_EQ(cellField(book, kDaily, "A1"), "Online NAX C-200");
    EXPECT_EQ(cellField(book, kDaily, "A4") + "|" + cellField(book, kDaily, "A4", "bold") + "|" +
                  cellField(book, kDaily, "A4", "size"),
              "Run No|true|9");
    EXPECT_EQ(cellField(book, kDetail, "X4") + "|" + cellField(book, kDetail, "A4", "bold"),
              "WW-Asset|false");
    EXPECT_EQ(test::columnWidth(book, kDaily, "AB"), "3.71094"); // ">85"
    // The glance sheet keeps its formulas and its chart.
    EXPECT_EQ(cellField(book, kRaw, "B6"), "=COUNT('Daily DMS'!$R$5:$R$1048576)");
    EXPECT_EQ(sheetValue(book, kRaw, "charts").toInt(), 1);

    // The rows below, typed, wrapped, and widening their columns.
    EXPECT_EQ(cellField(book, kDaily, "A5", "t") + cellField(book, kDaily, "A5", "wrap"), "ntrue");
    EXPECT_EQ(cellField(book, kDaily, "B6"), "300ML");
    EXPECT_EQ(cellField(book, kDaily, "G5") + "|" + cellField(book, kDaily, "G5", "fmt"),
              "2026-12-04T06:00:00|dd-mmm-yy hh:mm");
    EXPECT_EQ(test::columnWidth(book, kDaily, "M"), "250.711");
    EXPECT_EQ(test::columnWidth(book, kDaily, "G"), "15.7109");
    EXPECT_EQ(cellField(book, kDetail, "D5", "fmt") + "|" + cellField(book, kDetail, "D5", "wrap"),
              "dd-mmm-yy hh:mm:ss|false");
    EXPECT_EQ(cellField(book, kDetail, "M5"), "a remark");
    EXPECT_EQ(cellField(book, kDetail, "J5", "t") + cellField(book, kDetail, "A6", "t"), ""); // no cells
    expectFiles({written->filename().string()});
}

TEST_F(DmsExportTest, GridSheetsPrintOnePageWideUnderTheirHeaderRowAndRawDataOnOnePage) {
    range = rangeText(46360.25, 46361.25);
    const std::string gridPages = "landscape|1x0|$4:$4|", glancePage = "landscape|1x1|None|";
    const std::string ranged = " from 04-Dec-26 06:00 to 05-Dec-26 06:00", footer = "|Page &P of &N";
    const std::map<std::string_view, std::vector<std::pair<const char*, std::string>>> expected = {
        {kDailyTemplate,
         {{kDaily, gridPages + "Daily DMS Report" + ranged + footer},
          {kDetail, gridPages + "Downtime Detail" + ranged + footer},
          {kRaw, glancePage + "Daily DMS at a glance" + footer}}},
        {kHourTemplate,
         {{"Hourly DMS", gridPages + "Shift-wise DMS Report" + ranged + footer},
          {kRaw, glancePage + "Shift-wise DMS at a glance" + footer}}},
    };
    for (const auto& [templateName, sheets] : expected) {
        const auto written = print(templateName);
        ASSERT_TRUE(written) << written.error().message;
        const QJsonObject book = readWorkbook(*written);
        for (const auto& [sheet, printing] : sheets)
            EXPECT_EQ(sheetValue(book, sheet, "print").toString().toStdString(), printing) << sheet;
    }
}

// A plant's template may hold rows where the grids go: the grids' cells join them, in order, and the
// rows past them follow.
TEST_F(DmsExportTest, GridRowsJoinTheTemplatesOwnRowsInOrder) {
    rewritePart(dir.path() / "DailyDMS.xlsx", "xl/worksheets/sheet2.xml", [](std::string xml) {
        return xml.insert(xml.find("</sheetData>"),
                          R"(<row r="4"><c r="A4" t="inlineStr"><is><t>old</t></is></c></row>)"
                          R"(<row r="6"><c r="Y6"><f>2+3</f><v>5</v></c></row>)"); // Y: just past the grid
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
    EXPECT_EQ(cellField(book, kDetail, "A4"), "Run No");
    EXPECT_EQ(cellField(book, kDetail, "Y6"), "=2+3");
    for (const int row : {5, 6, 7}) { // 5 and 6 among the template's rows, 7 past them
        const std::string at = std::to_string(row);
        EXPECT_EQ(cellField(book, kDetail, ("A" + at).c_str()) + "|" +
                      cellField(book, kDetail, ("M" + at).c_str()) + "|" +
                      cellField(book, kDetail, ("P" + at).c_str(), "fmt"),
                  std::to_string(row - 4) + "| <&>\tkept\n|dd-mmm-yy");
    }
    expectRowsInOrder(readPart(*written, "xl/worksheets/sheet2.xml"));
}

TEST_F(DmsExportTest, TemplatesAreInstalledOnceFromBesideTheProgramAndNeverReplaced) {
    // An installed program finds the package's templates in ../share/nax/templates.
    const auto shared = dir.path() / "usr" / "share" / "nax" / "templates";
    std::filesystem::create_directories(shared);
    for (const char* name : {"DailyDMS.xlsx", "HourDMS.xlsx"})
        std::ofstream(shared / name) << "the package's " << name;
    EXPECT_EQ(installedTemplateFolder(dir.path() / "usr" / "bin" / "nax-report"), shared);

    { std::ofstream(dir.path() / "HourDMS.xlsx", std::ios::trunc) << "the plant's own"; }
    std::filesystem::remove(dir.path() / "DailyDMS.xlsx");
    const auto installed = installDefaultTemplates(dir.path(), shared);
    ASSERT_TRUE(installed);
    EXPECT_EQ(*installed, std::vector<std::string>{"DailyDMS.xlsx"});
    const auto text = [&](const char* name) {
        std::ifstream file(dir.path() / name);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    EXPECT_EQ(text("HourDMS.xlsx") + "|" + text("DailyDMS.xlsx"),
              "the plant's own|the package's DailyDMS.xlsx");
    expectFiles({});
}

TEST_F(DmsExportTest, BadOrHostileTemplatesAreRefusedWithAMessageAndWithoutHarm) {
    expectRefused("Missing.xlsx", "was not found in the data folder");
    expectRefused("../DailyDMS.xlsx", "is not the name of a file in the data folder");
    { std::ofstream(dir.path() / "Text.xlsx") << "not a workbook at all"; }
    expectRefused("Text.xlsx", "is not a workbook");
    spoil("Renamed.xlsx", "xl/workbook.xml",
          [](std::string xml) { return xml.replace(xml.find("name=\"RawData\""), 14, "name=\"Figures\""); });
    expectRefused("Renamed.xlsx", "has no worksheet named \"RawData\"");
    SilentProgress silent;
    ReportGrid one;
    one.setCols(1);
    one.addRow({"x"});
    const auto single = ExportToExcel(one, "One", ExportPlace{dir.path(), kNow}, silent);
    ASSERT_TRUE(single);
    std::filesystem::rename(*single, dir.path() / "One.xlsx");
    expectRefused("One.xlsx", "has no second worksheet");

    spoil("Entities.xlsx", "xl/worksheets/sheet1.xml", [](std::string xml) {
        return xml.insert(xml.find("<worksheet"), "<!DOCTYPE worksheet [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                                                  "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>");
    });
    expectRefused("Entities.xlsx", "declares a document type or entities");
    // A part that inflates far beyond what a template holds.
    spoil("Bomb.xlsx", "xl/media/padding.bin",
          [](std::string) { return std::string((128u << 20) + 1, '\0'); });
    expectRefused("Bomb.xlsx", "too large");
    spoil("Broken.xlsx", "xl/styles.xml", [](std::string xml) { return xml.substr(0, xml.size() / 2); });
    expectRefused("Broken.xlsx", "is not well-formed");
    // Text that spells out the mark where the written rows go.
    spoil("Marked.xlsx", "xl/worksheets/sheet1.xml", [](std::string xml) {
        return xml.insert(xml.rfind("</worksheet>"),
                          "<extLst><ext><![CDATA[<!--appended rows--></sheetData>]]></ext></extLst>");
    });
    expectRefused("Marked.xlsx", "marks its rows with");
    expectFiles({});
}

TEST_F(DmsExportTest, AFullDiskLeavesNoWorkbook) {
    for (int r = 0; r < 3000; ++r)
        details.addRow(std::vector<std::string_view>(24, "a detail text that takes room"));
    const auto full = test::withFileSizeLimit(32 * 1024, [&] { return print(); });
    ASSERT_FALSE(full);
    EXPECT_NE(full.error().message.find("could not be written"), std::string::npos) << full.error().message;
    expectFiles({});
}
