#pragma once
// "Selection Popup": the modal pick list. Two lists side by side hold the same rows in the same
// order (the shown name and a second value); typing above either list narrows both by that
// column. PickIntoTextBox fills it from a master table and copies the chosen row into a box.
#include "base/AppContext.h"
#include "downtime/SelectionList.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <functional>
#include <string_view>
#include <vector>

class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;

namespace nax {

// The rows both lists show: column 0 feeds List1(0), column 1 feeds List1(1), so the two lists
// cannot fall out of step. Only the entries on screen are ever turned into text.
class SelectionRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kKeyRole = Qt::UserRole; // the entry's item data (the row key)

    explicit SelectionRowsModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    // Shows the given rows of `list` (indices into its tables), in that order.
    void setRows(const SelectionList* list, std::vector<int> rows);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const SelectionList* list_ = nullptr;
    std::vector<int> rows_;
};

class fmselectform : public QDialog {
    Q_OBJECT
public:
    explicit fmselectform(MessageSink& messages, QWidget* parent = nullptr);

    // Fills both lists and row tables from `rows` (shown field, key, second field). `count` is
    // the number of rows counted beforehand and holds the number loaded afterwards. A failed or
    // empty query, or more rows than counted, shows "No Record Found " and hides the popup.
    void LoadSelectionForm(const QString& heading, const QString& caption0, const QString& caption1,
                           Result<Recordset>& rows, int& count);
    // One list only: the window ends at the right edge of List1(0) and keeps that layout.
    void MakeSingleList();
    bool isSingleList() const { return single_; }

    // The lists as the pick reads them; entries count from 0, ListIndex is -1 for no selection.
    int ListCount(int list) const;
    QString ListText(int list, int entry) const;
    int ItemData(int list, int entry) const;
    int ListIndex(int list) const;
    void setListIndex(int list, int entry);
    int TopIndex(int list) const;
    void setTopIndex(int list, int entry);

    // Runs the popup modally: exec(), or, while set, the hook, which acts on the popup (types,
    // clicks, presses keys) and ends it with accept() or reject() in place of the user.
    static std::function<void(fmselectform&)>& modalHook();
    int runModal();

    QLabel* lblheading;
    QLabel* Label1[2];
    QLineEdit* txtfields[2];
    QListView* List1[2];
    QProgressBar* ProgressBar1;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void filterBy(int column);
    void showRows(std::vector<int> rows);
    void followSelection(int from);
    void followTop(int from, int value);
    void applyResizeLayout();
    int twips(int pixels) const;
    int pixels(int twips) const;

    MessageSink& messages_;
    SelectionList table_;
    SelectionRowsModel model_;
    bool single_ = false;
    bool following_ = false;
    int filledWidthTwips_ = 0; // outer size when the popup was filled
    int filledHeightTwips_ = 0;
};

// The tag every box carries (a pick stores the row key there), kept as a dynamic property.
QString controlTag(const QObject* control);
void setControlTag(QObject* control, const QString& tag);

// Fills the popup from request.table, shows it modally and, when a row was chosen, sets the
// target's tag to its key, its text to the name and its tool tip to the second value. Answers
// whether the target was changed. A failing step is skipped; the routine itself never fails.
bool PickIntoTextBox(AppContext& context, QLineEdit* target, const PickRequest& request);

} // namespace nax
