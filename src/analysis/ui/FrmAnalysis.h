#pragma once
// "Analysis": where the line's time went over a date range, as charts: the loss Pareto, the top
// assets and failures, ME and NAX by day. Each chart saves as a PNG; Ctrl+E exports its table.
#include "analysis/AnalysisTables.h"
#include "analysis/ui/AnalysisCharts.h"
#include "base/AppContext.h"
#include "ui/BusyScope.h"

#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QTabWidget;

QT_BEGIN_NAMESPACE
class QChartView;
QT_END_NAMESPACE

namespace nax {

class DatePicker;

class FrmAnalysis : public QWidget {
    Q_OBJECT
public:
    explicit FrmAnalysis(AppContext& context, QWidget* parent = nullptr);

    bool isBusy() const { return busy_.running(); }
    // The table behind the chart on the tab shown.
    const ChartTable& currentTable() const;

    QLabel* LblStart;
    DatePicker* DTStart;
    QLabel* LblEnd;
    DatePicker* DTEnd;
    QPushButton* CmdGenerate;
    QPushButton* CmdSavePng; // "Save PNG"
    QTabWidget* TabCharts;
    std::vector<QChartView*> chartViews; // in the order of the tabs

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Chart {
        ChartKind kind;
        ChartTable AnalysisTables::*table;
    };
    void generate();
    void savePng();
    void exportTable();
    void showTables();

    AppContext& context_;
    AnalysisTables tables_;
    std::string tablesRange_; // of the tables shown, for the printed page header
    std::vector<Chart> charts_;
    WindowBusy busy_; // a report or an export is running; closing meanwhile stops it first
};

} // namespace nax
