// The grid view: pixel widths from twips, double-clicks anywhere on the grid, and a hidden grid set.
#include "ui/ReportGridView.h"

#include <QHeaderView>
#include <QTest>
#include <gtest/gtest.h>

using namespace nax;

namespace {

class ReportGridViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ReportGrid grid;
        grid.setCols(3);
        grid.addRow({"Tag", "Start", "Wide column heading"});
        grid.addRow({"Filler", "07:00", "x"});
        grid.addRow({"Packer", "07:30", "y"});
        grid.setColWidth(0, 1440); // one inch
        grid.setColWidth(1, 2160);
        view.resize(600, 300);
        view.setGrid(std::move(grid));
        view.show();
        QObject::connect(&view, &ReportGridView::gridDoubleClicked,
                         [this](int row) { clicks.push_back(row); });
    }
    // The view showing column 0 over the main one (it stays put while scrolling sideways).
    QTableView* frozenView() {
        for (auto* child : view.findChildren<QTableView*>())
            if (child != &view) return child;
        return nullptr;
    }
    ReportGridView view;
    std::vector<int> clicks;
};

TEST_F(ReportGridViewTest, ColumnsTakeTheirTwipsAsPixelsAtTheScreensResolution) {
    const int dpi = view.logicalDpiX();
    EXPECT_EQ(view.columnWidth(0), dpi);
    EXPECT_EQ(view.columnWidth(1), 2160 * dpi / 1440);
    ASSERT_NE(frozenView(), nullptr);
    EXPECT_EQ(frozenView()->columnWidth(0), dpi);
    // A column without a width of its own fits its header.
    EXPECT_GE(view.columnWidth(2),
              view.fontMetrics().horizontalAdvance(QStringLiteral("Wide column heading")));
}

TEST_F(ReportGridViewTest, DoubleClicksOnCellsHeadersAndTheEmptyAreaAllCount) {
    const auto cellCenter = [&](QTableView& table, int row, int col) {
        return table.visualRect(table.model()->index(row, col)).center();
    };
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cellCenter(view, 1, 1));
    QTest::mouseDClick(frozenView()->viewport(), Qt::LeftButton, {}, cellCenter(*frozenView(), 0, 0));
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(300, view.viewport()->height() - 5));
    QHeaderView* frozenHeader = frozenView()->horizontalHeader();
    QTest::mouseDClick(frozenHeader->viewport(), Qt::LeftButton, {},
                       QPoint(frozenHeader->sectionViewportPosition(0) + 5, frozenHeader->height() / 2));
    QHeaderView* header = view.horizontalHeader();
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {},
                       QPoint(header->sectionViewportPosition(1) + 20, header->height() / 2));
    EXPECT_EQ(clicks, (std::vector<int>{2, 1, 0, 0, 0}));
}

TEST_F(ReportGridViewTest, SetGridShowsTheNewGridsVisibility) {
    ReportGrid hidden;
    hidden.setVisible(false);
    view.setGrid(std::move(hidden));
    EXPECT_FALSE(view.isVisible());
}

} // namespace
