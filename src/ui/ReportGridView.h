#pragma once
// A read-only table view over a ReportGrid: row 0 is the header, column 0 stays in place while
// scrolling sideways. Only the visible cells are ever turned into text objects.
#include "base/ReportGrid.h"

#include <QAbstractTableModel>
#include <QTableView>

#include <vector>

namespace nax {

class ReportGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReportGridModel(ReportGrid& grid, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Call after the grid changed.
    void reload();
    ReportGrid& grid() { return grid_; }

private:
    ReportGrid& grid_;
};

class ReportGridView : public QTableView {
    Q_OBJECT
public:
    explicit ReportGridView(QWidget* parent = nullptr);
    const ReportGrid& grid() const { return grid_; }
    // Replaces the grid and shows the new one's contents, widths and visibility: the one way
    // to change what the view shows, so no change goes unseen.
    void setGrid(ReportGrid grid);
    // Shows or hides the view together with the grid's own visible flag.
    void setGridVisible(bool visible);
    // Grid row of the current cell (1 = first data row), 0 when there is none.
    int currentGridRow() const;
    void setCurrentGridRow(int gridRow);
    // Lets the user select whole rows, several at a time (Ctrl+click, Shift+click, Shift+arrows).
    void allowManyRowSelection();
    // The grid rows (1 = first data row) of the selected rows, top to bottom.
    std::vector<int> selectedGridRows() const;
    // The view's outer width in twips (1/1440 inch).
    int widthInTwips() const;

Q_SIGNALS:
    void keyPressed(int key, Qt::KeyboardModifiers modifiers);
    // 1 and below for a data row; 0 for the header row or the empty area below the rows.
    void gridDoubleClicked(int gridRow);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void applyWidths();
    void placeFrozenColumn();
    ReportGrid grid_;
    ReportGridModel model_;
    QTableView* frozen_;
};

// The key that hands a grid to the workbook export: E with Ctrl alone (Shift or Alt with it, or
// E alone, is no export).
bool isExportKey(int key, Qt::KeyboardModifiers modifiers);

} // namespace nax
