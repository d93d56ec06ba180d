// The picture of the plot as it leaves the window: the plot surface with the axis labels around
// it where the window shows them, and under them a caption with the tube's name and the seven
// settings, so that the picture reads on its own.
#pragma once

#include "core/page/textmeasure.h"
#include "core/plot/drawops.h"
#include "core/session/plotsession.h"

#include <cstdint>
#include <string>
#include <vector>

namespace valvescope::page {

// The window's axis labels: Arial of 9 pixels (7 points at 96 dots per inch), navy.
inline constexpr Colour kNavy = 0x800000;
inline constexpr const char* kAxisFace = "Arial";
inline constexpr int kAxisPointSize = 7;
// The caption line: Arial of 11 pixels, black.
inline constexpr const char* kCaptionFace = "Arial";
inline constexpr int kCaptionPointSize = 8;
// Between the outermost texts and the picture's edge.
inline constexpr std::int32_t kPictureMargin = 6;

// What a picture needs besides the surface: the axis captions the window shows, and the
// caption line's items (none for no caption line).
struct PictureLabels {
    AxisCaptions Captions;
    std::vector<std::string> CaptionItems;
};

struct FramedPicture {
    std::int32_t Width = 0; // the whole picture, in pixels
    std::int32_t Height = 0;
    std::int32_t SurfaceLeft = 0; // the plot surface's top-left corner in the picture
    std::int32_t SurfaceTop = 0;
    std::int32_t SurfaceWidth = 0;
    std::int32_t SurfaceHeight = 0;
    DrawOps Margins; // the axis labels and the caption, in the picture's pixels, on white
};

// The picture around a surface of the given size. The labels sit where the window puts them
// around its plot: the current captions right-aligned 3 pixels left of the surface (the top one
// at its top edge, the others centred on the fifths), "0" under its left edge, the voltage
// captions 3 pixels under it centred on the tenths, the last one starting 13 pixels left of its
// right edge. The caption items follow each other, separated by "  ·  ", on as many lines as the
// picture's width takes without breaking an item; the picture widens for an item wider than it.
FramedPicture FramePicture(const PictureLabels& labels, std::int32_t surfaceWidth,
                           std::int32_t surfaceHeight, const TextMeasure& measure);

// The caption items as lines no wider than `width`, an item never broken (a line holds at least
// one item).
std::vector<std::string> WrapItems(const std::vector<std::string>& items, std::int32_t width,
                                   const TextMeasure& measure, const std::string& face,
                                   int pointSize);

} // namespace valvescope::page
