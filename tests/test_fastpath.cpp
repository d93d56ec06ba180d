// The redraw's shortcuts against the rules followed one whole volt and one 0.01 mA step at a
// time: the same operations, once the line-tos that run straight up one pixel column are taken
// as their first and last (which paint the same pixels), and the same fault.
#include "window/redraw.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using valvescope::DrawOp;
using valvescope::DrawOpKind;
using valvescope::DrawOps;
using valvescope::PlotScale;
using valvescope::RedrawInput;

struct Outcome {
    DrawOps ops;
    std::optional<std::string> fault;
};

Outcome Redraw(RedrawInput in, bool stepByStep) {
    in.stepByStep = stepByStep;
    Outcome outcome;
    PlotScale scale;
    try {
        valvescope::RedrawPlot(in, scale, outcome.ops);
    } catch (const tubemath::ArithmeticError& error) {
        outcome.fault = error.what();
    }
    return outcome;
}

bool Monotone(const std::vector<std::int32_t>& ys) {
    bool rising = true;
    bool falling = true;
    for (std::size_t i = 1; i < ys.size(); ++i) {
        rising = rising && ys[i] >= ys[i - 1];
        falling = falling && ys[i] <= ys[i - 1];
    }
    return rising || falling;
}

// A run of line-tos in one column whose rows run one way paints what its first and last
// line-tos paint, the end pixel of each not being painted. Runs that turn back are kept whole.
DrawOps Collapsed(const DrawOps& ops) {
    DrawOps out;
    std::size_t i = 0;
    while (i < ops.size()) {
        std::size_t end = i + 1;
        if (ops[i].kind == DrawOpKind::LineTo) {
            while (end < ops.size() && ops[end].kind == DrawOpKind::LineTo &&
                   ops[end].x == ops[i].x) {
                ++end;
            }
        }
        std::vector<std::int32_t> ys;
        for (std::size_t j = i; j < end; ++j) {
            ys.push_back(ops[j].y);
        }
        if (end - i > 2 && Monotone(ys)) {
            out.push_back(ops[i]);
            out.push_back(ops[end - 1]);
        } else {
            out.insert(out.end(), ops.begin() + static_cast<std::ptrdiff_t>(i),
                       ops.begin() + static_cast<std::ptrdiff_t>(end));
        }
        i = end;
    }
    return out;
}

RedrawInput Input(std::int32_t endV, std::int32_t endI, double rk, double step, int lines,
                  std::int32_t width, std::int32_t height) {
    RedrawInput in;
    in.settings.EndV = endV;
    in.settings.EndI = endI;
    in.settings.Rk = rk;
    in.settings.GridStep = step;
    in.settings.GridLineCount = lines;
    in.settings.Ra = 3000;
    in.settings.BPlus = 400;
    in.overlays = valvescope::Overlays{true, true, true, true, true};
    in.width = width;
    in.height = height;
    return in;
}

void ExpectSamePicture(const RedrawInput& in) {
    const Outcome literal = Redraw(in, true);
    const Outcome fast = Redraw(in, false);
    EXPECT_EQ(fast.fault, literal.fault);
    const DrawOps want = Collapsed(literal.ops);
    ASSERT_EQ(Collapsed(fast.ops).size(), want.size());
    EXPECT_TRUE(Collapsed(fast.ops) == want);
}

TEST(FastPath, CurvesAndBiasLineOverASweepOfSettings) {
    int compared = 0;
    for (const auto& [width, height] : {std::pair{462, 224}, std::pair{97, 61}}) {
        for (const std::int32_t endV : {-5, 0, 1, 50, 463, 2000, 6001}) {
            for (const std::int32_t endI : {-3, 1, 5, 200, 500}) {
                for (const double rk : {0.0, 10.0, 590.0, 4990.0, -50.0, -1000.0, 1e-300}) {
                    SCOPED_TRACE(testing::Message() << width << "x" << height << " V " << endV
                                                    << " I " << endI << " Rk " << rk);
                    ExpectSamePicture(Input(endV, endI, rk, endV > 2000 ? 70 : 10,
                                            endV > 2000 ? 4 : 12, width, height));
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 2 * 7 * 5 * 7);
}

TEST(FastPath, GridStepsOfEitherSignAndFarOut) {
    for (const double step : {1.0, 7.5, 450.0, 700.0, -10.0, -60.0, 1e-300, -1e-300, 1e-80, 1e-69,
                              5200.0, 5199.99, 1e300}) {
        for (const int lines : {0, 3, 15}) {
            SCOPED_TRACE(testing::Message() << "step " << step << " lines " << lines);
            ExpectSamePicture(Input(1500, 300, 590, step, lines, 462, 224));
        }
    }
}

TEST(FastPath, FaultsComeWhereTheStepsMeetThem) {
    // A huge cathode resistor fails at the bias line's first step; a huge grid step overflows
    // in the curve family; a zero End V fails at the first point.
    for (const RedrawInput& in :
         {Input(800, 200, 1e300, 10, 10, 462, 224), Input(800, 200, 590, 1e308, 10, 462, 224),
          Input(0, 200, 590, 10, 10, 462, 224)}) {
        const Outcome literal = Redraw(in, true);
        ASSERT_TRUE(literal.fault.has_value());
        ExpectSamePicture(in);
    }
}

} // namespace

namespace {

TEST(FastPath, BiasLinePastItsPeakVoltage) {
    // Past about 3300 V of grid the bias voltage falls again as the current rises: a plate
    // voltage just below its peak is reached only in a narrow band of currents.
    for (const std::int32_t endV : {20001, 9000}) {
        for (const std::int32_t endI : {3000, 1200}) {
            SCOPED_TRACE(testing::Message() << "V " << endV << " I " << endI);
            ExpectSamePicture(Input(endV, endI, 4990, 70, 2, 462, 224));
        }
    }
}

} // namespace
