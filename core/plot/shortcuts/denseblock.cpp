#include "core/plot/shortcuts/denseblock.h"

#include "core/plot/curvegrid.h"
#include "core/plot/shortcuts/curveruns.h"
#include "core/plot/shortcuts/densefamily.h"
#include "core/plot/stoprequest.h"

#include "formats/formats.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace valvescope {

namespace {

// Where the curves change, the highest first: a change after k parts k from k - 1. The last
// stretch ends at `last`.
std::vector<std::int64_t> StretchEnds(const FamilyMap& family, std::int64_t first,
                                      std::int64_t last) {
    std::vector<std::int64_t> ends;
    for (const RowChange& change : family.changes) {
        ends.push_back(change.after);
    }
    for (const std::int64_t from : family.stopsFrom) {
        if (from > last && from <= first) {
            ends.push_back(from);
        }
    }
    std::sort(ends.begin(), ends.end(), std::greater<>());
    ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
    ends.push_back(last);
    return ends;
}

// The labels' texts. They only change every so many curves here: the stretch of curves known to
// share the latest text is kept, so that most labels are looked up rather than formatted.
class BlockTexts {
public:
    explicit BlockTexts(const PlotSettings& settings) : settings_(settings) {}

    std::string Of(std::int64_t k) {
        if (k >= low_ && k <= high_) {
            return text_;
        }
        std::string text = formats::FormatValue(GridVoltageOf(k, settings_));
        // Texts run one way with k, so a text seen again holds everywhere between.
        if (text == text_) {
            low_ = std::min(low_, k);
            high_ = std::max(high_, k);
        } else {
            low_ = k;
            high_ = k;
            text_ = text;
        }
        return text;
    }

private:
    const PlotSettings& settings_;
    std::int64_t low_ = 1;
    std::int64_t high_ = 0;
    std::string text_;
};

class DenseBlock {
public:
    DenseBlock(std::int64_t first, std::int64_t last, const PlotMapping& map, const RedrawInput& in,
               LabelQueue& labels);

    void Draw(DrawRecorder& draw);

private:
    FamilyMap MapCurves() const;
    void AdvanceTo(std::int64_t high);
    void DrawStretch(std::int64_t high, std::int64_t low);
    CurveLabel TracedCurve(double Va, const std::string& label,
                           const std::vector<std::size_t>* changed);

    const std::int64_t first_;
    const std::int64_t last_;
    const PlotMapping& map_;
    const RedrawInput& in_;
    LabelQueue& labels_;
    BlockTexts texts_;
    // The curve's last plate voltage when its current does not stop it first.
    const std::int32_t lastVolt_;
    const FamilyMap family_;
    std::vector<std::int32_t> xs_; // the column of each whole volt
    // The rows of the stretch being drawn, and the volt up to which it runs.
    std::vector<std::int32_t> rows_;
    std::size_t changesApplied_ = 0;
    std::int32_t stop_ = 0;
    // The lines that differ from the stretch before's: the two at each changed point, and those
    // past its end. None for the first stretch, which is drawn in full.
    std::vector<std::size_t> changed_;
    bool firstStretch_ = true;
};

DenseBlock::DenseBlock(std::int64_t first, std::int64_t last, const PlotMapping& map,
                       const RedrawInput& in, LabelQueue& labels)
    : first_(first), last_(last), map_(map), in_(in), labels_(labels), texts_(in.settings),
      lastVolt_(static_cast<std::int32_t>(map.LastCurveVolt())), family_(MapCurves()),
      rows_(family_.topRow) {
    for (std::int32_t v = 0; v <= lastVolt_; ++v) {
        xs_.push_back(map_.X(v));
    }
}

FamilyMap DenseBlock::MapCurves() const {
    const auto pointAt = [this](std::int64_t k, std::int32_t v) {
        const double I = ClampedCurrent(
            tubemath::PlateCurrent(in_.tube.Model.Seed, GridVoltageOf(k, in_.settings), v));
        return FamilyPoint{map_.Y(I), map_.PassesCurrentLimit(I)};
    };
    return MapFamily(first_, last_, lastVolt_, pointAt);
}

void DenseBlock::Draw(DrawRecorder& draw) {
    const std::vector<std::int64_t> ends = StretchEnds(family_, first_, last_);
    draw.Reserve(4 * family_.changes.size());
    std::int64_t high = first_;
    for (const std::int64_t low : ends) {
        if (low > high) {
            continue;
        }
        StopIfAsked(in_.stop);
        AdvanceTo(high);
        DrawStretch(high, low);
        high = low - 1;
    }
}

// The rows of the curves from `high` down, the volt they run up to, and the lines that differ
// from the stretch before.
void DenseBlock::AdvanceTo(std::int64_t high) {
    changed_.clear();
    while (changesApplied_ < family_.changes.size() &&
           family_.changes[changesApplied_].after > high) {
        const RowChange& change = family_.changes[changesApplied_++];
        rows_[static_cast<std::size_t>(change.volt)] = change.row;
        changed_.push_back(static_cast<std::size_t>(change.volt));
        changed_.push_back(static_cast<std::size_t>(change.volt) + 1);
    }
    const std::int32_t stopBefore = stop_;
    while (stop_ < lastVolt_ && family_.stopsFrom[static_cast<std::size_t>(stop_)] > high) {
        ++stop_;
    }
    for (std::int32_t v = stopBefore + 1; v <= stop_; ++v) {
        changed_.push_back(static_cast<std::size_t>(v));
    }
}

// The curves high ... low, which draw the same points and put their labels at the same place: at
// most one of their labels shows, the first that can. The curve with its own label, that label
// written where it is another's, and the curve again after it.
void DenseBlock::DrawStretch(std::int64_t high, std::int64_t low) {
    const bool stopsForCurrent = family_.stopsFrom[static_cast<std::size_t>(stop_)] <= high;
    const double Va = stopsForCurrent || stop_ > map_.VoltageLimit() ? stop_ : stop_ + 1.0;
    const auto labelOf = [this](std::int64_t k) { return texts_.Of(k); };
    const auto decadeOf = [this](std::int64_t k) {
        return DecadeOf(GridVoltageOf(k, in_.settings));
    };
    const CurveLabel label = TracedCurve(Va, labelOf(high), firstStretch_ ? nullptr : &changed_);
    firstStretch_ = false;
    std::optional<std::int64_t> shown = label.shown ? std::optional(high) : std::nullopt;
    if (!shown && high > low) {
        const auto shows = [&](const std::string& text) {
            return labels_.Shows(label.place, text);
        };
        shown = FirstShownRunLabel(high - 1, low, labelOf, decadeOf, shows);
        if (shown) {
            labels_.Label(label.place, labelOf(*shown));
        }
    }
    if (shown && *shown > low) {
        static const std::vector<std::size_t> kNoChange;
        TracedCurve(Va, labelOf(low), &kNoChange);
    }
}

// A curve along the rows known, from 0 V up to the stop, ending at Va, and its label. With
// `changed`, it runs as the curve drawn just before it except for those lines.
CurveLabel DenseBlock::TracedCurve(double Va, const std::string& label,
                                   const std::vector<std::size_t>* changed) {
    const auto pointAt = [&](std::size_t v) { return PixelPoint{xs_[v], rows_[v]}; };
    if (changed == nullptr) {
        labels_.Start();
        for (std::int32_t v = 0; v <= stop_; ++v) {
            labels_.LineTo(pointAt(static_cast<std::size_t>(v)));
        }
    } else {
        labels_.Repeat(static_cast<std::size_t>(stop_) + 1, *changed, [&](std::size_t i) {
            return std::pair{i == 0 ? PixelPoint{0, map_.Height()} : pointAt(i - 1), pointAt(i)};
        });
    }
    const LabelPlace place = map_.LabelPlaceAt(Va, rows_[static_cast<std::size_t>(stop_)]);
    return {place, labels_.Label(place, label)};
}

} // namespace

void DrawDenseBlock(std::int64_t first, std::int64_t last, DrawRecorder& draw,
                    const PlotMapping& map, const RedrawInput& in, LabelQueue& labels) {
    DenseBlock(first, last, map, in, labels).Draw(draw);
}

} // namespace valvescope
