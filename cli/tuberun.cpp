#include "cli/tuberun.h"

#include "cli/exportrun.h"
#include "cli/runerrors.h"
#include "core/measure/measurements.h"
#include "core/tube/library.h"
#include "core/tube/tubefile.h"
#include "core/tubeedit/axesfit.h"
#include "core/tubeedit/measuremarks.h"
#include "ui/qtext.h"

#include <filesystem>
#include <ostream>
#include <system_error>

namespace valvescope {

namespace {

// The modes that draw measured points.
bool DrawsMeasurements(RunMode mode) {
    return mode == RunMode::Export || mode == RunMode::WindowShot || mode == RunMode::PrintPdf ||
           mode == RunMode::Window;
}

} // namespace

Tube ChosenTube(const CommandLine& line) {
    if (line.TubeFile.isEmpty()) {
        return line.Start.DesignTube;
    }
    const std::string path = LocalFileName(line.TubeFile);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
        return ReadTubeFile(path); // a file of that name comes first
    }
    const std::string name = line.TubeFile.toStdString();
    if (name == Builtin807().Name) {
        return Builtin807();
    }
    if (const LibraryTube* entry = FindLibraryTube(name)) {
        return TubeOf(*entry);
    }
    try {
        return ReadTubeFile(path);
    } catch (const FileError& error) {
        throw FileError(std::string(error.what()) + ", and no tube of the library has that name");
    }
}

PlotMarks RunInputs::Marks() const {
    if (MeasurementFile.empty()) {
        return {};
    }
    return MeasurementMarks(Points, MeasuredGridVoltages(Points), FittedCurves);
}

std::optional<int> ReadInputs(CommandLine& line, RunInputs& inputs, std::ostream& err) {
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

} // namespace valvescope
