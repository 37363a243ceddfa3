#pragma once
// "Downtime Entry": lists the downtime events of a range; a double-click opens one event.
#include "base/AppContext.h"
#include "ui/Placement.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace nax {

class DatePicker;
class DowntimeDetailFrame;
class ReportGridView;

class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(AppContext& context, QWidget* parent = nullptr);

    // The Generate step: checks the range and lists the events. Also run after a save.
    void Generate();
    bool isListing() const { return listing_; }

    DatePicker* DTStart;
    DatePicker* DTEnd;
    QCheckBox* Check1;
    QPushButton* CmdGenerate;
    ReportGridView* MSFlexGrid1;
    DowntimeDetailFrame* Frame1; // the open event's detail, hidden while none is open

Q_SIGNALS:
    // A data row was double-clicked (grid row 1 and below).
    void eventOpenRequested(int gridRow);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void onGridKey(int key, Qt::KeyboardModifiers modifiers);
    void onGridDoubleClicked(int gridRow);
    AppContext& context_;
    GrowingGrids grids_;
    bool listing_ = false;    // a listing or an export runs
    std::string listedRange_; // of the grid shown, for the printed page header
};

} // namespace nax
