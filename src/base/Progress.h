#pragma once
// Progress of a routine that walks many rows: the bar's value and maximum (single precision).
// The line of text built from them is text/ProgressText's; the window (FrmProgress) and silent
// runs share both.
#include <cstdint>
#include <string_view>

namespace nax {

class ProgressState {
public:
    float value() const { return value_; }
    float maximum() const { return maximum_; }
    void setValue(float value) { value_ = value; }
    // A maximum of zero or below is ignored, so the percentage never divides by zero.
    void setMaximum(int32_t maxer);
    // Adds one step; the value never passes the maximum.
    void step();

private:
    float value_ = 0.0f;
    float maximum_ = 100.0f;
};

// What a computation sees of the progress dialog.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void SetMax(int32_t maxer) = 0;
    virtual void ProgressNextValue(std::string_view text) = 0;
    virtual void SetCaption(std::string_view text) = 0;
    virtual void setValue(float value) = 0;
    // True once the user asked to end the program while the progress window let events
    // through; the routine stops at once and returns abandonment().
    virtual bool abandoned() const { return false; }
};

} // namespace nax
