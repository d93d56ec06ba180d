// Redraws arbitrary small plots twice, with the shortcuts and on the reference path, and requires
// the same picture and the same error from both. The settings are kept small enough for the
// reference path to stay quick, but reach every shortcut: runs of flat, cut-off and negligible
// curves, mapped dense families, the bias line's search and the column shortcut of wide voltage
// ranges on narrow surfaces.
//
// Input layout, each field read from the next bytes (zeros once the input is used up): width,
// height, End V, End I, grid lines, the step's digits, its decade and sign, Rk, Ra, B+, the
// overlay toggles; then the tube: a byte that picks the 807 (a multiple of 4, so inputs that end
// before it stay on the 807), constants within the fit's bounds (1 or 3 mod 4) or beyond them
// (2 mod 4), and one byte per constant, in the order TubeParams lists them.
#include "core/plot/redraw.h"
#include "tests/support/picturemodel.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

struct Outcome {
    valvescope::DrawOps ops;
    std::optional<std::string> fault;
};

Outcome Redraw(valvescope::RedrawInput in, bool referencePath) {
    in.stepByStep = referencePath;
    Outcome outcome;
    valvescope::PlotScale scale;
    try {
        valvescope::RedrawPlot(in, scale, outcome.ops);
    } catch (const tubemath::ArithmeticError& error) {
        outcome.fault = error.what();
    }
    return outcome;
}

valvescope::RedrawInput ReadSettings(Reader& in) {
    valvescope::RedrawInput input;
    input.width = 1 + in.Byte() % 200;
    input.height = 1 + in.Byte() % 150;
    input.settings.EndV = static_cast<std::int32_t>(in.Word() % 3200) - 100;
    const std::int32_t endI = static_cast<std::int32_t>(in.Word() % 3000) - 200;
    input.settings.EndI = endI == 0 ? 1 : endI;
    input.settings.GridLineCount = static_cast<std::int32_t>(in.Byte() % 140) - 2;
    const double digits = 1 + (in.Word() % 9000) / 1000.0;
    const std::uint8_t decade = in.Byte();
    const int exponent = decade % 12 - 7; // 1e-7 ... 1e4
    double step = digits * std::pow(10.0, exponent);
    if (decade >= 250) {
        step = decade % 2 == 0 ? 1e-75 : 1e300;
    }
    input.settings.GridStep = (in.Byte() & 1) != 0 ? -step : step;
    const double rks[] = {0, 10, 590, 4990, -50, -1000, 1e-300, 1e300};
    input.settings.Rk = rks[in.Byte() % 8];
    input.settings.Ra = 100 + in.Word() % 20000;
    input.settings.BPlus = static_cast<double>(in.Word() % 2000) - 100;
    const std::uint8_t show = in.Byte();
    input.overlays = valvescope::Overlays{(show & 1) != 0, (show & 2) != 0, (show & 4) != 0,
                                          (show & 8) != 0, (show & 16) != 0};
    return input;
}

// A share of the way, 0 to 1, from one byte.
double Share(std::uint8_t byte) {
    return byte / 255.0;
}

// Within the fit's bounds, spread evenly over the decades.
tubemath::TubeParams WithinBounds(Reader& in) {
    tubemath::TubeParams t;
    t.MuExponent = std::pow(10.0, -2 + 2 * Share(in.Byte()));
    t.ExponentSlope = std::pow(10.0, 4 * Share(in.Byte()));
    t.GridDecade = std::pow(10.0, 3 * Share(in.Byte()));
    t.KneeFactor = std::pow(10.0, 5 * Share(in.Byte()));
    t.MuZero = std::pow(200.0, Share(in.Byte()));
    t.Perveance = std::pow(10.0, -9 + 9 * Share(in.Byte()));
    t.LawExponent = 1 + 1.5 * Share(in.Byte());
    return t;
}

// Each of the 807's constants scaled, negated, zeroed or kept, as its byte says.
tubemath::TubeParams BeyondBounds(Reader& in) {
    tubemath::TubeParams t;
    for (double* c : {&t.MuExponent, &t.ExponentSlope, &t.GridDecade, &t.KneeFactor, &t.MuZero,
                      &t.Perveance, &t.LawExponent}) {
        const std::uint8_t byte = in.Byte();
        const double scale = std::pow(10.0, (byte >> 2) % 16 - 8);
        switch (byte % 4) {
        case 0:
            break;
        case 1:
            *c *= scale;
            break;
        case 2:
            *c = -*c * scale;
            break;
        default:
            *c = byte >= 128 ? 0 : scale;
            break;
        }
    }
    return t;
}

tubemath::TubeParams ReadTube(Reader& in) {
    const std::uint8_t pick = in.Byte();
    if (pick % 4 == 0) {
        return tubemath::TubeParams{};
    }
    return pick % 4 == 2 ? BeyondBounds(in) : WithinBounds(in);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader reader(data, size);
    valvescope::RedrawInput input = ReadSettings(reader);
    input.tube.Model.Seed = ReadTube(reader);
    const Outcome reference = Redraw(input, true);
    const Outcome fast = Redraw(input, false);
    const std::string difference =
        picturemodel::Surface(fast.ops).FirstDifference(picturemodel::Surface(reference.ops));
    if (fast.fault != reference.fault || !difference.empty()) {
        const valvescope::PlotSettings& s = input.settings;
        const tubemath::TubeParams& t = input.tube.Model.Seed;
        std::fprintf(stderr,
                     "%dx%d End V %d End I %d lines %d step %.17g Rk %.17g tube %.17g %.17g "
                     "%.17g %.17g %.17g %.17g %.17g: fault %s / %s, first different pixel %s\n",
                     input.width, input.height, s.EndV, s.EndI, s.GridLineCount, s.GridStep, s.Rk,
                     t.MuExponent, t.ExponentSlope, t.GridDecade, t.KneeFactor, t.MuZero,
                     t.Perveance, t.LawExponent, fast.fault.value_or("none").c_str(),
                     reference.fault.value_or("none").c_str(), difference.c_str());
        std::abort();
    }
    return 0;
}
