// Drawing a family of curves whose neighbours mostly run through the same pixels: a line that the
// curve before drew at the same place in its list, and that no label has been written over
// since, is already on the surface and is left out.
#pragma once

#include "window/drawops.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace valvescope {

struct PixelPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const PixelPoint&) const = default;
};

class CurveTracer {
public:
    // With `leaveOutDrawn` false every line is drawn as it comes.
    CurveTracer(DrawRecorder& draw, bool leaveOutDrawn)
        : draw_(draw), leaveOutDrawn_(leaveOutDrawn) {}

    // A new curve from `start`, drawn as a move to it.
    void Begin(PixelPoint start);
    // A line from the current point to `to`; left out when it is already on the surface.
    void LineTo(PixelPoint to);
    // A label written on its opaque box at x, y: the lines of the latest curve that may lie
    // under the box are no longer taken as being on the surface.
    void Written(std::int32_t x, std::int32_t y, std::size_t characters);

private:
    struct Line {
        PixelPoint from;
        PixelPoint to;
        bool onSurface = true;
    };

    DrawRecorder& draw_;
    bool leaveOutDrawn_;
    std::vector<Line> previous_;
    std::vector<Line> current_;
    PixelPoint at_;  // the curve's current point
    PixelPoint pen_; // where the last operation drawn left the surface's current point
};

} // namespace valvescope
