// Classifying downtime events offscreen: the pick popup and the "More Info" frame of "Downtime Entry".
#include "downtime/ui/DowntimeDetailFrame.h"
#include "downtime/ui/Form2.h"
#include "downtime/ui/fmselectform.h"
#include "support/PopupDriving.h"
#include "support/TestSupport.h"
#include "ui/ReportGridView.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace nax;
using namespace nax::test;

namespace {

// A box as a pick leaves it: text, tag and tool tip.
QString picked(const QLineEdit* box) {
    return box->text() + u'|' + controlTag(box) + u'|' + box->toolTip();
}

// The events lie in the six hours before the database clock's 05-Dec-26 12:00.
class ClassificationDb : public test::WindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(db);
        exec(*db,
             R"(insert into Asset_Master values (1,'Filler - Valve (A)'),(2,'Capper'),(3,'Labeller'),(4,' ');
            insert into Component_master values ('Valve seat',1),('Bowl',1),('Chuck',2);
            insert into Failure_Master values (10,'Leak',1),(11,'Jam',2);
            insert into Misc_Master values ('Equipment Loss'),('QA Loss');
            insert into Tag_Master values (1,'Filler');
            insert into TimeLost values (1,1,4,'A','500ml','Cola',46361.40,46361.41,0.01,'Filler - Valve (A)',
                'Bowl','Equipment Loss','Leak','Ravi','Mala','r1','x','y'),
              (2,1,4,'B','500ml','Cola',46361.42,46361.43,0.02,'Capper','Chuck','QA Loss','Jam','Ravi','Mala',
                'r2','',''),
              (3,1,4,'B','500ml','Cola',46361.44,46361.45,0.03,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL))");
        for (int i = 1; i <= 12; ++i)
            exec(*db, "insert into Employee_Master values (" + std::to_string(100 + i) + ",'Emp " +
                          std::to_string(i) + "','" + (i % 3 == 0 ? "Executive" : "Operator") + "')");
        exec(*db, "insert into Employee_Master values (200,'Ravi','Operator'),(201,'Mala','Executive')");
    }
    std::string timeLost(const std::string& column, int dtId) {
        return scalar(*db, "select " + column + " from TimeLost where Dt_ID = " + std::to_string(dtId));
    }
    // clang-format off
    static PickRequest staffList() {
        return {"Employee_Master", "[Employee_Name]", "Employee_ID", "[Employee_Type]", "Employee List",
                "", "", "", "order by Employee_ID", false};
    }
    // clang-format on
    // Opens the staff list for `target`, answers it with `act` and checks the box afterwards: "text|tag|tip",
    // after "unchanged: " when the pick reports no change.
    void pickStaff(QLineEdit& target, const QString& expected, std::function<void(fmselectform&)> act) {
        PopupAnswer answer(std::move(act));
        const bool changed = PickIntoTextBox(context, &target, staffList());
        EXPECT_EQ(answer.runs, 1);
        EXPECT_EQ((changed ? QString() : QStringLiteral("unchanged: ")) + picked(&target), expected);
    }
};

// ---------------------------------------------------------------- the popup

using SelectionPopup = ClassificationDb;

TEST_F(SelectionPopup, RightListEntrySelectsAndScrollsTheSameRowOnTheLeft) {
    for (int i = 0; i < 40; ++i)
        exec(*db, "insert into Employee_Master values (" + std::to_string(300 + i) + ",'Spare','Operator')");
    QLineEdit target;
    pickStaff(target, QStringLiteral("Emp 6|106|Executive"), [](fmselectform& popup) {
        popup.setTopIndex(1, 30);
        EXPECT_EQ(popup.TopIndex(0), 30);
        popup.setTopIndex(0, 0);
        EXPECT_EQ(popup.TopIndex(1), 0);
        clickEntry(popup, 1, 5);
        EXPECT_EQ(popup.ListIndex(0), 5);
        QTest::keyClick(popup.List1[1], Qt::Key_Enter);
    });
}

TEST_F(SelectionPopup, EscapeOrEnterWithoutSelectionLeaveTheBoxAsItWas) {
    QLineEdit target(QStringLiteral("typed"));
    setControlTag(&target, QStringLiteral("7"));
    for (const bool escape : {true, false}) {
        pickStaff(target, QStringLiteral("unchanged: typed|7|"), [escape](fmselectform& popup) {
            if (escape) {
                clickEntry(popup, 0, 2); // a selection made, then abandoned
                QTest::keyClick(popup.List1[0], Qt::Key_Escape);
                return;
            }
            popup.List1[0]->setFocus();
            QTest::keyClick(popup.List1[0], Qt::Key_Return);
            EXPECT_EQ(popup.result(), QDialog::Accepted);
        });
    }
}

TEST_F(SelectionPopup, TypingNarrowsBothListsRowForRowAndDownMovesIntoThem) {
    QLineEdit target;
    pickStaff(target, QStringLiteral("Mala|201|Executive"), [](fmselectform& popup) {
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
        QListView* left = popup.List1[0];
        doubleClick(left->viewport(), left->visualRect(left->model()->index(4, 0)).center());
    });
}

// ---------------------------------------------------------------- "More Info" in "Downtime Entry"

// Three more events: 4 with a blank loss structure, 5 with an empty one, 6 classified.
class DowntimeClassification : public ClassificationDb {
protected:
    void SetUp() override {
        ClassificationDb::SetUp();
        exec(*db, R"(insert into TimeLost values
              (4,1,4,'A','500ml','Cola',46361.46,46361.47,0.01,'Capper',NULL,'  ',NULL,NULL,NULL,'r4',NULL,NULL),
              (5,1,4,'B','500ml','Cola',46361.47,46361.48,0.005,NULL,NULL,'',NULL,NULL,NULL,NULL,NULL,NULL),
              (6,1,4,'B','500ml','Cola',46361.48,46361.49,0.01,'Capper','Chuck','QA Loss','Jam',NULL,NULL,'r6',
                NULL,NULL))");
        window = std::make_unique<Form2>(context);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->Generate();
        ASSERT_EQ(window->MSFlexGrid1->grid().rows(), 7);
    }
    // Shift|asset|loss structure|failure|remarks of each event (NULL as -), then the backlog line.
    std::string state() {
        return scalar(*db,
                      "select group_concat(ifnull(Shift,'-')||'|'||ifnull(Asset,'-')||'|'||"
                      "ifnull(Loss_Structure,'-')||'|'||ifnull(Failure,'-')||'|'||ifnull(Remarks,'-'), ' ') "
                      "from (select * from TimeLost order by Dt_ID)") +
               " / " + window->LblBacklog->text().toStdString();
    }
    // The middle of a cell in the row of event `dtId`; a click there, a double-click there.
    QPoint cellOf(int dtId) {
        ReportGridView* view = window->MSFlexGrid1;
        return view->visualRect(view->model()->index(gridRowOf(dtId) - 1, 2)).center();
    }
    void clickEvent(int dtId, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(window->MSFlexGrid1->viewport(), Qt::LeftButton, modifiers, cellOf(dtId));
    }
    void openEvent(int dtId) { doubleClick(window->MSFlexGrid1->viewport(), cellOf(dtId)); }
    // The keys of the selected rows, top to bottom, and whether "Classify Selected" takes a click.
    std::string selection() {
        std::string keys;
        for (const int row : window->MSFlexGrid1->selectedGridRows())
            keys += std::to_string(window->MSFlexGrid1->grid().rowKey(row)) + " ";
        return keys + (window->CmdClassifySelected->isEnabled() ? "enabled" : "disabled");
    }
    int gridRowOf(int dtId) {
        const ReportGrid& grid = window->MSFlexGrid1->grid();
        for (int row = 1; row < grid.rows(); ++row)
            if (grid.rowKey(row) == dtId) return row;
        return -1;
    }
    QLineEdit* box(int i) { return window->Frame1->txtfields[i]; }
    // Whether the frame shows, the grid takes clicks and Generate is enabled.
    std::string enabled() const {
        return std::to_string(window->Frame1->isVisible()) +
               std::to_string(window->MSFlexGrid1->isEnabled()) +
               std::to_string(window->CmdGenerate->isEnabled());
    }
    // Presses `key` in a box of the frame; one popup opens and `act` answers it.
    void press(int boxIndex, Qt::Key key, std::function<void(fmselectform&)> act) {
        PopupAnswer answer(std::move(act));
        QTest::keyClick(box(boxIndex), key);
        EXPECT_EQ(answer.runs, 1);
    }
    std::unique_ptr<Form2> window;
};

TEST_F(DowntimeClassification, OpenPickAndSaveWritesTheRowAndRefreshesTheList) {
    openEvent(2);
    DowntimeDetailFrame* frame = window->Frame1;
    ASSERT_EQ(enabled(), "100"); // the frame, and nothing else
    EXPECT_EQ(frame->title(),
              QStringLiteral("More Info -%1         Time Lost (Mins) : 28.8").arg(gridRowOf(2)));
    EXPECT_FALSE(box(kBoxShift)->isReadOnly());
    for (const int shownOnly : {kBoxStart, kBoxEnd, kBoxRun})
        EXPECT_TRUE(box(shownOnly)->isReadOnly()) << shownOnly;

    press(kBoxAsset, Qt::Key_F, [](fmselectform& popup) {
        // The blank name is left out; one list only.
        EXPECT_EQ(popup.lblheading->text() + u' ' + popup.windowTitle(),
                  QStringLiteral("Asset List Selection Popup [3]"));
        EXPECT_EQ(popup.width(), popup.List1[0]->geometry().right() + 1);
        EXPECT_FALSE(popup.txtfields[1]->isEnabled());
        pickText(popup, QStringLiteral("Filler - Valve (A)"));
    });
    EXPECT_EQ(box(kBoxAsset)->text(), QStringLiteral("Filler - Valve (A)")); // the key press was swallowed
    press(kBoxComponent, Qt::Key_V, [](fmselectform& popup) {
        EXPECT_EQ(popup.ListCount(0), 2); // the picked asset's components
        pickText(popup, QStringLiteral("Valve seat"));
    });
    press(kBoxExecutive, Qt::Key_E, [](fmselectform& popup) {
        EXPECT_FALSE(popup.isSingleList());
        pickEntry(popup, 0);
    });
    EXPECT_EQ(picked(box(kBoxExecutive)), QStringLiteral("Emp 3|103|Executive"));
    box(kBoxShift)->setText(QStringLiteral("C"));
    box(kBoxRemarks)->selectAll();
    QTest::keyClicks(box(kBoxRemarks), QStringLiteral("seal's 'worn'"));
    box(kBoxOther2)->clear();

    QTest::mouseClick(frame->CmdSave, Qt::LeftButton);
    EXPECT_TRUE(messages.messages.empty());
    // Untouched boxes write their values back: the failure stays Jam.
    EXPECT_EQ(timeLost("Shift||'|'||Asset||'|'||Component||'|'||Executive||'|'||A_Operator||'|'||Failure", 2),
              "C|Filler - Valve (A)|Valve seat|Emp 3|Ravi|Jam");
    EXPECT_EQ(enabled(), "011");
    EXPECT_EQ(window->MSFlexGrid1->grid().cell(gridRowOf(2), 14), "seal`s `worn`"); // listed again
}

TEST_F(DowntimeClassification, DataRowsOpenTabEndsAtSaveAndExitPlainKeysPickAndExitSavesNothing) {
    QHeaderView* header = window->MSFlexGrid1->horizontalHeader();
    doubleClick(header->viewport(), QPoint(header->sectionViewportPosition(3) + 5, header->height() / 2));
    EXPECT_EQ(enabled(), "011");

    openEvent(1);
    ASSERT_EQ(controlTag(window->Frame1), QStringLiteral("1"));
    QApplication::setActiveWindow(window.get());
    box(kBoxOther1)->setFocus(); // Tab leaves "Other 2" for Save, then Exit
    QStringList reached;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(reached.join(u' '), QStringLiteral("txtfields_12 CmdSave CmdExit"));
    {
        // Only plain keys open a pick list; after a cancelled pick the key does what it always does.
        PopupAnswer answer([](fmselectform& popup) { popup.reject(); });
        // clang-format off
        const std::pair<QKeyCombination, bool> presses[] = {
            {Qt::Key_A, true}, {Qt::Key_Backspace, true}, {Qt::Key_Right, true}, {Qt::Key_Delete, false},
            {Qt::Key_Tab, false}, {Qt::Key_Clear, false}, {Qt::Key_Escape, false},
            {Qt::SHIFT | Qt::Key_A, false}, {Qt::CTRL | Qt::Key_C, false}, {Qt::ALT | Qt::Key_X, false}};
        // clang-format on
        for (const auto& [press, opens] : presses) {
            const int before = answer.runs;
            QTest::keyClick(box(kBoxOperator), press.key(), press.keyboardModifiers());
            EXPECT_EQ(answer.runs - before, opens ? 1 : 0) << QKeySequence(press).toString().toStdString();
        }
        box(kBoxOperator)->setText(QStringLiteral("Rav"));
        box(kBoxOperator)->end(false);
        QTest::keyClick(box(kBoxOperator), Qt::Key_I);
        EXPECT_EQ(box(kBoxOperator)->text(), QStringLiteral("Ravi"));
    }
    box(kBoxRemarks)->setText(QStringLiteral("changed"));
    box(kBoxShift)->setText(QStringLiteral("Z"));
    QTest::mouseClick(window->Frame1->CmdExit, Qt::LeftButton);
    EXPECT_EQ(enabled(), "011");
    EXPECT_EQ(timeLost("Remarks||Shift", 1), "r1A");
    openEvent(1); // the next open overwrites the boxes
    EXPECT_EQ(box(kBoxRemarks)->text(), QStringLiteral("r1"));
}

TEST_F(DowntimeClassification, OpeningAnEventTakesTheAssetKeyFromItsOwnAsset) {
    openEvent(1);
    // Pick Capper and an executive for event 1, then leave it.
    press(kBoxAsset, Qt::Key_C, [](fmselectform& popup) { pickText(popup, QStringLiteral("Capper")); });
    press(kBoxExecutive, Qt::Key_E, [](fmselectform& popup) { pickEntry(popup, 0); });
    ASSERT_EQ(controlTag(box(kBoxAsset)), QStringLiteral("2"));
    QTest::mouseClick(window->Frame1->CmdExit, Qt::LeftButton);

    openEvent(1); // its asset is Filler - Valve (A), key 1
    EXPECT_EQ(controlTag(box(kBoxAsset)), QStringLiteral("1"));
    EXPECT_EQ(controlTag(box(kBoxExecutive)) + box(kBoxExecutive)->toolTip(), QString());
    press(kBoxFailure, Qt::Key_L, [](fmselectform& popup) {
        EXPECT_EQ(popup.ListText(0, 0) + popup.windowTitle(), QStringLiteral("LeakSelection Popup [1]"));
        popup.reject();
    });
    QTest::mouseClick(window->Frame1->CmdExit, Qt::LeftButton);

    openEvent(3); // no asset yet: no key, so the component list has nothing
    EXPECT_EQ(controlTag(box(kBoxAsset)), QString());
    press(kBoxComponent, Qt::Key_B, [](fmselectform& popup) {
        EXPECT_EQ(popup.ListCount(0), 0);
        popup.reject();
    });
    EXPECT_EQ(shownMessages(messages), "Online NAX Reporting|None|No Record Found \n");
}

// Texts the user does not touch survive a save byte for byte: a 40,000-character remark, and a
// name an older collector stored in Windows-1252 ("José Mañana"), which is shown decoded.
TEST_F(DowntimeClassification, UntouchedTextsOfAnyLengthOrEncodingSurviveASave) {
    std::string remark;
    for (int i = 0; i < 8000; ++i)
        remark += "Öl's ";
    exec(*db, "insert into TimeLost (Dt_ID, Tag_ID, Run_no, DT_Start, DT_End, Time_Lost, Remarks, Other1, "
              "Other2) values (7, 1, 4, 46361.49, 46361.495, 0.01, " +
                  sqlText(remark) + ", cast(X'4A6F73E9204D61F1616E61' as text), 'y')");
    const auto stored = [&](const char* column) { return timeLost(std::string("hex(") + column + ")", 7); };
    const std::string remarksBefore = stored("Remarks"), other1Before = stored("Other1");
    QTest::mouseClick(window->CmdGenerate, Qt::LeftButton);
    EXPECT_EQ(window->MSFlexGrid1->model()->index(gridRowOf(7) - 1, 15).data().toString(),
              QStringLiteral("José Mañana"));

    openEvent(7);
    EXPECT_EQ(box(kBoxRemarks)->text(), QString::fromStdString(remark));
    EXPECT_EQ(box(kBoxOther1)->text(), QStringLiteral("José Mañana"));
    QTest::mouseClick(window->Frame1->CmdSave, Qt::LeftButton);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(stored("Remarks"), remarksBefore);
    EXPECT_EQ(stored("Other1"), other1Before);

    // An edited box writes its new text, in UTF-8; the others stay as they were.
    openEvent(7);
    box(kBoxOther2)->selectAll();
    QTest::keyClicks(box(kBoxOther2), QStringLiteral("Caf"));
    QTest::sendKeyEvent(QTest::Click, box(kBoxOther2), Qt::Key_unknown, QStringLiteral("é"), Qt::NoModifier);
    QTest::mouseClick(window->Frame1->CmdSave, Qt::LeftButton);
    EXPECT_EQ(stored("Other2") + stored("Other1"), "436166C3A9" + other1Before);
}

// ---------------------------------------------------------------- several events, and the backlog

TEST_F(DowntimeClassification, PicksGoToEverySelectedEventAndBlankBoxesKeepTheirOwnValues) {
    clickEvent(3);
    EXPECT_EQ(selection(), "3 disabled");
    clickEvent(5, Qt::ShiftModifier);
    clickEvent(1, Qt::ControlModifier);
    clickEvent(1, Qt::ControlModifier); // and off again
    ASSERT_EQ(selection(), "3 4 5 enabled");

    QTest::mouseClick(window->CmdClassifySelected, Qt::LeftButton);
    EXPECT_EQ(enabled() + " " + selection(), "100 3 4 5 disabled");
    EXPECT_EQ(window->Frame1->title() + box(kBoxAsset)->text() + box(kBoxRemarks)->text(),
              QStringLiteral("More Info - 3 events"));
    press(kBoxAsset, Qt::Key_C, [](fmselectform& popup) { pickText(popup, QStringLiteral("Capper")); });
    press(kBoxFailure, Qt::Key_J, [](fmselectform& popup) {
        EXPECT_EQ(popup.ListCount(0), 1); // the failures of the picked asset: Jam
        pickText(popup, QStringLiteral("Jam"));
    });
    press(kBoxLossStructure, Qt::Key_E,
          [](fmselectform& popup) { pickText(popup, QStringLiteral("Equipment Loss")); });
    QTest::mouseClick(window->Frame1->CmdSave, Qt::LeftButton);
    EXPECT_EQ(shownMessages(messages), "");
    EXPECT_EQ(state(),
              "A|Filler - Valve (A)|Equipment Loss|Leak|r1 B|Capper|QA Loss|Jam|r2 "
              "B|Capper|Equipment Loss|Jam|- A|Capper|Equipment Loss|Jam|r4 B|Capper|Equipment Loss|Jam|- "
              "B|Capper|QA Loss|Jam|r6 / 6 events, 0 unclassified (0 min)");
    EXPECT_EQ(enabled(), "011");
}

// A write lock held past the busy timeout, then a deleted event. One event: the failure is shown and
// the list refreshed. Several: no event changes and the frame stays for another try; Exit writes nothing.
TEST_F(DowntimeClassification, AFailedSaveChangesNoEventAndExitWritesNothing) {
    auto other = DbConnection::open(dir.file("db1.sqlite"));
    ASSERT_TRUE(other.ok());
    exec(**other, "update TimeLost set Remarks = 'collector' where Dt_ID = 3"); // after the list was made
    exec(**other, "begin immediate; update TimeLost set Remarks = 'pending' where Dt_ID = 6");
    openEvent(1);
    box(kBoxRemarks)->setText(QStringLiteral("mine"));
    QTest::mouseClick(window->Frame1->CmdSave, Qt::LeftButton);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text.rfind("Update Statement failed : database is locked", 0), 0u);
    const ReportGrid& grid = window->MSFlexGrid1->grid();
    EXPECT_EQ(enabled() + test::joined(grid, gridRowOf(1), {14}) + "|" +
                  test::joined(grid, gridRowOf(3), {14}),
              "011r1|collector");

    clickEvent(1);
    QTest::keyClick(window->MSFlexGrid1, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(window->MSFlexGrid1, Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(selection(), "1 2 3 enabled");
    QTest::mouseClick(window->CmdClassifySelected, Qt::LeftButton);
    QTest::keyClicks(box(kBoxShift), QStringLiteral("D"));
    QTest::keyClicks(box(kBoxRemarks), QStringLiteral("batch"));
    const std::string before = state();
    QTest::mouseClick(window->Frame1->CmdSave, Qt::LeftButton);
    EXPECT_EQ(state(), before);
    exec(**other, "rollback; delete from TimeLost where Dt_ID = 2");
    const std::string afterDelete = state();
    QTest::mouseClick(window->Frame1->CmdSave, Qt::LeftButton);
    EXPECT_EQ(state(), afterDelete);
    ASSERT_EQ(messages.messages.size(), 3u);
    const std::string locked =
        "None of the 3 events was changed.\r\nUpdate Statement failed : database is locked";
    EXPECT_EQ(messages.messages[1].text.substr(0, locked.size()), locked);
    EXPECT_NE(messages.messages[2].text.find("No downtime event has Dt_ID 2"), std::string::npos);
    EXPECT_EQ(enabled() + box(kBoxRemarks)->text().toStdString(), "100batch");

    QTest::mouseClick(window->Frame1->CmdExit, Qt::LeftButton);
    EXPECT_EQ(state(), afterDelete);
    EXPECT_EQ(enabled() + " " + selection(), "011 1 2 3 enabled");
}

// Enter opens the selected row; each save lists again and moves to the next unclassified event,
// also when the saved one leaves a list of unclassified events only.
TEST_F(DowntimeClassification, EnterOpensTheRowAndASaveMovesToTheNextUnclassifiedEvent) {
    ReportGridView* list = window->MSFlexGrid1;
    QApplication::setActiveWindow(window.get());
    clickEvent(2);
    clickEvent(2, Qt::ControlModifier); // current but no longer selected
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(enabled(), "011");

    clickEvent(1);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(controlTag(window->Frame1), QStringLiteral("1"));
    QTest::mouseClick(window->Frame1->CmdSave, Qt::LeftButton);
    EXPECT_EQ(selection(), "3 disabled"); // 2 is classified
    ASSERT_EQ(QApplication::focusWidget(), list);
    QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(controlTag(window->Frame1), QStringLiteral("3"));
    box(kBoxLossStructure)->setText(QStringLiteral("QA Loss"));
    QTest::mouseClick(window->Frame1->CmdSave, Qt::LeftButton);
    EXPECT_EQ(selection(), "4 disabled");

    QTest::mouseClick(window->CheckUnclassified, Qt::LeftButton);
    QTest::mouseClick(window->CmdGenerate, Qt::LeftButton);
    clickEvent(4);
    QTest::keyClick(list, Qt::Key_Return);
    box(kBoxLossStructure)->setText(QStringLiteral("QA Loss"));
    QTest::mouseClick(window->Frame1->CmdSave, Qt::LeftButton);
    EXPECT_EQ(window->windowTitle() + u' ' + window->LblBacklog->text(),
              QStringLiteral("Downtime 1 6 events, 1 unclassified (7.2 min)")); // 43.2 + 14.4 saved
    EXPECT_EQ(selection(), "5 disabled");
}

} // namespace
