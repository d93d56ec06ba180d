// The stage analysis at the default settings (the 807, B+ 400 V, Ra 3 k, Rk 590 ohm, resistor
// load, drive to 0 V grid), a transformer stage driven into grid current, and its parts.
#include "core/analysis/stage.h"
#include "core/analysis/stagemath.h"

#include <benchmark/benchmark.h>

namespace {

using valvescope::AnalyzeStage;
using valvescope::Builtin807;
using valvescope::StageInput;

void BM_DefaultStage(benchmark::State& state) {
    const valvescope::Tube tube = Builtin807();
    const StageInput input;
    for (auto _ : state)
        benchmark::DoNotOptimize(AnalyzeStage(tube, input));
}
BENCHMARK(BM_DefaultStage)->Unit(benchmark::kMicrosecond);

void BM_TransformerIntoGridCurrent(benchmark::State& state) {
    const valvescope::Tube tube = Builtin807();
    StageInput input;
    input.BPlus = 300;
    input.Rk = 300;
    input.Load = valvescope::LoadKind::Transformer;
    input.Zaa = 5000;
    input.Drive = 60;
    for (auto _ : state)
        benchmark::DoNotOptimize(AnalyzeStage(tube, input));
}
BENCHMARK(BM_TransformerIntoGridCurrent)->Unit(benchmark::kMicrosecond);

// An EL34 (Koren's constants) with its screen held at 250 V: the screen's current through Rk
// and the model's exact slopes.
void BM_PentodeTransformerStage(benchmark::State& state) {
    valvescope::Tube tube;
    tube.Model.Kind = tubemath::ModelKind::KorenPentode;
    tube.Model.Constants = {11, 1.35, 650, 4200, 60, 24, 0, 0, 0};
    tube.Screen = 250;
    StageInput input;
    input.BPlus = 350;
    input.Rk = 470;
    input.Load = valvescope::LoadKind::Transformer;
    input.Zaa = 3500;
    input.Drive = 12;
    for (auto _ : state)
        benchmark::DoNotOptimize(AnalyzeStage(tube, {250, false}, input));
}
BENCHMARK(BM_PentodeTransformerStage)->Unit(benchmark::kMicrosecond);

void BM_DefaultQuiescentCurrent(benchmark::State& state) {
    const tubemath::TubeParams tube;
    const StageInput input;
    for (auto _ : state)
        benchmark::DoNotOptimize(valvescope::analysis::QuiescentCurrent(tube, input));
}
BENCHMARK(BM_DefaultQuiescentCurrent);

// The swing alone; the counter is how many currents on the load it solved for.
void BM_DefaultSwingSpectrum(benchmark::State& state) {
    const tubemath::TubeParams tube;
    const auto a = AnalyzeStage(Builtin807(), StageInput{});
    const valvescope::analysis::PlateLoad load{400 - a.Quiescent.Vk, 3000};
    int solves = 0;
    for (auto _ : state) {
        const auto spectrum = valvescope::analysis::SpectrumOfSwing(
            tube, a.Quiescent.Vg, a.Quiescent.Ip, a.Swing.Drive, load);
        solves = spectrum.Solves;
        benchmark::DoNotOptimize(spectrum);
    }
    state.counters["solves"] = solves;
}
BENCHMARK(BM_DefaultSwingSpectrum)->Unit(benchmark::kMicrosecond);

} // namespace
