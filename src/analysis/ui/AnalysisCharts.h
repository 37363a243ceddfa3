#pragma once
// The analysis charts drawn from their tables with Qt Charts: the window shows them, nax-report
// writes them as PNG files. Drawing only; every figure comes from the table's cells.
#include "analysis/ChartTable.h"

#include <QSize>
#include <QString>

#include <string>

QT_BEGIN_NAMESPACE
class QChart;
class QWidget;
QT_END_NAMESPACE

namespace nax {

enum class ChartKind { LossPareto, TopAssets, TopFailures, EfficiencyByDay, Classification };

// The caption of a chart: "Loss Pareto", "Top Assets", "Top Failures", "ME and NAX by Day",
// "Classification".
QString chartCaption(ChartKind kind);

// A new chart of the table (the caller owns it). Every bar shows its value; the unclassified
// bars are grey with a legend entry of their own. Loss Pareto: bars in the table's order and the
// cumulative percentage as a line on a 0-100 axis. Top assets and failures: horizontal bars,
// largest at the top, each name followed by its number of events. ME and NAX by day: one point
// per day that has a figure, and the 85 % line. Classification: each day's classified and
// unclassified minutes stacked, the classified share as a line on a 0-100 axis. The table's
// note, when there is one, is shown under the title.
QChart* makeChart(ChartKind kind, const ChartTable& table);

// The widget as it shows on screen, written as a PNG file that replaces `path` only once it is
// complete.
Result<void> saveWidgetPng(QWidget& widget, const std::string& path);

// Draws the chart of the table at `size` without showing it and writes it as a PNG file. Needs a
// QApplication (the offscreen platform will do).
Result<void> writeChartPng(ChartKind kind, const ChartTable& table, QSize size, const std::string& path);

} // namespace nax
