// "DMS" driven offscreen once per mode on a small database.
#include "dms/ui/FrmDMS.h"
#include "shell/TextRules.h"
#include "shell/ui/DatePicker.h"
#include "shell/ui/ReportGridView.h"
#include "support/TestSupport.h"

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

class FrmDMSTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(db);
        exec(*db, "insert into Pack_Master values (1,'PET 500'); insert into Flavor_Master values (1,'Cola');"
                  "insert into Run_master values (1, 46360.25, 46360.5833333333, 1, 1, 120, 100, 24),"
                  "(2, 46361.25, 46361.4, 1, 1, 120, 40, 24);"
                  "insert into TimeLost (Run_no, DT_Start, DT_End, Time_Lost, Asset, Loss_Structure) values "
                  "(1, 46360.3, 46360.31, 0.01, 'Filler', 'Planned Loss')");
        // Run 1: 300 minutes of 100 units; run 2: 30 minutes of 60 units from 07:12.
        std::string opc =
            "insert into opc (Timestamp, Tag_id, Run_ID, Shift_ID, Pack_ID, Flavor_Id, Production) values ";
        for (int i = 0; i < 330; ++i) {
            const bool first = i < 300;
            const double at = first ? 46360.25 + i / 1440.0 : 46361.3 + (i - 300) / 1440.0;
            opc += (i ? ",(" : "(") + formatGeneral(at) + (first ? ",1,1,'B',1,1,100)" : ",1,2,'B',1,1,60)");
        }
        exec(*db, opc);
    }
    std::string cell(ReportGridView* view, int r, int c) { return std::string(view->grid().cell(r, c)); }

    test::ScratchDir dir;
    std::unique_ptr<DbConnection> db = test::makePlantDatabase(dir.file("db1.sqlite"), true, kNow);
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
    EXPECT_EQ(cell(window.MSFlexGrid1, 1, 8), "1250");
    EXPECT_EQ(cell(window.MSFlexGrid1, 1, 11), "14.4");
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
    EXPECT_EQ(cell(window.MSFlexGrid1, 1, 0), "07");
    EXPECT_EQ(cell(window.MSFlexGrid1, 1, 6), "75");
    EXPECT_EQ(cell(window.MSFlexGrid1, 1, 17), "75");

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
