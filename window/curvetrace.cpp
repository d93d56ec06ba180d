#include "window/curvetrace.h"

#include "window/drawops.h"

#include <algorithm>
#include <utility>

namespace valvescope {

LabelReach::LabelReach(std::int32_t x, std::int32_t y, std::size_t characters)
    : left(std::int64_t{x} - kLabelReachOutside), top(std::int64_t{y} - kLabelReachOutside),
      right(std::int64_t{x} + static_cast<std::int64_t>(characters) * kLabelReachPerCharacter +
            kLabelReachOutside),
      bottom(std::int64_t{y} + kLabelReachDown + kLabelReachOutside) {}

// A line's pixels lie within the rectangle of its two ends.
bool LabelReach::Touches(PixelPoint from, PixelPoint to) const {
    const auto [minX, maxX] = std::minmax(from.x, to.x);
    const auto [minY, maxY] = std::minmax(from.y, to.y);
    return maxX >= left && minX <= right && maxY >= top && minY <= bottom;
}

void CurveTracer::Begin(PixelPoint start) {
    previous_ = std::move(current_);
    current_.clear();
    at_ = start;
}

void CurveTracer::LineTo(PixelPoint to) {
    const std::size_t index = current_.size();
    current_.push_back({at_, to, true, 0});
    const PixelPoint from = at_;
    at_ = to;
    TracedLine traced{from, to, false, 0};
    if (index < previous_.size()) {
        const Line& before = previous_[index];
        if (before.from == from && before.to == to) {
            if (before.onSurface) {
                return;
            }
            traced.redrawn = true;
            traced.erasedBy = before.erasedBy;
        }
    }
    sink_(traced);
}

void CurveTracer::Written(std::int32_t x, std::int32_t y, std::size_t characters,
                          std::uint64_t label) {
    const LabelReach reach(x, y, characters);
    for (Line& line : current_) {
        if (reach.Touches(line.from, line.to)) {
            line.erasedBy = line.onSurface ? label : kSeveralLabels;
            line.onSurface = false;
        }
    }
}

} // namespace valvescope
