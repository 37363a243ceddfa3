#include "FrmDMS.h"

#include "db/QueryHelpers.h"
#include "dms/DailyDms.h"
#include "dms/DmsLayouts.h"
#include "dms/DmsWorkbook.h"
#include "dms/ShiftDms.h"
#include "ui/DatePicker.h"
#include "ui/FrmProgress.h"
#include "ui/Placement.h"
#include "ui/ReportGridView.h"
#include "xlsx/WorkbookExport.h"
#include "xlsx/ui/WorkbookHandover.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>

#include <cmath>
#include <functional>
#include <memory>
#include <utility>

namespace nax {

namespace {
constexpr double kDailyDefaultDays = 30;
constexpr double kShiftDefaultDays = 0.6;
const QString kDailyFormat = QStringLiteral("dd-MMM-yy");
const QString kShiftFormat = QStringLiteral("dd-MMM-yy hh:mm tt");
} // namespace

FrmDMS::FrmDMS(AppContext& context, QWidget* parent)
    : QWidget(parent), Label1(new QLabel(QStringLiteral("Start Date"), this)),
      DMSStart_date(new DatePicker(this)), Label2(new QLabel(QStringLiteral("End Date"), this)),
      DMSEnd_Date(new DatePicker(this)), Option1(new QRadioButton(QStringLiteral("Daily Report"), this)),
      Option2(new QRadioButton(QStringLiteral("Shift Report"), this)),
      Command1(new QPushButton(QStringLiteral("Generate"), this)),
      Command2(new QPushButton(QStringLiteral("Print"), this)), MSFlexGrid1(new ReportGridView(this)),
      MsfDT(new ReportGridView(this)), context_(context) {
    setObjectName(QStringLiteral("FrmDMS"));
    setWindowTitle(QStringLiteral("DMS"));
    resize(twipsToPixels(*this, 12870), twipsToPixels(*this, 8775));
    const std::pair<QObject*, const char*> names[] = {
        {Label1, "Label1"},           {DMSStart_date, "DMSStart_date"},
        {Label2, "Label2"},           {DMSEnd_Date, "DMSEnd_Date"},
        {Option1, "Option1"},         {Option2, "Option2"},
        {Command1, "Command1"},       {Command2, "Command2"},
        {MSFlexGrid1, "MSFlexGrid1"}, {MsfDT, "MsfDT"}};
    for (const auto& [object, name] : names)
        object->setObjectName(QString::fromLatin1(name));
    placeInTwips(Label1, 120, 240, 975, 255);
    placeInTwips(DMSStart_date, 1200, 240, 1830, 375);
    placeInTwips(Label2, 3285, 240, 975, 255);
    placeInTwips(DMSEnd_Date, 4185, 255, 1830, 375);
    placeInTwips(Option1, 6480, 240, 1215, 495);
    placeInTwips(Option2, 7800, 240, 1215, 495);
    placeInTwips(Command1, 9240, 240, 1215, 495);
    placeInTwips(Command2, 10440, 240, 1215, 495);
    // The pickers are measured in the shift mode's format, the longer of the two.
    for (DatePicker* picker : {DMSStart_date, DMSEnd_Date})
        picker->setPickerFormat(kShiftFormat);
    fitRowToCaptions({Label1, DMSStart_date, Label2, DMSEnd_Date, Option1, Option2, Command1, Command2});
    placeInTwips(MSFlexGrid1, 0, 840, 12855, 7815);
    placeInTwips(MsfDT, 480, 2220, 11355, 4635);
    grids_.grow(MSFlexGrid1);
    grids_.growOver(MsfDT, MSFlexGrid1);
    MsfDT->raise(); // lies over the run grid

    connect(Option1, &QRadioButton::clicked, this, &FrmDMS::Option1Click);
    connect(Option2, &QRadioButton::clicked, this, &FrmDMS::Option2Click);
    connect(Command1, &QPushButton::clicked, this, &FrmDMS::Command1Click);
    connect(Command2, &QPushButton::clicked, this, &FrmDMS::Command2Click);
    connect(MSFlexGrid1, &ReportGridView::gridDoubleClicked, this, [this](int) { setDetailShown(true); });
    connect(MsfDT, &ReportGridView::gridDoubleClicked, this, [this](int) { setDetailShown(false); });

    // Load: the daily mode with its defaults, the detail grid with its headers and hidden.
    ReportGrid details;
    SetDowntimeGrid(details);
    MsfDT->setGrid(std::move(details));
    setDetailShown(false);
    Option1->setChecked(true);
    Option1Click();
}

void FrmDMS::setDetailShown(bool shown) {
    detailShown_ = shown;
    MsfDT->setGridVisible(shown);
}

void FrmDMS::Option1Click() {
    if (busy_.running()) return keepRunningMode();
    const double today = std::floor(context_.db.now());
    DMSEnd_Date->setSerial(today);
    DMSStart_date->setSerial(today - kDailyDefaultDays);
    DMSStart_date->setPickerFormat(kDailyFormat);
    DMSEnd_Date->setPickerFormat(kDailyFormat);
    ReportGrid runs;
    SetDailyGrid(runs);
    MSFlexGrid1->setGrid(std::move(runs));
}

void FrmDMS::Option2Click() {
    if (busy_.running()) return keepRunningMode();
    DMSStart_date->setSerial(context_.db.now() - kShiftDefaultDays);
    DMSStart_date->setPickerFormat(kShiftFormat);
    DMSEnd_Date->setPickerFormat(kShiftFormat);
    DMSEnd_Date->setSerial(DMSStart_date->serial() + kShiftDefaultDays);
    ReportGrid runs;
    SetShiftGrid(runs);
    MSFlexGrid1->setGrid(std::move(runs));
}

void FrmDMS::keepRunningMode() {
    (runningDaily_ ? Option1 : Option2)->setChecked(true);
}

void FrmDMS::Command1Click() {
    if (busy_.running()) return; // a report is running; events reach the window meanwhile
    BusyScope run(busy_);
    runningDaily_ = Option1->isChecked();
    const double start = DMSStart_date->serial();
    const double end = DMSEnd_Date->serial();
    // The pump the report sees also stops it when this window is closed meanwhile.
    StoppablePump pump(context_.pump, busy_.closeRequested());
    if (runningDaily_) {
        runReport([&](ReportGrid& runs, ReportGrid& details) {
            FrmProgress progress(pump, this);
            return DailyDMSReport(context_.db, runs, details, start, end, progress);
        });
    } else {
        runReport([&](ReportGrid& runs, ReportGrid& details) {
            return ShiftDMSReport(context_.db, pump, runs, details, start, end);
        });
    }
    if (run.end()) close();
}

// "Print": both grids as they stand into a copy of the selected mode's template. Closing the
// window meanwhile abandons the print.
void FrmDMS::Command2Click() {
    if (busy_.running()) return;
    BusyScope run(busy_);
    runningDaily_ = Option1->isChecked();
    const std::string_view templateName = runningDaily_ ? kDailyTemplate : kHourTemplate;
    StoppablePump pump(context_.pump, busy_.closeRequested());
    handOverWorkbook(context_, pump, this, [&](Progress& progress) {
        return ExportToExcelDMS(MSFlexGrid1->grid(), templateName, MsfDT->grid(),
                                ExportPlace{context_.dataFolder, context_.db.now()}, progress);
    });
    if (run.end()) close();
}

// The report fills copies of the grids; the views keep showing their last contents while
// events are let through, and take the copies when the report is done. An abandoned report's
// copies are thrown away.
void FrmDMS::runReport(const std::function<Result<void>(ReportGrid& runs, ReportGrid& details)>& report) {
    ReportGrid runs = MSFlexGrid1->grid();
    ReportGrid details = MsfDT->grid();
    const Result<void> done = report(runs, details);
    if (!done && done.error().abandoned) return;
    runs.setVisible(true);
    details.setVisible(detailShown_);
    MSFlexGrid1->setGrid(std::move(runs));
    MsfDT->setGrid(std::move(details));
    if (!done) showFailure(done.error());
}

void FrmDMS::showFailure(const Error& error) {
    if (error.refusal)
        context_.messages.show(error.message, MessageIcon::Information);
    else
        context_.messages.show(describeError(error));
}

void FrmDMS::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    grids_.resize(event->size());
}

void FrmDMS::closeEvent(QCloseEvent* event) {
    if (busy_.deferClose(event)) return;
    QWidget::closeEvent(event);
}

} // namespace nax
