#include "cli/tuberun.h"

#include "cli/exportrun.h"
#include "cli/runerrors.h"
#include "core/fit/fit.h"
#include "core/fit/fitreport.h"
#include "core/measure/measurements.h"
#include "core/tube/tubefile.h"
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

Tube TubeOf(const CommandLine& line) {
    return line.TubeFile.isEmpty() ? line.Start.DesignTube
                                   : ReadTubeFile(LocalFileName(line.TubeFile));
}

// The tube of --tube (else the design's) and the measured points, each file read once.
std::optional<int> ReadFiles(CommandLine& line, RunInputs& inputs, std::ostream& err) {
    return Reported(
        RunStep::Reading,
        [&] {
            inputs = RunInputs{};
            inputs.RunTube = TubeOf(line);
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
    if ((!line.ScreenVolts && !line.TriodeConnected) || tubemath::HasScreen(tube.Model.Kind)) {
        return std::nullopt;
    }
    return std::string(line.ScreenVolts ? "--screen-v" : "--triode-connected") + ": the " +
           tube.Name + "'s model (" + std::string(tubemath::ModelName(tube.Model.Kind)) +
           ") has no screen grid.";
}

tubemath::ScreenWiring ScreenWiringOf(const CommandLine& line, const Tube& tube) {
    tubemath::ScreenWiring screen = WiredAtItsScreen(tube).Screen;
    if (line.ScreenVolts) {
        screen.Volts = *line.ScreenVolts;
    }
    screen.TriodeConnected = line.TriodeConnected;
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

int RunFit(const CommandLine& line, std::ostream& out, std::ostream& err) {
    Tube base;
    const std::string file = LocalFileName(line.FitFile);
    FitResult result;
    if (const std::optional<int> failed = Reported(
            RunStep::Reading,
            [&] {
                base = TubeOf(line);
                try {
                    result = FitTube(ReadMeasurementFile(file));
                } catch (const FitError& error) {
                    throw FileError(file + ": " + error.what()); // named with its file
                }
            },
            err)) {
        return *failed;
    }
    Tube fitted = FittedTube(base, result, file);
    for (auto member : {&TubeRatings::Imax, &TubeRatings::Vmax, &TubeRatings::Pmax}) {
        if (line.GivenRatings.*member) {
            fitted.Ratings.*member = line.GivenRatings.*member;
        }
    }
    // "-": the tube file in place of the fit (its notes carry the fit's numbers).
    if (IsStandardOutput(line.SaveTubeFile)) {
        std::string text;
        if (const std::optional<int> failed = Reported(
                RunStep::Saving,
                [&] {
                    text = TubeJson(fitted);
                    ParseTubeJson(text, "-"); // as a saved file is checked: it must open again
                },
                err)) {
            return *failed;
        }
        return WriteToStandardOutput(text, out, err);
    }
    // The fit is printed first, so that it is not lost when the tube cannot be saved.
    if (const int printed = WriteToStandardOutput(FitJson(result) + "\n", out, err);
        printed != kExitSuccess || line.SaveTubeFile.isEmpty()) {
        return printed;
    }
    if (const std::optional<int> failed = Reported(
            RunStep::Saving, [&] { SaveTubeFile(LocalFileName(line.SaveTubeFile), fitted); },
            err)) {
        return *failed;
    }
    return kExitSuccess;
}

} // namespace valvescope
