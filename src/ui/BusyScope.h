#pragma once
// One run at a time in a window that lets events through while a report or an export runs, and
// closing it meanwhile: the close is put off and remembered, the run's pump sees the request and
// stops it, and the window closes once the run has returned.
#include <QCloseEvent>

namespace nax {

class BusyScope;

// A window's state: whether a run is under way and whether it was closed meanwhile.
class WindowBusy {
public:
    bool running() const { return running_; }
    // For the run's pump (StoppablePump): true once the window was closed meanwhile.
    const bool& closeRequested() const { return closeRequested_; }
    // From closeEvent: true when the close was put off; the caller then returns without closing.
    bool deferClose(QCloseEvent* event) {
        if (!running_) return false;
        closeRequested_ = true;
        event->ignore();
        return true;
    }

private:
    friend class BusyScope;
    bool running_ = false;
    bool closeRequested_ = false;
};

// A run: the window is busy from here until end() or the end of the scope.
class BusyScope {
public:
    explicit BusyScope(WindowBusy& busy) : busy_(busy) { busy_.running_ = true; }
    ~BusyScope() { busy_.running_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

    // The run is over; true when the window was closed meanwhile (the caller closes it now).
    bool end() {
        busy_.running_ = false;
        const bool closed = busy_.closeRequested_;
        busy_.closeRequested_ = false;
        return closed;
    }

private:
    WindowBusy& busy_;
};

} // namespace nax
