// Ctrl+E in "Downtime Entry" and "Print" on "DMS", driven offscreen; the workbooks are read back.
#include "dms/DmsFixture.h"
#include "dms/DmsWorkbook.h"
#include "dms/ui/FrmDMS.h"
#include "downtime/ui/Form2.h"
#include "simulate/PlantSchema.h"
#include "support/WorkbookReader.h"
#include "ui/FrmProgress.h"
#include "ui/ReportGridView.h"
#include "xlsx/ui/WorkbookHandover.h"

#include <QApplication>
#include <QJsonArray>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace nax;
using nax::test::cellField;
using nax::test::exec;
using nax::test::readWorkbook;

namespace {

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
        addPlannedStopRun();
        context.openWorkbook = [this](const std::string& path) {
            opened.push_back(path);
            return openerWorks;
        };
        installWorkbookExports(context);
    }
    CapturedMessages messages;
    NoEventPump noPump;
    AppContext context{*db, messages, noPump, dir.path(), {}, {}};
    std::vector<std::string> opened;
    bool openerWorks = true;
};

} // namespace

TEST_F(WorkbookWiringTest, CtrlEInTheDowntimeListOpensTheNewWorkbook) {
    Form2 window(context);
    window.show();
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    ASSERT_EQ(window.MSFlexGrid1->grid().rows(), 1); // the event is a day old: header only
    QTest::keyClick(window.MSFlexGrid1, Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(opened.size(), 1u) << test::shownMessages(messages);
    EXPECT_EQ(std::filesystem::path(opened[0]).filename(), "46361.5Downtime Entry.xlsx");
    EXPECT_EQ(test::sheetValue(readWorkbook(opened[0]), "Sheet1", "print").toString().toStdString(),
              "landscape|1x0|$4:$4|Downtime Entry from 05-Dec-26 06:00 to 05-Dec-26 12:00|Page &P of &N");
    EXPECT_FALSE(progressShown());
    EXPECT_TRUE(messages.messages.empty());

    // No program opens it: the user is told where it was saved.
    openerWorks = false;
    QTest::keyClick(window.MSFlexGrid1, Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(opened.size(), 2u);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              "The workbook was saved as " + opened[1] + " but no program could open it.");
    messages.messages.clear();
    openerWorks = true;

    // A data folder that cannot take the workbook: the message, nothing opened, no progress left.
    context.dataFolder = dir.path() / "db1.sqlite";
    QTest::keyClick(window.MSFlexGrid1, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(opened.size(), 2u);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("db1.sqlite"), std::string::npos) << messages.messages[0].text;
    EXPECT_EQ(messages.messages[0].caption, "Online NAX Reporting");
    EXPECT_FALSE(progressShown());
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
    ASSERT_EQ(opened.size(), 1u) << test::shownMessages(messages);
    EXPECT_EQ(std::filesystem::path(opened[0]).filename(), "46361.5HourDMS.xlsx");
    const QJsonObject book = readWorkbook(opened[0]);
    EXPECT_EQ(cellField(book, "Hourly DMS", "A5", "t") + "|" + cellField(book, "Downtime", "I5"),
              "|Planned Loss");
    // The page headers name the range of the report shown.
    EXPECT_EQ(test::sheetValue(book, "Downtime", "print").toString().toStdString(),
              "landscape|1x0|$4:$4|Downtime Detail from 05-Nov-26 00:00 to 05-Dec-26 00:00|Page &P of &N");
}

// A missing default template is put in again at "Print"; a folder that cannot take it (a full disk
// here) is named with the reason, and nothing is opened. Then the template goes in and prints.
TEST_F(WorkbookWiringTest, PrintWithoutTemplateShowsWhyThenPrintsTheEmptyDailyTemplate) {
    FrmDMS window(context);
    window.show();
    test::withFileSizeLimit(64, [&] {
        QTest::mouseClick(window.Command2, Qt::LeftButton);
        return true;
    });
    EXPECT_TRUE(opened.empty());
    const std::string shown = test::shownMessages(messages);
    EXPECT_EQ(
        shown.rfind("Online NAX Reporting|None|The template DailyDMS.xlsx was not found in the data folder " +
                        dir.path().string() + " and could not be installed there: ",
                    0),
        0u)
        << shown;
    EXPECT_FALSE(progressShown());
    EXPECT_TRUE(test::filesEndingWith(dir.path(), ".xlsx").empty());
    messages.messages.clear();

    // Right after opening, before any Generate; each press exports once more.
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 2u) << test::shownMessages(messages);
    EXPECT_EQ(std::filesystem::path(opened[0]).filename(), "46361.5DailyDMS.xlsx");
    EXPECT_EQ(std::filesystem::path(opened[1]).filename(), "46361.5DailyDMS (2).xlsx");
    EXPECT_EQ(cellField(readWorkbook(opened[0]), "Daily DMS", "A5", "t"), ""); // no rows
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_FALSE(progressShown());
    EXPECT_FALSE(window.isBusy());
}
