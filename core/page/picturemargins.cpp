#include "core/page/picturemargins.h"

#include "core/layout/anchoring.h"

#include <algorithm>

namespace valvescope::page {

namespace {

// The window's axis labels are boxes 12 pixels high, the voltage ones 32 wide; their texts are
// centred in them, or right-aligned for the current axis.
constexpr std::int32_t kLabelBoxHeight = 12;
constexpr std::int32_t kVoltageBoxWidth = 32;
constexpr std::int32_t kCurrentGap = 3;        // a current caption's right end to the surface
constexpr std::int32_t kZeroGap = 1;           // "0"'s right end to the surface's left edge
constexpr std::int32_t kVoltageGap = 3;        // the surface's bottom to the voltage labels
constexpr std::int32_t kLastVoltageInset = 13; // the last voltage label starts this far inside
constexpr std::int32_t kTopLabelRaise = 1;     // the top current label sits this far above
constexpr std::int32_t kCaptionGap = 4;        // the axis labels to the caption line
const std::string kSeparator = " \u00B7 ";

// A text placed relative to the surface's top-left corner, with its extent.
struct PlacedText {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    TextExtent Extent;
    std::string Text;
};

class AxisLabelPlacer {
public:
    AxisLabelPlacer(std::int32_t width, std::int32_t height, const TextMeasure& measure)
        : width_(width), height_(height), measure_(measure) {}

    std::vector<PlacedText> Place(const AxisCaptions& captions) {
        const AxisLabelPlaces places =
            PlaceAxisLabels({0, 0, width_, height_}, kLabelBoxHeight, kVoltageBoxWidth);
        if (captions.Current) {
            const auto& texts = captions.Current->Captions;
            for (std::size_t k = 0; k < 4; ++k) {
                RightAligned(texts[k], -kCurrentGap, places.CurrentTops[3 - k]);
            }
            RightAligned(texts[4], -kCurrentGap, -kTopLabelRaise);
        }
        const std::int32_t below = height_ + kVoltageGap;
        RightAligned("0", -kZeroGap, below);
        if (captions.Voltage) {
            const auto& texts = *captions.Voltage;
            for (std::size_t k = 0; k < 9; ++k) {
                const TextExtent extent = Measure(texts[k]);
                Add(places.VoltageLefts[k] + (kVoltageBoxWidth - extent.Width) / 2, below, extent,
                    texts[k]);
            }
            Add(width_ - kLastVoltageInset, below, Measure(texts[9]), texts[9]);
        }
        return std::move(placed_);
    }

private:
    TextExtent Measure(const std::string& text) const {
        return measure_(text, kAxisFace, kAxisPointSize);
    }

    void RightAligned(const std::string& text, std::int32_t right, std::int32_t boxTop) {
        const TextExtent extent = Measure(text);
        Add(right - extent.Width, boxTop, extent, text);
    }

    // Centred in the height of a label box whose top is `boxTop`.
    void Add(std::int32_t x, std::int32_t boxTop, TextExtent extent, const std::string& text) {
        placed_.push_back({x, boxTop + (kLabelBoxHeight - extent.Height) / 2, extent, text});
    }

    std::int32_t width_;
    std::int32_t height_;
    const TextMeasure& measure_;
    std::vector<PlacedText> placed_;
};

} // namespace

std::vector<std::string> WrapItems(const std::vector<std::string>& items, std::int32_t width,
                                   const TextMeasure& measure, const std::string& face,
                                   int pointSize) {
    std::vector<std::string> lines;
    for (const std::string& item : items) {
        if (!lines.empty()) {
            const std::string longer = lines.back() + kSeparator + item;
            if (measure(longer, face, pointSize).Width <= width) {
                lines.back() = longer;
                continue;
            }
        }
        lines.push_back(item);
    }
    return lines;
}

FramedPicture FramePicture(const PictureLabels& labels, std::int32_t surfaceWidth,
                           std::int32_t surfaceHeight, const TextMeasure& measure) {
    const std::vector<PlacedText> placed =
        AxisLabelPlacer(surfaceWidth, surfaceHeight, measure).Place(labels.Captions);
    // The surface and the labels together, relative to the surface's corner.
    std::int32_t left = 0, top = 0, right = surfaceWidth, bottom = surfaceHeight;
    for (const PlacedText& text : placed) {
        left = std::min(left, text.X);
        top = std::min(top, text.Y);
        right = std::max(right, text.X + text.Extent.Width);
        bottom = std::max(bottom, text.Y + text.Extent.Height);
    }
    FramedPicture picture;
    picture.SurfaceLeft = kPictureMargin - left;
    picture.SurfaceTop = kPictureMargin - top;
    picture.SurfaceWidth = surfaceWidth;
    picture.SurfaceHeight = surfaceHeight;
    picture.Width = picture.SurfaceLeft + right + kPictureMargin;
    picture.Height = picture.SurfaceTop + bottom + kPictureMargin;

    DrawRecorder draw(picture.Margins);
    draw.Font(kNavy, kAxisFace, kAxisPointSize);
    for (const PlacedText& text : placed) {
        draw.Text(picture.SurfaceLeft + text.X, picture.SurfaceTop + text.Y, text.Text);
    }
    if (labels.CaptionItems.empty()) {
        return picture;
    }
    const std::vector<std::string> lines =
        WrapItems(labels.CaptionItems, picture.Width - 2 * kPictureMargin, measure, kCaptionFace,
                  kCaptionPointSize);
    draw.Font(kBlack, kCaptionFace, kCaptionPointSize);
    std::int32_t y = picture.SurfaceTop + bottom + kCaptionGap;
    for (const std::string& line : lines) {
        const TextExtent extent = measure(line, kCaptionFace, kCaptionPointSize);
        draw.Text(kPictureMargin, y, line);
        y += extent.Height;
        picture.Width = std::max(picture.Width, extent.Width + 2 * kPictureMargin);
    }
    picture.Height = y + kPictureMargin;
    return picture;
}

} // namespace valvescope::page
