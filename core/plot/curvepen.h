// Where the plate curves' lines and labels go. A label shows unless it would overlap one already
// shown or run past the edge of the surface (core/plot/labelboxes.h). The reference path draws
// each line and each label that shows as it comes; the shortcuts hand them to a LabelQueue
// (core/plot/shortcuts/labelqueue.h), which also leaves out what is already on the surface.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/labelboxes.h"
#include "core/plot/plotmapping.h"
#include "core/plot/shortcuts/curvetrace.h"

#include <cstdint>
#include <string>

namespace valvescope {

// Where a curve's label went, and whether it shows.
struct CurveLabel {
    LabelPlace place;
    bool shown = false;
};

class CurvePen {
public:
    virtual ~CurvePen() = default;
    // A new curve from the bottom-left corner of the surface.
    virtual void Start() = 0;
    // A line from the curve's current point to `to`.
    virtual void LineTo(PixelPoint to) = 0;
    // The curve's label, written on an opaque box at `place` where it shows; returns whether it
    // does.
    virtual bool Label(LabelPlace place, const std::string& text) = 0;
};

// The reference path: every curve sets the label font and moves to the corner, and every line
// and every label that shows is drawn as it comes.
class ReferencePen final : public CurvePen {
public:
    ReferencePen(DrawRecorder& draw, std::int32_t width, std::int32_t height)
        : draw_(draw), height_(height), shown_(width, height) {}

    void Start() override {
        draw_.Font(kBlue, kLabelFace, kLabelPointSize);
        draw_.MoveTo(0, height_);
    }
    void LineTo(PixelPoint to) override { draw_.LineTo(to.x, to.y); }
    bool Label(LabelPlace place, const std::string& text) override {
        if (!shown_.Show(place, text)) {
            return false;
        }
        draw_.Text(place.x, place.y, text);
        return true;
    }

private:
    DrawRecorder& draw_;
    const std::int32_t height_;
    ShownLabels shown_;
};

} // namespace valvescope
