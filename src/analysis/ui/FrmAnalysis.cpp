#include "FrmAnalysis.h"

#include "db/QueryHelpers.h"
#include "ui/DatePicker.h"
#include "ui/FrmProgress.h"
#include "xlsx/PrintSetup.h"

#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

namespace nax {

namespace {
constexpr double kDefaultDays = 30;
const QString kDateFormat = QStringLiteral("dd-MMM-yy");
} // namespace

FrmAnalysis::FrmAnalysis(AppContext& context, QWidget* parent)
    : QWidget(parent), LblStart(new QLabel(QStringLiteral("Start Date"), this)),
      DTStart(new DatePicker(this)), LblEnd(new QLabel(QStringLiteral("End Date"), this)),
      DTEnd(new DatePicker(this)), CmdGenerate(new QPushButton(QStringLiteral("Generate"), this)),
      CmdSavePng(new QPushButton(QStringLiteral("Save PNG"), this)), TabCharts(new QTabWidget(this)),
      context_(context), tables_(EmptyAnalysisTables()) {
    setObjectName(QStringLiteral("FrmAnalysis"));
    setWindowTitle(QStringLiteral("Analysis"));
    charts_ = {{ChartKind::LossPareto, &AnalysisTables::lossPareto},
               {ChartKind::TopAssets, &AnalysisTables::topAssets},
               {ChartKind::TopFailures, &AnalysisTables::topFailures},
               {ChartKind::EfficiencyByDay, &AnalysisTables::efficiencyByDay}};
    const std::pair<QObject*, const char*> names[] = {
        {LblStart, "LblStart"},       {DTStart, "DTStart"},       {LblEnd, "LblEnd"},      {DTEnd, "DTEnd"},
        {CmdGenerate, "CmdGenerate"}, {CmdSavePng, "CmdSavePng"}, {TabCharts, "TabCharts"}};
    for (const auto& [object, name] : names)
        object->setObjectName(QString::fromLatin1(name));

    auto* top = new QHBoxLayout;
    for (QWidget* control : std::initializer_list<QWidget*>{LblStart, DTStart, LblEnd, DTEnd, CmdGenerate})
        top->addWidget(control);
    top->addStretch(1);
    top->addWidget(CmdSavePng);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(TabCharts, 1);
    for (const auto& chart : charts_) {
        auto* view = new QChartView(TabCharts);
        view->setRenderHint(QPainter::Antialiasing);
        chartViews.push_back(view);
        TabCharts->addTab(view, chartCaption(chart.kind));
    }
    resize(760, 540); // fits a screen of 800 x 600 with its frame

    const double today = std::floor(context_.db.now());
    DTEnd->setSerial(today);
    DTStart->setSerial(today - kDefaultDays);
    DTStart->setPickerFormat(kDateFormat);
    DTEnd->setPickerFormat(kDateFormat);

    connect(CmdGenerate, &QPushButton::clicked, this, &FrmAnalysis::generate);
    connect(CmdSavePng, &QPushButton::clicked, this, &FrmAnalysis::savePng);
    showTables();
}

const ChartTable& FrmAnalysis::currentTable() const {
    const int tab = std::max(TabCharts->currentIndex(), 0);
    return tables_.*(charts_[static_cast<size_t>(tab)].table);
}

void FrmAnalysis::generate() {
    if (busy_.running()) return; // events reach the window while the report runs
    BusyScope run(busy_);
    Result<AnalysisTables> computed = Error{};
    {
        // The pump the report sees also stops it when this window is closed meanwhile.
        StoppablePump pump(context_.pump, busy_.closeRequested());
        FrmProgress progress(pump, this);
        computed = AnalysisReport(context_.db, DTStart->serial(), DTEnd->serial(), progress);
    }
    if (run.end()) {
        close();
        return;
    }
    if (!computed) {
        if (!computed.error().abandoned) context_.messages.show(describeError(computed.error()));
        return;
    }
    tables_ = std::move(*computed);
    tablesRange_ = rangeText(DTStart->serial(), DTEnd->serial());
    showTables();
}

void FrmAnalysis::showTables() {
    for (size_t i = 0; i < charts_.size(); ++i) {
        QChart* old = chartViews[i]->chart();
        chartViews[i]->setChart(makeChart(charts_[i].kind, tables_.*(charts_[i].table)));
        delete old;
    }
}

void FrmAnalysis::savePng() {
    if (busy_.running()) return;
    const int tab = std::max(TabCharts->currentIndex(), 0);
    const QString caption = chartCaption(charts_[static_cast<size_t>(tab)].kind);
    const QString suggested =
        QString::fromStdString(context_.dataFolder.string()) + QLatin1Char('/') + caption +
        QDateTime::currentDateTime().toString(QStringLiteral(" yyyyMMdd-hhmmss")) + QStringLiteral(".png");
    QFileDialog dialog(this, QStringLiteral("Save PNG"), suggested, QStringLiteral("PNG pictures (*.png)"));
    dialog.setObjectName(QStringLiteral("SavePngDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    if (auto saved = saveWidgetPng(*chartViews[static_cast<size_t>(tab)],
                                   dialog.selectedFiles().front().toStdString());
        !saved)
        context_.messages.show(saved.error().message);
}

void FrmAnalysis::exportTable() {
    if (busy_.running() || !context_.exportGrid) return;
    const int tab = std::max(TabCharts->currentIndex(), 0);
    context_.exportGrid(currentTable().grid,
                        chartCaption(charts_[static_cast<size_t>(tab)].kind).toStdString(), tablesRange_);
}

// Keys the chart views leave alone come here; Ctrl+E exports the table of the chart shown.
void FrmAnalysis::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_E && (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier |
                                                            Qt::AltModifier)) == Qt::ControlModifier) {
        exportTable();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FrmAnalysis::closeEvent(QCloseEvent* event) {
    if (busy_.deferClose(event)) return;
    QWidget::closeEvent(event);
}

} // namespace nax
