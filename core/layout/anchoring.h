// Where a control goes when its parent is resized, given the edges it is anchored to, and
// where the axis labels go along the plot.
#pragma once

#include <array>

namespace valvescope {

struct Rect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const Rect&) const = default;
};

struct Size {
    int Width = 0;
    int Height = 0;
    bool operator==(const Size&) const = default;
};

struct Anchors {
    bool Left = false;
    bool Top = false;
    bool Right = false;
    bool Bottom = false;
};

// Nearest whole number, halves to the even neighbour.
int RoundHalfEven(double x);

// The control's rectangle in a parent of newParent size. Per axis: anchored to both edges it
// stretches, to one edge it keeps its distance to that edge, to neither it keeps its centre's
// relative place between them.
Rect PlaceAnchored(const Rect& designed, Size designedParent, Anchors anchors, Size newParent);

// Tops of Lbl4I, Lbl3I, Lbl2I, Lbl1I and left edges of Lbl1V ... Lbl9V along the plot.
struct AxisLabelPlaces {
    std::array<int, 4> CurrentTops{};  // Lbl4I first
    std::array<int, 9> VoltageLefts{}; // Lbl1V first
};

AxisLabelPlaces PlaceAxisLabels(const Rect& plot, int currentLabelHeight, int voltageLabelWidth);

} // namespace valvescope
