#include "AnalysisCharts.h"

#include "analysis/LossPareto.h"
#include "analysis/TopLosses.h"
#include "base/GridOutput.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QPixmap>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <optional>

namespace nax {

namespace {

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

double cellValue(const ReportGrid& grid, int row, int col) {
    return cellNumber(grid, row, col).value_or(0);
}

// An upper bound for a value axis that leaves a little room above the highest value.
double axisTop(double highest) {
    return highest > 0 ? highest * 1.1 : 10;
}

QValueAxis* valueAxis(const QString& title, double low, double high) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setRange(low, high);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%.0f"));
    return axis;
}

// The colour of the unclassified bars in every chart.
const QColor kUnclassifiedColour(150, 150, 150);

// Each bar shows its value: past its end in black, or (stacked bars) in its middle in white.
void showValues(QAbstractBarSeries& series, QAbstractBarSeries::LabelsPosition position) {
    series.setLabelsVisible(true);
    series.setLabelsPosition(position);
    series.setLabelsFormat(QStringLiteral("@value"));
    series.setLabelsPrecision(12);
    if (position == QAbstractBarSeries::LabelsOutsideEnd)
        for (QBarSet* set : series.barSets())
            set->setLabelColor(Qt::black);
}

// Category names written upwards in a smaller font: the axis then has room for each name whole
// however many bars share it (side by side they are cut short).
void upright(QBarCategoryAxis& axis) {
    axis.setLabelsAngle(-90);
    QFont small = axis.labelsFont();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    axis.setLabelsFont(small);
}

// A legend entry for the grey bars: a series of square points without points (a bar series of
// its own would take half of every category's room).
void addUnclassifiedLegend(QChart& chart, const QString& name) {
    auto* entry = new QScatterSeries;
    entry->setName(name);
    entry->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    entry->setColor(kUnclassifiedColour);
    entry->setBorderColor(kUnclassifiedColour);
    chart.addSeries(entry);
}

// The bar of `index` in the set drawn grey.
void greyBar(QBarSet& bars, int index) {
    bars.setSelectedColor(kUnclassifiedColour);
    bars.selectBar(index);
}

// Bars over upright category names with a minutes axis on the left, and a percent line on the
// right: the layout the Loss Pareto and Classification charts share.
void addBarsAndPercentLine(QChart& chart, QAbstractBarSeries* bars, QLineSeries* line,
                           const QStringList& categories, double lowest, double highest,
                           const QString& percentTitle) {
    chart.addSeries(bars);
    chart.addSeries(line);
    auto* names = new QBarCategoryAxis;
    names->append(categories);
    upright(*names);
    chart.addAxis(names, Qt::AlignBottom);
    auto* minutes = valueAxis(QStringLiteral("Minutes"), lowest < 0 ? lowest * 1.1 : 0, axisTop(highest));
    chart.addAxis(minutes, Qt::AlignLeft);
    auto* percent = valueAxis(percentTitle, 0, 100);
    chart.addAxis(percent, Qt::AlignRight);
    bars->attachAxis(names);
    bars->attachAxis(minutes);
    line->attachAxis(names);
    line->attachAxis(percent);
}

void drawLossPareto(QChart& chart, const ReportGrid& grid) {
    auto* bars = new QBarSet(QStringLiteral("Minutes Lost"));
    auto* cumulative = new QLineSeries;
    cumulative->setName(QStringLiteral("Cumulative %"));
    QStringList categories;
    double highest = 0, lowest = 0;
    for (int r = 1; r < grid.rows(); ++r) {
        const double minutes = cellValue(grid, r, 1);
        categories << qText(grid.cell(r, 0));
        *bars << minutes;
        if (grid.cell(r, 0) == kUnclassifiedStops) greyBar(*bars, r - 1);
        highest = std::max(highest, minutes);
        lowest = std::min(lowest, minutes);
        if (const auto share = cellNumber(grid, r, 3)) cumulative->append(r - 1, *share);
    }
    auto* series = new QBarSeries;
    series->append(bars);
    showValues(*series, QAbstractBarSeries::LabelsOutsideEnd);
    addBarsAndPercentLine(chart, series, cumulative, categories, lowest, highest,
                          QStringLiteral("Cumulative %"));
    addUnclassifiedLegend(chart, qText(kUnclassifiedStops));
}

void drawTopLosses(QChart& chart, const ReportGrid& grid) {
    auto* bars = new QBarSet(QStringLiteral("Minutes Lost (events in brackets)"));
    QStringList categories;
    double highest = 0;
    // Horizontal bars are drawn from the bottom up: the first row goes last.
    for (int r = grid.rows() - 1; r >= 1; --r) {
        const double minutes = cellValue(grid, r, 1);
        categories << QStringLiteral("%1 (%2)").arg(qText(grid.cell(r, 0)), qText(grid.cell(r, 2)));
        *bars << minutes;
        highest = std::max(highest, minutes);
        if (grid.cell(r, 0) == kUnclassified) greyBar(*bars, static_cast<int>(categories.size()) - 1);
    }
    auto* series = new QHorizontalBarSeries;
    series->append(bars);
    showValues(*series, QAbstractBarSeries::LabelsOutsideEnd);
    chart.addSeries(series);
    addUnclassifiedLegend(chart, qText(kUnclassified));
    auto* names = new QBarCategoryAxis;
    names->append(categories);
    chart.addAxis(names, Qt::AlignLeft);
    auto* minutes = valueAxis(QStringLiteral("Minutes"), 0, axisTop(highest * 1.1));
    chart.addAxis(minutes, Qt::AlignBottom);
    series->attachAxis(names);
    series->attachAxis(minutes);
}

// Classified and unclassified minutes of each day stacked, the classified share as a line.
void drawClassification(QChart& chart, const ReportGrid& grid) {
    auto* classified = new QBarSet(QStringLiteral("Classified Minutes"));
    auto* unclassified = new QBarSet(QStringLiteral("Unclassified Minutes"));
    unclassified->setColor(kUnclassifiedColour);
    unclassified->setBorderColor(kUnclassifiedColour);
    auto* share = new QLineSeries;
    share->setName(QStringLiteral("Classified %"));
    share->setPointsVisible(true);
    QStringList categories;
    double highest = 0;
    for (int r = 1; r < grid.rows(); ++r) {
        const double minutes = cellValue(grid, r, 3), open = cellValue(grid, r, 4);
        categories << qText(grid.cell(r, 0)).left(6); // "05-Dec"
        *classified << minutes - open;
        *unclassified << open;
        highest = std::max(highest, minutes);
        if (const auto percent = cellNumber(grid, r, 5)) share->append(r - 1, *percent);
    }
    auto* series = new QStackedBarSeries;
    series->append(classified);
    series->append(unclassified);
    // A month of days side by side: the values run upwards, to 4 digits.
    showValues(*series, QAbstractBarSeries::LabelsCenter);
    series->setLabelsAngle(-90);
    series->setLabelsPrecision(4);
    addBarsAndPercentLine(chart, series, share, categories, 0, highest, QStringLiteral("Classified %"));
}

// Noon of the day in local time, so the axis labels show the day wherever the program runs.
qint64 dayPosition(double daySerial) {
    const DateParts p = serialToParts(daySerial);
    return QDateTime(QDate(p.year, p.month, p.day), QTime(12, 0)).toMSecsSinceEpoch();
}

void drawEfficiencyByDay(QChart& chart, const ReportGrid& grid, const std::vector<double>& days) {
    auto* me = new QLineSeries;
    me->setName(QStringLiteral("ME"));
    auto* nax = new QLineSeries;
    nax->setName(QStringLiteral("NAX"));
    auto* target = new QLineSeries;
    target->setName(QStringLiteral("85 %"));
    QPen dashed(Qt::darkRed);
    dashed.setStyle(Qt::DashLine);
    target->setPen(dashed);
    me->setPointsVisible(true);
    nax->setPointsVisible(true);
    double highest = 100;
    for (int r = 1; r < grid.rows(); ++r) {
        const qint64 x = dayPosition(days[static_cast<size_t>(r - 1)]);
        if (const auto value = cellNumber(grid, r, 6)) me->append(static_cast<qreal>(x), *value);
        if (const auto value = cellNumber(grid, r, 7)) nax->append(static_cast<qreal>(x), *value);
        highest = std::max({highest, cellNumber(grid, r, 6).value_or(0), cellNumber(grid, r, 7).value_or(0)});
    }
    const double halfDay = 43200000.0;
    const double first = days.empty() ? 0 : static_cast<double>(dayPosition(days.front())) - halfDay;
    const double last = days.empty() ? halfDay * 2 : static_cast<double>(dayPosition(days.back())) + halfDay;
    target->append(first, 85);
    target->append(last, 85);
    for (auto* series : {me, nax, target})
        chart.addSeries(series);
    auto* axisX = new QDateTimeAxis;
    axisX->setFormat(QStringLiteral("dd-MMM"));
    axisX->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(first)),
                    QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(last)));
    axisX->setTickCount(std::clamp(static_cast<int>(days.size()) + 1, 2, 10));
    chart.addAxis(axisX, Qt::AlignBottom);
    auto* axisY = valueAxis(QStringLiteral("%"), 0, std::ceil(highest / 10) * 10);
    chart.addAxis(axisY, Qt::AlignLeft);
    for (auto* series : {me, nax, target}) {
        series->attachAxis(axisX);
        series->attachAxis(axisY);
    }
}

} // namespace

QString chartCaption(ChartKind kind) {
    switch (kind) {
    case ChartKind::LossPareto:
        return QStringLiteral("Loss Pareto");
    case ChartKind::TopAssets:
        return QStringLiteral("Top Assets");
    case ChartKind::TopFailures:
        return QStringLiteral("Top Failures");
    case ChartKind::EfficiencyByDay:
        return QStringLiteral("ME and NAX by Day");
    case ChartKind::Classification:
        return QStringLiteral("Classification");
    }
    return {};
}

QChart* makeChart(ChartKind kind, const ChartTable& table) {
    auto* chart = new QChart;
    if (table.note.empty())
        chart->setTitle(chartCaption(kind));
    else
        chart->setTitle(
            QStringLiteral("<p align=\"center\">%1<br><span style=\"font-weight:normal\">%2</span></p>")
                .arg(chartCaption(kind), qText(table.note).toHtmlEscaped()));
    chart->legend()->setAlignment(Qt::AlignBottom);
    QFont title = chart->titleFont();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.3);
    chart->setTitleFont(title);
    switch (kind) {
    case ChartKind::LossPareto:
        drawLossPareto(*chart, table.grid);
        break;
    case ChartKind::TopAssets:
    case ChartKind::TopFailures:
        drawTopLosses(*chart, table.grid);
        break;
    case ChartKind::EfficiencyByDay:
        drawEfficiencyByDay(*chart, table.grid, table.days);
        break;
    case ChartKind::Classification:
        drawClassification(*chart, table.grid);
        break;
    }
    return chart;
}

Result<void> saveWidgetPng(QWidget& widget, const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!widget.grab().save(&buffer, "PNG"))
        return Error{0, "The chart could not be drawn as a PNG picture."};
    return writeFileReplacing(path, [&bytes](std::ostream& out) {
        out.write(bytes.constData(), static_cast<std::streamsize>(bytes.size()));
    });
}

Result<void> writeChartPng(ChartKind kind, const ChartTable& table, QSize size, const std::string& path) {
    QChartView view(makeChart(kind, table));
    view.setRenderHint(QPainter::Antialiasing);
    view.resize(size);
    return saveWidgetPng(view, path);
}

} // namespace nax
