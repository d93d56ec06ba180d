// A whole redraw (model, recording and painting) on the window's initial 462 x 224 surface, its
// parts on their own, the default plot of the models other than the seed, and one pointer
// readout.
#include "core/plot/redraw.h"
#include "core/readout/readout.h"
#include "core/tube/library.h"
#include "ui/plotpainter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <string_view>
#include <thread>

namespace {

using valvescope::DrawOps;
using valvescope::PlotScale;
using valvescope::RedrawInput;

// Text needs the font database, which needs an application object.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "bench_redraw";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        new QGuiApplication(argc, argv);
    }
}

RedrawInput DefaultInput(bool overlays) {
    RedrawInput in;
    in.settings.EndI = 200;
    in.settings.EndV = 800;
    in.settings.GridStep = 10;
    in.settings.GridLineCount = 10;
    in.settings.Ra = 3000;
    in.settings.BPlus = 400;
    in.settings.Rk = 590;
    in.overlays = valvescope::Overlays{overlays, overlays, overlays, overlays, overlays};
    in.width = 462;
    in.height = 224;
    return in;
}

RedrawInput LargestInput() {
    RedrawInput in;
    in.settings.EndI = 500;
    in.settings.EndV = 2000;
    in.settings.GridStep = 1;
    in.settings.GridLineCount = 20;
    in.settings.Ra = 100;
    in.settings.BPlus = 2000;
    in.settings.Rk = 10;
    in.overlays = valvescope::Overlays{true, true, true, true, true};
    in.width = 462;
    in.height = 224;
    return in;
}

void Paint(const DrawOps& ops, QImage& image) {
    QPainter painter(&image);
    valvescope::PaintDrawOps(painter, ops);
}

void WholeRedraw(benchmark::State& state, const RedrawInput& in) {
    EnsureApplication();
    QImage image(in.width, in.height, QImage::Format_RGB32);
    PlotScale scale;
    DrawOps ops;
    for (auto _ : state) {
        try {
            valvescope::RedrawPlot(in, scale, ops);
        } catch (const tubemath::ArithmeticError&) {
            // An extreme setting can end the redraw with an error; what was drawn is painted.
        }
        Paint(ops, image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["ops"] = static_cast<double>(ops.size());
}

// As the window redraws: each redraw on a thread of its own (timed by the clock, since the
// work is done off the benchmark's thread).
void RecordingOnItsOwnThread(benchmark::State& state, const RedrawInput& in) {
    PlotScale scale;
    DrawOps ops;
    for (auto _ : state) {
        std::jthread([&] { valvescope::RedrawPlot(in, scale, ops); }).join();
        benchmark::DoNotOptimize(ops.data());
    }
}

void RecordingOnly(benchmark::State& state, const RedrawInput& in) {
    PlotScale scale;
    DrawOps ops;
    for (auto _ : state) {
        valvescope::RedrawPlot(in, scale, ops);
        benchmark::DoNotOptimize(ops.data());
    }
}

void PaintingOnly(benchmark::State& state, const RedrawInput& in) {
    EnsureApplication();
    QImage image(in.width, in.height, QImage::Format_RGB32);
    PlotScale scale;
    DrawOps ops;
    valvescope::RedrawPlot(in, scale, ops);
    for (auto _ : state) {
        Paint(ops, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_Redraw_Default(benchmark::State& state) {
    WholeRedraw(state, DefaultInput(false));
}
void BM_Redraw_DefaultAllOverlays(benchmark::State& state) {
    WholeRedraw(state, DefaultInput(true));
}
void BM_Redraw_Largest(benchmark::State& state) {
    WholeRedraw(state, LargestInput());
}

void BM_Record_DefaultAllOverlays(benchmark::State& state) {
    RecordingOnly(state, DefaultInput(true));
}
void BM_Record_Largest(benchmark::State& state) {
    RecordingOnly(state, LargestInput());
}
void BM_RecordOnItsOwnThread_DefaultAllOverlays(benchmark::State& state) {
    RecordingOnItsOwnThread(state, DefaultInput(true));
}
void BM_RecordOnItsOwnThread_Largest(benchmark::State& state) {
    RecordingOnItsOwnThread(state, LargestInput());
}
void BM_Paint_DefaultAllOverlays(benchmark::State& state) {
    PaintingOnly(state, DefaultInput(true));
}
void BM_Paint_Largest(benchmark::State& state) {
    PaintingOnly(state, LargestInput());
}

// The settings that cost most, at their extremes: each redraw with the shortcuts, and on the
// reference path at a feasible scale (state.range(0) is the scaled setting), from which the
// extreme's time is extrapolated (linear in the setting).
RedrawInput Extreme(std::int32_t endV, std::int32_t endI, std::int32_t lines, double step,
                    double rk) {
    RedrawInput in = DefaultInput(true);
    in.settings.EndV = endV;
    in.settings.EndI = endI;
    in.settings.GridLineCount = lines;
    in.settings.GridStep = step;
    in.settings.Rk = rk;
    return in;
}

constexpr std::int32_t kMost = 2147483647;

void BM_Redraw_EndVMost(benchmark::State& state) {
    WholeRedraw(state, Extreme(kMost, 200, 10, 10, 590));
}
void BM_RecordOnItsOwnThread_EndVMost(benchmark::State& state) {
    RecordingOnItsOwnThread(state, Extreme(kMost, 200, 10, 10, 590));
}
void BM_Redraw_EndIMostNegativeRk(benchmark::State& state) {
    WholeRedraw(state, Extreme(800, kMost, 10, 10, -1000));
}
void BM_Redraw_GridLinesMost(benchmark::State& state) {
    WholeRedraw(state, Extreme(800, 200, kMost, 10, 590));
}
void BM_Redraw_TinyStepMostLines(benchmark::State& state) {
    WholeRedraw(state, Extreme(kMost, kMost, kMost, 1e-300, 590));
}
// Small grid steps with every grid line: the curves past the cutoff form one run, the ones
// before it are mapped (state.range(0) is the step in millionths of a volt).
void BM_Redraw_SmallStepMostLines(benchmark::State& state) {
    WholeRedraw(state, Extreme(800, 200, kMost, static_cast<double>(state.range(0)) / 1e6, 590));
}
void BM_Redraw_AllMostLargeSurface(benchmark::State& state) {
    RedrawInput in = Extreme(kMost, kMost, kMost, 10, -1000);
    in.width = 4000;
    in.height = 3000;
    WholeRedraw(state, in);
}

void ReferencePath(benchmark::State& state, RedrawInput in) {
    in.stepByStep = true;
    RecordingOnly(state, in);
}
void BM_ReferencePath_EndV(benchmark::State& state) {
    ReferencePath(state, Extreme(static_cast<std::int32_t>(state.range(0)), 200, 10, 10, 590));
}
void BM_ReferencePath_EndINegativeRk(benchmark::State& state) {
    ReferencePath(state, Extreme(800, static_cast<std::int32_t>(state.range(0)), 10, 10, -1000));
}
void BM_ReferencePath_GridLines(benchmark::State& state) {
    ReferencePath(state, Extreme(800, 200, static_cast<std::int32_t>(state.range(0)), 10, 590));
}
// Step V 0.1 up to the used-up grid voltage (52000 curves), on the reference path.
void BM_ReferencePath_SmallStep(benchmark::State& state) {
    ReferencePath(state, Extreme(800, 200, static_cast<std::int32_t>(state.range(0)), 0.1, 590));
}

// The default plot (all overlays down, so the Rk bias line too) of a model other than the seed,
// which the reference path draws: to stand against BM_Record_Largest, the seed's largest plot.
RedrawInput ModelDefaultInput(const tubemath::TubeModel& model, double screen) {
    RedrawInput in = DefaultInput(true);
    in.tube = {model, {screen, false}};
    return in;
}
const tubemath::TubeModel& LibraryModel(std::string_view name) {
    return valvescope::FindLibraryTube(name)->Model;
}
void BM_Record_DefaultKorenTriode12AX7(benchmark::State& state) {
    RecordingOnly(state, ModelDefaultInput(LibraryModel("12AX7"), 0));
}
void BM_Record_DefaultKorenPentodeEL34(benchmark::State& state) {
    RecordingOnly(state, ModelDefaultInput(LibraryModel("EL34"), 250));
}
void BM_Record_DefaultKorenPentodeEL34TriodeConnected(benchmark::State& state) {
    RedrawInput in = ModelDefaultInput(LibraryModel("EL34"), 250);
    in.tube.Screen.TriodeConnected = true;
    RecordingOnly(state, in);
}
void BM_Record_DefaultDerkE(benchmark::State& state) {
    const tubemath::TubeModel derke{
        tubemath::ModelKind::DerkE, {}, {10, 1.4, 500, 2500, 40, 20, 0.0005, 5, 0.05}};
    RecordingOnly(state, ModelDefaultInput(derke, 200));
}

void BM_PointerReadout(benchmark::State& state) {
    const tubemath::TubeParams tube;
    const PlotScale scale{800.0 / 462.0, 224.0 / 200.0};
    valvescope::Readout readout;
    for (auto _ : state) {
        auto text = valvescope::PointerReadout(tube, 590, scale, 224, 144, 168, readout);
        benchmark::DoNotOptimize(text);
    }
}

// The readout over the 12AX7 and the EL34 at its screen voltage: the root of the plotted current
// and the exact slopes there.
void ModelReadout(benchmark::State& state, const char* name) {
    const valvescope::Tube tube = valvescope::TubeOf(*valvescope::FindLibraryTube(name));
    const tubemath::WiredModel wired = valvescope::WiredAtItsScreen(tube);
    const PlotScale scale{800.0 / 462.0, 224.0 / 200.0};
    valvescope::Readout readout;
    for (auto _ : state) {
        auto text = valvescope::PointerReadout(wired, 590, scale, 224, 144, 200, readout);
        benchmark::DoNotOptimize(text);
    }
}
void BM_PointerReadout_KorenTriode12AX7(benchmark::State& state) {
    ModelReadout(state, "12AX7");
}
void BM_PointerReadout_KorenPentodeEL34(benchmark::State& state) {
    ModelReadout(state, "EL34");
}

} // namespace

BENCHMARK(BM_Redraw_Default)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Redraw_DefaultAllOverlays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Redraw_Largest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Record_DefaultAllOverlays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Record_Largest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordOnItsOwnThread_DefaultAllOverlays)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordOnItsOwnThread_Largest)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordOnItsOwnThread_EndVMost)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Record_DefaultKorenTriode12AX7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Record_DefaultKorenPentodeEL34)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Record_DefaultKorenPentodeEL34TriodeConnected)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Record_DefaultDerkE)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paint_DefaultAllOverlays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paint_Largest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PointerReadout)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PointerReadout_KorenTriode12AX7)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PointerReadout_KorenPentodeEL34)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Redraw_EndVMost)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Redraw_EndIMostNegativeRk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Redraw_GridLinesMost)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Redraw_TinyStepMostLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Redraw_SmallStepMostLines)
    ->Arg(100000)
    ->Arg(10000)
    ->Arg(1000)
    ->Arg(100)
    ->Arg(7)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Redraw_AllMostLargeSurface)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferencePath_EndV)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferencePath_EndINegativeRk)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferencePath_GridLines)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferencePath_SmallStep)->Arg(52000)->Unit(benchmark::kMillisecond);
