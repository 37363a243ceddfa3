#pragma once
// "Downtime Entry": lists the downtime events of a range; a double-click or Enter opens one
// event, "Classify Selected" several at once. A line under the list counts the range's backlog.
#include "base/AppContext.h"
#include "downtime/DowntimeList.h"
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
    DowntimeDetailFrame* Frame1;      // the open event's detail, hidden while none is open
    QCheckBox* CheckUnclassified;     // "Unclassified Only"
    QLabel* LblBacklog;               // "N events, U unclassified (M min)" of the listed range
    QPushButton* CmdClassifySelected; // opens the selected rows together; two or more

Q_SIGNALS:
    // A data row was double-clicked (grid row 1 and below).
    void eventOpenRequested(int gridRow);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    DowntimeRange chosenRange() const;
    void showBacklog(const DowntimeRange& range);
    // Lists again after a save and moves to the first unclassified event below the (first) saved
    // one: rows left out of a selection come next.
    void refreshAfterSave();
    void updateClassifyButton();
    void placeBottomRow();
    void onGridKey(int key, Qt::KeyboardModifiers modifiers);
    void onGridDoubleClicked(int gridRow);
    AppContext& context_;
    GrowingGrids grids_;
    bool listing_ = false;    // a listing or an export runs
    std::string listedRange_; // of the grid shown, for the printed page header
};

} // namespace nax
