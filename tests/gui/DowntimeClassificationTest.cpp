// Classifying downtime events offscreen on a database made here: the pick popup, the "More
// Info" frame inside "Downtime Entry", and the save read back with plain SQL.
#include "downtime/ui/DowntimeDetailFrame.h"
#include "downtime/ui/Form2.h"
#include "downtime/ui/fmselectform.h"
#include "shell/ui/ReportGridView.h"
#include "support/TestSupport.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace nax;
using nax::test::exec;
using nax::test::scalar;

namespace {

constexpr double kNow = 46361.5; // the events below lie in the last six hours

// Answers every popup opened while it lives: shows it, then lets the test act on it.
class PopupAnswer {
public:
    explicit PopupAnswer(std::function<void(fmselectform&)> act) {
        fmselectform::modalHook() = [this, act = std::move(act)](fmselectform& popup) {
            ++runs;
            popup.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&popup));
            act(popup);
        };
    }
    ~PopupAnswer() { fmselectform::modalHook() = nullptr; }
    PopupAnswer(const PopupAnswer&) = delete;
    PopupAnswer& operator=(const PopupAnswer&) = delete;
    int runs = 0;
};

// A double-click as the window system delivers it: press, release, double-click, release.
void doubleClick(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

void clickEntry(fmselectform& popup, int list, int entry) {
    QListView* view = popup.List1[list];
    const QModelIndex index = view->model()->index(entry, list);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

void pickEntry(fmselectform& popup, int entry) {
    clickEntry(popup, 0, entry);
    QTest::keyClick(popup.List1[0], Qt::Key_Return);
}

// Entry of list 0 showing `text`, or -1.
int entryOf(const fmselectform& popup, const QString& text) {
    for (int i = 0; i < popup.ListCount(0); ++i)
        if (popup.ListText(0, i) == text) return i;
    return -1;
}

class ClassificationDb : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db);
        exec(*db, "insert into Asset_Master values (1,'Filler - Valve (A)'),(2,'Capper'),(3,'Labeller'),(4,' ');"
                  "insert into Component_master values ('Valve seat',1),('Bowl',1),('Chuck',2);"
                  "insert into Failure_Master values (10,'Leak',1),(11,'Jam',2);"
                  "insert into Misc_Master values ('Equipment Loss'),('QA Loss');"
                  "insert into Tag_Master values (1,'Filler');"
                  "insert into TimeLost values "
                  "(1,1,4,'A','500ml','Cola',46361.40,46361.41,0.01,'Filler - Valve (A)','Bowl','Equipment Loss',"
                  "'Leak','Ravi','Mala','r1','x','y'),"
                  "(2,1,4,'B','500ml','Cola',46361.42,46361.43,0.02,'Capper','Chuck','QA Loss','Jam','Ravi','Mala',"
                  "'r2','',''),"
                  "(3,1,4,'B','500ml','Cola',46361.44,46361.45,0.03,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL)");
        for (int i = 1; i <= 12; ++i)
            exec(*db, "insert into Employee_Master values (" + std::to_string(100 + i) + ",'Emp " +
                          std::to_string(i) + "','" + (i % 3 == 0 ? "Executive" : "Operator") + "')");
        exec(*db, "insert into Employee_Master values (200,'Ravi','Operator'),(201,'Mala','Executive')");
    }
    std::string timeLost(const std::string& column, int dtId) {
        return scalar(*db, "select " + column + " from TimeLost where Dt_ID = " + std::to_string(dtId));
    }
    PickRequest staffList() {
        return {"Employee_Master", "[Employee_Name]", "Employee_ID", "[Employee_Type]", "Employee List", "", "", "",
                "order by Employee_ID", false};
    }
    test::ScratchDir dir;
    std::unique_ptr<DbConnection> db = test::makePlantDatabase(dir.file("db1.sqlite"), false, kNow);
    CapturedMessages messages;
    NoEventPump pump;
    AppContext context{*db, messages, pump, dir.path(), {}, {}};
};

// ---------------------------------------------------------------- the popup

using SelectionPopup = ClassificationDb;

TEST_F(SelectionPopup, RightListEntrySelectsAndScrollsTheSameRowOnTheLeft) {
    for (int i = 0; i < 40; ++i)
        exec(*db, "insert into Employee_Master values (" + std::to_string(300 + i) + ",'Spare','Operator')");
    QLineEdit target;
    PopupAnswer answer([](fmselectform& popup) {
        EXPECT_EQ(popup.windowTitle(), QStringLiteral("Selection Popup [54]"));
        popup.setTopIndex(1, 30);
        EXPECT_EQ(popup.TopIndex(0), 30);
        popup.setTopIndex(0, 0);
        EXPECT_EQ(popup.TopIndex(1), 0);
        clickEntry(popup, 1, 5);
        EXPECT_EQ(popup.ListIndex(0), 5);
        QTest::keyClick(popup.List1[1], Qt::Key_Enter);
    });
    EXPECT_TRUE(PickIntoTextBox(context, &target, staffList()));
    EXPECT_EQ(answer.runs, 1);
    EXPECT_EQ(target.text(), QStringLiteral("Emp 6"));
    EXPECT_EQ(controlTag(&target), QStringLiteral("106"));
    EXPECT_EQ(target.toolTip(), QStringLiteral("Executive"));
}

TEST_F(SelectionPopup, EscapeOrEnterWithoutSelectionLeaveTheBoxAsItWas) {
    QLineEdit target(QStringLiteral("typed"));
    setControlTag(&target, QStringLiteral("7"));
    auto unchanged = [&] {
        EXPECT_EQ(target.text(), QStringLiteral("typed"));
        EXPECT_EQ(controlTag(&target), QStringLiteral("7"));
        EXPECT_EQ(target.toolTip(), QString());
    };
    {
        PopupAnswer answer([](fmselectform& popup) {
            clickEntry(popup, 0, 2); // a selection made, then abandoned
            QTest::keyClick(popup.List1[0], Qt::Key_Escape);
        });
        EXPECT_FALSE(PickIntoTextBox(context, &target, staffList()));
        unchanged();
    }
    PopupAnswer answer([](fmselectform& popup) {
        popup.List1[0]->setFocus();
        QTest::keyClick(popup.List1[0], Qt::Key_Return);
        EXPECT_EQ(popup.result(), QDialog::Accepted);
    });
    EXPECT_FALSE(PickIntoTextBox(context, &target, staffList()));
    unchanged();
}

TEST_F(SelectionPopup, TypingNarrowsBothListsRowForRowAndDownMovesIntoThem) {
    QLineEdit target;
    PopupAnswer answer([](fmselectform& popup) {
        QTest::keyClicks(popup.txtfields[0], QStringLiteral("emp 1"));
        ASSERT_EQ(popup.ListCount(0), 4); // Emp 1, Emp 10, Emp 11, Emp 12
        ASSERT_EQ(popup.ListCount(1), 4);
        EXPECT_EQ(popup.ListText(1, 3), QStringLiteral("Executive")); // Emp 12
        QTest::keyClicks(popup.txtfields[1], QStringLiteral("nobody"));
        QTest::keyClick(popup.txtfields[1], Qt::Key_Down);
        EXPECT_NE(popup.focusWidget(), popup.List1[0]); // nothing listed: stays in the box
        popup.txtfields[1]->setText(QStringLiteral("Exec"));
        EXPECT_EQ(popup.ListCount(0), 5);
        QTest::keyClick(popup.txtfields[1], Qt::Key_Down);
        EXPECT_EQ(popup.focusWidget(), popup.List1[0]);
        EXPECT_EQ(popup.ListIndex(1), 0);
        doubleClick(popup.List1[0]->viewport(), popup.List1[0]->visualRect(popup.List1[0]->model()->index(4, 0)).center());
    });
    EXPECT_TRUE(PickIntoTextBox(context, &target, staffList()));
    EXPECT_EQ(target.text(), QStringLiteral("Mala"));
    EXPECT_EQ(controlTag(&target), QStringLiteral("201"));
}

// ---------------------------------------------------------------- "More Info" in "Downtime Entry"

class DowntimeClassification : public ClassificationDb {
protected:
    void SetUp() override {
        ClassificationDb::SetUp();
        window = std::make_unique<Form2>(context);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->Generate();
        ASSERT_EQ(window->MSFlexGrid1->grid().rows(), 4);
    }
    void doubleClickRow(int gridRow) {
        ReportGridView* view = window->MSFlexGrid1;
        const QRect cell = view->visualRect(view->model()->index(gridRow - 1, 2));
        doubleClick(view->viewport(), cell.center());
    }
    int gridRowOf(int dtId) {
        const ReportGrid& grid = window->MSFlexGrid1->grid();
        for (int row = 1; row < grid.rows(); ++row)
            if (grid.rowKey(row) == dtId) return row;
        return -1;
    }
    QLineEdit* box(int i) { return window->Frame1->txtfields[i]; }
    std::unique_ptr<Form2> window;
};

TEST_F(DowntimeClassification, OpenPickAndSaveWritesTheRowAndRefreshesTheList) {
    const int row = gridRowOf(2);
    doubleClickRow(row);
    DowntimeDetailFrame* frame = window->Frame1;
    ASSERT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->title(), QStringLiteral("More Info -%1         Time Lost (Mins) : 28.8").arg(row));
    EXPECT_EQ(controlTag(frame), QStringLiteral("2"));
    EXPECT_FALSE(window->MSFlexGrid1->isEnabled());
    EXPECT_FALSE(window->CmdGenerate->isEnabled());
    EXPECT_EQ(box(kBoxOperator)->text(), QStringLiteral("Ravi")); // operator box from column 12
    EXPECT_FALSE(box(kBoxShift)->isReadOnly());

    {
        PopupAnswer answer([](fmselectform& popup) {
            EXPECT_EQ(popup.lblheading->text(), QStringLiteral("Asset List"));
            EXPECT_EQ(popup.windowTitle(), QStringLiteral("Selection Popup [3]")); // the blank name is left out
            EXPECT_EQ(popup.width(), popup.List1[0]->geometry().right() + 1);   // one list only
            EXPECT_FALSE(popup.txtfields[1]->isEnabled());
            QTest::keyClicks(popup.txtfields[0], QStringLiteral("fillervalve"));
            ASSERT_EQ(popup.ListCount(0), 1);
            pickEntry(popup, 0);
        });
        QTest::keyClick(box(kBoxAsset), Qt::Key_F);
        EXPECT_EQ(answer.runs, 1);
    }
    EXPECT_EQ(box(kBoxAsset)->text(), QStringLiteral("Filler - Valve (A)")); // the key press was swallowed
    EXPECT_EQ(controlTag(box(kBoxAsset)), QStringLiteral("1"));
    {
        PopupAnswer answer([](fmselectform& popup) {
            EXPECT_EQ(popup.ListCount(0), 2); // the picked asset's components
            pickEntry(popup, entryOf(popup, QStringLiteral("Valve seat")));
        });
        QTest::keyClick(box(kBoxComponent), Qt::Key_V);
    }
    EXPECT_EQ(controlTag(box(kBoxComponent)), QStringLiteral("1"));
    {
        PopupAnswer answer([](fmselectform& popup) {
            EXPECT_FALSE(popup.isSingleList());
            pickEntry(popup, 0);
        });
        QTest::keyClick(box(kBoxExecutive), Qt::Key_E);
    }
    EXPECT_EQ(box(kBoxExecutive)->text(), QStringLiteral("Emp 3"));
    EXPECT_EQ(box(kBoxExecutive)->toolTip(), QStringLiteral("Executive"));
    box(kBoxShift)->setText(QStringLiteral("C"));
    box(kBoxRemarks)->setText(QStringLiteral("seal's worn"));
    box(kBoxOther2)->clear();

    QTest::mouseClick(frame->CmdSave, Qt::LeftButton);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(timeLost("Shift", 2), "C");
    EXPECT_EQ(timeLost("Asset", 2), "Filler - Valve (A)");
    EXPECT_EQ(timeLost("Component", 2), "Valve seat");
    EXPECT_EQ(timeLost("Executive", 2), "Emp 3");
    EXPECT_EQ(timeLost("A_Operator", 2), "Ravi");
    EXPECT_EQ(timeLost("Remarks", 2), "seal`s worn");
    EXPECT_EQ(timeLost("Failure", 2), "Jam"); // untouched boxes write their values back

    EXPECT_FALSE(frame->isVisible());
    EXPECT_TRUE(window->MSFlexGrid1->isEnabled());
    EXPECT_TRUE(window->CmdGenerate->isEnabled());
    const ReportGrid& grid = window->MSFlexGrid1->grid();
    EXPECT_EQ(grid.cell(gridRowOf(2), 14), "seal`s worn");
}

TEST_F(DowntimeClassification, ExitSavesNothingAndTheNextOpenOverwritesTheBoxes) {
    doubleClickRow(gridRowOf(1));
    box(kBoxRemarks)->setText(QStringLiteral("changed"));
    box(kBoxShift)->setText(QStringLiteral("Z"));
    QTest::mouseClick(window->Frame1->CmdExit, Qt::LeftButton);
    EXPECT_FALSE(window->Frame1->isVisible());
    EXPECT_TRUE(window->CmdGenerate->isEnabled());
    EXPECT_EQ(timeLost("Remarks", 1) + timeLost("Shift", 1), "r1A");
    doubleClickRow(gridRowOf(1));
    EXPECT_EQ(box(kBoxRemarks)->text(), QStringLiteral("r1"));
}

TEST_F(DowntimeClassification, HeaderRowAndLockedGridDoNotOpenAnEvent) {
    QHeaderView* header = window->MSFlexGrid1->horizontalHeader();
    doubleClick(header->viewport(), QPoint(header->sectionViewportPosition(3) + 5, header->height() / 2));
    EXPECT_FALSE(window->Frame1->isVisible());
    EXPECT_TRUE(window->CmdGenerate->isEnabled());

    doubleClickRow(gridRowOf(1));
    ASSERT_EQ(controlTag(window->Frame1), QStringLiteral("1"));
    doubleClickRow(gridRowOf(2)); // the grid is disabled: the open event stays
    EXPECT_EQ(controlTag(window->Frame1), QStringLiteral("1"));
}

TEST_F(DowntimeClassification, OnlyPlainKeysOpenAPickList) {
    doubleClickRow(gridRowOf(1));
    PopupAnswer answer([](fmselectform& popup) { popup.reject(); });
    const std::pair<QKeyCombination, bool> presses[] = {
        {Qt::Key_A, true},       {Qt::Key_Backspace, true},      {Qt::Key_Right, true},
        {Qt::Key_Delete, false}, {Qt::Key_Tab, false},           {Qt::Key_Clear, false},
        {Qt::Key_Escape, false}, {Qt::SHIFT | Qt::Key_A, false}, {Qt::CTRL | Qt::Key_C, false},
        {Qt::ALT | Qt::Key_X, false},
    };
    for (const auto& [press, opens] : presses) {
        const int before = answer.runs;
        QTest::keyClick(box(kBoxOperator), press.key(), press.keyboardModifiers());
        EXPECT_EQ(answer.runs - before, opens ? 1 : 0) << QKeySequence(press).toString().toStdString();
    }
    // After a cancelled pick the key does what it always does.
    box(kBoxOperator)->setText(QStringLiteral("Rav"));
    box(kBoxOperator)->end(false);
    QTest::keyClick(box(kBoxOperator), Qt::Key_I);
    EXPECT_EQ(box(kBoxOperator)->text(), QStringLiteral("Ravi"));
}

TEST_F(DowntimeClassification, OpeningAnEventTakesTheAssetKeyFromItsOwnAsset) {
    doubleClickRow(gridRowOf(1));
    { // pick Capper and an executive for event 1, then leave it
        PopupAnswer answer([](fmselectform& popup) { pickEntry(popup, entryOf(popup, QStringLiteral("Capper"))); });
        QTest::keyClick(box(kBoxAsset), Qt::Key_C);
        PopupAnswer staff([](fmselectform& popup) { pickEntry(popup, 0); });
        QTest::keyClick(box(kBoxExecutive), Qt::Key_E);
    }
    ASSERT_EQ(controlTag(box(kBoxAsset)), QStringLiteral("2"));
    QTest::mouseClick(window->Frame1->CmdExit, Qt::LeftButton);

    doubleClickRow(gridRowOf(1)); // its asset is Filler - Valve (A), key 1
    EXPECT_EQ(controlTag(box(kBoxAsset)), QStringLiteral("1"));
    EXPECT_EQ(controlTag(box(kBoxExecutive)), QString());
    EXPECT_EQ(box(kBoxExecutive)->toolTip(), QString());
    QStringList offered;
    {
        PopupAnswer answer([&](fmselectform& popup) {
            for (int i = 0; i < popup.ListCount(0); ++i) offered << popup.ListText(0, i);
            popup.reject();
        });
        QTest::keyClick(box(kBoxFailure), Qt::Key_L);
    }
    EXPECT_EQ(offered, QStringList{QStringLiteral("Leak")});
    QTest::mouseClick(window->Frame1->CmdExit, Qt::LeftButton);

    doubleClickRow(gridRowOf(3)); // no asset yet: no key, so the component list has nothing
    EXPECT_EQ(controlTag(box(kBoxAsset)), QString());
    PopupAnswer answer([](fmselectform& popup) {
        EXPECT_EQ(popup.ListCount(0), 0);
        popup.reject();
    });
    QTest::keyClick(box(kBoxComponent), Qt::Key_B);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "No Record Found ");
}

TEST_F(DowntimeClassification, FailedSaveIsReportedAndTheListShowsTheTrueState) {
    // The collector changes event 3 after the list was made, then holds the write lock.
    auto other = DbConnection::open(dir.file("db1.sqlite"));
    ASSERT_TRUE(other.ok());
    exec(**other, "update TimeLost set Remarks = 'collector' where Dt_ID = 3");
    exec(**other, "begin immediate; update TimeLost set Remarks = 'pending' where Dt_ID = 3");

    doubleClickRow(gridRowOf(1));
    box(kBoxRemarks)->setText(QStringLiteral("mine"));
    QTest::mouseClick(window->Frame1->CmdSave, Qt::LeftButton);
    ASSERT_EQ(messages.messages.size(), 1u);
    const std::string& shown = messages.messages[0].text;
    EXPECT_EQ(shown.rfind("Update Statement failed : ", 0), 0u) << shown;
    EXPECT_NE(shown.find("locked"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r\n Please send the screenshot of this screen to helpdesk\r\n"), std::string::npos);
    EXPECT_FALSE(window->Frame1->isVisible());
    EXPECT_TRUE(window->CmdGenerate->isEnabled());
    EXPECT_EQ(window->MSFlexGrid1->grid().cell(gridRowOf(1), 14), "r1");
    EXPECT_EQ(window->MSFlexGrid1->grid().cell(gridRowOf(3), 14), "collector"); // refreshed all the same

    exec(**other, "rollback");
    EXPECT_EQ(timeLost("Remarks", 1), "r1");
    EXPECT_EQ(timeLost("Remarks", 3), "collector");
}

} // namespace
