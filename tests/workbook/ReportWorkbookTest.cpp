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
    int run(const std::string& args, QString* err = nullptr) {
        const auto done =
            test::runNaxReport(QString::fromStdString(args), QString::fromStdString(dir.file("db1.sqlite")));
        if (err) *err = done.err;
        return done.exitCode;
    }
    std::string out(const std::string& name) const { return dir.file(name); }
};

} // namespace

TEST_F(ReportWorkbookTest, ListsGoIntoNewWorkbooksUnderTheWindowsTitles) {
    QString err;
    ASSERT_EQ(
        run("downtime-list|--db|$db|--from|2026-12-04 06:00|--to|2026-12-04 12:00|--format|xlsx|--out|" +
                out("list.xlsx"),
            &err),
        0)
        << err.toStdString();
    QJsonObject book = readWorkbook(out("list.xlsx"));
    EXPECT_EQ(cellField(book, "Sheet1", "A3") + "|" + cellField(book, "Sheet1", "A6") + "|" +
                  cellField(book, "Sheet1", "H6"),
              "Downtime Entry|Filler|30");

    ASSERT_EQ(run("run-summary|--db|$db|--from|2026-12-05 06:00|--to|2026-12-05 12:00|--format|xlsx|--out|" +
                      out("summary.xlsx"),
                  &err),
              0)
        << err.toStdString();
    book = readWorkbook(out("summary.xlsx"));
    EXPECT_EQ(cellField(book, "Sheet1", "A3"), "Run Summary Report 05-Dec-26 06:00 - 05-Dec-26 12:00");
    EXPECT_TRUE(test::filesEndingWith(dir.path(), ".tmp").empty());
}

TEST_F(ReportWorkbookTest, DmsReportsFillTheDataFoldersTemplate) {
    QString err;
    ASSERT_EQ(run("dms-daily|--data-dir|" + dir.path().string() +
                      "|--from|2026-12-01 00:00|--to|2026-12-05 00:00|--format|xlsx|--out|" +
                      out("daily.xlsx"),
                  &err),
              0)
        << err.toStdString();
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "DailyDMS.xlsx")); // installed for the folder
    const QJsonObject book = readWorkbook(out("daily.xlsx"));
    EXPECT_EQ(book[QStringLiteral("active")].toString(), QStringLiteral("RawData"));
    EXPECT_EQ(cellField(book, "Daily DMS", "A5", "t") + cellField(book, "Daily DMS", "A5") + "|" +
                  cellField(book, "Daily DMS", "L5") + "|" + cellField(book, "Downtime", "I5"),
              "n1|30|Planned Loss");
}

TEST_F(ReportWorkbookTest, WorkbookFailuresExitOneAndKeepTheOldFile) {
    QString err;
    EXPECT_EQ(run("downtime-list|--db|$db|--from|2026-12-04 06:00|--to|2026-12-04 12:00|--format|xlsx", &err),
              2);
    EXPECT_TRUE(err.contains(QStringLiteral("--format xlsx needs --out")));

    { std::ofstream(dir.path() / "DailyDMS.xlsx") << "not a workbook"; }
    { std::ofstream(dir.path() / "old.xlsx") << "yesterday's"; }
    EXPECT_EQ(run("dms-daily|--data-dir|" + dir.path().string() +
                      "|--from|2026-12-01 00:00|--to|2026-12-05 00:00|--format|xlsx|--out|" + out("old.xlsx"),
                  &err),
              1);
    EXPECT_TRUE(
        err.startsWith(QStringLiteral("The template DailyDMS.xlsx cannot be used: it is not a workbook")))
        << err.toStdString();
    std::ifstream old(dir.path() / "old.xlsx");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "yesterday's");
    EXPECT_TRUE(test::filesEndingWith(dir.path(), ".tmp").empty());
}
