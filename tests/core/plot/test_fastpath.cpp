// The redraw's shortcuts against the reference path, which draws every curve one whole volt and
// searches the bias line one 0.01 mA step at a time: the same picture, and the same fault.
#include "core/plot/redraw.h"

#include "tests/core/plot/pathredraw.h"
#include "tests/support/picturemodel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using valvescope::DrawOps;
using valvescope::PlotScale;
using valvescope::RedrawInput;

using valvescope::pathtest::Outcome;
using valvescope::pathtest::Redraw;

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
    const Outcome reference = Redraw(in, true);
    const Outcome fast = Redraw(in, false);
    EXPECT_EQ(fast.fault, reference.fault);
    const picturemodel::Surface want(reference.ops);
    const picturemodel::Surface got(fast.ops);
    EXPECT_EQ(got.FirstDifference(want), "");
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
        const Outcome reference = Redraw(in, true);
        ASSERT_TRUE(reference.fault.has_value());
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
    // A negative Rk puts the grid above 0 V, where the bias voltage peaks early and falls: a
    // column's last voltage may lie just below the peak.
    for (const double rk : {-50.0, -20.0, -1000.0}) {
        SCOPED_TRACE(testing::Message() << "Rk " << rk);
        ExpectSamePicture(Input(2024, 1406, rk, 10, 1, 128, 70));
        ExpectSamePicture(Input(20001, 3000, rk, 10, 1, 462, 224));
    }
}

} // namespace

namespace {

// Hundreds of curves, most of them flat along the bottom edge past the cutoff or the law
// exponent's limit, or with grid voltages too small to matter: each such run is drawn as two
// curves and the labels that can still show.
TEST(FastPath, RunsOfLikeCurvesAndTheirLabels) {
    struct Family {
        double step;
        int lines;
    };
    for (const Family family :
         {Family{1, 900}, Family{7.3, 800}, Family{-0.5, 700}, Family{-3, 300}, Family{37.5, 400},
          Family{1e-72, 500}, Family{3e-73, 300}, Family{1e5, 300}, Family{-1e4, 200}}) {
        for (const auto& [endV, endI] :
             {std::pair{800, 200}, std::pair{120, 5}, std::pair{-5, 200}, std::pair{463, -3}}) {
            SCOPED_TRACE(testing::Message() << "step " << family.step << " lines " << family.lines
                                            << " V " << endV << " I " << endI);
            ExpectSamePicture(Input(endV, endI, 590, family.step, family.lines, 462, 224));
        }
    }
}

// Curves a fraction of a volt apart share most of their lines with the one before; those are
// left out unless a label has been written over them since.
TEST(FastPath, DenseFamiliesSharingTheirLines) {
    for (const double step : {0.05, 0.3, -0.2}) {
        for (const auto& [endV, endI] :
             {std::pair{800, 200}, std::pair{300, 60}, std::pair{6001, 500}}) {
            SCOPED_TRACE(testing::Message() << "step " << step << " V " << endV);
            ExpectSamePicture(Input(endV, endI, 590, step, 400, 462, 224));
        }
    }
    ExpectSamePicture(Input(800, 200, 590, 0.25, 600, 97, 61));
}

// Families so dense that stretches of curves share all their points: mapped by halving over the
// family, up to where the flat curves begin.
TEST(FastPath, MappedFamilies) {
    struct Family {
        double step;
        int lines;
        std::int32_t endV;
        std::int32_t endI;
    };
    for (const Family f :
         {Family{0.01, 3000, 800, 200}, Family{0.1, 2000, 800, 200}, Family{0.003, 4000, 300, 60},
          Family{0.02, 3000, 1400, 500}, Family{0.05, 3000, 463, -3}}) {
        SCOPED_TRACE(testing::Message() << "step " << f.step << " V " << f.endV);
        ExpectSamePicture(Input(f.endV, f.endI, 590, f.step, f.lines, 462, 224));
    }
}

} // namespace
