// The push-pull pair of 807s at B+ 400 V and Raa 6600 ohm: one drive, and the whole analysis with
// a 50-drive sweep, at fixed bias (class AB, -60 V), with cathode bias (Rk 1000 ohm) and for a
// mismatched pair; and one cycle alone, with the instants it solved.
#include "core/analysis/pushpull.h"
#include "core/analysis/pushpullmath.h"
#include "core/design/pushpullmarks.h"
#include "core/design/pushpullplots.h"
#include "core/settings/plotsettings.h"

#include <benchmark/benchmark.h>

namespace {

using namespace valvescope;

PushPullInput Fixed(int sweep) {
    PushPullInput input;
    input.Vg = -60;
    input.SweepPoints = sweep;
    return input;
}

PushPullInput Cathode(int sweep) {
    PushPullInput input = Fixed(sweep);
    input.Bias = PushPullBias::Cathode;
    input.Rk = 1000;
    return input;
}

Tube Hotter807() {
    Tube tube = Builtin807();
    tube.Model.Seed.Perveance *= 1.1;
    return tube;
}

void Analyse(benchmark::State& state, const Tube& second, const PushPullInput& input) {
    const Tube first = Builtin807();
    for (auto _ : state)
        benchmark::DoNotOptimize(AnalyzePushPull(first, second, input));
}

void BM_FixedBiasOneDrive(benchmark::State& state) {
    Analyse(state, Builtin807(), Fixed(0));
}
BENCHMARK(BM_FixedBiasOneDrive)->Unit(benchmark::kMillisecond);

void BM_FixedBiasWithSweep(benchmark::State& state) {
    Analyse(state, Builtin807(), Fixed(50));
}
BENCHMARK(BM_FixedBiasWithSweep)->Unit(benchmark::kMillisecond);

void BM_CathodeBiasOneDrive(benchmark::State& state) {
    Analyse(state, Builtin807(), Cathode(0));
}
BENCHMARK(BM_CathodeBiasOneDrive)->Unit(benchmark::kMillisecond);

void BM_CathodeBiasWithSweep(benchmark::State& state) {
    Analyse(state, Builtin807(), Cathode(50));
}
BENCHMARK(BM_CathodeBiasWithSweep)->Unit(benchmark::kMillisecond);

void BM_MismatchedCathodeBiasOneDrive(benchmark::State& state) {
    Analyse(state, Hotter807(), Cathode(0));
}
BENCHMARK(BM_MismatchedCathodeBiasOneDrive)->Unit(benchmark::kMillisecond);

void BM_MismatchedCathodeBiasWithSweep(benchmark::State& state) {
    Analyse(state, Hotter807(), Cathode(50));
}
BENCHMARK(BM_MismatchedCathodeBiasWithSweep)->Unit(benchmark::kMillisecond);

// One cycle of the class AB pair; the counter is the instants solved.
void BM_OneCycle(benchmark::State& state) {
    const Tube tube = Builtin807();
    const PushPullInput input = Fixed(0);
    const analysis::PairWiring wiring = analysis::WiringOf(tube, tube, input);
    int solves = 0;
    for (auto _ : state) {
        const analysis::CycleFigures figures = analysis::CycleOf(wiring, {0, 0, -60, 60});
        solves = figures.Solves;
        benchmark::DoNotOptimize(figures);
    }
    state.counters["solves"] = solves;
}
BENCHMARK(BM_OneCycle)->Unit(benchmark::kMicrosecond);

// What the Operating Point window does at each keystroke for the pair: the analysis with its
// 50-drive sweep, the marks over the plot and both small plots at 320 x 180.
void WindowUpdate(benchmark::State& state, const PushPullInput& input) {
    const Tube tube = Builtin807();
    // The plot as the program starts: 10 grid lines 10 V apart, 800 V by 200 mA.
    const PlotSettings settings{10, 10, 200, 800, 3000, input.Rk, input.BPlus};
    for (auto _ : state) {
        const PushPullAnalysis pair = AnalyzePushPull(tube, tube, input);
        benchmark::DoNotOptimize(PushPullMarks(tube, tube, pair, settings));
        benchmark::DoNotOptimize(PowerAgainstDrivePlot(pair, 320, 180));
        benchmark::DoNotOptimize(ThdAgainstPowerPlot(pair, 320, 180));
    }
}

void BM_WindowUpdateFixedBias(benchmark::State& state) {
    WindowUpdate(state, Fixed(50));
}
BENCHMARK(BM_WindowUpdateFixedBias)->Unit(benchmark::kMillisecond);

void BM_WindowUpdateCathodeBias(benchmark::State& state) {
    WindowUpdate(state, Cathode(50));
}
BENCHMARK(BM_WindowUpdateCathodeBias)->Unit(benchmark::kMillisecond);

} // namespace
