#include "model/modelinversion.h"
#include "model/tubemodels.h"

#include <benchmark/benchmark.h>

namespace {

using tubemath::ModelKind;
using tubemath::TubeModel;

// A tube of each model; range(0) of every benchmark picks one, in this order.
TubeModel TubeOfKind(int index) {
    switch (index) {
    case 0:
        return {ModelKind::KorenTriode, {}, {100, 1.4, 1060, 0, 600, 300}};
    case 1:
        return {ModelKind::KorenPentode, {}, {8.7, 1.35, 1460, 4500, 48, 12}};
    case 2:
        return {ModelKind::Derk, {}, {10, 1.4, 500, 2500, 40, 20, 0.0005, 5, 0.05}};
    default:
        return {ModelKind::DerkE, {}, {10, 1.4, 500, 2500, 40, 20, 0.0005, 5, 0.05}};
    }
}

void Label(benchmark::State& state, const TubeModel& tube) {
    state.SetLabel(std::string(tubemath::ModelName(tube.Kind)));
}

// A plot's family: eleven curves 2 V apart, whole volts from 0 to 400 V, screen at 250 V.
template <class Work> void OverFamily(benchmark::State& state, Work work) {
    int points = 0;
    for (auto _ : state) {
        for (int j = 0; j <= 10; ++j) {
            for (int va = 0; va <= 400; ++va) {
                work(-2.0 * j, static_cast<double>(va));
                ++points;
            }
        }
    }
    state.SetItemsProcessed(points);
}

void BM_ModelCurrents(benchmark::State& state) {
    const TubeModel tube = TubeOfKind(static_cast<int>(state.range(0)));
    Label(state, tube);
    OverFamily(state, [&](double vg, double va) {
        benchmark::DoNotOptimize(tubemath::CurrentsAt(tube, vg, va, 250));
    });
}
BENCHMARK(BM_ModelCurrents)->DenseRange(0, 3);

void BM_SeedCurrents(benchmark::State& state) {
    const TubeModel seed;
    OverFamily(state, [&](double vg, double va) {
        benchmark::DoNotOptimize(tubemath::CurrentsAt(seed, vg, va, 250));
    });
}
BENCHMARK(BM_SeedCurrents);

void BM_ModelVoltageSlopes(benchmark::State& state) {
    const TubeModel tube = TubeOfKind(static_cast<int>(state.range(0)));
    Label(state, tube);
    OverFamily(state, [&](double vg, double va) {
        benchmark::DoNotOptimize(tubemath::SlopesAt(tube, vg, va, 250));
    });
}
BENCHMARK(BM_ModelVoltageSlopes)->DenseRange(0, 3);

void BM_ModelConstantGradients(benchmark::State& state) {
    const TubeModel tube = TubeOfKind(static_cast<int>(state.range(0)));
    Label(state, tube);
    OverFamily(state, [&](double vg, double va) {
        benchmark::DoNotOptimize(tubemath::ConstantGradientsAt(tube, vg, va, 250));
    });
}
BENCHMARK(BM_ModelConstantGradients)->DenseRange(0, 3);

// The bias line's inversion, 0.5 mA at -1 V, closed form or searched as the model has it.
void BM_ModelPlateVoltage(benchmark::State& state) {
    const TubeModel tube = TubeOfKind(static_cast<int>(state.range(0)));
    Label(state, tube);
    for (auto _ : state) {
        double vg = -1;
        benchmark::DoNotOptimize(vg);
        benchmark::DoNotOptimize(tubemath::PlateVoltageFor(tube, 0.0005, vg, 250, 800));
    }
}
BENCHMARK(BM_ModelPlateVoltage)->DenseRange(0, 3);

} // namespace
