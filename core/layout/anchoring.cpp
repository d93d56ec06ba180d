#include "core/layout/anchoring.h"

#include <cmath>

namespace valvescope {

namespace {

struct Span {
    int Start;
    int Length;
};

Span PlaceSpan(Span designed, int designedParent, bool nearEdge, bool farEdge, int newParent) {
    int growth = newParent - designedParent;
    if (nearEdge && farEdge) {
        return {designed.Start, designed.Length + growth};
    }
    if (nearEdge) {
        return designed;
    }
    if (farEdge) {
        return {designed.Start + growth, designed.Length};
    }
    if (designedParent <= 0) {
        return designed;
    }
    double centre = designed.Start + designed.Length / 2.0;
    double newCentre = centre * newParent / designedParent;
    return {RoundHalfEven(newCentre - designed.Length / 2.0), designed.Length};
}

} // namespace

int RoundHalfEven(double x) {
    return static_cast<int>(std::nearbyint(x));
}

Rect PlaceAnchored(const Rect& designed, Size designedParent, Anchors anchors, Size newParent) {
    Span across = PlaceSpan({designed.Left, designed.Width}, designedParent.Width, anchors.Left,
                            anchors.Right, newParent.Width);
    Span down = PlaceSpan({designed.Top, designed.Height}, designedParent.Height, anchors.Top,
                          anchors.Bottom, newParent.Height);
    return {across.Start, down.Start, across.Length, down.Length};
}

AxisLabelPlaces PlaceAxisLabels(const Rect& plot, int currentLabelHeight, int voltageLabelWidth) {
    AxisLabelPlaces places;
    int fifth = RoundHalfEven(plot.Height / 5.0);
    int halfHeight = RoundHalfEven(currentLabelHeight / 2.0);
    for (int k = 1; k <= 4; ++k) {
        places.CurrentTops[k - 1] = plot.Top + k * fifth - halfHeight;
    }
    int tenth = RoundHalfEven(plot.Width / 10.0);
    int halfWidth = RoundHalfEven(voltageLabelWidth / 2.0);
    for (int k = 1; k <= 9; ++k) {
        places.VoltageLefts[k - 1] = plot.Left + k * tenth - halfWidth;
    }
    return places;
}

} // namespace valvescope
