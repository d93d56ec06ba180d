// Reading the redraw's operations in the tests: the input of the window's initial 462 x 224
// surface, the blocks between pen-colour changes, segments, points, texts and curves.
#pragma once

#include "core/plot/redraw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace valvescope {

// Readable failure messages for operations; found by argument-dependent lookup.
inline void PrintTo(const DrawOp& op, std::ostream* os) {
    *os << "{kind " << static_cast<int>(op.kind) << " at (" << op.x << ", " << op.y << ") colour "
        << op.colour << " size " << op.size << " \"" << op.text << "\"}";
}

namespace redrawtest {

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

inline RedrawInput DefaultInput() {
    RedrawInput in;
    in.settings.EndI = 200;
    in.settings.EndV = 800;
    in.settings.GridStep = 10;
    in.settings.GridLineCount = 10;
    in.settings.Ra = 3000;
    in.settings.BPlus = 400;
    in.settings.Rk = 590;
    in.width = 462;
    in.height = 224;
    return in;
}

inline Overlays AllOverlays() {
    return Overlays{true, true, true, true, true};
}

struct Point {
    std::int32_t x;
    std::int32_t y;
    bool operator==(const Point&) const = default;
};

struct Segment {
    Point from;
    Point to;
    bool operator==(const Segment&) const = default;
};

inline void PrintTo(const Point& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}
inline void PrintTo(const Segment& s, std::ostream* os) {
    PrintTo(s.from, os);
    *os << "-";
    PrintTo(s.to, os);
}

// The operations after one pen-colour change, up to the next.
struct PenBlock {
    Colour colour;
    DrawOps ops;
};

inline std::vector<PenBlock> PenBlocks(const DrawOps& ops) {
    std::vector<PenBlock> blocks;
    for (const DrawOp& op : ops) {
        if (op.kind == DrawOpKind::PenColour) {
            blocks.push_back({op.colour, {}});
        } else if (!blocks.empty()) {
            blocks.back().ops.push_back(op);
        }
    }
    return blocks;
}

inline std::vector<Colour> ColoursOf(const std::vector<PenBlock>& blocks) {
    std::vector<Colour> colours;
    for (const PenBlock& block : blocks) {
        colours.push_back(block.colour);
    }
    return colours;
}

// Every move-to followed at once by a line-to, as a segment.
inline std::vector<Segment> SegmentsOf(const DrawOps& ops) {
    std::vector<Segment> segments;
    for (std::size_t i = 0; i + 1 < ops.size(); ++i) {
        if (ops[i].kind == DrawOpKind::MoveTo && ops[i + 1].kind == DrawOpKind::LineTo) {
            segments.push_back({{ops[i].x, ops[i].y}, {ops[i + 1].x, ops[i + 1].y}});
        }
    }
    return segments;
}

inline std::vector<Point> PointsOf(const DrawOps& ops, DrawOpKind kind) {
    std::vector<Point> points;
    for (const DrawOp& op : ops) {
        if (op.kind == kind) {
            points.push_back({op.x, op.y});
        }
    }
    return points;
}

inline std::vector<std::string> TextsOf(const DrawOps& ops) {
    std::vector<std::string> texts;
    for (const DrawOp& op : ops) {
        if (op.kind == DrawOpKind::Text) {
            texts.push_back(op.text);
        }
    }
    return texts;
}

inline std::size_t CountOf(const DrawOps& ops, DrawOpKind kind) {
    return static_cast<std::size_t>(std::count_if(
        ops.begin(), ops.end(), [kind](const DrawOp& op) { return op.kind == kind; }));
}

// One plate curve: the operations from its font change up to the next.
inline std::vector<DrawOps> Curves(const DrawOps& ops) {
    std::vector<DrawOps> curves;
    for (const DrawOp& op : ops) {
        if (op.kind == DrawOpKind::Font) {
            curves.emplace_back();
        }
        if (!curves.empty()) {
            curves.back().push_back(op);
        }
    }
    return curves;
}

inline DrawOp PenWidthOp(std::int32_t width) {
    return {DrawOpKind::PenWidth, 0, 0, 0, width, {}};
}
inline DrawOp MoveToOp(std::int32_t x, std::int32_t y) {
    return {DrawOpKind::MoveTo, x, y, 0, 0, {}};
}
inline DrawOp LineToOp(std::int32_t x, std::int32_t y) {
    return {DrawOpKind::LineTo, x, y, 0, 0, {}};
}

inline DrawOps Redraw(const RedrawInput& in) {
    PlotScale scale;
    DrawOps ops;
    RedrawPlot(in, scale, ops);
    return ops;
}

// Runs a redraw that must fail; returns its message and leaves what it drew in `ops`.
inline std::string FailingRedraw(const RedrawInput& in, PlotScale& scale, DrawOps& ops) {
    try {
        RedrawPlot(in, scale, ops);
    } catch (const tubemath::ArithmeticError& error) {
        return error.what();
    }
    ADD_FAILURE() << "the redraw did not fail";
    return {};
}

inline std::vector<std::int32_t> Xs(const std::vector<Segment>& segments) {
    std::vector<std::int32_t> xs;
    for (const Segment& s : segments) {
        EXPECT_EQ(s.from.x, s.to.x);
        xs.push_back(s.from.x);
    }
    return xs;
}

inline std::vector<std::int32_t> Ys(const std::vector<Segment>& segments) {
    std::vector<std::int32_t> ys;
    for (const Segment& s : segments) {
        EXPECT_EQ(s.from.y, s.to.y);
        ys.push_back(s.from.y);
    }
    return ys;
}

// These read the operations of the reference path, curve by curve; the shortcuts leave out
// lines already drawn and labels that a later one covers.
inline RedrawInput ReferenceInput() {
    RedrawInput in = DefaultInput();
    in.stepByStep = true;
    return in;
}

} // namespace redrawtest
} // namespace valvescope
