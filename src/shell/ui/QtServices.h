#pragma once
// The window system's side of the message sink and the event pump.
#include "shell/EventPump.h"
#include "shell/Messages.h"

class QWidget;

namespace nax {

class MessageBoxSink : public MessageSink {
public:
    using MessageSink::show;
    void show(const Message& message) override;
};

class QtEventPump : public EventPump {
public:
    void processEvents() override;
};

} // namespace nax
