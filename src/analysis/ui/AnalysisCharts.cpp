#include "AnalysisCharts.h"

#include "analysis/TopLosses.h"
#include "base/GridOutput.h"
#include "dms/DmsText.h"
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
        highest = std::max(highest, minutes);
        lowest = std::min(lowest, minutes);
        if (const auto share = cellNumber(grid, r, 3)) cumulative->append(r - 1, *share);
    }
    auto* series = new QBarSeries;
    series->append(bars);
    chart.addSeries(series);
    chart.addSeries(cumulative);
    auto* names = new QBarCategoryAxis;
    names->append(categories);
    QFont small = names->labelsFont();
    small.setPointSizeF(small.pointSizeF() * 0.85); // seven category names side by side
    names->setLabelsFont(small);
    chart.addAxis(names, Qt::AlignBottom);
    auto* minutes = valueAxis(QStringLiteral("Minutes"), lowest < 0 ? lowest * 1.1 : 0, axisTop(highest));
    chart.addAxis(minutes, Qt::AlignLeft);
    auto* percent = valueAxis(QStringLiteral("Cumulative %"), 0, 100);
    chart.addAxis(percent, Qt::AlignRight);
    series->attachAxis(names);
    series->attachAxis(minutes);
    cumulative->attachAxis(names);
    cumulative->attachAxis(percent);
}

void drawTopLosses(QChart& chart, const ReportGrid& grid) {
    auto* bars = new QBarSet(QStringLiteral("Minutes Lost (events in brackets)"));
    bars->setSelectedColor(Qt::gray);
    QStringList categories;
    double highest = 0;
    // Horizontal bars are drawn from the bottom up: the first row goes last.
    for (int r = grid.rows() - 1; r >= 1; --r) {
        const double minutes = cellValue(grid, r, 1);
        categories << QStringLiteral("%1 (%2)").arg(qText(grid.cell(r, 0)), qText(grid.cell(r, 2)));
        *bars << minutes;
        highest = std::max(highest, minutes);
        if (grid.cell(r, 0) == kUnclassified) bars->selectBar(static_cast<int>(categories.size()) - 1);
    }
    auto* series = new QHorizontalBarSeries;
    series->append(bars);
    chart.addSeries(series);
    auto* names = new QBarCategoryAxis;
    names->append(categories);
    chart.addAxis(names, Qt::AlignLeft);
    auto* minutes = valueAxis(QStringLiteral("Minutes"), 0, axisTop(highest));
    chart.addAxis(minutes, Qt::AlignBottom);
    series->attachAxis(names);
    series->attachAxis(minutes);
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

// The days of the ME and NAX table as day serials (rows without a readable date are dropped
// from the chart by taking the previous day's place; the table never has such rows).
std::vector<double> daysOf(const ReportGrid& grid) {
    std::vector<double> days;
    for (int r = 1; r < grid.rows(); ++r) {
        const auto day = readDayMonthYear(grid.cell(r, 0));
        days.push_back(day ? *day : days.empty() ? 0 : days.back());
    }
    return days;
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
        drawEfficiencyByDay(*chart, table.grid, daysOf(table.grid));
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
