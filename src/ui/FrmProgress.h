#pragma once
// The progress window of long routines. Every step's value is kept exactly; the window is
// repainted and events let through (by the pump it is given) at most about 30 times a second
// so that repainting never dominates a long report.
#include "base/EventPump.h"
#include "base/Progress.h"
#include "text/ProgressText.h"

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace nax {

class FrmProgress : public QWidget, public Progress {
    Q_OBJECT
public:
    explicit FrmProgress(EventPump& pump, QWidget* parent = nullptr);
    void SetMax(int32_t maxer) override;
    void ProgressNextValue(std::string_view text) override;
    void SetCaption(std::string_view text) override;
    void setValue(float value) override;
    bool abandoned() const override { return pump_.abandoned(); }

    const ProgressState& state() const { return state_; }
    // The line of text as of the last step (exact, even between repaints).
    std::string caption() const { return progressCaption(state_, lastText_); }
    QString shownCaption() const;

private:
    void showBar();
    void repaintNow();
    EventPump& pump_;
    ProgressState state_;
    std::string lastText_;
    QProgressBar* ProgressBar1;
    QLabel* lblCaption;
    QElapsedTimer sinceRepaint_;
};

} // namespace nax
