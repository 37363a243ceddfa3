#pragma once
// Lets the window system handle pending events during long work. Silent runs pump nothing.
#include <cstdint>

namespace nax {

class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void processEvents() = 0;
    // True once the user asked to end the program while events were let through: long work
    // checks it after letting events through and stops at once (see abandonment()).
    virtual bool abandoned() const { return false; }
};

class NoEventPump : public EventPump {
public:
    void processEvents() override {}
};

// Lets events through another pump, and reports abandonment also once `stop` is set (a window
// closed while its own work runs).
class StoppablePump : public EventPump {
public:
    StoppablePump(EventPump& inner, const bool& stop) : inner_(inner), stop_(stop) {}
    void processEvents() override { inner_.processEvents(); }
    bool abandoned() const override { return stop_ || inner_.abandoned(); }

private:
    EventPump& inner_;
    const bool& stop_;
};

// Processes pending events count + 1 times (once for 0); a negative count does nothing.
inline void PumpEvents(EventPump& pump, int16_t count) {
    for (int i = 0; i <= count; ++i)
        pump.processEvents();
}

} // namespace nax
