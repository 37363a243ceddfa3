// "DMS" driven offscreen once per mode on a small database.
#include "dms/ui/FrmDMS.h"
#include "dms/DmsFixture.h"
#include "shell/ui/DatePicker.h"
#include "shell/ui/ReportGridView.h"
#include "simulate/PlantSchema.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>
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

// Run 1 on 04-Dec-26: 300 minutes of 100 units and a planned stop; run 2 from 06:00 to 09:36 today:
// 30 minutes of 60 units from 07:12.
class FrmDMSTest : public test::DmsDatabase {
protected:
    void SetUp() override {
        DmsDatabase::SetUp();
        exec(*db, reportIndexSql());
        addRun(1, dec5(6) - 1, dec5(14) - 1, "100", "24");
        addProduction(1, dec5(6) - 1, 300, 100);
        addEvent(1, 46360.3, 46360.31, quoted("Planned Loss"));
        addRun(2, dec5(6), 46361.4, "40", "24");
        addProduction(2, dec5(7, 12), 30, 60);
    }
    CapturedMessages messages;
    MeddlingPump pump;
    AppContext context{*db, messages, pump, dir.path(), {}, {}};
};

TEST_F(FrmDMSTest, DailyModeOpensOnThirtyDaysAndLists) {
    FrmDMS window(context);
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("DMS"));
    EXPECT_TRUE(window.Option1->isChecked());
    EXPECT_FALSE(window.Command2->isEnabled());
    EXPECT_FALSE(window.MsfDT->isVisible());
    EXPECT_DOUBLE_EQ(window.DMSEnd_Date->serial(), 46361);
    EXPECT_DOUBLE_EQ(window.DMSStart_date->serial(), 46331);
    EXPECT_EQ(window.DMSStart_date->displayFormat(), QStringLiteral("dd-MMM-yy"));
    EXPECT_EQ(window.DMSEnd_Date->text(), QStringLiteral("05-Dec-26"));
    EXPECT_EQ(window.MSFlexGrid1->grid().cols(), 28);
    EXPECT_EQ(window.MSFlexGrid1->model()->rowCount(), 0);

    QTest::mouseClick(window.Command1, Qt::LeftButton);
    EXPECT_TRUE(messages.messages.empty());
    ASSERT_EQ(window.MSFlexGrid1->model()->rowCount(), 1); // run 2 ends after the window
    EXPECT_TRUE(window.MSFlexGrid1->isVisible());
    EXPECT_EQ(test::joined(window.MSFlexGrid1->grid(), 1, {8, 11}), "1250|14.4");
    EXPECT_EQ(window.MsfDT->model()->rowCount(), 1);

    Q_EMIT window.MSFlexGrid1->gridDoubleClicked(1);
    EXPECT_TRUE(window.MsfDT->isVisible());
    Q_EMIT window.MsfDT->gridDoubleClicked(1);
    EXPECT_FALSE(window.MsfDT->isVisible());
    EXPECT_EQ(window.MsfDT->model()->rowCount(), 1);
}

TEST_F(FrmDMSTest, ShiftModeListsHoursAndRefusesMoreThanSevenDays) {
    FrmDMS window(context);
    window.show();
    QTest::mouseClick(window.Option2, Qt::LeftButton);
    EXPECT_EQ(window.DMSStart_date->displayFormat(), QStringLiteral("dd-MMM-yy hh:mm AP"));
    EXPECT_NEAR(window.DMSStart_date->serial(), kNow - 0.6, 1e-9);
    EXPECT_NEAR(window.DMSEnd_Date->serial(), kNow, 1e-9);
    EXPECT_EQ(window.MSFlexGrid1->grid().cols(), 24);

    pump.window = &window; // clicks during the report must change nothing
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    pump.window = nullptr;
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(window.Option2->isChecked());
    ASSERT_EQ(window.MSFlexGrid1->model()->rowCount(), 1);
    EXPECT_EQ(test::joined(window.MSFlexGrid1->grid(), 1, {0, 6, 17}), "07|75|75");

    window.DMSEnd_Date->setSerial(window.DMSStart_date->serial() + 7 + 1.0 / 1440);
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "Shift wise report Cannot be generated for More than 7 Days");
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(messages.messages[0].caption, "Online NAX Reporting");
    EXPECT_EQ(window.MSFlexGrid1->model()->rowCount(), 0);

    QTest::mouseClick(window.Option1, Qt::LeftButton);
    EXPECT_EQ(window.MSFlexGrid1->grid().cols(), 28);
    EXPECT_DOUBLE_EQ(window.DMSStart_date->serial(), 46331);
}

} // namespace
