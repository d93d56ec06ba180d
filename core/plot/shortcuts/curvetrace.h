// Drawing a family of curves whose neighbours mostly run through the same pixels: a line that the
// curve before drew at the same place in its list, and that no label has been written over
// since, is already on the surface and is left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

namespace valvescope {

struct PixelPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// The pixels a label written at x, y with this many characters may touch: its opaque box and
// its glyphs, with room to spare.
struct LabelReach {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;

    LabelReach(std::int32_t x, std::int32_t y, std::size_t characters);
    // Whether the line from `from` to `to` may have pixels within the reach.
    bool Touches(PixelPoint from, PixelPoint to) const;
};

// A line of a curve that is not on the surface as it stands.
struct TracedLine {
    PixelPoint from;
    PixelPoint to;
    // The curve before drew it too, but a label has been written over it since: the label
    // `erasedBy`, or several when that is kSeveralLabels.
    bool redrawn = false;
    std::uint64_t erasedBy = 0;
};

inline constexpr std::uint64_t kSeveralLabels = std::numeric_limits<std::uint64_t>::max();

class CurveTracer {
public:
    using Sink = std::function<void(const TracedLine&)>;

    // The lines that need drawing go to `sink`, in order.
    explicit CurveTracer(Sink sink) : sink_(std::move(sink)) {}

    // A new curve from `start`.
    void Begin(PixelPoint start);
    // A line from the current point to `to`; passed on unless it is already on the surface.
    void LineTo(PixelPoint to);
    // The label numbered `label` written at x, y: the lines of the latest curve that it may
    // touch are no longer taken as being on the surface.
    void Written(std::int32_t x, std::int32_t y, std::size_t characters, std::uint64_t label);

    // A new curve with `count` lines that runs as the one before except for the lines at the
    // indices in `changed` (which include any beyond the one before's end): what Begin and a
    // line-to for each of its lines would do, with only the changed lines and those a label may
    // have touched looked at. lineAt(i) gives line i's ends.
    using LineEnds = std::function<std::pair<PixelPoint, PixelPoint>(std::size_t)>;
    void Repeat(std::size_t count, std::vector<std::size_t> changed, const LineEnds& lineAt);

private:
    struct Line {
        PixelPoint from;
        PixelPoint to;
        bool onSurface = true;
        std::uint64_t erasedBy = 0;
    };

    void Pass(std::size_t index, PixelPoint from, PixelPoint to);

    Sink sink_;
    std::vector<Line> previous_;
    std::vector<Line> current_;
    // Indices of lines of the two curves that a label may have touched (some more than once).
    std::vector<std::size_t> previousTouched_;
    std::vector<std::size_t> touched_;
    // Whether the latest curve's lines all run left to right, so that those under a label are
    // found by halving.
    bool rightwards_ = true;
    PixelPoint at_; // the curve's current point
};

} // namespace valvescope
