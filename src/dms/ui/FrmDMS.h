#pragma once
// "DMS": the day-wise and shift-wise loss reports with the downtime detail grid behind them.
#include "base/AppContext.h"
#include "base/Result.h"
#include "ui/BusyScope.h"
#include "ui/Placement.h"

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QRadioButton;

namespace nax {

class DatePicker;
class ReportGridView;

class FrmDMS : public QWidget {
    Q_OBJECT
public:
    explicit FrmDMS(AppContext& context, QWidget* parent = nullptr);

    // True while a report is being computed or printed (events are let through meanwhile).
    bool isBusy() const { return busy_.running(); }

    QLabel* Label1;
    DatePicker* DMSStart_date;
    QLabel* Label2;
    DatePicker* DMSEnd_Date;
    QRadioButton* Option1; // "Daily Report"
    QRadioButton* Option2; // "Shift Report"
    QPushButton* Command1; // "Generate"
    QPushButton* Command2; // "Print"
    ReportGridView* MSFlexGrid1;
    ReportGridView* MsfDT;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Option1Click();
    void Option2Click();
    void Command1Click();
    void Command2Click();
    void keepRunningMode(); // an option clicked while a report runs changes nothing
    void runReport(const std::function<Result<void>(ReportGrid& runs, ReportGrid& details)>& report);
    void showFailure(const Error& error);
    void setDetailShown(bool shown);

    AppContext& context_;
    GrowingGrids grids_;
    WindowBusy busy_; // a report or an export is running; closing meanwhile stops it first
    bool runningDaily_ = true;
    bool detailShown_ = false;
};

} // namespace nax
