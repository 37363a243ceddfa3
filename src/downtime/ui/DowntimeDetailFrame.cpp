#include "DowntimeDetailFrame.h"

#include "base/ReportGrid.h"
#include "downtime/ui/fmselectform.h"
#include "text/StoredText.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace nax {

namespace {

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Frame places in pixels: eight rows of boxes, the first five in two columns, then the buttons.
constexpr int kFrameLeft = 81, kFrameTop = 111, kFrameWidth = 577, kFrameHeight = 310;
constexpr int kFirstRowTop = 22, kRowPitch = 28, kRowHeight = 22;
constexpr int kLabelWidth = 88, kLeftBox = 100, kRightLabel = 292, kRightBox = 384;
constexpr int kHalfBoxWidth = 180, kRightBoxWidth = 185,
              kFullBoxWidth = kRightBox + kRightBoxWidth - kLeftBox;
constexpr int kButtonTop = 262, kButtonWidth = 88, kButtonHeight = 27;

// Row (from 1) and column (0 left, 1 right, -1 full width) of each box.
struct BoxPlace {
    int row;
    int column;
};
constexpr BoxPlace kPlaces[kClassificationBoxes] = {{1, 0}, {1, 1}, {2, 0}, {2, 1},  {3, 0},  {3, 1}, {4, 0},
                                                    {4, 1}, {5, 0}, {5, 1}, {6, -1}, {7, -1}, {8, -1}};

} // namespace

DowntimeDetailFrame::DowntimeDetailFrame(AppContext& context, QWidget* parent)
    : QGroupBox(QStringLiteral("More Info"), parent), CmdSave(new QPushButton(QStringLiteral("Save"), this)),
      CmdExit(new QPushButton(QStringLiteral("Exit"), this)), context_(context) {
    setObjectName(QStringLiteral("Frame1"));
    setGeometry(kFrameLeft, kFrameTop, kFrameWidth, kFrameHeight);
    setAutoFillBackground(true);
    const auto& boxes = classificationBoxes();
    for (int i = 0; i < kClassificationBoxes; ++i) {
        const BoxPlace place = kPlaces[i];
        const int top = kFirstRowTop + (place.row - 1) * kRowPitch;
        Label2[i] = new QLabel(QString::fromUtf8(boxes[static_cast<size_t>(i)].caption), this);
        Label2[i]->setObjectName(QStringLiteral("Label2_%1").arg(i));
        Label2[i]->setGeometry(place.column == 1 ? kRightLabel : 8, top, kLabelWidth, kRowHeight);
        txtfields[i] = new QLineEdit(this);
        txtfields[i]->setObjectName(QStringLiteral("txtfields_%1").arg(i));
        const int left = place.column == 1 ? kRightBox : kLeftBox;
        const int width = place.column == 0   ? kHalfBoxWidth
                          : place.column == 1 ? kRightBoxWidth
                                              : kFullBoxWidth;
        txtfields[i]->setGeometry(left, top, width, kRowHeight);
        txtfields[i]->setReadOnly(!boxes[static_cast<size_t>(i)].editable);
        txtfields[i]->setMaxLength(std::numeric_limits<int>::max()); // a stored text is never cut
        Label2[i]->setBuddy(txtfields[i]);
    }
    for (int box = kBoxAsset; box <= kBoxOperator; ++box)
        txtfields[box]->installEventFilter(this);
    CmdSave->setObjectName(QStringLiteral("CmdSave"));
    CmdSave->setGeometry(kFrameWidth / 2 - kButtonWidth - 10, kButtonTop, kButtonWidth, kButtonHeight);
    CmdExit->setObjectName(QStringLiteral("CmdExit"));
    CmdExit->setGeometry(kFrameWidth / 2 + 10, kButtonTop, kButtonWidth, kButtonHeight);
    // Tab runs down the boxes in their order, then to Save and Exit.
    for (int i = 1; i < kClassificationBoxes; ++i)
        setTabOrder(txtfields[i - 1], txtfields[i]);
    setTabOrder(txtfields[kClassificationBoxes - 1], CmdSave);
    setTabOrder(CmdSave, CmdExit);
    connect(CmdSave, &QPushButton::clicked, this, &DowntimeDetailFrame::Save);
    connect(CmdExit, &QPushButton::clicked, this, &DowntimeDetailFrame::Exit);
    hide();
}

void DowntimeDetailFrame::setListSide(QWidget* grid, QWidget* generate, std::function<void()> refresh) {
    grid_ = grid;
    generate_ = generate;
    refresh_ = std::move(refresh);
}

void DowntimeDetailFrame::setListSideEnabled(bool enabled) {
    if (grid_) grid_->setEnabled(enabled);
    if (generate_) generate_->setEnabled(enabled);
}

void DowntimeDetailFrame::showEvents(const QString& caption, const ClassificationTexts& stored) {
    open_ = true;
    show();
    raise();
    setListSideEnabled(false);
    setTitle(caption);
    for (int i = 0; i < kClassificationBoxes; ++i) {
        const auto box = static_cast<size_t>(i);
        storedTexts_[box] = stored[box];
        shownTexts_[box] = qText(storedTextAsUtf8(storedTexts_[box]));
        txtfields[i]->setText(shownTexts_[box]);
        // Keys and second values picked for the previous event say nothing about this one.
        setControlTag(txtfields[i], QString());
        txtfields[i]->setToolTip(QString());
    }
    txtfields[kBoxShift]->setEnabled(true);
    txtfields[kBoxShift]->setReadOnly(false);
}

void DowntimeDetailFrame::openEvent(int gridRow, const ReportGrid& grid) {
    if (gridRow < 1 || gridRow >= grid.rows()) return;
    openKeys_ = {grid.rowKey(gridRow)};
    setControlTag(this, QString::number(grid.rowKey(gridRow)));
    const auto& boxes = classificationBoxes();
    ClassificationTexts stored;
    for (size_t box = 0; box < stored.size(); ++box)
        stored[box] = grid.cell(gridRow, boxes[box].gridColumn);
    showEvents(qText(detailCaption(gridRow, grid.cell(gridRow, 7))), stored);
    // The component and failure lists are narrowed by the asset box's key: take it from the
    // event's own asset, not from whatever was picked last. Without a key (the lookup failed)
    // the pick lists run on the same database and show its failure themselves.
    const auto assetKey = assetKeyForName(context_.db, storedTexts_[kBoxAsset]);
    setControlTag(txtfields[kBoxAsset], assetKey ? qText(assetKey.value()) : QString());
}

void DowntimeDetailFrame::openEvents(const std::vector<int>& gridRows, const ReportGrid& grid) {
    std::vector<int64_t> keys;
    for (const int row : gridRows)
        if (row >= 1 && row < grid.rows()) keys.push_back(grid.rowKey(row));
    if (keys.size() < 2) return;
    openKeys_ = std::move(keys);
    setControlTag(this, QString());
    // No asset yet, so the component and failure lists wait for one to be picked.
    showEvents(qText(detailCaptionForEvents(openKeys_.size())), ClassificationTexts{});
}

bool DowntimeDetailFrame::opensPickList(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) return false;
    switch (key) {
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Clear:
    case Qt::Key_Escape:
    // Pressing a modifier is the start of holding it.
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case 0:
    case Qt::Key_unknown:
        return false;
    default:
        return true;
    }
}

bool DowntimeDetailFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        for (int box = kBoxAsset; box <= kBoxOperator; ++box) {
            if (watched != txtfields[box]) continue;
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!opensPickList(key->key(), key->modifiers())) break;
            const auto list = classificationPickList(box, controlTag(txtfields[kBoxAsset]).toStdString());
            // A chosen row replaces the text and swallows the key; after a cancelled pick the
            // key has its usual effect, so a value that is in no list can still be typed.
            return list && PickIntoTextBox(context_, txtfields[box], *list);
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

// A box that still shows the stored text writes the stored bytes back, so that a save changes
// nothing the user did not touch, whatever the text's encoding or quotes.
void DowntimeDetailFrame::Save() {
    ClassificationTexts texts;
    UntouchedBoxes untouched;
    for (size_t i = 0; i < texts.size(); ++i) {
        const QString text = txtfields[i]->text();
        untouched[i] = text == shownTexts_[i];
        texts[i] = untouched[i] ? storedTexts_[i] : text.toStdString();
    }
    if (openKeys_.size() > 1) {
        // Nothing changed on a failure: the boxes stay for another try or Exit.
        if (auto saved = saveClassificationToEvents(context_.db, texts, openKeys_); !saved) {
            context_.messages.show(saved.error().message,
                                   saved.error().refusal ? MessageIcon::Information : MessageIcon::Critical);
            return;
        }
    } else if (auto saved = saveClassification(context_.db, texts, controlTag(this).toStdString(), untouched);
               !saved) {
        context_.messages.show(saved.error().message);
    }
    if (refresh_) refresh_();
    Exit();
}

void DowntimeDetailFrame::Exit() {
    hide();
    open_ = false;
    setListSideEnabled(true);
    Q_EMIT eventClosed();
}

} // namespace nax
