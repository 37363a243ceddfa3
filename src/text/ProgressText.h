#pragma once
// The progress line: the percentage and the step count as the product prints numbers, and the
// silent progress that spells it only when asked.
#include "base/Progress.h"

#include <string>
#include <string_view>

namespace nax {

// "P%[V / M]" + text, P rounded half to even at two decimals: 1 of 32 gives 3.12%[1 / 32].
std::string progressCaption(const ProgressState& state, std::string_view text);

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
    std::string caption() const {
        return captioned_ ? progressCaption(captionState_, captionText_) : std::string();
    }

private:
    ProgressState state_;
    ProgressState captionState_; // as it was when the caption was set
    std::string captionText_;
    bool captioned_ = false;
};

} // namespace nax
