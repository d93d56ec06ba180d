// The printed page: a title with the tube's name, the picture of the plot (with its axis labels)
// scaled to the page's width, the tube and the seven settings, and the operating point's summary
// when there is one, with its small plots side by side under it. Laid out in page pixels of 1/96
// inch, so that a Font operation's point size is a true point on paper.
#pragma once

#include "core/page/settingstext.h"
#include "core/page/textmeasure.h"
#include "core/plot/drawops.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace valvescope::page {

// A4, 210 x 297 mm, in 1/96 inch.
inline constexpr std::int32_t kA4Width = 794;
inline constexpr std::int32_t kA4Height = 1123;
// Three quarters of an inch all round: inside what any printer can reach.
inline constexpr std::int32_t kPageMargin = 72;
inline constexpr const char* kPageFace = "Arial";
inline constexpr int kTitlePointSize = 16;
inline constexpr int kHeadingPointSize = 12;
inline constexpr int kBodyPointSize = 10;

struct PageContent {
    std::int32_t PageWidth = kA4Width; // in 1/96 inch
    std::int32_t PageHeight = kA4Height;
    std::string TubeName;
    std::vector<SettingRow> Settings;
    std::optional<std::string> Summary; // lines separated by '\n'
    std::size_t Figures = 0;            // small plots to place under the summary
    std::int32_t PictureWidth = 0;      // the framed picture, in its own pixels
    std::int32_t PictureHeight = 0;
};

// Where a small plot goes, in page pixels; it is drawn for this size.
struct FigureBox {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

struct PageLayout {
    DrawOps Texts; // title, settings and summary, in page pixels
    // Where the picture goes: its top-left corner in page pixels and page pixels per picture
    // pixel. It fills the width between the margins, or half the height between them when
    // that is less.
    double PictureLeft = 0;
    double PictureTop = 0;
    double PictureScale = 1;
    // The small plots' places, side by side under the summary; none when the summary left too
    // little room for them (or was cut short).
    std::vector<FigureBox> Figures;
};

// Summary lines that would run past the bottom margin are left out, and "…" stands for them.
PageLayout LayOutPage(const PageContent& content, const TextMeasure& measure);

} // namespace valvescope::page
