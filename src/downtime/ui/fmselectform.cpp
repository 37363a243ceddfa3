#include "fmselectform.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QScrollBar>

#include <numeric>

namespace nax {

namespace {

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Designed places, in pixels of the 726 x 486 client area.
constexpr int kClientWidth = 726;
constexpr int kClientHeight = 486;
constexpr int kHeadingHeight = 25;
constexpr int kCaptionTop = 28;
constexpr int kCaptionHeight = 20;
constexpr int kTextTop = 48;
constexpr int kTextHeight = 21;
constexpr int kListTop = 69;
constexpr int kListHeight = 402;
constexpr int kLeftWidth = 363;
constexpr int kRightWidth = 359;
constexpr int kProgressHeight = 13;
// Below this outer width (twips) at filling time the resize step gives each list the whole width.
constexpr int kNarrowFillTwips = 4000;
// A progress bar repaints itself at once on every visible change. Loading runs hidden and steps
// the bar every so many rows; a filter pass takes milliseconds, so it moves the bar only a few
// times, or the repaints would cost more than the filtering.
constexpr int kProgressStride = 256;
constexpr int kFilterProgressSteps = 4;

class BusyPointer {
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

// ---------------------------------------------------------------- model

void SelectionRowsModel::setRows(const SelectionList* list, std::vector<int> rows) {
    beginResetModel();
    list_ = list;
    rows_ = std::move(rows);
    endResetModel();
}

int SelectionRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !list_ ? 0 : static_cast<int>(rows_.size());
}

int SelectionRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant SelectionRowsModel::data(const QModelIndex& index, int role) const {
    if (!list_ || !index.isValid() || index.row() >= rowCount()) return {};
    const int row = rows_[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole) return qText(list_->record(index.column(), row).text);
    if (role == kKeyRole) return list_->key(row);
    return {};
}

// ---------------------------------------------------------------- popup

fmselectform::fmselectform(MessageSink& messages, QWidget* parent)
    : QDialog(parent), lblheading(new QLabel(this)), Label1{new QLabel(this), new QLabel(this)},
      txtfields{new QLineEdit(this), new QLineEdit(this)}, List1{new QListView(this), new QListView(this)},
      ProgressBar1(new QProgressBar(this)), messages_(messages), model_(this) {
    setObjectName(QStringLiteral("fmselectform"));
    setWindowTitle(QStringLiteral("Selection Popup"));
    setModal(true);
    resize(kClientWidth, kClientHeight);

    QPalette windowColours = palette();
    windowColours.setColor(QPalette::Window, QColor(255, 238, 236));
    setPalette(windowColours);
    setAutoFillBackground(true);

    lblheading->setObjectName(QStringLiteral("lblheading"));
    QFont bold = lblheading->font();
    bold.setBold(true);
    lblheading->setFont(bold);
    lblheading->setGeometry(0, 0, kClientWidth, kHeadingHeight);

    QFont listFont = font();
    listFont.setBold(true);
    listFont.setPointSize(12);
    const int lefts[2] = {0, kLeftWidth};
    const int widths[2] = {kLeftWidth, kRightWidth};
    for (int n = 0; n < 2; ++n) {
        Label1[n]->setObjectName(QStringLiteral("Label1_%1").arg(n));
        Label1[n]->setGeometry(lefts[n], kCaptionTop, widths[n], kCaptionHeight);
        txtfields[n]->setObjectName(QStringLiteral("txtfields_%1").arg(n));
        txtfields[n]->setGeometry(lefts[n], kTextTop, widths[n], kTextHeight);
        txtfields[n]->installEventFilter(this);
        QListView* list = List1[n];
        list->setObjectName(QStringLiteral("List1_%1").arg(n));
        list->setGeometry(lefts[n], kListTop, widths[n], kListHeight);
        list->setFont(listFont);
        QPalette listColours = list->palette();
        listColours.setColor(QPalette::Base, QColor(255, 192, 192));
        list->setPalette(listColours);
        list->setModel(&model_);
        list->setModelColumn(n);
        list->setUniformItemSizes(true); // ten thousand rows are laid out without measuring each
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // both lists keep one height of rows
        list->installEventFilter(this);
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, n] { followSelection(n); });
        connect(list->verticalScrollBar(), &QAbstractSlider::valueChanged, this,
                [this, n](int value) { followTop(n, value); });
        connect(list, &QAbstractItemView::doubleClicked, this, &QDialog::accept);
        connect(txtfields[n], &QLineEdit::textChanged, this, [this, n] { filterBy(n); });
    }
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(0, kClientHeight - kProgressHeight, kClientWidth, kProgressHeight);
    ProgressBar1->setRange(0, 0);
    ProgressBar1->setValue(0);
    setTabOrder(txtfields[0], txtfields[1]);
}

std::function<void(fmselectform&)>& fmselectform::modalHook() {
    static std::function<void(fmselectform&)> hook;
    return hook;
}

int fmselectform::runModal() {
    if (const auto& hook = modalHook()) {
        hook(*this);
        return result();
    }
    return exec();
}

int fmselectform::twips(int pixelCount) const {
    return pixelCount * 1440 / std::max(logicalDpiX(), 1);
}
int fmselectform::pixels(int twipCount) const {
    return twipCount * std::max(logicalDpiX(), 1) / 1440;
}

void fmselectform::LoadSelectionForm(const QString& heading, const QString& caption0, const QString& caption1,
                                     Result<Recordset>& rows, int& count) {
    lblheading->setText(heading);
    Label1[0]->setText(caption0);
    Label1[1]->setText(caption1);
    showRows({});
    filledWidthTwips_ = twips(frameGeometry().width());
    filledHeightTwips_ = twips(frameGeometry().height());
    ProgressBar1->setRange(0, std::max(count, 0) + 2);
    ProgressBar1->setValue(0);

    int loaded = 0;
    const auto load =
        loadSelectionRows(rows, count, caption1 == QLatin1String(kMemoDateCaption), table_, [&] {
            if (++loaded % kProgressStride == 0) ProgressBar1->setValue(loaded);
        });
    count = load.loaded;
    std::vector<int> all(static_cast<size_t>(load.loaded));
    std::iota(all.begin(), all.end(), 0);
    showRows(std::move(all)); // on failure the rows read so far stay
    ProgressBar1->setValue(std::min(load.loaded, ProgressBar1->maximum()));
    if (load.noRecordFound) {
        messages_.show(kNoRecordFound);
        hide();
        return;
    }
    setWindowTitle(QStringLiteral("Selection Popup [%1]").arg(load.loaded));
    ProgressBar1->setValue(ProgressBar1->maximum());
}

void fmselectform::MakeSingleList() {
    single_ = true;
    const int width = List1[0]->x() + List1[0]->width();
    resize(width, height());
    lblheading->resize(width, lblheading->height());
    ProgressBar1->resize(width, ProgressBar1->height());
    List1[1]->setEnabled(false);
    txtfields[1]->setEnabled(false);
}

void fmselectform::showRows(std::vector<int> rows) {
    model_.setRows(&table_, std::move(rows));
}

void fmselectform::filterBy(int column) {
    BusyPointer busy;
    ProgressBar1->setMinimum(0);
    if (table_.rowCount() > 1) ProgressBar1->setMaximum(table_.rowCount() - 1);
    const std::string typed = txtfields[column]->text().toStdString();
    const int stride = std::max(kProgressStride, table_.rowCount() / kFilterProgressSteps);
    auto matching = table_.filter(
        column, typed, [this](int row) { ProgressBar1->setValue(row); }, stride);
    showRows(std::move(matching));
}

int fmselectform::ListCount(int list) const {
    return List1[list]->model()->rowCount();
}

QString fmselectform::ListText(int list, int entry) const {
    return model_.index(entry, list).data(Qt::DisplayRole).toString();
}

int fmselectform::ItemData(int list, int entry) const {
    return model_.index(entry, list).data(SelectionRowsModel::kKeyRole).toInt();
}

int fmselectform::ListIndex(int list) const {
    const QModelIndexList selected = List1[list]->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void fmselectform::setListIndex(int list, int entry) {
    QItemSelectionModel* selection = List1[list]->selectionModel();
    if (entry < 0 || entry >= ListCount(list)) {
        selection->clear();
        return;
    }
    selection->setCurrentIndex(model_.index(entry, list), QItemSelectionModel::ClearAndSelect);
}

int fmselectform::TopIndex(int list) const {
    return List1[list]->verticalScrollBar()->value();
}

void fmselectform::setTopIndex(int list, int entry) {
    List1[list]->doItemsLayout(); // the scroll range must know the current rows
    List1[list]->verticalScrollBar()->setValue(entry);
}

void fmselectform::followSelection(int from) {
    if (following_) return;
    const int other = 1 - from;
    const int entry = ListIndex(from);
    if (ListIndex(other) == entry) return;
    following_ = true;
    if (entry < 0)
        List1[other]->selectionModel()->clear();
    else
        List1[other]->selectionModel()->setCurrentIndex(model_.index(entry, other),
                                                        QItemSelectionModel::ClearAndSelect);
    following_ = false;
    List1[other]->verticalScrollBar()->setValue(List1[from]->verticalScrollBar()->value());
}

void fmselectform::followTop(int from, int value) {
    if (following_) return;
    following_ = true;
    List1[1 - from]->verticalScrollBar()->setValue(value);
    following_ = false;
}

bool fmselectform::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
        reject();
        return true;
    }
    for (int n = 0; n < 2; ++n) {
        if (watched == List1[n] && isEnter(key)) {
            accept();
            return true;
        }
        if (watched == txtfields[n] && (isEnter(key) || key == Qt::Key_Down)) {
            if (ListCount(0) > 0) {
                List1[0]->setFocus();
                setListIndex(0, 0);
                return true;
            }
            return isEnter(key); // Enter never reaches the dialog's default handling
        }
    }
    return QDialog::eventFilter(watched, event);
}

void fmselectform::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!single_ && filledWidthTwips_ > 0) applyResizeLayout();
}

// The lists share the width and take the height the heading, captions, text boxes and progress
// bar leave; worked in twips of the outer window as the designed form was.
void fmselectform::applyResizeLayout() {
    const QSize frame = frameGeometry().size() - geometry().size();
    const int outerWidth = twips(width() + frame.width());
    const int outerHeight = twips(height() + frame.height());
    const int w = filledWidthTwips_ < kNarrowFillTwips ? outerWidth - 50 : outerWidth / 2 - 20;
    const int h =
        outerHeight -
        twips(ProgressBar1->height() + lblheading->height() + Label1[0]->height() + txtfields[0]->height()) -
        500;
    if (w < 80 || h < 80) return;
    const int left = pixels(10);
    const int rightLeft = pixels(w + 5);
    const int listWidth = pixels(w);
    const int listHeight = pixels(h);
    lblheading->setGeometry(left, lblheading->y(), pixels(outerWidth - 20), lblheading->height());
    for (int n = 0; n < 2; ++n) {
        const int x = n == 0 ? left : rightLeft;
        Label1[n]->move(x, Label1[n]->y());
        txtfields[n]->setGeometry(x, txtfields[n]->y(), listWidth, txtfields[n]->height());
        List1[n]->setGeometry(x, List1[n]->y(), listWidth, listHeight);
    }
    ProgressBar1->setGeometry(left, List1[0]->y() + listHeight + pixels(10), pixels(outerWidth - 20),
                              ProgressBar1->height());
}

// ---------------------------------------------------------------- PickIntoTextBox

QString controlTag(const QObject* control) {
    return control ? control->property("tag").toString() : QString();
}

void setControlTag(QObject* control, const QString& tag) {
    if (control) control->setProperty("tag", tag);
}

bool PickIntoTextBox(AppContext& context, QLineEdit* target, const PickRequest& request) {
    // The popup keeps its designed colours: there is no colour scheme to apply to it.
    fmselectform popup(context.messages, target ? target->window() : nullptr);
    int count = countPickRows(context.db, request);
    auto rows = context.db.openRecordset(pickRowsStatement(request));
    popup.LoadSelectionForm(qText(request.heading), qText(request.caption0), qText(request.caption1), rows,
                            count);
    if (rows) rows->close();
    if (request.single) popup.MakeSingleList();
    if (popup.runModal() != QDialog::Accepted || !target) return false;
    const int entry = popup.ListIndex(0);
    if (entry < 0) return false;
    setControlTag(target, QString::number(popup.ItemData(0, entry)));
    target->setText(popup.ListText(0, entry));
    target->setToolTip(popup.ListText(1, entry));
    return true;
}

} // namespace nax
