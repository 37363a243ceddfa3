// "DMS" driven offscreen once per mode on a small database.
#include "dms/ui/FrmDMS.h"
#include "dms/DmsFixture.h"
#include "menu/FrmStartup.h"
#include "simulate/PlantSchema.h"
#include "support/PopupDriving.h"
#include "ui/DatePicker.h"
#include "ui/QtServices.h"
#include "ui/ReportGridView.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace nax;
using nax::test::exec;

namespace {

constexpr double kNow = 46361.5; // 05-Dec-26 12:00

// Presses the window's buttons whenever the report lets events through.
class MeddlingPump : public EventPump {
public:
    void processEvents() override {
        if (!window) return;
        window->Command1->click();
        window->Option1->click();
    }
    FrmDMS* window = nullptr;
};

void doubleClickCell(ReportGridView& view) {
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {},
                       view.visualRect(view.model()->index(0, 1)).center());
}

// The fixture's run 1 on 04-Dec-26; run 2 from 06:00 to 09:36 today: 30 minutes of 60 units from 07:12.
class FrmDMSTest : public test::DmsDatabase {
protected:
    void SetUp() override {
        DmsDatabase::SetUp();
        exec(*db, reportIndexSql());
        addPlannedStopRun();
        addRun(2, dec5(6), 46361.4, "40", "24");
        addProduction(2, dec5(7, 12), 30, 60);
    }
    MeddlingPump meddlingPump;
    AppContext meddledContext{*db, messages, meddlingPump, dir.path(), {}, {}};
};

// Each Generate starts the detail grid afresh: it holds exactly the events of the window.
TEST_F(FrmDMSTest, DailyModeOpensOnThirtyDaysAndEachGenerateListsAfresh) {
    addEvent(2, dec5(5, 50), dec5(6, 10), quoted("QA Loss")); // starts before the shift window
    addEvent(2, dec5(7, 30), dec5(7, 40), quoted("Equipment Loss"));
    addEvent(2, dec5(7, 55), dec5(8, 15), quoted("QA Loss")); // ends after it
    FrmDMS window(meddledContext);
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("DMS"));
    EXPECT_TRUE(window.Option1->isChecked());
    EXPECT_TRUE(window.Command2->isEnabled());
    EXPECT_FALSE(window.MsfDT->isVisible());
    EXPECT_DOUBLE_EQ(window.DMSEnd_Date->serial(), 46361);
    EXPECT_DOUBLE_EQ(window.DMSStart_date->serial(), 46331);
    EXPECT_EQ(window.DMSStart_date->displayFormat(), QStringLiteral("dd-MMM-yy"));
    EXPECT_EQ(window.MSFlexGrid1->model()->rowCount(), 0);
    EXPECT_EQ(test::joined(window.MsfDT->grid(), 0, {0, 5, 23}), "Run No|TimeLost|WW-Asset");

    QTest::mouseClick(window.Command1, Qt::LeftButton);
    ASSERT_EQ(window.MSFlexGrid1->model()->rowCount(), 1); // run 2 ends after the window
    EXPECT_TRUE(window.MSFlexGrid1->isVisible());
    EXPECT_EQ(window.MsfDT->model()->rowCount(), 1); // the stop of run 1
    doubleClickCell(*window.MSFlexGrid1);
    EXPECT_TRUE(window.MsfDT->isVisible());
    doubleClickCell(*window.MsfDT);
    EXPECT_FALSE(window.MsfDT->isVisible());
    EXPECT_EQ(window.MsfDT->model()->rowCount(), 1); // hidden, not emptied

    QTest::mouseClick(window.Option2, Qt::LeftButton);
    window.DMSStart_date->setSerial(dec5(6));
    window.DMSEnd_Date->setSerial(dec5(8));
    for (int generate = 1; generate <= 2; ++generate) {
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        EXPECT_EQ(test::rowsOf(window.MsfDT->grid(), 1, {0, 8}), "2|Equipment Loss\n") << generate;
    }
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(window.MsfDT->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Run No"));
}

// Each picker shows its whole text in both modes ("PM" included) and none covers the next control.
TEST_F(FrmDMSTest, PickersAreWideEnoughForTheirFormat) {
    FrmDMS window(meddledContext);
    window.show();
    for (QRadioButton* mode : {window.Option2, window.Option1}) {
        QTest::mouseClick(mode, Qt::LeftButton);
        for (DatePicker* picker : {window.DMSStart_date, window.DMSEnd_Date})
            EXPECT_GE(picker->width(), picker->sizeHint().width()) << picker->displayFormat().toStdString();
    }
    EXPECT_LT(window.DMSStart_date->geometry().right(), window.Label2->geometry().left());
    EXPECT_LT(window.DMSEnd_Date->geometry().right(), window.Option1->geometry().left());
}

TEST_F(FrmDMSTest, ShiftModeListsHoursAndRefusesMoreThanSevenDays) {
    FrmDMS window(meddledContext);
    window.show();
    QTest::mouseClick(window.Option2, Qt::LeftButton);
    EXPECT_EQ(window.DMSStart_date->displayFormat(), QStringLiteral("dd-MMM-yy hh:mm AP"));
    EXPECT_NEAR(window.DMSStart_date->serial(), kNow - 0.6, 1e-9);
    EXPECT_NEAR(window.DMSEnd_Date->serial(), kNow, 1e-9);
    EXPECT_EQ(window.MSFlexGrid1->grid().cols(), 24);

    meddlingPump.window = &window; // clicks during the report must change nothing
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    meddlingPump.window = nullptr;
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(window.Option2->isChecked());
    EXPECT_EQ(window.MSFlexGrid1->model()->rowCount(), 1);

    window.DMSEnd_Date->setSerial(window.DMSStart_date->serial() + 7 + 1.0 / 1440);
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    EXPECT_EQ(
        test::shownMessages(messages),
        "Online NAX Reporting|Information|Shift wise report Cannot be generated for More than 7 Days\n");
    EXPECT_EQ(window.MSFlexGrid1->model()->rowCount(), 0);

    QTest::mouseClick(window.Option1, Qt::LeftButton);
    EXPECT_EQ(window.MSFlexGrid1->grid().cols(), 28);
    EXPECT_DOUBLE_EQ(window.DMSStart_date->serial(), 46331);
}

// The real pump: a single-shot timer fires while a report lets events through.
class FrmDMSEndingTest : public FrmDMSTest {
protected:
    QtEventPump realPump;
    AppContext realContext{*db, messages, realPump, dir.path(), {}, {}};
};

// "Exit" pressed during a report stops the report at once; its rows are thrown away unseen.
TEST_F(FrmDMSEndingTest, ExitDuringAReportAbandonsItWithoutAMessage) {
    int exits = 0;
    FrmStartup menu(realContext, [&] {
        realPump.endProgram();
        ++exits;
    });
    menu.show();
    QTest::mouseClick(menu.Command3, Qt::LeftButton);
    FrmDMS* window = menu.dmsWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->parentWidget(), &menu);
    EXPECT_TRUE(window->isWindow());
    window->DMSEnd_Date->setSerial(kNow + 1);
    QTimer::singleShot(0, menu.CmdShutDown, [&] { QTest::mouseClick(menu.CmdShutDown, Qt::LeftButton); });
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(window->isBusy());
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(window->MSFlexGrid1->grid().rows(), 1); // headers only: the report's copy went
    EXPECT_EQ(window->MsfDT->grid().rows(), 1);
}

// Closing the window during its report stops the report; the window closes when it returned.
TEST_F(FrmDMSEndingTest, ClosingTheWindowDuringAReportStopsItAndThenCloses) {
    FrmDMS window(realContext);
    window.show();
    QTest::mouseClick(window.Option2, Qt::LeftButton);
    window.DMSStart_date->setSerial(dec5(6));
    window.DMSEnd_Date->setSerial(dec5(10));
    bool busyWhenClosed = false;
    QTimer::singleShot(0, &window, [&] {
        busyWhenClosed = window.isBusy();
        window.close();
    });
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    EXPECT_TRUE(busyWhenClosed);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(window.MSFlexGrid1->grid().rows(), 1);
    // Opened again, the window reports as before.
    window.show();
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.MSFlexGrid1->grid().rows(), 2); // the hour 07
}

// A failed report's message box sits over its window even after the progress window had the focus.
TEST_F(FrmDMSEndingTest, MessageBoxesBelongToTheirWindow) {
    MessageBoxSink boxes;
    AppContext boxContext{*db, boxes, realPump, dir.path(), {}, {}};
    FrmStartup menu(boxContext, [] {});
    menu.show();
    QTest::mouseClick(menu.Command3, Qt::LeftButton);
    FrmDMS* window = menu.dmsWindow();
    ASSERT_NE(window, nullptr);
    window->DMSEnd_Date->setSerial(kNow + 1);
    exec(*db, "alter table opc rename column Production to Bottles");
    QString text;
    const QWidget* parent = nullptr;
    test::answerMessageBox(window, [&](QMessageBox& box) {
        text = box.text();
        parent = box.parentWidget();
    });
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    EXPECT_TRUE(text.contains(QStringLiteral("no such column: Production"))) << text.toStdString();
    EXPECT_EQ(parent, window);
}

} // namespace
