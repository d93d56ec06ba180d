#include "core/plot/shortcuts/densefamily.h"

#include "core/search/bracketsearch.h"

#include <algorithm>
#include <utility>

namespace valvescope {

namespace {

// The lowest k in [last, first] at which `holds` is true, given that it stays true as k rises;
// first + 1 when it holds nowhere.
std::int64_t LowestWhere(std::int64_t first, std::int64_t last,
                         const std::function<bool(std::int64_t)>& holds) {
    return holds(first) ? search::LastHoldingTowards(first, last, holds) : first + 1;
}

// The changes of row at volt v between curves high and low, whose rows are known.
void RowChanges(std::int32_t v, std::int64_t high, std::int32_t highRow, std::int64_t low,
                std::int32_t lowRow,
                const std::function<FamilyPoint(std::int64_t, std::int32_t)>& pointAt,
                std::vector<RowChange>& changes) {
    struct Span {
        std::int64_t high;
        std::int32_t highRow;
        std::int64_t low;
        std::int32_t lowRow;
    };
    std::vector<Span> open{{high, highRow, low, lowRow}};
    while (!open.empty()) {
        const Span span = open.back();
        open.pop_back();
        if (span.highRow == span.lowRow) {
            continue;
        }
        if (span.high - span.low == 1) {
            changes.push_back({span.high, v, span.lowRow});
            continue;
        }
        const std::int64_t middle = span.low + (span.high - span.low) / 2;
        const std::int32_t middleRow = pointAt(middle, v).row;
        // The lower half goes on the stack first, so the higher one is split first.
        open.push_back({middle, middleRow, span.low, span.lowRow});
        open.push_back({span.high, span.highRow, middle, middleRow});
    }
}

} // namespace

FamilyMap MapFamily(std::int64_t first, std::int64_t last, std::int32_t lastVolt,
                    const std::function<FamilyPoint(std::int64_t, std::int32_t)>& pointAt) {
    FamilyMap map;
    const auto volts = static_cast<std::size_t>(lastVolt) + 1;
    map.stopsFrom.resize(volts);
    map.topRow.resize(volts);
    map.highestReaching.resize(volts);
    for (std::int32_t v = 0; v <= lastVolt; ++v) {
        map.stopsFrom[static_cast<std::size_t>(v)] =
            LowestWhere(first, last, [&](std::int64_t k) { return pointAt(k, v).stops; });
    }
    // A curve reaches v when it did not stop at any lower voltage.
    std::int64_t highestReaching = first;
    for (std::int32_t v = 0; v <= lastVolt; ++v) {
        const auto at = static_cast<std::size_t>(v);
        map.highestReaching[at] = highestReaching;
        if (highestReaching >= last) {
            map.topRow[at] = pointAt(highestReaching, v).row;
            const std::int32_t lowRow = pointAt(last, v).row;
            RowChanges(v, highestReaching, map.topRow[at], last, lowRow, pointAt, map.changes);
        }
        highestReaching = std::min(highestReaching, map.stopsFrom[at] - 1);
    }
    std::stable_sort(map.changes.begin(), map.changes.end(),
                     [](const RowChange& a, const RowChange& b) { return a.after > b.after; });
    return map;
}

} // namespace valvescope
