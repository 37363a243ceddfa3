#pragma once
// "Reports": the run summary, production and downtime reports of a date-and-time range in one
// grid, which Ctrl+E hands to the workbook export.
#include "base/AppContext.h"
#include "ui/BusyScope.h"
#include "ui/Placement.h"

#include <QWidget>
#include <array>

class QLabel;
class QPushButton;
class QRadioButton;

namespace nax {

class DatePicker;
class ReportGridView;

class FrmReports : public QWidget {
    Q_OBJECT
public:
    explicit FrmReports(AppContext& context, QWidget* parent = nullptr);

    // True while a report fills the grid (events are let through meanwhile).
    bool isBusy() const { return busy_.running(); }
    // The workbook title for the grid: the selected option and the pickers as they are now,
    // "Run Summary Report 05-Dec-26 06:00 - 05-Dec-26 12:00".
    std::string exportTitle() const;

    std::array<QRadioButton*, 3> OptReport; // "Production", "Downtime", "Run Summary"
    QLabel* Label;
    DatePicker* DTStart;
    QLabel* Label1;
    DatePicker* DTEnd;
    QPushButton* CmdGenerate;
    ReportGridView* MSFlexGrid1;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CmdGenerateClick();
    void onGridKey(int key, Qt::KeyboardModifiers modifiers);
    // Index of the selected option, tested in index order; the last when none is.
    size_t selectedReport() const;

    AppContext& context_;
    GrowingGrids grids_;
    WindowBusy busy_; // a report or an export is running; closing meanwhile stops it first
};

} // namespace nax
