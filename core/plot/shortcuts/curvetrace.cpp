#include "core/plot/shortcuts/curvetrace.h"

#include "core/plot/drawops.h"

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
    previousTouched_ = std::move(touched_);
    current_.clear();
    touched_.clear();
    rightwards_ = true;
    at_ = start;
}

void CurveTracer::LineTo(PixelPoint to) {
    const PixelPoint from = at_;
    at_ = to;
    current_.push_back({from, to, true, 0});
    rightwards_ = rightwards_ && to.x >= from.x;
    Pass(current_.size() - 1, from, to);
}

// Line `index` of the latest curve, already entered in current_, to the sink unless it is on the
// surface.
void CurveTracer::Pass(std::size_t index, PixelPoint from, PixelPoint to) {
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

void CurveTracer::Repeat(std::size_t count, std::vector<std::size_t> changed,
                         const LineEnds& lineAt) {
    previous_ = std::move(current_);
    previousTouched_ = std::move(touched_);
    touched_.clear();
    current_.assign(previous_.begin(), previous_.begin() + static_cast<std::ptrdiff_t>(
                                                               std::min(count, previous_.size())));
    current_.resize(count);
    // Lines neither changed nor touched are on the surface as they stand.
    changed.insert(changed.end(), previousTouched_.begin(), previousTouched_.end());
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    for (const std::size_t index : changed) {
        if (index >= count) {
            break;
        }
        const auto [from, to] = lineAt(index);
        current_[index] = {from, to, true, 0};
        rightwards_ = rightwards_ && to.x >= from.x;
        Pass(index, from, to);
    }
    if (count > 0) {
        at_ = current_[count - 1].to;
    }
}

void CurveTracer::Written(std::int32_t x, std::int32_t y, std::size_t characters,
                          std::uint64_t label) {
    const LabelReach reach(x, y, characters);
    std::size_t index = 0;
    if (rightwards_) {
        // Lines that end left of the reach come first.
        index = static_cast<std::size_t>(
            std::partition_point(current_.begin(), current_.end(),
                                 [&](const Line& line) { return line.to.x < reach.left; }) -
            current_.begin());
    }
    for (; index < current_.size(); ++index) {
        Line& line = current_[index];
        if (rightwards_ && line.from.x > reach.right) {
            break;
        }
        if (reach.Touches(line.from, line.to)) {
            line.erasedBy = line.onSurface ? label : kSeveralLabels;
            line.onSurface = false;
            touched_.push_back(index);
        }
    }
}

} // namespace valvescope
