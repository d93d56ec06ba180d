#include "window/curvetrace.h"

#include <algorithm>
#include <utility>

namespace valvescope {

void CurveTracer::Begin(PixelPoint start) {
    previous_ = std::move(current_);
    current_.clear();
    draw_.MoveTo(start.x, start.y);
    at_ = start;
    pen_ = start;
}

void CurveTracer::LineTo(PixelPoint to) {
    const Line line{at_, to, true};
    const std::size_t index = current_.size();
    current_.push_back(line);
    at_ = to;
    if (leaveOutDrawn_ && index < previous_.size()) {
        const Line& before = previous_[index];
        if (before.onSurface && before.from == line.from && before.to == line.to) {
            return;
        }
    }
    if (!(pen_ == line.from)) {
        draw_.MoveTo(line.from.x, line.from.y);
    }
    draw_.LineTo(to.x, to.y);
    pen_ = to;
}

void CurveTracer::Written(std::int32_t x, std::int32_t y, std::size_t characters) {
    // Widened to 64 bits: a label may sit near the edge of the coordinate range.
    const std::int64_t left = std::int64_t{x} - kLabelReachOutside;
    const std::int64_t top = std::int64_t{y} - kLabelReachOutside;
    const std::int64_t right = std::int64_t{x} +
                               static_cast<std::int64_t>(characters) * kLabelReachPerCharacter +
                               kLabelReachOutside;
    const std::int64_t bottom = std::int64_t{y} + kLabelReachDown + kLabelReachOutside;
    for (Line& line : current_) {
        const auto [minX, maxX] = std::minmax(line.from.x, line.to.x);
        const auto [minY, maxY] = std::minmax(line.from.y, line.to.y);
        if (maxX >= left && minX <= right && maxY >= top && minY <= bottom) {
            line.onSurface = false;
        }
    }
}

} // namespace valvescope
