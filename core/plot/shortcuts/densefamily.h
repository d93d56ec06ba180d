// A family of curves packed closer than the pixels can show them: where each curve's point at a
// plate voltage falls, curve by curve, found by halving over the family instead of drawing every
// curve.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace valvescope {

// One curve's point at one plate voltage: its row, and whether its current stops the curve there.
struct FamilyPoint {
    std::int32_t row = 0;
    bool stops = false;
};

// A change of row at plate voltage `volt` between curve `after` and the next one, `after - 1`,
// whose row is `row`.
struct RowChange {
    std::int64_t after = 0;
    std::int32_t volt = 0;
    std::int32_t row = 0;
};

struct FamilyMap {
    // Per plate voltage v: from which curve k up the current stops the curve at v (every k at or
    // above stopsFrom[v] stops there); first + 1 where none does.
    std::vector<std::int64_t> stopsFrom;
    // Per plate voltage v: the highest curve that reaches v, not having stopped below it (below
    // `last` when none does), and its row there.
    std::vector<std::int64_t> highestReaching;
    std::vector<std::int32_t> topRow;
    // Every change of row, the highest curves first.
    std::vector<RowChange> changes;
};

// Maps the curves k = first, first - 1, ..., last at plate voltages 0 ... lastVolt, given that at
// each plate voltage the row only grows (the current only falls) and the stopping only ends as k
// falls. pointAt(k, v) is the curve's point; it is asked about O(changes * log(first - last))
// times.
FamilyMap MapFamily(std::int64_t first, std::int64_t last, std::int32_t lastVolt,
                    const std::function<FamilyPoint(std::int64_t, std::int32_t)>& pointAt);

} // namespace valvescope
