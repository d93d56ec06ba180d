#include "core/fit/fit.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace {

using valvescope::MeasuredPoints;

// 200 points of a pentode wired as a triode: eight curves 5 V apart, 25 points each up to
// 450 V, with 0.05 mA of seeded Gaussian noise.
MeasuredPoints TwoHundredPoints(const tubemath::TubeParams& tube) {
    std::mt19937_64 random(17);
    const auto uniform = [&] { return (static_cast<double>(random() >> 11) + 0.5) * 0x1.0p-53; };
    MeasuredPoints points;
    for (int curve = 0; curve < 8; ++curve)
        for (int step = 1; step <= 25; ++step) {
            const double vg = -5.0 * curve;
            const double va = 450.0 * step / 25;
            const double gauss =
                std::sqrt(-2 * std::log(uniform())) * std::cos(2 * 3.141592653589793 * uniform());
            points.push_back({vg, va, tubemath::PlateCurrent(tube, vg, va) + 0.05e-3 * gauss});
        }
    return points;
}

void BM_FitTwoHundredPoints(benchmark::State& state) {
    const MeasuredPoints points = TwoHundredPoints({0.4, 60, 25, 20, 12.5, 8e-5, 1.45});
    for (auto _ : state)
        benchmark::DoNotOptimize(valvescope::FitTube(points));
    state.counters["points"] = static_cast<double>(points.size());
}
BENCHMARK(BM_FitTwoHundredPoints)->Unit(benchmark::kMillisecond)->Repetitions(5);

// The reader's limit: 100,000 points, twenty curves 2.5 V apart of 5,000 points each up to
// 450 V, with the same noise.
MeasuredPoints HundredThousandPoints(const tubemath::TubeParams& tube) {
    std::mt19937_64 random(23);
    const auto uniform = [&] { return (static_cast<double>(random() >> 11) + 0.5) * 0x1.0p-53; };
    MeasuredPoints points;
    for (int curve = 0; curve < 20; ++curve)
        for (int step = 1; step <= 5000; ++step) {
            const double vg = -2.5 * curve;
            const double va = 450.0 * step / 5000;
            const double gauss =
                std::sqrt(-2 * std::log(uniform())) * std::cos(2 * 3.141592653589793 * uniform());
            points.push_back({vg, va, tubemath::PlateCurrent(tube, vg, va) + 0.05e-3 * gauss});
        }
    return points;
}

void BM_FitHundredThousandPoints(benchmark::State& state) {
    const MeasuredPoints points = HundredThousandPoints({0.4, 60, 25, 20, 12.5, 8e-5, 1.45});
    for (auto _ : state)
        benchmark::DoNotOptimize(valvescope::FitTube(points));
    state.counters["points"] = static_cast<double>(points.size());
}
BENCHMARK(BM_FitHundredThousandPoints)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
