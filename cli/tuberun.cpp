#include "cli/tuberun.h"

#include "cli/exportrun.h"
#include "cli/runerrors.h"
#include "core/measure/measurements.h"
#include "core/tube/findtube.h"
#include "core/tubeedit/axesfit.h"
#include "core/tubeedit/measuremarks.h"
#include "ui/qtext.h"

#include <ostream>

namespace valvescope {

namespace {

// The modes that draw measured points.
bool DrawsMeasurements(RunMode mode) {
    return mode == RunMode::Export || mode == RunMode::WindowShot || mode == RunMode::PrintPdf ||
           mode == RunMode::Window;
}

} // namespace

Tube ChosenTube(const CommandLine& line) {
    return line.TubeFile.isEmpty() ? line.Start.DesignTube : TubeNamed(line.TubeFile);
}

Tube TubeNamed(const QString& given) {
    return FindTube(LocalFileName(given));
}

namespace {

// The tube of --tube (else the design's) and the measured points, each file read once.
std::optional<int> ReadFiles(CommandLine& line, RunInputs& inputs, std::ostream& err) {
    return Reported(
        RunStep::Reading,
        [&] {
            inputs = RunInputs{};
            inputs.RunTube = ChosenTube(line);
            if (!line.DataFile.isEmpty()) {
                inputs.MeasurementFile = LocalFileName(line.DataFile);
                inputs.FittedCurves = line.FittedCurves;
            } else if (DrawsMeasurements(line.Mode)) {
                inputs.MeasurementFile = line.Start.MeasurementFile;
                inputs.FittedCurves = line.FittedCurves || line.Start.FittedCurves;
            }
            if (!inputs.MeasurementFile.empty()) {
                inputs.Points = ReadMeasurementFile(inputs.MeasurementFile);
                if (line.FitAxes) {
                    line.Texts = WithAxesFitted(line.Texts, inputs.Points);
                }
            }
        },
        err);
}

} // namespace

PlotMarks RunInputs::Marks() const {
    if (MeasurementFile.empty()) {
        return {};
    }
    return MeasurementMarks(Points, MeasuredGridVoltages(Points), FittedCurves);
}

std::optional<std::string> ScreenOptionsProblem(const CommandLine& line, const Tube& tube) {
    // A push-pull pair feeds the screens of whichever of its tubes has one (--tube-b may).
    if ((!line.ScreenVolts && !line.TriodeConnected) || tubemath::HasScreen(tube.Model.Kind) ||
        line.PushPull) {
        return std::nullopt;
    }
    return std::string(line.ScreenVolts ? "--screen-v" : "--triode-connected") + ": the " +
           tube.Name + "'s model (" + std::string(tubemath::ModelName(tube.Model.Kind)) +
           ") has no screen grid.";
}

tubemath::ScreenWiring ScreenWiringOf(const CommandLine& line, const Tube& tube) {
    // The design's wiring goes with the design's tube; another tube starts at its own voltage.
    const bool designs =
        line.TubeFile.isEmpty() && tubemath::HasScreen(line.Start.DesignTube.Model.Kind);
    tubemath::ScreenWiring screen = designs ? line.Start.Screen : WiredAtItsScreen(tube).Screen;
    if (line.ScreenVolts) {
        screen = {*line.ScreenVolts, false};
    }
    if (line.TriodeConnected) {
        screen.TriodeConnected = true;
    }
    return screen;
}

std::optional<int> ReadInputs(CommandLine& line, RunInputs& inputs, std::ostream& err) {
    if (const std::optional<int> failed = ReadFiles(line, inputs, err)) {
        return failed;
    }
    if (const std::optional<std::string> problem = ScreenOptionsProblem(line, inputs.RunTube)) {
        err << *problem << '\n';
        return kExitUsage;
    }
    inputs.Screen = ScreenWiringOf(line, inputs.RunTube);
    return std::nullopt;
}

} // namespace valvescope
