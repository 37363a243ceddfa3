#include "ReportGridView.h"

#include "text/StoredText.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace nax {

namespace {
// Cells hold texts as stored; one written in Windows-1252 by an older collector reads as such.
QString qText(std::string_view text) {
    if (!isValidUtf8(text)) return QString::fromStdString(storedTextAsUtf8(text));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

// ---------------------------------------------------------------- model

ReportGridModel::ReportGridModel(ReportGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {}

int ReportGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(grid_.rows() - 1, 0);
}

int ReportGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.cols();
}

QVariant ReportGridModel::data(const QModelIndex& index, int role) const {
    // The view may ask for a cell the grid no longer has when a report changed the grid and
    // events were let through before the next reload.
    if (role != Qt::DisplayRole || !index.isValid() || index.row() + 1 >= grid_.rows() ||
        index.column() >= grid_.cols())
        return {};
    return qText(grid_.cell(index.row() + 1, index.column()));
}

QVariant ReportGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (grid_.rows() == 0 || section >= grid_.cols()) return {};
    return qText(grid_.cell(0, section));
}

void ReportGridModel::reload() {
    beginResetModel();
    endResetModel();
}

// ---------------------------------------------------------------- view

ReportGridView::ReportGridView(QWidget* parent)
    : QTableView(parent), model_(grid_), frozen_(new QTableView(this)) {
    setModel(&model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Tab moves on to the next control of the window, as from any other control.
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    // Fixed row heights: the view never measures half a million rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setResizeContentsPrecision(100); // fit to the first rows, never all of them

    // Column 0 lies in a second view over the first, so it stays put while scrolling sideways.
    frozen_->setModel(&model_);
    frozen_->setSelectionModel(selectionModel());
    frozen_->setFocusPolicy(Qt::NoFocus);
    frozen_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    frozen_->verticalHeader()->hide();
    frozen_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    frozen_->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    frozen_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollMode(verticalScrollMode());
    frozen_->setStyleSheet(QStringLiteral("QTableView { border: none; }"));
    frozen_->viewport()->installEventFilter(this);
    viewport()->stackUnder(frozen_);
    connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (section == 0) {
            frozen_->setColumnWidth(0, size);
            placeFrozenColumn();
        }
    });
    // Column 0's header lies in the frozen view, over the main view's own.
    for (QHeaderView* header : {horizontalHeader(), frozen_->horizontalHeader()})
        connect(header, &QHeaderView::sectionDoubleClicked, this,
                [this](int) { Q_EMIT gridDoubleClicked(0); });
    refresh();
}

void ReportGridView::setGrid(ReportGrid grid) {
    grid_ = std::move(grid);
    refresh();
}

void ReportGridView::setGridVisible(bool visible) {
    grid_.setVisible(visible);
    setVisible(visible);
}

void ReportGridView::refresh() {
    model_.reload();
    for (int c = 1; c < model_.columnCount(); ++c)
        frozen_->setColumnHidden(c, true);
    frozen_->setColumnHidden(0, model_.columnCount() == 0);
    applyWidths();
    setVisible(grid_.visible());
}

void ReportGridView::applyWidths() {
    const int dpi = logicalDpiX();
    for (int c = 0; c < grid_.cols(); ++c) {
        const int twips = grid_.colWidth(c);
        // Columns without a width of their own fit their header and first rows.
        if (twips == ReportGrid::kDefaultWidth)
            resizeColumnToContents(c);
        else
            setColumnWidth(c, twips * dpi / 1440);
    }
    if (grid_.cols() > 0) frozen_->setColumnWidth(0, columnWidth(0));
    placeFrozenColumn();
}

void ReportGridView::placeFrozenColumn() {
    const bool show = grid_.cols() > 0;
    frozen_->setVisible(show);
    if (!show) return;
    frozen_->setGeometry(verticalHeader()->width() + frameWidth(), frameWidth(), columnWidth(0),
                         viewport()->height() + horizontalHeader()->height());
}

int ReportGridView::currentGridRow() const {
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() + 1 : 0;
}

void ReportGridView::setCurrentGridRow(int gridRow) {
    if (gridRow >= 1 && gridRow < grid_.rows())
        setCurrentIndex(model_.index(gridRow - 1, std::min(1, grid_.cols() - 1)));
}

void ReportGridView::allowManyRowSelection() {
    for (QTableView* view : {static_cast<QTableView*>(this), frozen_}) {
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
}

std::vector<int> ReportGridView::selectedGridRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row() + 1);
    std::sort(rows.begin(), rows.end());
    return rows;
}

int ReportGridView::widthInTwips() const {
    return width() * 1440 / std::max(logicalDpiX(), 1);
}

void ReportGridView::keyPressEvent(QKeyEvent* event) {
    Q_EMIT keyPressed(event->key(), event->modifiers());
    QTableView::keyPressEvent(event);
}

// Any double-click on the cells' area counts: on a cell it names the row, below the rows 0.
void ReportGridView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) Q_EMIT gridDoubleClicked(index.isValid() ? index.row() + 1 : 0);
}

void ReportGridView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    placeFrozenColumn();
}

void ReportGridView::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    frozen_->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

// Double-clicks on the frozen column count as double-clicks on the grid.
bool ReportGridView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == frozen_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex index = frozen_->indexAt(mouse->position().toPoint());
        if (index.isValid()) setCurrentIndex(index);
        if (mouse->button() == Qt::LeftButton)
            Q_EMIT gridDoubleClicked(index.isValid() ? index.row() + 1 : 0);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

bool isExportKey(int key, Qt::KeyboardModifiers modifiers) {
    const auto held = modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    return key == Qt::Key_E && held == Qt::ControlModifier;
}

} // namespace nax
