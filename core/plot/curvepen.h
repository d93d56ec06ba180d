// Where the plate curves' lines and labels go. The reference path draws each as it comes; the
// shortcuts hand them to a LabelQueue (core/plot/shortcuts/labelqueue.h), which leaves out what is
// already on the surface and what a later label covers.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/plotmapping.h"
#include "core/plot/shortcuts/curvetrace.h"

#include <cstdint>
#include <string>

namespace valvescope {

class CurvePen {
public:
    virtual ~CurvePen() = default;
    // A new curve from the bottom-left corner of the surface.
    virtual void Start() = 0;
    // A line from the curve's current point to `to`.
    virtual void LineTo(PixelPoint to) = 0;
    // The curve's label, written on an opaque box at `place`.
    virtual void Label(LabelPlace place, const std::string& text) = 0;
};

// The reference path: every curve sets the label font and moves to the corner, and every line
// and label is drawn as it comes.
class ReferencePen final : public CurvePen {
public:
    ReferencePen(DrawRecorder& draw, std::int32_t height) : draw_(draw), height_(height) {}

    void Start() override {
        draw_.Font(kBlue, kLabelFace, kLabelPointSize);
        draw_.MoveTo(0, height_);
    }
    void LineTo(PixelPoint to) override { draw_.LineTo(to.x, to.y); }
    void Label(LabelPlace place, const std::string& text) override {
        draw_.Text(place.x, place.y, text);
    }

private:
    DrawRecorder& draw_;
    const std::int32_t height_;
};

} // namespace valvescope
