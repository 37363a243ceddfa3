#include "FrmProgress.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace nax {

namespace {
constexpr int kRepaintIntervalMs = 33; // about 30 repaints a second
}

FrmProgress::FrmProgress(EventPump& pump, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), pump_(pump), ProgressBar1(new QProgressBar(this)),
      lblCaption(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Progress"));
    setFixedSize(514, 42);
    ProgressBar1->setGeometry(0, 0, 517, 24);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    lblCaption->setGeometry(0, 24, 514, 17);
    lblCaption->setAlignment(Qt::AlignCenter);
    hide();
}

void FrmProgress::SetMax(int32_t maxer) {
    state_.setMaximum(maxer);
    if (!isVisible()) {
        // Over the middle of the window at work (or the screen), where the eye already is.
        const QWidget* anchor = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
        const QRect area = anchor ? anchor->frameGeometry() : screen()->availableGeometry();
        move(area.center() - rect().center());
    }
    show();
    // The line of text stays as it was (empty on a new window) until the first step.
    showBar();
    pump_.processEvents();
}

void FrmProgress::ProgressNextValue(std::string_view text) {
    state_.step();
    lastText_ = text;
    // Each step is counted; the window catches up at most every kRepaintIntervalMs, and on the
    // last announced step, so that a long report is not slowed down by its own progress.
    if (!sinceRepaint_.isValid() || sinceRepaint_.elapsed() >= kRepaintIntervalMs ||
        state_.value() >= state_.maximum())
        repaintNow();
}

void FrmProgress::SetCaption(std::string_view text) {
    lastText_ = text;
    repaintNow();
}

void FrmProgress::setValue(float value) {
    state_.setValue(value);
    repaintNow();
}

QString FrmProgress::shownCaption() const {
    return lblCaption->text();
}

void FrmProgress::showBar() {
    ProgressBar1->setMaximum(static_cast<int>(state_.maximum()));
    ProgressBar1->setValue(static_cast<int>(state_.value()));
}

void FrmProgress::repaintNow() {
    const QString line = QString::fromStdString(caption());
    showBar();
    lblCaption->setText(line);
    setWindowTitle(line);
    pump_.processEvents();
    sinceRepaint_.restart();
}

} // namespace nax
