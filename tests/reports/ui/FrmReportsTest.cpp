// "Reports" driven offscreen: the wiring only; the figures are the report tests' business.
#include "reports/ui/FrmReports.h"
#include "reports/ProductionReport.h"
#include "reports/ReportsFixture.h"
#include "simulate/PlantSchema.h"
#include "text/NumberText.h"
#include "ui/DatePicker.h"
#include "ui/QtServices.h"
#include "ui/ReportGridView.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace nax;
using nax::test::exec;

namespace {

class FrmReportsTest : public test::ReportsDatabase {
protected:
    void SetUp() override {
        ReportsDatabase::SetUp();
        exec(*db, reportIndexSql());
        addRun(2, dec5(8), dec5(9), "100", "24");
        addProduction(2, dec5(8), 3, 7);
        addTaggedEvent(1, 1, dec5(8), 90, "'Filler'");
        addTaggedEvent(2, 2, dec5(8, 30), 20);
        context.exportGrid = [this](const ReportGrid& grid, const std::string& title, const std::string&) {
            exported.push_back(title + ":" + std::to_string(grid.rows()) + "x" + std::to_string(grid.cols()));
        };
    }
    QString header(const FrmReports& window, int col) const {
        return window.MSFlexGrid1->model()->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    int dataRows(const FrmReports& window) const { return window.MSFlexGrid1->model()->rowCount(); }

    CapturedMessages messages;
    QtEventPump pump; // timers fire while a report lets events through
    AppContext context{*db, messages, pump, dir.path(), {}, {}};
    std::vector<std::string> exported;
};

TEST_F(FrmReportsTest, OpensOnTheLastSixHoursAndEachOptionFillsTheGridOrShowsItsFailure) {
    FrmReports window(context);
    window.show();
    // The designed width, or wider where the bold captions need it: Generate is always whole.
    EXPECT_GE(window.width(), 898);
    EXPECT_LT(window.CmdGenerate->geometry().right(), window.width());
    EXPECT_TRUE(window.CmdGenerate->font().bold());
    EXPECT_DOUBLE_EQ(window.CmdGenerate->font().pointSizeF(), 9.75);
    EXPECT_TRUE(window.OptReport[0]->isChecked());
    EXPECT_DOUBLE_EQ(window.DTEnd->serial(), dec5(13, 45));
    EXPECT_DOUBLE_EQ(window.DTStart->serial(), dec5(13, 45) - 0.25);
    EXPECT_EQ(window.DTStart->text(), QStringLiteral("05-Dec-26 07:45 AM"));
    EXPECT_EQ(window.DTEnd->minimumDate(), QDate(2010, 1, 1));
    EXPECT_EQ(dataRows(window), 0);
    EXPECT_EQ(header(window, 7), QStringLiteral("C Time Lost"));

    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Reports #3"));
    ASSERT_EQ(dataRows(window), 3);
    EXPECT_EQ(window.MSFlexGrid1->grid().colWidth(0), 2664); // the grid's 888 px are 13320 twips
    EXPECT_EQ(window.MSFlexGrid1->columnWidth(6), 0);
    EXPECT_EQ(window.MSFlexGrid1->columnWidth(7), 0);

    QTest::mouseClick(window.OptReport[1], Qt::LeftButton);
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Reports #3")); // only the production report counts
    EXPECT_EQ(dataRows(window), 2);

    QTest::mouseClick(window.OptReport[2], Qt::LeftButton);
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    EXPECT_EQ(dataRows(window), 1);

    // A failing production report: its own (header) grid and the engine's message.
    exec(*db, "alter table Flavor_Master rename to Gone");
    QTest::mouseClick(window.OptReport[0], Qt::LeftButton);
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    EXPECT_EQ(test::shownMessages(messages),
              "Online NAX Reporting|Critical|Error 1: no such table: Flavor_Master\n");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Reports #0"));
    EXPECT_EQ(dataRows(window), 0);
    EXPECT_EQ(header(window, 0), QStringLiteral("Time"));
    EXPECT_TRUE(window.CmdGenerate->isEnabled());
}

TEST_F(FrmReportsTest, CtrlEAloneExportsWithTheTitleOfThatMoment) {
    FrmReports window(context);
    window.show();
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton); // the production report
    QTest::mouseClick(window.OptReport[2], Qt::LeftButton);
    window.DTStart->setSerial(dec5(6));
    window.DTEnd->setSerial(dec5(12));
    using M = Qt::KeyboardModifiers;
    for (const M modifiers : {M(Qt::ControlModifier | Qt::ShiftModifier), M(Qt::AltModifier),
                              M(Qt::AltModifier | Qt::ControlModifier), M(Qt::NoModifier)})
        QTest::keyClick(window.MSFlexGrid1, Qt::Key_E, modifiers);
    QTest::keyClick(window.MSFlexGrid1, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(exported.empty());
    QTest::keyClick(window.MSFlexGrid1, Qt::Key_E, Qt::ControlModifier);
    QTest::mouseClick(window.OptReport[1], Qt::LeftButton);
    window.DTEnd->setSerial(dec5(12) + 31);
    QTest::keyClick(window.MSFlexGrid1, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(exported, (std::vector<std::string>{"Run Summary Report 05-Dec-26 06:00 - 05-Dec-26 12:00:4x8",
                                                  "Downtime Report 05-Dec-26 06:00 - 05-Jan-27 12:00:4x8"}));

    context.exportGrid = nullptr; // no export wired: the key does nothing
    QTest::keyClick(window.MSFlexGrid1, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(FrmReportsTest, OneReportAtATimeAndClosingStopsIt) {
    FrmReports window(context);
    window.show();
    bool busyWhenPressed = false;
    bool shownWhilePressed = true;
    {
        test::StatementLog log(*db);
        // Fires while the report lets events through: a second Generate and Ctrl+E refuse.
        QTimer::singleShot(0, &window, [&] {
            busyWhenPressed = window.isBusy();
            shownWhilePressed = window.MSFlexGrid1->isVisible();
            QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
            QTest::keyClick(window.MSFlexGrid1, Qt::Key_E, Qt::ControlModifier);
        });
        QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
        const ReportRange range{window.DTStart->serial(), window.DTEnd->serial()};
        const std::string inRange = "Timestamp between " + rangeBounds(range);
        log.expectSent({productionCountStatement(range),
                        "EXPLAIN QUERY PLAN select count(*) from opc where " + inRange,
                        productionStatement("Timestamp >= " + formatGeneral(range.start) +
                                                " and Timestamp <= " + formatGeneral(range.end),
                                            "")});
    }
    EXPECT_TRUE(busyWhenPressed);
    EXPECT_FALSE(shownWhilePressed); // the grid is hidden while it fills
    EXPECT_TRUE(exported.empty());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Reports #3"));
    EXPECT_FALSE(window.isBusy());
    QTest::keyClick(window.MSFlexGrid1, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(exported.size(), 1u);

    // Closed while the next report runs: the report stops, its rows are not shown, the window closes.
    QTimer::singleShot(0, &window, [&] { window.close(); });
    QTest::mouseClick(window.OptReport[1], Qt::LeftButton);
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.isBusy());
    EXPECT_EQ(window.MSFlexGrid1->grid().cols(), 8);
    EXPECT_TRUE(messages.messages.empty());
}

} // namespace
