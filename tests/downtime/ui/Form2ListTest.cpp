// "Downtime Entry" and the main menu, driven offscreen on a small database.
#include "analysis/ui/FrmAnalysis.h"
#include "dms/ui/FrmDMS.h"
#include "downtime/ui/Form2.h"
#include "menu/FrmStartup.h"
#include "reports/ui/FrmReports.h"
#include "support/TestSupport.h"
#include "ui/DatePicker.h"
#include "ui/FrmProgress.h"
#include "ui/ReportGridView.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using namespace nax;
using nax::test::exec;

namespace {

constexpr double kNow = 46361.5; // the database clock: 05-Dec-26 12:00

class Form2ListTest : public test::WindowTest {
protected:
    void SetUp() override {
        exec(*db, R"(insert into Tag_Master values (1,'Filler');
            insert into TimeLost(Dt_ID, Tag_ID, Run_no, DT_Start, DT_End, Time_Lost, Loss_Structure) values
                (1, 1, 4, 46361.40, 46361.41, 0.01, 'Minor Stoppage'), (2, 1, 4, 46361.42, 46361.43, 0.01, NULL),
                (3, 1, 4, 46361.44, 46361.45, 0.01, 'QA Loss'))");
    }
};

TEST_F(Form2ListTest, OpensOnTheLastSixHoursListsWithOrWithoutMinorStopsAndShowsErrors) {
    Form2 window(context);
    EXPECT_DOUBLE_EQ(window.DTEnd->serial(), kNow);
    EXPECT_DOUBLE_EQ(window.DTStart->serial(), kNow - 0.25);
    window.show();
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton); // lists once, not twice
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Downtime 2"));
    EXPECT_EQ(window.LblBacklog->text(), QStringLiteral("3 events, 1 unclassified (14.4 min)"));
    window.Check1->setChecked(true);
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Downtime 3"));
    EXPECT_EQ(window.MSFlexGrid1->grid().rowKey(1), 1);
    QTest::mouseClick(window.CheckUnclassified, Qt::LeftButton); // both boxes together
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Downtime 1"));
    EXPECT_EQ(window.MSFlexGrid1->grid().rowKey(1), 2);

    // An empty range tells the user and keeps the rows.
    window.DTStart->setSerial(window.DTEnd->serial());
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    EXPECT_EQ(test::shownMessages(messages), "Online NAX Reporting|None|Invalid Dates Selected\n");
    EXPECT_EQ(window.MSFlexGrid1->model()->rowCount(), 1);

    // A database error is shown and the window stays usable.
    window.DTStart->setSerial(kNow - 0.25);
    exec(*db, "alter table Tag_Master rename to Gone");
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_NE(messages.messages[1].text.find("Tag_Master"), std::string::npos);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Downtime 0"));
    EXPECT_TRUE(window.MSFlexGrid1->isVisible());
    exec(*db, "alter table Gone rename to Tag_Master");
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Downtime 1"));
}

// The new controls follow the designed ones; "Classify Selected" takes focus once two rows are selected.
TEST_F(Form2ListTest, NewControlsComeAfterTheDesignedOnesInTabOrder) {
    Form2 window(context);
    window.show();
    QApplication::setActiveWindow(&window);
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    const auto walk = [&](int presses) {
        QStringList names;
        for (int i = 0; i < presses; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* at = QApplication::focusWidget();
            while (at && at->parentWidget() != &window)
                at = at->parentWidget(); // a picker's own edit counts as the picker
            names << (at ? at->objectName() : QStringLiteral("none"));
        }
        return names.join(u' ');
    };
    window.Check1->setFocus(); // Tab in a picker walks its own fields first
    EXPECT_EQ(walk(4), QStringLiteral("CmdGenerate MSFlexGrid1 CheckUnclassified DTStart"));
    window.MSFlexGrid1->setCurrentGridRow(1);
    QTest::keyClick(window.MSFlexGrid1, Qt::Key_Down, Qt::ShiftModifier);
    window.MSFlexGrid1->setFocus();
    EXPECT_EQ(walk(2), QStringLiteral("CheckUnclassified CmdClassifySelected"));
}

// With a larger desktop font every text above and below the list shows whole, side by side, inside.
TEST_F(Form2ListTest, PickersAndCaptionsShowTheirWholeText) {
    const QFont designed = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(designed); });
    QFont larger = designed;
    larger.setPointSizeF(designed.pointSizeF() * 1.4);
    QApplication::setFont(larger);
    Form2 window(context);
    window.show();
    const QWidget* row[] = {window.findChild<QLabel*>(QStringLiteral("Label")),
                            window.DTStart,
                            window.findChild<QLabel*>(QStringLiteral("Label1")),
                            window.DTEnd,
                            window.Check1,
                            window.CmdGenerate};
    for (size_t i = 0; i < std::size(row); ++i) {
        ASSERT_NE(row[i], nullptr);
        EXPECT_GE(row[i]->width(), row[i]->sizeHint().width()) << row[i]->objectName().toStdString();
        EXPECT_GE(row[i]->height(), row[i]->sizeHint().height()) << row[i]->objectName().toStdString();
        EXPECT_LT(row[i]->geometry().bottom(), window.MSFlexGrid1->geometry().top());
        if (i > 0) {
            EXPECT_LT(row[i - 1]->geometry().right(), row[i]->geometry().left()) << i;
        }
    }
    EXPECT_LE(window.CmdGenerate->geometry().right(), window.width());
    // The row below the list: check box, backlog line and button side by side inside the window.
    EXPECT_LT(window.CheckUnclassified->geometry().right(), window.LblBacklog->geometry().left());
    EXPECT_LT(window.LblBacklog->geometry().right(), window.CmdClassifySelected->geometry().left());
    EXPECT_LE(window.CmdClassifySelected->geometry().bottom(), window.height());
}

// Each menu button opens its window once (a closed one is made anew); Exit ends the program once.
TEST_F(Form2ListTest, MenuOpensEachWindowOnceAndExits) {
    int exits = 0;
    FrmStartup menu(context, [&] { ++exits; });
    menu.show();
    menu.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&menu));
    menu.Command4->setFocus();
    QStringList tabbed{menu.focusWidget()->objectName()};
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(menu.focusWidget(), Qt::Key_Tab);
        tabbed << menu.focusWidget()->objectName();
    }
    EXPECT_EQ(tabbed.join(QLatin1Char('|')),
              QStringLiteral("Command4|Command3|Command2|CmdAnalysis|CmdShutDown"));

    QStringList captions;
    for (const QPushButton* button :
         {menu.Command4, menu.Command3, menu.Command2, menu.CmdAnalysis, menu.CmdShutDown})
        captions << button->text();
    EXPECT_EQ(captions.join(u'|'), QStringLiteral("Downtime|DMS|Reports|Analysis|E&xit"));

    const std::tuple<QPushButton*, std::function<QWidget*()>, const char*> windows[] = {
        {menu.Command4, [&] { return menu.downtimeWindow(); }, "Downtime Entry"},
        {menu.Command3, [&] { return menu.dmsWindow(); }, "DMS"},
        {menu.Command2, [&] { return menu.reportsWindow(); }, "Reports"},
        {menu.CmdAnalysis, [&] { return menu.analysisWindow(); }, "Analysis"}};
    for (const auto& [button, window, title] : windows) {
        QTest::mouseClick(button, Qt::LeftButton);
        QWidget* first = window();
        ASSERT_NE(first, nullptr) << button->objectName().toStdString();
        EXPECT_TRUE(first->isVisible());
        EXPECT_EQ(first->windowTitle(), QString::fromUtf8(title));
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(window(), first);
    }
    menu.downtimeWindow()->close(); // deleted on close; the next press makes a new one
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(menu.downtimeWindow(), nullptr);
    QTest::mouseClick(menu.Command4, Qt::LeftButton);
    EXPECT_NE(menu.downtimeWindow(), nullptr);
    QTest::mouseClick(menu.CmdShutDown, Qt::LeftButton);
    EXPECT_EQ(exits, 1);
    for (const auto& row : windows)
        delete std::get<1>(row)();
}

// No rows: the window shows an empty line; every step of a long report counts, even between repaints.
TEST(FrmProgressTest, EmptyReportShowsAnEmptyLineAndEveryStepCountsBetweenRepaints) {
    NoEventPump pump;
    FrmProgress progress(pump);
    progress.SetMax(0);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.shownCaption(), QString());
    progress.SetMax(500000);
    for (int i = 0; i < 500000; ++i)
        progress.ProgressNextValue("row");
    EXPECT_EQ(progress.shownCaption(), QStringLiteral("100%[500000 / 500000]row"));
    EXPECT_EQ(progress.windowTitle(), progress.shownCaption());
}

} // namespace
