#include "core/plot/shortcuts/labelqueue.h"

namespace valvescope {

LabelQueue::LabelQueue(DrawRecorder& draw, std::int32_t width, std::int32_t height)
    : draw_(draw), height_(height), tracer_([this](const TracedLine& line) { TakeLine(line); }),
      shown_(width, height) {}

void LabelQueue::Start() {
    if (!labelFontSet_) {
        draw_.Font(kBlue, kLabelFace, kLabelPointSize);
        labelFontSet_ = true;
    }
    tracer_.Begin({0, height_});
}

bool LabelQueue::Label(LabelPlace place, const std::string& text) {
    if (!shown_.Show(place, text)) {
        return false;
    }
    Flush();
    const std::uint64_t number = ++labelsWritten_;
    pending_ = PendingLabel{place, text, LabelReach(place.x, place.y, text.size()), {}};
    tracer_.Written(place.x, place.y, text.size(), number);
    return true;
}

void LabelQueue::Flush() {
    if (!pending_) {
        return;
    }
    draw_.Text(pending_->place.x, pending_->place.y, pending_->text);
    for (const TracedLine& line : pending_->held) {
        EmitLine(line.from, line.to);
    }
    pending_.reset();
}

// A line that the held-back label may touch waits for it; the others are drawn at once, which
// paints what drawing them after the label would.
void LabelQueue::TakeLine(const TracedLine& line) {
    if (pending_ && pending_->reach.Touches(line.from, line.to)) {
        pending_->held.push_back(line);
    } else {
        EmitLine(line.from, line.to);
    }
}

void LabelQueue::EmitLine(PixelPoint from, PixelPoint to) {
    if (!penKnown_ || !(pen_ == from)) {
        draw_.MoveTo(from.x, from.y);
    }
    draw_.LineTo(to.x, to.y);
    pen_ = to;
    penKnown_ = true;
}

} // namespace valvescope
