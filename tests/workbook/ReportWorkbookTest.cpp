// nax-report --format xlsx writes the workbook the window would, read back by openpyxl.
#include "dms/DmsFixture.h"
#include "support/NaxReportProcess.h"
#include "support/WorkbookReader.h"

#include <QJsonArray>
#include <gtest/gtest.h>

#include <fstream>

using namespace nax;
using nax::test::cellOf;
using nax::test::exec;
using nax::test::readWorkbook;

namespace {

QString text(const QJsonObject& cell) {
    const QJsonValue value = cell[QStringLiteral("v")];
    return value.isString() ? value.toString() : QString::number(value.toDouble());
}

// Run 1 on 04-Dec-26 from 06:00 to 14:00 with a planned stop; a tagged event for the lists.
class ReportWorkbookTest : public test::DmsDatabase {
protected:
    void SetUp() override {
        DmsDatabase::SetUp();
        exec(*db, "insert into Tag_Master values (1,'Filler')");
        addRun(1, dec5(6) - 1, dec5(14) - 1, "100", "24");
        addProduction(1, dec5(6) - 1, 300, 100);
        addEvent(1, dec5(7) - 1, dec5(7, 30) - 1, quoted("Planned Loss"));
        exec(*db, "update TimeLost set Tag_ID = 1, Dt_ID = 1");
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
    EXPECT_EQ(text(cellOf(book, QStringLiteral("Sheet1"), QStringLiteral("A3"))),
              QStringLiteral("Downtime Entry"));
    EXPECT_EQ(text(cellOf(book, QStringLiteral("Sheet1"), QStringLiteral("A6"))), QStringLiteral("Filler"));
    EXPECT_EQ(cellOf(book, QStringLiteral("Sheet1"), QStringLiteral("H6"))[QStringLiteral("v")].toDouble(),
              30);

    ASSERT_EQ(run("run-summary|--db|$db|--from|2026-12-05 06:00|--to|2026-12-05 12:00|--format|xlsx|--out|" +
                      out("summary.xlsx"),
                  &err),
              0)
        << err.toStdString();
    book = readWorkbook(out("summary.xlsx"));
    EXPECT_EQ(text(cellOf(book, QStringLiteral("Sheet1"), QStringLiteral("A3"))),
              QStringLiteral("Run Summary Report 05-Dec-26 06:00 - 05-Dec-26 12:00"));
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
    EXPECT_EQ(cellOf(book, QStringLiteral("Daily DMS"), QStringLiteral("A5"))[QStringLiteral("v")].toDouble(),
              1);
    EXPECT_EQ(cellOf(book, QStringLiteral("Daily DMS"), QStringLiteral("L5"))[QStringLiteral("v")].toDouble(),
              30);
    EXPECT_EQ(text(cellOf(book, QStringLiteral("Downtime"), QStringLiteral("I5"))),
              QStringLiteral("Planned Loss"));
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
