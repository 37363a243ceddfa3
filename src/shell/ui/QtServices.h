#pragma once
// The window system's side of the message sink and the event pump.
#include "shell/EventPump.h"
#include "shell/Messages.h"

class QWidget;

namespace nax {

// Shows each message in a message box over the active window.
class MessageBoxSink : public MessageSink {
public:
    using MessageSink::show;
    void show(const Message& message) override;
};

// Lets the window system's events through. Once the program is to end, long work sees
// abandoned() and stops at once.
class QtEventPump : public EventPump {
public:
    void processEvents() override;
    bool abandoned() const override { return programEnding_; }
    void endProgram() { programEnding_ = true; }

private:
    bool programEnding_ = false;
};

} // namespace nax
