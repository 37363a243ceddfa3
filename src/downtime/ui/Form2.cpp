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
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>

namespace nax {

Form2::Form2(AppContext& context, QWidget* parent)
    : QWidget(parent), DTStart(new DatePicker(this)), DTEnd(new DatePicker(this)),
      Check1(new QCheckBox(QStringLiteral("Show Minor Stops"), this)),
      CmdGenerate(new QPushButton(QStringLiteral("Generate"), this)), MSFlexGrid1(new ReportGridView(this)),
      Frame1(new DowntimeDetailFrame(context, this)), context_(context) {
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
    // In a desktop font larger than designed the row grows wider and taller: the window widens
    // and the list starts below the row.
    for (QWidget* caption : std::initializer_list<QWidget*>{label, label1, Check1})
        caption->adjustSize();
    const int rowBottom = fitRowToCaptions({label, DTStart, label1, DTEnd, Check1, CmdGenerate});
    widenToShow(*this, *CmdGenerate, 49);
    const int listTop = std::max(36, rowBottom + 4);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setGeometry(3, listTop, width() - 8, height() - 7 - listTop);
    grids_.grow(MSFlexGrid1);

    // Load: the list's headers without rows, and the last six hours.
    ReportGrid empty;
    setDowntimeListLayout(empty, MSFlexGrid1->widthInTwips());
    MSFlexGrid1->setGrid(std::move(empty));
    setRangeUpTo(*DTStart, *DTEnd, context_.db.now(), kLastSixHours);

    connect(CmdGenerate, &QPushButton::clicked, this, &Form2::Generate);
    connect(MSFlexGrid1, &ReportGridView::keyPressed, this, &Form2::onGridKey);
    connect(MSFlexGrid1, &ReportGridView::gridDoubleClicked, this, &Form2::onGridDoubleClicked);
    Frame1->setListSide(MSFlexGrid1, CmdGenerate, [this] { Generate(); });
    connect(this, &Form2::eventOpenRequested, this,
            [this](int gridRow) { Frame1->openEvent(gridRow, MSFlexGrid1->grid()); });
}

void Form2::Generate() {
    if (listing_) return; // events are let through while listing; never start a second one
    const DowntimeRange range{DTStart->serial(), DTEnd->serial(), Check1->isChecked()};
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
    listing_ = false;
    if (!listed) context_.messages.show(describeError(listed.error()), MessageIcon::Critical);
}

void Form2::onGridKey(int key, Qt::KeyboardModifiers modifiers) {
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
}

} // namespace nax
