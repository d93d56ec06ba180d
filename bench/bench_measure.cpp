// Reading the largest measurement files the program takes, and tube files.
#include "core/measure/measurements.h"
#include "core/tube/tubefile.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A uTracer file of `points` rows, 31 points a curve, 20 V apart.
std::string UTracerText(std::size_t points) {
    std::string text =
        "Point    Curve     Ia (mA)        Is (mA)       Vg (V)          Va (V)         "
        "Vs (V)         Vf (V)\r\n";
    for (std::size_t i = 0; i < points; ++i) {
        const std::size_t curve = i / 31 + 1;
        text += std::to_string(i % 31 + 1) + "        " + std::to_string(curve) + "          " +
                std::to_string(0.01 * static_cast<double>(i % 900)) + "           0             -" +
                std::to_string(curve % 40) + "              " +
                std::to_string(49.12 + static_cast<double>(i % 31) * 6.8) +
                "          299.08         12.59 \r\n";
    }
    return text;
}

std::string CsvText(std::size_t points) {
    std::string text = "\"Vg (V)\";\"Va (V)\";\"Ia (mA)\"\n";
    for (std::size_t i = 0; i < points; ++i)
        text += "-" + std::to_string(i / 31 % 40) + ";" + std::to_string(50 + (i % 31) * 7) +
                ",25;" + std::to_string(i % 900) + ",5\n";
    return text;
}

void BM_ReadUTracer(benchmark::State& state) {
    const std::string text = UTracerText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(valvescope::ReadMeasurements(text, "bench.utd"));
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReadUTracer)->Arg(186)->Arg(valvescope::kMaxMeasuredPoints);

void BM_ReadSemicolonCsv(benchmark::State& state) {
    const std::string text = CsvText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(valvescope::ReadMeasurements(text, "bench.csv"));
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReadSemicolonCsv)->Arg(valvescope::kMaxMeasuredPoints);

void BM_TubeFileRoundTrip(benchmark::State& state) {
    const valvescope::Tube tube = valvescope::Builtin807();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            valvescope::ParseTubeJson(valvescope::TubeJson(tube), "bench.json"));
}
BENCHMARK(BM_TubeFileRoundTrip);

} // namespace
