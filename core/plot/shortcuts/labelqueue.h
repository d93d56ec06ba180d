// The shortcuts' pen for the curve family. The label font is set once. A line that the curve
// before drew at the same place is left out (core/plot/shortcuts/curvetrace.h). A label shows by
// the reference pen's rule (core/plot/labelboxes.h); the latest one that showed is written when
// the next one shows, or once the family is drawn, followed by the lines drawn since that it may
// touch, which paints what writing it at once would. Lines are drawn with a move-to only where
// the pen is not already at their start.
#pragma once

#include "core/plot/curvepen.h"
#include "core/plot/drawops.h"
#include "core/plot/labelboxes.h"
#include "core/plot/plotmapping.h"
#include "core/plot/shortcuts/curvetrace.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace valvescope {

class LabelQueue final : public CurvePen {
public:
    LabelQueue(DrawRecorder& draw, std::int32_t width, std::int32_t height);
    LabelQueue(const LabelQueue&) = delete;
    LabelQueue& operator=(const LabelQueue&) = delete;

    void Start() override;
    void LineTo(PixelPoint to) override { tracer_.LineTo(to); }
    bool Label(LabelPlace place, const std::string& text) override;
    // Whether a label of `text` at `place` would show now.
    bool Shows(LabelPlace place, const std::string& text) const {
        return shown_.Admits(place, text);
    }

    // A new curve with `count` lines that runs as the one before except for the lines at the
    // indices in `changed` (see CurveTracer::Repeat).
    void Repeat(std::size_t count, const std::vector<std::size_t>& changed,
                const CurveTracer::LineEnds& lineAt) {
        tracer_.Repeat(count, changed, lineAt);
    }

    // Writes the label held back and draws its lines. Called once the family is drawn, or has
    // failed.
    void Flush();

private:
    struct PendingLabel {
        LabelPlace place;
        std::string text;
        LabelReach reach;
        std::vector<TracedLine> held;
    };

    void TakeLine(const TracedLine& line);
    void EmitLine(PixelPoint from, PixelPoint to);

    DrawRecorder& draw_;
    const std::int32_t height_;
    CurveTracer tracer_;
    ShownLabels shown_;
    std::optional<PendingLabel> pending_;
    std::uint64_t labelsWritten_ = 0;
    bool labelFontSet_ = false;
    PixelPoint pen_;        // where the last line drawn left the surface's current point
    bool penKnown_ = false; // false until a curve line has been drawn
};

} // namespace valvescope
