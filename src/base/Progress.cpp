#include "Progress.h"

#include <algorithm>

namespace nax {

void ProgressState::setMaximum(int32_t maxer) {
    if (maxer > 0) maximum_ = static_cast<float>(maxer);
}

void ProgressState::step() {
    value_ = std::min(value_ + 1.0f, maximum_);
}

} // namespace nax
