#pragma once
// The window system's side of the message sink and the event pump.
#include "base/EventPump.h"
#include "base/Messages.h"

#include <QPointer>
#include <QWidget>
#include <memory>

namespace nax {

// Shows each message in a message box over the window at work: the active window, or, when a
// progress window took the activation or another program has it, the window of the program that
// last had the focus. Make it once the application exists.
class MessageBoxSink : public MessageSink {
public:
    MessageBoxSink();
    using MessageSink::show;
    void show(const Message& message) override;

private:
    QWidget* owner() const;
    std::unique_ptr<QObject> focusWatch_; // ends the watch with the sink
    QPointer<QWidget> lastFocused_;
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
