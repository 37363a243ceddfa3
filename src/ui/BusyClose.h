#pragma once
// Closing a window while its report runs: the close is put off and remembered, the report's pump
// sees the request and stops it, and the window closes once the report has returned.
#include <QCloseEvent>

namespace nax {

// True when the close was put off; the caller then returns without closing.
inline bool deferCloseWhileBusy(bool busy, bool& closeRequested, QCloseEvent* event) {
    if (!busy) return false;
    closeRequested = true;
    event->ignore();
    return true;
}

} // namespace nax
