// Windows enlarged and brought back: the grids take the extra room, every other control stays.
#include "dms/ui/FrmDMS.h"
#include "downtime/ui/Form2.h"
#include "reports/ui/FrmReports.h"
#include "support/TestSupport.h"
#include "ui/ReportGridView.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>

using namespace nax;

namespace {

const QSize kExtra(230, 170);

std::map<QWidget*, QRect> childGeometries(QWidget& window) {
    std::map<QWidget*, QRect> geometries;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        geometries[child] = child->geometry();
    return geometries;
}

void resizeAndSettle(QWidget& window, QSize size) {
    window.resize(size);
    QCoreApplication::processEvents();
}

class GrowingWindowsTest : public test::WindowTest {
protected:
    // Enlarged, only `grids` change (`below` move down with them); brought back, all is as designed.
    void grow(QWidget& window, std::initializer_list<QWidget*> grids, std::vector<QWidget*> below = {}) {
        const auto laidOut = childGeometries(window);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
        designed_ = childGeometries(window); // labels take their text's size when first shown
        for (QWidget* grid : grids)
            EXPECT_EQ(designed_.at(grid), laidOut.at(grid)) << grid->objectName().toStdString();

        resizeAndSettle(window, window.size() + kExtra);
        for (const auto& [child, area] : childGeometries(window)) {
            if (std::find(below.begin(), below.end(), child) != below.end()) {
                EXPECT_EQ(area.top(), designed_.at(child).top() + kExtra.height());
            } else if (std::find(grids.begin(), grids.end(), child) == grids.end()) {
                EXPECT_EQ(area, designed_.at(child)) << child->objectName().toStdString();
            }
        }

        resizeAndSettle(window, window.size() - kExtra);
        EXPECT_EQ(childGeometries(window), designed_);
        resizeAndSettle(window, window.size() + kExtra);
    }

    QRect designed(QWidget* grid) const { return designed_.at(grid); }

private:
    std::map<QWidget*, QRect> designed_;
};

TEST_F(GrowingWindowsTest, DowntimeEntryAndReportsGiveTheirGridAllTheExtraRoom) {
    Form2 downtime(context);
    FrmReports reports(context);
    const std::vector<QWidget*> belowList = {downtime.CheckUnclassified, downtime.LblBacklog,
                                             downtime.CmdClassifySelected};
    for (auto [window, grid] : {std::pair<QWidget*, QWidget*>{&downtime, downtime.MSFlexGrid1},
                                std::pair<QWidget*, QWidget*>{&reports, reports.MSFlexGrid1}}) {
        SCOPED_TRACE(window->objectName().toStdString());
        grow(*window, {grid}, window == &downtime ? belowList : std::vector<QWidget*>{});
        EXPECT_EQ(grid->geometry(), QRect(designed(grid).topLeft(), designed(grid).size() + kExtra));
    }
}

TEST_F(GrowingWindowsTest, DmsDetailGridKeepsItsShareOfTheRunGrid) {
    FrmDMS window(context);
    grow(window, {window.MSFlexGrid1, window.MsfDT});
    const QRect runs = designed(window.MSFlexGrid1);
    const QRect detail = designed(window.MsfDT);
    EXPECT_EQ(window.MSFlexGrid1->geometry(), QRect(runs.topLeft(), runs.size() + kExtra));

    // The detail grid lies over the same part of the run grid as designed (to a pixel of rounding).
    const QRect now = window.MsfDT->geometry();
    const double wide = double(runs.width() + kExtra.width()) / runs.width();
    const double high = double(runs.height() + kExtra.height()) / runs.height();
    EXPECT_NEAR(now.left() - runs.left(), (detail.left() - runs.left()) * wide, 1.0);
    EXPECT_NEAR(now.top() - runs.top(), (detail.top() - runs.top()) * high, 1.0);
    EXPECT_NEAR(now.width(), detail.width() * wide, 1.0);
    EXPECT_NEAR(now.height(), detail.height() * high, 1.0);
}

} // namespace
