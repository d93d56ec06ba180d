// Pins the drawing operations of a few plots, the default and the all-overlays plot among them,
// to what the redraw recorded before it was split into its parts: a digest of every operation,
// their count and the fault. A change to any coordinate, text, colour or the order of the
// operations shows here, even where the pictures would still come out alike. The shortcuts'
// plots were pinned again when colliding labels and labels cut at the edge came to be left out:
// each says which of its labels are.
#include "core/plot/redraw.h"
#include "tests/core/plot/redrawreading.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace valvescope {
namespace {

using redrawtest::AllOverlays;
using redrawtest::DefaultInput;

// FNV-1a over each operation's fields, the text with its length.
std::uint64_t Digest(const DrawOps& ops) {
    std::uint64_t hash = 14695981039346656037u;
    const auto mix = [&hash](std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            hash ^= (value >> (8 * i)) & 0xFF;
            hash *= 1099511628211u;
        }
    };
    for (const DrawOp& op : ops) {
        mix(static_cast<std::uint64_t>(op.kind), 1);
        mix(static_cast<std::uint32_t>(op.x), 4);
        mix(static_cast<std::uint32_t>(op.y), 4);
        mix(op.colour, 4);
        mix(static_cast<std::uint32_t>(op.size), 4);
        mix(op.text.size(), 4);
        for (const char c : op.text) {
            mix(static_cast<unsigned char>(c), 1);
        }
    }
    return hash;
}

struct Pinned {
    std::uint64_t digest;
    std::size_t count;
    std::string fault;
};

void ExpectPinned(RedrawInput in, bool referencePath, const Pinned& pinned) {
    in.stepByStep = referencePath;
    DrawOps ops;
    PlotScale scale;
    std::string fault = "none";
    try {
        RedrawPlot(in, scale, ops);
    } catch (const tubemath::ArithmeticError& error) {
        fault = error.what();
    }
    EXPECT_EQ(ops.size(), pinned.count);
    EXPECT_EQ(Digest(ops), pinned.digest);
    EXPECT_EQ(fault, pinned.fault);
}

RedrawInput WithOverlays() {
    RedrawInput in = DefaultInput();
    in.overlays = AllOverlays();
    return in;
}

TEST(PinnedPictures, DefaultAndAllOverlaysPlots) {
    ExpectPinned(DefaultInput(), false, {0x91f516a0310b95dau, 4012, "none"});
    ExpectPinned(DefaultInput(), true, {0xcd8a2fa6002d9ab1u, 6860, "none"});
    ExpectPinned(WithOverlays(), false, {0xde6b0efcf25e51a6u, 5222, "none"});
    ExpectPinned(WithOverlays(), true, {0xad68a03493e3c00du, 8070, "none"});
}

TEST(PinnedPictures, EachShortcutsPlot) {
    // A mapped block of curves: of the 3001 labels along the top edge 7 are far enough apart.
    RedrawInput dense = WithOverlays();
    dense.settings.GridStep = 0.01;
    dense.settings.GridLineCount = 3000;
    ExpectPinned(dense, false, {0x5384f28730a6d49au, 151495, "none"});

    // Runs of flat curves and their labels: only "0" and "-7.3" show; "-14.6" would run two
    // columns past the right edge, and the others end on the bottom row, their labels 4 rows
    // past the bottom edge (and over one another).
    RedrawInput runs = WithOverlays();
    runs.settings.GridStep = 7.3;
    runs.settings.GridLineCount = 800;
    runs.settings.EndV = 120;
    runs.settings.EndI = 5;
    ExpectPinned(runs, false, {0x90a5214a02f27bbbu, 512, "none"});
    ExpectPinned(runs, true, {0x833d0455b50d462cu, 94713, "none"});

    RedrawInput peak = WithOverlays(); // the bias line past its peak, then a fault (unchanged)
    peak.settings.EndV = 20001;
    peak.settings.EndI = 3000;
    peak.settings.Rk = 4990;
    peak.settings.GridStep = 70;
    peak.settings.GridLineCount = 2;
    ExpectPinned(peak, false, {0xacfb3fa107f68401u, 1027, tubemath::kOverflowMessage});

    // "-10" would cover "0" at the top edge of this small surface.
    RedrawInput negativeRk = WithOverlays();
    negativeRk.settings.EndV = 2024;
    negativeRk.settings.EndI = 1406;
    negativeRk.settings.Rk = -50;
    negativeRk.settings.GridLineCount = 1;
    negativeRk.width = 128;
    negativeRk.height = 70;
    ExpectPinned(negativeRk, false, {0xea772d9c34863a30u, 835, "none"});
    ExpectPinned(negativeRk, true, {0x52ad23aff318311fu, 4264, "none"});

    // Many volts to a column: "-140" and "-210" would overlap "-70" at the top edge.
    RedrawInput wide = WithOverlays();
    wide.settings.EndV = 6001;
    wide.settings.EndI = 500;
    wide.settings.GridStep = 70;
    wide.settings.GridLineCount = 4;
    wide.width = 97;
    wide.height = 61;
    ExpectPinned(wide, false, {0x2da3c028ee269f3bu, 667, "none"});
    ExpectPinned(wide, true, {0x0d094cb9e5ddcdfdu, 13601, "none"});
}

} // namespace
} // namespace valvescope
