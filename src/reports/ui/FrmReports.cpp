#include "FrmReports.h"

#include "db/QueryHelpers.h"
#include "reports/ReportKinds.h"
#include "ui/DatePicker.h"
#include "ui/FrmProgress.h"
#include "ui/Placement.h"
#include "ui/ReportGridView.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <utility>

namespace nax {

namespace {
QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont tahoma(double points, bool bold) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}
} // namespace

FrmReports::FrmReports(AppContext& context, QWidget* parent)
    : QWidget(parent), OptReport{}, Label(new QLabel(QStringLiteral("Date Start"), this)),
      DTStart(new DatePicker(this)), Label1(new QLabel(QStringLiteral("Date End"), this)),
      DTEnd(new DatePicker(this)), CmdGenerate(new QPushButton(QStringLiteral("Generate"), this)),
      MSFlexGrid1(new ReportGridView(this)), context_(context) {
    setObjectName(QStringLiteral("FrmReports"));
    setWindowTitle(QStringLiteral("Reports"));
    setFont(tahoma(8.25, false));
    for (size_t i = 0; i < OptReport.size(); ++i) {
        OptReport[i] = new QRadioButton(qText(kProductionReportKinds[i].caption), this);
        OptReport[i]->setObjectName(QStringLiteral("OptReport%1").arg(i));
    }
    const std::pair<QWidget*, const char*> names[] = {
        {Label, "Label"}, {DTStart, "DTStart"},         {Label1, "Label1"},
        {DTEnd, "DTEnd"}, {CmdGenerate, "CmdGenerate"}, {MSFlexGrid1, "MSFlexGrid1"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(QString::fromLatin1(name));
    for (QWidget* control : std::initializer_list<QWidget*>{OptReport[0], OptReport[1], OptReport[2], Label,
                                                            DTStart, Label1, DTEnd, CmdGenerate})
        control->setFont(tahoma(9.75, true));
    for (auto* picker : {DTStart, DTEnd})
        picker->setPickerFormat(QStringLiteral("dd-MMM-yy HH:mm tt"));

    resize(twipsToPixels(*this, 13470), twipsToPixels(*this, 7305));
    placeInTwips(OptReport[0], 60, 75, 1635, 195);
    placeInTwips(OptReport[1], 1605, 75, 1635, 195);
    placeInTwips(OptReport[2], 3120, 75, 1710, 195);
    placeInTwips(Label, 5010, 45, 1035, 240);
    placeInTwips(DTStart, 6090, 60, 2520, 360);
    placeInTwips(Label1, 8655, 75, 870, 240);
    placeInTwips(DTEnd, 9585, 30, 2430, 360);
    placeInTwips(CmdGenerate, 12120, 60, 1320, 315);
    fitRowToCaptions({OptReport[0], OptReport[1], OptReport[2], Label, DTStart, Label1, DTEnd, CmdGenerate});
    // Bold captions wider than designed push Generate right: the window widens so it stays whole.
    widenToShow(*this, *CmdGenerate, twipsToPixels(*this, 60));
    placeInTwips(MSFlexGrid1, 105, 495, 13320, 6735);
    grids_.grow(MSFlexGrid1);

    // Load: "Production" with its header row, and the last six hours.
    OptReport[kProductionOption]->setChecked(true);
    ReportGrid headers;
    kProductionReportKinds[kProductionOption].setColumns(headers, MSFlexGrid1->widthInTwips());
    MSFlexGrid1->setGrid(std::move(headers));
    setRangeUpTo(*DTStart, *DTEnd, context_.db.now(), kLastSixHours);

    connect(CmdGenerate, &QPushButton::clicked, this, &FrmReports::CmdGenerateClick);
    connect(MSFlexGrid1, &ReportGridView::keyPressed, this, &FrmReports::onGridKey);
}

size_t FrmReports::selectedReport() const {
    for (size_t i = 0; i + 1 < OptReport.size(); ++i)
        if (OptReport[i]->isChecked()) return i;
    return OptReport.size() - 1;
}

std::string FrmReports::exportTitle() const {
    return reportExportTitle(kProductionReportKinds[selectedReport()].caption, DTStart->serial(),
                             DTEnd->serial());
}

// The report fills a grid of its own while the view, hidden, keeps its header row; the view takes
// the filled grid when the report is done, also the rows listed before a failure.
void FrmReports::CmdGenerateClick() {
    if (busy_.running()) return; // a report is filling the grid; events reach the window meanwhile
    BusyScope run(busy_);
    const size_t chosen = selectedReport();
    const ReportRange range{DTStart->serial(), DTEnd->serial()};
    ReportGrid filled = MSFlexGrid1->grid().headerOnly();
    MSFlexGrid1->setGrid(filled);
    MSFlexGrid1->hide();
    Result<void> done;
    {
        // The pump the report sees also stops it when this window is closed meanwhile.
        StoppablePump pump(context_.pump, busy_.closeRequested());
        FrmProgress progress(pump, this);
        done = kProductionReportKinds[chosen].run(context_.db, filled, range, MSFlexGrid1->widthInTwips(),
                                                  progress);
    }
    if (run.end()) close();
    if (!done && done.error().abandoned) return; // the window or the program is ending: the copy goes unseen
    MSFlexGrid1->setGrid(std::move(filled));
    if (chosen == kProductionOption)
        setWindowTitle(QStringLiteral("Reports #%1").arg(MSFlexGrid1->grid().rows() - 1));
    if (!done) context_.messages.show(describeError(done.error()), MessageIcon::Critical);
}

void FrmReports::onGridKey(int key, Qt::KeyboardModifiers modifiers) {
    if (busy_.running() || !isExportKey(key, modifiers) || !context_.exportGrid) return;
    context_.exportGrid(MSFlexGrid1->grid(), exportTitle(), {});
}

void FrmReports::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    grids_.resize(event->size());
}

void FrmReports::closeEvent(QCloseEvent* event) {
    if (busy_.deferClose(event)) return;
    QWidget::closeEvent(event);
}

} // namespace nax
