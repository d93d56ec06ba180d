#include "core/page/printedpage.h"

#include <algorithm>
#include <sstream>

namespace valvescope::page {

namespace {

constexpr std::int32_t kTitleGap = 16;   // the title to the picture
constexpr std::int32_t kPictureGap = 28; // the picture to the settings
constexpr std::int32_t kHeadingGap = 6;  // a heading to its rows
constexpr std::int32_t kSectionGap = 20; // the settings to the summary
constexpr std::int32_t kColumnGap = 24;  // the widest caption to the values
constexpr std::int32_t kFigureGap = 16;  // the summary to its plots, and between them
constexpr std::int32_t kLeastFigureHeight = 100;

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

class PageWriter {
public:
    PageWriter(const PageContent& content, const TextMeasure& measure, PageLayout& layout)
        : content_(content), measure_(measure), draw_(layout.Texts), layout_(layout),
          y_(kPageMargin) {}

    void Title() {
        draw_.Font(kBlack, kPageFace, kTitlePointSize);
        y_ +=
            Line(kPageMargin, "Plate characteristics of the " + content_.TubeName, kTitlePointSize);
        y_ += kTitleGap;
    }

    void Picture() {
        const double width = content_.PageWidth - 2.0 * kPageMargin;
        const double height = (content_.PageHeight - 2.0 * kPageMargin) / 2;
        if (content_.PictureWidth <= 0 || content_.PictureHeight <= 0) {
            return;
        }
        const double scale =
            std::min(width / content_.PictureWidth, height / content_.PictureHeight);
        layout_.PictureScale = scale;
        layout_.PictureLeft = kPageMargin + (width - content_.PictureWidth * scale) / 2;
        layout_.PictureTop = y_;
        y_ += static_cast<std::int32_t>(content_.PictureHeight * scale + 0.999) + kPictureGap;
    }

    void Settings() {
        std::vector<SettingRow> rows{{"Tube", content_.TubeName}};
        rows.insert(rows.end(), content_.Settings.begin(), content_.Settings.end());
        Heading("Settings");
        std::int32_t column = 0;
        for (const SettingRow& row : rows) {
            column = std::max(column, measure_(row.Caption, kPageFace, kBodyPointSize).Width);
        }
        for (const SettingRow& row : rows) {
            Line(kPageMargin, row.Caption, kBodyPointSize);
            y_ += Line(kPageMargin + column + kColumnGap, row.Value, kBodyPointSize);
        }
    }

    void Summary() {
        if (!content_.Summary) {
            return;
        }
        y_ += kSectionGap;
        Heading("Operating point");
        const std::int32_t bottom = content_.PageHeight - kPageMargin;
        const std::vector<std::string> lines = LinesOf(*content_.Summary);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const std::int32_t height = measure_(lines[k], kPageFace, kBodyPointSize).Height;
            const bool last = k + 1 == lines.size();
            if (y_ + height * (last ? 1 : 2) > bottom) {
                Line(kPageMargin, "\u2026", kBodyPointSize);
                cut_ = true;
                return;
            }
            y_ += Line(kPageMargin, lines[k], kBodyPointSize);
        }
    }

    // The plots share the width between the margins, each 0.6 of its width high at most, in
    // what is left above the bottom margin.
    void Figures() {
        if (!content_.Summary || content_.Figures == 0 || cut_) {
            return;
        }
        const auto count = static_cast<std::int32_t>(content_.Figures);
        const std::int32_t top = y_ + kFigureGap;
        const std::int32_t width =
            (content_.PageWidth - 2 * kPageMargin - (count - 1) * kFigureGap) / count;
        const std::int32_t height =
            std::min(width * 3 / 5, content_.PageHeight - kPageMargin - top);
        if (width <= 0 || height < kLeastFigureHeight) {
            return;
        }
        for (std::int32_t k = 0; k < count; ++k) {
            layout_.Figures.push_back({kPageMargin + k * (width + kFigureGap), top, width, height});
        }
        y_ = top + height;
    }

private:
    void Heading(const std::string& text) {
        draw_.Font(kBlack, kPageFace, kHeadingPointSize);
        y_ += Line(kPageMargin, text, kHeadingPointSize) + kHeadingGap;
        draw_.Font(kBlack, kPageFace, kBodyPointSize);
    }

    // Writes the text at x on the current line; returns the line's height.
    std::int32_t Line(std::int32_t x, const std::string& text, int pointSize) {
        draw_.Text(x, y_, text);
        return measure_(text, kPageFace, pointSize).Height;
    }

    const PageContent& content_;
    const TextMeasure& measure_;
    DrawRecorder draw_;
    PageLayout& layout_;
    std::int32_t y_;
    bool cut_ = false; // the summary ran out of room
};

} // namespace

PageLayout LayOutPage(const PageContent& content, const TextMeasure& measure) {
    PageLayout layout;
    PageWriter writer(content, measure, layout);
    writer.Title();
    writer.Picture();
    writer.Settings();
    writer.Summary();
    writer.Figures();
    return layout;
}

} // namespace valvescope::page
