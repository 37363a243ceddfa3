#include "Form2.h"

#include "db/QueryHelpers.h"
#include "downtime/DowntimeList.h"
#include "downtime/ui/DowntimeDetailFrame.h"
#include "ui/DatePicker.h"
#include "ui/Placement.h"
#include "ui/ReportGridView.h"
#include "xlsx/PrintSetup.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>

namespace nax {

namespace {
// The row under the list: the backlog line, and "Classify Selected" at the right.
constexpr int kBottomRowHeight = 31, kBottomMargin = 7, kClassifyWidth = 120;

int gridRowOfKey(const ReportGrid& grid, int64_t key) {
    for (int row = 1; row < grid.rows(); ++row)
        if (grid.rowKey(row) == key) return row;
    return 0;
}
} // namespace

Form2::Form2(AppContext& context, QWidget* parent)
    : QWidget(parent), DTStart(new DatePicker(this)), DTEnd(new DatePicker(this)),
      Check1(new QCheckBox(QStringLiteral("Show Minor Stops"), this)),
      CmdGenerate(new QPushButton(QStringLiteral("Generate"), this)), MSFlexGrid1(new ReportGridView(this)),
      Frame1(new DowntimeDetailFrame(context, this)),
      CheckUnclassified(new QCheckBox(QStringLiteral("Unclassified Only"), this)),
      LblBacklog(new QLabel(this)),
      CmdClassifySelected(new QPushButton(QStringLiteral("Classify Selected"), this)), context_(context) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Downtime Entry"));
    resize(758, 507);
    auto* label = new QLabel(QStringLiteral("Date Start"), this);
    label->setObjectName(QStringLiteral("Label"));
    label->move(6, 8 + 4);
    auto* label1 = new QLabel(QStringLiteral("Date End"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->move(249, 8 + 4);
    DTStart->setObjectName(QStringLiteral("DTStart"));
    DTStart->setGeometry(78, 8, 168, 24);
    DTEnd->setObjectName(QStringLiteral("DTEnd"));
    DTEnd->setGeometry(311, 8, 162, 24);
    for (auto* picker : {DTStart, DTEnd})
        picker->setPickerFormat(QStringLiteral("dd-MMM-yy HH:mm tt"));
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->move(480, 12);
    CmdGenerate->setObjectName(QStringLiteral("CmdGenerate"));
    CmdGenerate->setGeometry(621, 6, 88, 27);
    // The controls added to the designed ones come after them, in a row below the list.
    CheckUnclassified->setObjectName(QStringLiteral("CheckUnclassified"));
    LblBacklog->setObjectName(QStringLiteral("LblBacklog"));
    CmdClassifySelected->setObjectName(QStringLiteral("CmdClassifySelected"));
    CmdClassifySelected->setEnabled(false);
    // In a desktop font larger than designed the row grows wider and taller: the window widens
    // and the list starts below the row.
    for (QWidget* caption : std::initializer_list<QWidget*>{label, label1, Check1, CheckUnclassified})
        caption->adjustSize();
    const int rowBottom = fitRowToCaptions({label, DTStart, label1, DTEnd, Check1, CmdGenerate});
    widenToShow(*this, *CmdGenerate, 49);
    resize(width(), height() + kBottomRowHeight);
    const int listTop = std::max(36, rowBottom + 4);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setGeometry(3, listTop, width() - 8, height() - kBottomMargin - kBottomRowHeight - listTop);
    MSFlexGrid1->allowManyRowSelection();
    grids_.grow(MSFlexGrid1);
    placeBottomRow();
    setTabOrder(MSFlexGrid1, CheckUnclassified);
    setTabOrder(CheckUnclassified, CmdClassifySelected);

    // Load: the list's headers without rows, and the last six hours.
    ReportGrid empty;
    setDowntimeListLayout(empty, MSFlexGrid1->widthInTwips());
    MSFlexGrid1->setGrid(std::move(empty));
    setRangeUpTo(*DTStart, *DTEnd, context_.db.now(), kLastSixHours);

    connect(CmdGenerate, &QPushButton::clicked, this, &Form2::Generate);
    connect(MSFlexGrid1, &ReportGridView::keyPressed, this, &Form2::onGridKey);
    connect(MSFlexGrid1, &ReportGridView::gridDoubleClicked, this, &Form2::onGridDoubleClicked);
    Frame1->setListSide(MSFlexGrid1, CmdGenerate, [this] { refreshAfterSave(); });
    connect(this, &Form2::eventOpenRequested, this, [this](int gridRow) {
        Frame1->openEvent(gridRow, MSFlexGrid1->grid());
        updateClassifyButton();
    });
    connect(CmdClassifySelected, &QPushButton::clicked, this, [this] {
        Frame1->openEvents(MSFlexGrid1->selectedGridRows(), MSFlexGrid1->grid());
        updateClassifyButton();
    });
    connect(MSFlexGrid1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Form2::updateClassifyButton);
    connect(Frame1, &DowntimeDetailFrame::eventClosed, this, [this] {
        updateClassifyButton();
        MSFlexGrid1->setFocus(); // so that Enter opens the row selected now
    });
}

DowntimeRange Form2::chosenRange() const {
    return {DTStart->serial(), DTEnd->serial(), Check1->isChecked(), CheckUnclassified->isChecked()};
}

void Form2::Generate() {
    if (listing_) return; // events are let through while listing; never start a second one
    const DowntimeRange range = chosenRange();
    if (!isValidRange(range)) {
        context_.messages.show(kInvalidDates);
        return;
    }
    listing_ = true;
    ReportGrid list = MSFlexGrid1->grid();
    const auto listed = ListDowntime(context_.db, list, range, MSFlexGrid1->widthInTwips());
    MSFlexGrid1->setGrid(std::move(list));
    listedRange_ = rangeText(range.start, range.end);
    setWindowTitle(QStringLiteral("Downtime %1").arg(MSFlexGrid1->grid().rows() - 1));
    showBacklog(range);
    listing_ = false;
    updateClassifyButton();
    if (!listed) context_.messages.show(describeError(listed.error()), MessageIcon::Critical);
}

void Form2::showBacklog(const DowntimeRange& range) {
    const auto backlog = CountDowntimeBacklog(context_.db, range);
    LblBacklog->setText(QString::fromStdString(
        backlog ? backlogText(*backlog) : "Backlog not counted: " + describeError(backlog.error())));
}

void Form2::refreshAfterSave() {
    const std::vector<int64_t> saved = Frame1->openEventKeys();
    const DowntimeRange range = chosenRange();
    std::optional<int64_t> next;
    // Asked of the list as it was: the saved events may leave it ("Unclassified Only").
    if (!saved.empty() && isValidRange(range))
        if (auto found = nextUnclassifiedEvent(context_.db, range, MSFlexGrid1->grid(), saved.front()))
            next = *found;
    Generate();
    if (!next && !saved.empty()) next = saved.front(); // none below: stay on the saved one
    if (next) MSFlexGrid1->setCurrentGridRow(gridRowOfKey(MSFlexGrid1->grid(), *next));
}

void Form2::updateClassifyButton() {
    CmdClassifySelected->setEnabled(!Frame1->isEventOpen() && !listing_ &&
                                    MSFlexGrid1->selectedGridRows().size() >= 2);
}

// "Unclassified Only" and the backlog line it filters by at the left, "Classify Selected" at the right.
void Form2::placeBottomRow() {
    const QRect list = MSFlexGrid1->geometry();
    const int top = list.bottom() + 5;
    const int buttonWidth = std::max(kClassifyWidth, CmdClassifySelected->sizeHint().width());
    const int rowHeight = std::max(27, CmdClassifySelected->sizeHint().height());
    CheckUnclassified->move(list.left() + 3, top + (rowHeight - CheckUnclassified->height()) / 2);
    CmdClassifySelected->setGeometry(list.right() + 1 - buttonWidth, top, buttonWidth, rowHeight);
    const int lineLeft = CheckUnclassified->geometry().right() + 16;
    LblBacklog->setGeometry(lineLeft, top, CmdClassifySelected->x() - 8 - lineLeft, rowHeight);
}

void Form2::onGridKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && (modifiers & ~Qt::KeypadModifier) == Qt::NoModifier) {
        const int row = MSFlexGrid1->currentGridRow();
        if (row >= 1 && MSFlexGrid1->selectionModel()->isRowSelected(row - 1, {}))
            Q_EMIT eventOpenRequested(row);
        return;
    }
    if (!isExportKey(key, modifiers) || !context_.exportGrid || listing_) return;
    listing_ = true; // the grid must stay as it is while it is written out
    context_.exportGrid(MSFlexGrid1->grid(), "Downtime Entry", listedRange_);
    listing_ = false;
}

void Form2::closeEvent(QCloseEvent* event) {
    if (listing_) {
        event->ignore(); // a listing or an export still works on this window's grid
        return;
    }
    QWidget::closeEvent(event);
}

void Form2::onGridDoubleClicked(int gridRow) {
    if (gridRow >= 1) Q_EMIT eventOpenRequested(gridRow);
}

void Form2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    grids_.resize(event->size());
    placeBottomRow();
}

} // namespace nax
