// nax-report --format xlsx writes the workbook the window would, read back by openpyxl.
#include "dms/DmsFixture.h"
#include "support/NaxReportProcess.h"
#include "support/WorkbookReader.h"

#include <QJsonArray>
#include <gtest/gtest.h>

#include <fstream>

using namespace nax;
using nax::test::cellField;
using nax::test::exec;
using nax::test::readWorkbook;

namespace {

// Run 1 on 04-Dec-26 from 06:00 to 14:00 with a planned stop; a tagged event for the lists.
class ReportWorkbookTest : public test::DmsDatabase {
protected:
    void SetUp() override {
        DmsDatabase::SetUp();
        addPlannedStopRun();
    }
    // nax-report on the test database; the status must be `exitCode` ("$out/" is the scratch folder).
    QString report(const std::string& args, int exitCode) {
        const auto done =
            test::runNaxReport(QString::fromStdString(args).replace(QStringLiteral("$out/"),
                                                                    QString::fromStdString(dir.file(""))),
                               QString::fromStdString(dir.file("db1.sqlite")));
        EXPECT_EQ(done.exitCode, exitCode) << args << "\n" << done.err.toStdString();
        return done.err;
    }
    std::string out(const std::string& name) const { return dir.file(name); }
};

} // namespace

TEST_F(ReportWorkbookTest, ListsGoIntoNewWorkbooksUnderTheWindowsTitles) {
    report("downtime-list|--db|$db|--from|2026-12-04 06:00|--to|2026-12-04 "
           "12:00|--format|xlsx|--out|$out/list.xlsx",
           0);
    QJsonObject book = readWorkbook(out("list.xlsx"));
    EXPECT_EQ(cellField(book, "Sheet1", "A3") + "|" + cellField(book, "Sheet1", "A6") + "|" +
                  cellField(book, "Sheet1", "H6"),
              "Downtime Entry|Filler|30");

    report("run-summary|--db|$db|--from|2026-12-05 06:00|--to|2026-12-05 "
           "12:00|--format|xlsx|--out|$out/sum.xlsx",
           0);
    book = readWorkbook(out("sum.xlsx"));
    EXPECT_EQ(cellField(book, "Sheet1", "A3"), "Run Summary Report 05-Dec-26 06:00 - 05-Dec-26 12:00");
    EXPECT_TRUE(test::filesEndingWith(dir.path(), ".tmp").empty());
}

TEST_F(ReportWorkbookTest, DmsReportsFillTheDataFoldersTemplate) {
    report(
        "dms-daily|--data-dir|$out/|--from|2026-12-01 00:00|--to|2026-12-05 00:00|--format|xlsx|--out|$out/"
        "daily.xlsx",
        0);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "DailyDMS.xlsx")); // installed for the folder
    const QJsonObject book = readWorkbook(out("daily.xlsx"));
    EXPECT_EQ(book[QStringLiteral("active")].toString(), QStringLiteral("RawData"));
    EXPECT_EQ(cellField(book, "Daily DMS", "A5", "t") + cellField(book, "Daily DMS", "A5") + "|" +
                  cellField(book, "Daily DMS", "L5") + "|" + cellField(book, "Downtime", "I5"),
              "n1|30|Planned Loss");
    EXPECT_EQ(test::sheetValue(book, "Daily DMS", "print").toString().toStdString(),
              "landscape|1x0|$4:$4|Daily DMS Report from 01-Dec-26 00:00 to 05-Dec-26 00:00|Page &P of &N");
}

TEST_F(ReportWorkbookTest, WorkbookFailuresExitOneAndKeepTheOldFile) {
    EXPECT_TRUE(
        report("downtime-list|--db|$db|--from|2026-12-04 06:00|--to|2026-12-04 12:00|--format|xlsx", 2)
            .contains(QStringLiteral("--format xlsx needs --out")));

    { std::ofstream(dir.path() / "DailyDMS.xlsx") << "not a workbook"; }
    { std::ofstream(dir.path() / "old.xlsx") << "yesterday's"; }
    const QString err = report("dms-daily|--data-dir|$out/|--from|2026-12-01 00:00|--to|2026-12-05 "
                               "00:00|--format|xlsx|--out|$out/old.xlsx",
                               1);
    EXPECT_TRUE(
        err.startsWith(QStringLiteral("The template DailyDMS.xlsx cannot be used: it is not a workbook")))
        << err.toStdString();
    std::ifstream old(dir.path() / "old.xlsx");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "yesterday's");
    EXPECT_TRUE(test::filesEndingWith(dir.path(), ".tmp").empty());
}
