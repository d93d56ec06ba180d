#include "model/tubemath.h"

#include <benchmark/benchmark.h>

namespace {

// The default plot: eleven curves 10 V apart from 0 V down, 200 mA by 800 V.
constexpr int kGridLineCount = 10;
constexpr double kGridStep = 10;
constexpr int kEndI = 200;
constexpr int kEndV = 800;

// Walks one curve as the plot does: whole volts from 0 up, until the current passes 95 % of
// the current axis or the voltage 95 % of the voltage axis. Returns the number of points.
template <class Current> int WalkCurve(Current current) {
    int points = 0;
    for (int va = 0; va <= kEndV; ++va) {
        const double ip = current(static_cast<double>(va));
        benchmark::DoNotOptimize(ip);
        ++points;
        if (ip * 1000 > 0.95 * kEndI || va > 0.95 * kEndV)
            break;
    }
    return points;
}

void BM_CurveFamilyPlateCurrent(benchmark::State& state) {
    const tubemath::TubeParams tube;
    int points = 0;
    for (auto _ : state) {
        for (int j = 0; j >= -kGridLineCount; --j) {
            const double vg = j * kGridStep;
            points += WalkCurve([&](double va) { return tubemath::PlateCurrent(tube, vg, va); });
        }
    }
    state.SetItemsProcessed(points);
}
BENCHMARK(BM_CurveFamilyPlateCurrent);

void BM_CurveFamilyGridCurve(benchmark::State& state) {
    const tubemath::TubeParams tube;
    int points = 0;
    for (auto _ : state) {
        for (int j = 0; j >= -kGridLineCount; --j) {
            const tubemath::GridCurve curve(tube, j * kGridStep);
            points += WalkCurve([&](double va) { return curve.PlateCurrentAt(va); });
        }
    }
    state.SetItemsProcessed(points);
}
BENCHMARK(BM_CurveFamilyGridCurve);

void BM_GridVoltageSearch(benchmark::State& state) {
    const tubemath::TubeParams tube;
    for (auto _ : state) {
        double ip = 0.05;
        double va = 249.35;
        benchmark::DoNotOptimize(ip);
        benchmark::DoNotOptimize(va);
        benchmark::DoNotOptimize(tubemath::GridVoltage(tube, 590, ip, va));
    }
}
BENCHMARK(BM_GridVoltageSearch);

// The pointer readout's search from a start far out in the used-up region (a negative cathode
// resistor): step by step, and with the region crossed in one jump. range(0) is the start in V.
void BM_GridVoltageFarStartStepByStep(benchmark::State& state) {
    const tubemath::TubeParams tube;
    const double rk = -static_cast<double>(state.range(0)) / 0.05;
    for (auto _ : state)
        benchmark::DoNotOptimize(tubemath::detail::GridVoltageStepByStep(tube, rk, 0.05, 250));
}
BENCHMARK(BM_GridVoltageFarStartStepByStep)->Arg(10000000)->Unit(benchmark::kMillisecond);

void BM_GridVoltageFarStart(benchmark::State& state) {
    const tubemath::TubeParams tube;
    const double rk = -static_cast<double>(state.range(0)) / 0.05;
    for (auto _ : state)
        benchmark::DoNotOptimize(tubemath::GridVoltage(tube, rk, 0.05, 250));
}
BENCHMARK(BM_GridVoltageFarStart)
    ->Arg(10000000)
    ->Arg(100000000000000000)
    ->Unit(benchmark::kMicrosecond);

} // namespace
