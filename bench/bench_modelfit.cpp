// Fitting the screen-grid models to three files together: the EF80 measured at three screen
// voltages when the sample folder is there, and three generated files of the same size always.
#include "core/fit/modelfit.h"
#include "core/measure/measurements.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <random>

namespace {

using tubemath::ModelKind;
using valvescope::FitModel;
using valvescope::MeasuredFile;

constexpr ModelKind kKinds[] = {ModelKind::DerkE, ModelKind::Derk, ModelKind::KorenPentode};

std::vector<MeasuredFile> Ef80Files() {
    std::vector<MeasuredFile> files;
    for (const char* name : {"EF80_200.utd", "EF80_250.utd", "EF80_300.utd"}) {
        const std::string path = std::string(VALVESCOPE_SAMPLE_DATA) + "/" + name;
        if (!std::filesystem::exists(path))
            return {};
        files.push_back({name, valvescope::ReadMeasurementFile(path)});
    }
    return files;
}

// 3 x 123 points of a derke pentode at 200, 250 and 300 V on the screen: six grid curves,
// plate 5 to 300 V, with 0.05 mA of seeded Gaussian noise on both currents.
std::vector<MeasuredFile> GeneratedFiles() {
    const tubemath::TubeModel tube{
        ModelKind::DerkE, {}, {40, 1.3, 300, 1500, 200, 2000, 3e-4, 3, 0.06}};
    std::mt19937_64 random(29);
    std::normal_distribution<double> noise(0, 0.05e-3);
    std::vector<MeasuredFile> files;
    for (double vs : {200.0, 250.0, 300.0}) {
        MeasuredFile file{"generated", {}};
        for (int point = 0; point < 123; ++point) {
            const double vg = -1.0 * (point % 6);
            const double va = 5 + 295.0 * (point / 6) / 20;
            const tubemath::Currents c = tubemath::CurrentsAt(tube, vg, va, vs);
            file.Points.push_back(
                {vg, va, c.Plate + noise(random), vs, c.Screen + noise(random), true});
        }
        files.push_back(file);
    }
    return files;
}

void Fit(benchmark::State& state, const std::vector<MeasuredFile>& files) {
    if (files.empty()) {
        state.SkipWithError("no sample measurements");
        return;
    }
    const FitModel model{kKinds[state.range(0)], false};
    state.SetLabel(valvescope::FitModelName(model));
    double rms = 0;
    for (auto _ : state)
        rms = valvescope::FitModelToFiles(files, model).RmsMilliamps;
    state.counters["rms_mA"] = rms;
}

void BM_FitEf80ThreeFiles(benchmark::State& state) {
    static const std::vector<MeasuredFile> files = Ef80Files();
    Fit(state, files);
}
BENCHMARK(BM_FitEf80ThreeFiles)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_FitGeneratedThreeFiles(benchmark::State& state) {
    static const std::vector<MeasuredFile> files = GeneratedFiles();
    Fit(state, files);
}
BENCHMARK(BM_FitGeneratedThreeFiles)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

} // namespace
