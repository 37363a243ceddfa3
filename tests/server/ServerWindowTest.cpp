// "Downtime Entry" on the server, driven with the mouse and keys beside the same plant in a file:
// the same list, the same classification saved to the event's row, and the same list afterwards.
#include "PostgresServer.h"
#include "downtime/ClassificationSave.h"
#include "downtime/ui/DowntimeDetailFrame.h"
#include "downtime/ui/Form2.h"
#include "support/PopupDriving.h"
#include "support/TestSupport.h"
#include "ui/DatePicker.h"
#include "ui/ReportGridView.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace nax;
using namespace nax::test;

namespace {

constexpr double kEnd = 46362.5; // 06-Dec-26 12:00, the databases' clock

// What one classification in the window gives on one database.
struct Classified {
    std::string listed, refreshed, messages;
    std::string saved;    // the event's classification columns read back afterwards
    std::string pickedAs; // the boxes as the picks left them
};

// Lists the last day, opens the first event, picks an asset, its component, a loss structure and
// an executive, types a remark and saves.
Classified classifyFirstEvent(const std::string& database, const std::filesystem::path& dataFolder) {
    Classified result;
    auto db = DbConnection::open(database, {}, [] { return kEnd; });
    if (!db) {
        ADD_FAILURE() << db.error().message;
        return result;
    }
    CapturedMessages messages;
    NoEventPump pump;
    AppContext context{**db, messages, pump, dataFolder, {}, {}};
    Form2 window(context);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.DTStart->setSerial(kEnd - 1);
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    const ReportGrid& grid = window.MSFlexGrid1->grid();
    result.listed = rowsOf(grid);
    if (grid.rows() < 2) {
        ADD_FAILURE() << "nothing listed on " << displayName(database);
        return result;
    }
    const long long event = grid.rowKey(1);

    ReportGridView* view = window.MSFlexGrid1;
    doubleClick(view->viewport(), view->visualRect(view->model()->index(0, 2)).center());
    DowntimeDetailFrame* frame = window.Frame1;
    EXPECT_TRUE(frame->isEventOpen());
    const auto pick = [&](int box, Qt::Key key, int entry) {
        PopupAnswer answer([entry](fmselectform& popup) { pickEntry(popup, entry); });
        QTest::keyClick(frame->txtfields[box], key);
        EXPECT_EQ(answer.runs, 1) << box;
        result.pickedAs += frame->txtfields[box]->text().toStdString() + "|";
    };
    pick(kBoxAsset, Qt::Key_A, 1);
    pick(kBoxComponent, Qt::Key_C, 0);
    pick(kBoxLossStructure, Qt::Key_L, 4);
    pick(kBoxExecutive, Qt::Key_E, 0);
    QLineEdit* remarks = frame->txtfields[kBoxRemarks];
    remarks->selectAll();
    QTest::keyClicks(remarks, QStringLiteral("seal's worn, 'B' side"));
    QTest::mouseClick(frame->CmdSave, Qt::LeftButton);
    EXPECT_FALSE(frame->isEventOpen());

    result.refreshed = rowsOf(grid);
    result.messages = shownMessages(messages);
    auto reader = DbConnection::open(database); // another session sees what was committed
    if (reader)
        result.saved =
            rowsOf(**reader, "select Asset, Component, Loss_Structure, Executive, Remarks from TimeLost "
                             "where Dt_ID = " +
                                 std::to_string(event));
    return result;
}

TEST(ServerWindow, DowntimeEntryClassifiesAnEventOnTheServerAsInAFile) {
    NAX_REQUIRE_SERVER();
    ScratchDir dir;
    const std::string fileDb = dir.file("db1.sqlite"), serverDb = server->newDatabase();
    ASSERT_TRUE(simulateSamePlant({fileDb, serverDb}, 2, kEnd, 5));
    const Classified onFile = classifyFirstEvent(fileDb, dir.path());
    const Classified onServer = classifyFirstEvent(serverDb, dir.path());

    EXPECT_EQ(onServer.messages, "");
    EXPECT_GT(std::count(onServer.listed.begin(), onServer.listed.end(), '\n'), 2);
    EXPECT_EQ(onServer.listed, onFile.listed);
    // The picks landed in the boxes and from there in the server's row, with the typed remark.
    EXPECT_EQ(onServer.pickedAs, onFile.pickedAs);
    EXPECT_EQ(onServer.saved, onServer.pickedAs + "seal`s worn, `B` side\n"); // typed quotes as backquotes
    EXPECT_EQ(onServer.saved, onFile.saved);
    EXPECT_NE(onServer.refreshed, onServer.listed);
    EXPECT_EQ(onServer.refreshed, onFile.refreshed);
}

} // namespace
