#include "Progress.h"

#include "text/TextRules.h"

#include <algorithm>

namespace nax {

void ProgressState::setMaximum(int32_t maxer) {
    if (maxer > 0) maximum_ = static_cast<float>(maxer);
}

void ProgressState::step() {
    value_ = std::min(value_ + 1.0f, maximum_);
}

std::string ProgressState::caption(std::string_view text) const {
    const float percent = value_ / maximum_ * 100.0f;
    std::string line = roundedText(static_cast<double>(percent), 2);
    line += "%[";
    line += formatGeneral(static_cast<double>(value_), 7);
    line += " / ";
    line += formatGeneral(static_cast<double>(maximum_), 7);
    line += "]";
    line += text;
    return line;
}

} // namespace nax
