#include "ProgressText.h"

#include "NumberText.h"

namespace nax {

std::string progressCaption(const ProgressState& state, std::string_view text) {
    const float percent = state.value() / state.maximum() * 100.0f;
    std::string line = roundedText(static_cast<double>(percent), 2);
    line += "%[";
    line += formatGeneral(static_cast<double>(state.value()), 7);
    line += " / ";
    line += formatGeneral(static_cast<double>(state.maximum()), 7);
    line += "]";
    line += text;
    return line;
}

} // namespace nax
