#pragma once
// "More Info": the frame over the downtime list in which one event is classified and saved.
// While an event is open the list side (grid and Generate) is disabled.
#include "base/AppContext.h"
#include "downtime/ClassificationSave.h"

#include <QGroupBox>
#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace nax {

class ReportGrid;

class DowntimeDetailFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit DowntimeDetailFrame(AppContext& context, QWidget* parent = nullptr);

    // The controls locked while an event is open, and the list refresh run after a save.
    void setListSide(QWidget* grid, QWidget* generate, std::function<void()> refresh);

    // Opens data row `gridRow` (1 and below) of the downtime list: shows the frame with the
    // row's values and locks the list side. Header row and rows past the end are ignored.
    void openEvent(int gridRow, const ReportGrid& grid);
    // Opens several data rows together: every box starts empty, the caption counts the events,
    // and Save writes the filled boxes to all of them. Fewer than two valid rows are ignored.
    void openEvents(const std::vector<int>& gridRows, const ReportGrid& grid);
    bool isEventOpen() const { return open_; }
    // The keys (Dt_ID) of the open events in list order; they stay readable until the next open.
    const std::vector<int64_t>& openEventKeys() const { return openKeys_; }

    // Whether a key press in a list box opens its pick list: not Delete, Tab, Clear or Escape,
    // nor a modifier key itself, and never with Shift, Ctrl or Alt held.
    static bool opensPickList(int key, Qt::KeyboardModifiers modifiers);

    QLineEdit* txtfields[kClassificationBoxes];
    QLabel* Label2[kClassificationBoxes];
    QPushButton* CmdSave;
    QPushButton* CmdExit;

public Q_SLOTS:
    // Writes the ten classification columns, refreshes the list and closes the event. A failed
    // update is reported; the refresh and the close happen all the same. With several events
    // open a failure changes none of them, is reported, and leaves the frame open as it was.
    void Save();
    // Closes the event without saving and unlocks the list side.
    void Exit();

Q_SIGNALS:
    void eventClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setListSideEnabled(bool enabled);
    // Shows the frame over the locked list side with `caption`, the boxes showing `stored`.
    void showEvents(const QString& caption, const ClassificationTexts& stored);
    AppContext& context_;
    // The open event's texts as stored (any encoding) and as shown in the boxes.
    std::array<std::string, kClassificationBoxes> storedTexts_;
    std::array<QString, kClassificationBoxes> shownTexts_;
    QWidget* grid_ = nullptr;
    QWidget* generate_ = nullptr;
    std::function<void()> refresh_;
    std::vector<int64_t> openKeys_;
    bool open_ = false;
};

} // namespace nax
