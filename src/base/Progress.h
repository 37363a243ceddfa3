#pragma once
// Progress of a routine that walks many rows: the bar's value and maximum (single precision)
// and the line of text built from them. The window (FrmProgress) and silent runs share it.
#include <cstdint>
#include <string>
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
    // "P%[V / M]" + text, P rounded half to even at two decimals: 1 of 32 gives 3.12%[1 / 32].
    std::string caption(std::string_view text) const;

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

// Keeps the arithmetic without showing anything (nax-report, tests).
class SilentProgress : public Progress {
public:
    void SetMax(int32_t maxer) override { state_.setMaximum(maxer); }
    void ProgressNextValue(std::string_view text) override {
        state_.step();
        SetCaption(text);
    }
    // The caption is spelled out only when asked for: a step per row of a year's report would
    // otherwise format three numbers each time for nobody.
    void SetCaption(std::string_view text) override {
        captionState_ = state_;
        captionText_ = text;
        captioned_ = true;
    }
    void setValue(float value) override { state_.setValue(value); }
    const ProgressState& state() const { return state_; }
    std::string caption() const { return captioned_ ? captionState_.caption(captionText_) : std::string(); }

private:
    ProgressState state_;
    ProgressState captionState_; // as it was when the caption was set
    std::string captionText_;
    bool captioned_ = false;
};

} // namespace nax
