// Ctrl+E in "Downtime Entry" and "Print" on "DMS", driven offscreen; the workbooks are read back.
#include "dms/DmsFixture.h"
#include "dms/ui/FrmDMS.h"
#include "downtime/ui/Form2.h"
#include "shell/ui/FrmProgress.h"
#include "shell/ui/ReportGridView.h"
#include "simulate/PlantSchema.h"
#include "support/WorkbookReader.h"
#include "workbook/DmsTemplates.h"
#include "workbook/ui/WorkbookHandover.h"

#include <QApplication>
#include <QJsonArray>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace nax;
using nax::test::cellOf;
using nax::test::exec;
using nax::test::readWorkbook;

namespace {

QString text(const QJsonObject& cell) {
    const QJsonValue value = cell[QStringLiteral("v")];
    return value.isString() ? value.toString() : QString::number(value.toDouble());
}

bool progressShown() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<FrmProgress*>(widget) && widget->isVisible()) return true;
    return false;
}

// Run 1 on 04-Dec-26 with a planned stop; the database clock is 05-Dec-26 12:00.
class WorkbookWiringTest : public test::DmsDatabase {
protected:
    void SetUp() override {
        DmsDatabase::SetUp();
        exec(*db, reportIndexSql());
        exec(*db, "insert into Tag_Master values (1,'Filler')");
        addRun(1, dec5(6) - 1, dec5(14) - 1, "100", "24");
        addProduction(1, dec5(6) - 1, 300, 100);
        addEvent(1, 46360.3, 46360.31, quoted("Planned Loss"));
        exec(*db, "update TimeLost set Tag_ID = 1");
        context.openWorkbook = [this](const std::string& path) { opened.push_back(path); };
        installWorkbookExports(context);
    }
    CapturedMessages messages;
    NoEventPump noPump;
    AppContext context{*db, messages, noPump, dir.path(), {}, {}};
    std::vector<std::string> opened;
};

} // namespace

TEST_F(WorkbookWiringTest, CtrlEInTheDowntimeListOpensTheNewWorkbook) {
    Form2 window(context);
    window.show();
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    ASSERT_EQ(window.MSFlexGrid1->grid().rows(), 1); // the event is a day old: header only
    QTest::keyClick(window.MSFlexGrid1, Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(opened.size(), 1u) << (messages.messages.empty() ? "" : messages.messages[0].text);
    EXPECT_EQ(std::filesystem::path(opened[0]).filename(), "46361.5Downtime Entry.xlsx");
    const QJsonObject book = readWorkbook(opened[0]);
    EXPECT_EQ(text(cellOf(book, QStringLiteral("Sheet1"), QStringLiteral("A3"))),
              QStringLiteral("Downtime Entry"));
    EXPECT_EQ(text(cellOf(book, QStringLiteral("Sheet1"), QStringLiteral("Q4"))), QStringLiteral("Other2"));
    EXPECT_FALSE(progressShown());

    // A data folder that cannot take the workbook: the message, nothing opened, no progress left.
    context.dataFolder = dir.path() / "db1.sqlite";
    QTest::keyClick(window.MSFlexGrid1, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(opened.size(), 1u);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("db1.sqlite"), std::string::npos) << messages.messages[0].text;
    EXPECT_EQ(messages.messages[0].caption, "Online NAX Reporting");
    EXPECT_FALSE(progressShown());
}

TEST_F(WorkbookWiringTest, PrintRightAfterOpeningFillsTheDailyTemplateWithHeaders) {
    ASSERT_TRUE(installDefaultTemplates(dir.path()));
    FrmDMS window(context);
    window.show();
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    QTest::mouseClick(window.Command2, Qt::LeftButton); // each press exports once more
    ASSERT_EQ(opened.size(), 2u) << (messages.messages.empty() ? "" : messages.messages[0].text);
    EXPECT_EQ(std::filesystem::path(opened[0]).filename(), "46361.5DailyDMS.xlsx");
    EXPECT_EQ(std::filesystem::path(opened[1]).filename(), "46361.5DailyDMS (2).xlsx");
    const QJsonObject book = readWorkbook(opened[0]);
    const QString daily = QStringLiteral("Daily DMS");
    EXPECT_EQ(text(cellOf(book, daily, QStringLiteral("A4"))), QStringLiteral("Run No"));
    EXPECT_TRUE(cellOf(book, daily, QStringLiteral("A5")).isEmpty());
    EXPECT_EQ(book[QStringLiteral("active")].toString(), QStringLiteral("RawData"));
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_FALSE(progressShown());
    EXPECT_FALSE(window.isBusy());
}

TEST_F(WorkbookWiringTest, ShiftPrintAfterADailyReportTakesTheHourTemplateAndTheDailyDetails) {
    ASSERT_TRUE(installDefaultTemplates(dir.path()));
    FrmDMS window(context);
    window.show();
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    ASSERT_EQ(window.MSFlexGrid1->grid().rows(), 2);
    ASSERT_EQ(window.MsfDT->grid().rows(), 2);
    QTest::mouseClick(window.Option2, Qt::LeftButton);
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u) << (messages.messages.empty() ? "" : messages.messages[0].text);
    EXPECT_EQ(std::filesystem::path(opened[0]).filename(), "46361.5HourDMS.xlsx");
    const QJsonObject book = readWorkbook(opened[0]);
    const QString hourly = QStringLiteral("Hourly DMS");
    EXPECT_EQ(text(cellOf(book, hourly, QStringLiteral("A4"))), QStringLiteral("Hr"));
    EXPECT_TRUE(cellOf(book, hourly, QStringLiteral("A5")).isEmpty());
    EXPECT_EQ(text(cellOf(book, QStringLiteral("Downtime"), QStringLiteral("A5"))), QStringLiteral("1"));
    EXPECT_EQ(text(cellOf(book, QStringLiteral("Downtime"), QStringLiteral("I5"))),
              QStringLiteral("Planned Loss"));
}

TEST_F(WorkbookWiringTest, PrintWithoutTemplateShowsWhyAndOpensNothing) {
    FrmDMS window(context);
    window.show();
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              "The template DailyDMS.xlsx was not found in the data folder " + dir.path().string() + ".");
    EXPECT_FALSE(progressShown());
    EXPECT_TRUE(test::filesEndingWith(dir.path(), ".xlsx").empty());
}
