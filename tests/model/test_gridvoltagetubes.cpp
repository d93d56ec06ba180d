// The grid-voltage search for tubes other than the 807: skipping the region where the
// amplification factor is used up, it still gives bit for bit what the plain stepped walk gives.
#include "model/tubemath.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

namespace {

using tubemath::TubeParams;

TEST(GridVoltageSkip, OtherTubesGiveWhatTheStepByStepSearchGives) {
    // Used up from MuZero^(1 / MuExponent) on: 4^5 = 1024 V, 200 V, 1 V, 100^(1 / 0.3) = 4.6e6 V.
    const TubeParams tubes[] = {{0.2, 200, 60, 50, 4, 3e-4, 1.5},
                                {1, 1e4, 1e3, 1e5, 200, 1, 2.5},
                                {0.5, 99.1, 31.1, 300, 1, 5.7e-5, 1.48},
                                {0.3, 60, 12, 100, 100, 2e-6, 1.4},
                                {0.01, 300, 20, 1, 17, 1e-4, 1.45}};
    int compared = 0;
    for (const TubeParams& tube : tubes) {
        for (const double start :
             {-4.7e6, -2.5e5 - 0.25, -1050.0, -215.5, 5.5, 215.5, 1050.0, 2.5e5 + 0.25, 4.7e6}) {
            for (const double ip : {-1e-6, 0.0013, 0.05}) {
                for (const double va : {0.0, 250.0}) {
                    const double rk = start / ip;
                    SCOPED_TRACE(testing::Message()
                                 << tube.MuZero << " " << rk << " " << ip << " " << va);
                    EXPECT_EQ(std::bit_cast<std::uint64_t>(tubemath::GridVoltage(tube, rk, ip, va)),
                              std::bit_cast<std::uint64_t>(
                                  tubemath::detail::GridVoltageStepByStep(tube, rk, ip, va)));
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 5 * 9 * 3 * 2);
}

} // namespace
