#include "cli/tuberun.h"

#include "cli/commandrun.h"
#include "core/fit/fit.h"
#include "core/fit/fitreport.h"
#include "core/measure/measurements.h"
#include "core/tube/tubefile.h"
#include "core/tubeedit/measuremarks.h"
#include "ui/errorbox.h"
#include "ui/schematicform.h"
#include "ui/tubewindow.h"

#include <QFile>

#include <ostream>

namespace valvescope {

namespace {

std::string PathOf(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

void Report(const std::exception& error, std::ostream& err) {
    err << WithFullStop(QString::fromUtf8(error.what())).toStdString() << '\n';
}

// The tube of --tube, or the 807; on failure the message and the exit code.
std::optional<int> ReadTube(const CommandLine& line, Tube& tube, std::ostream& err) {
    if (line.TubeFile.isEmpty()) {
        tube = Builtin807();
        return std::nullopt;
    }
    try {
        tube = ReadTubeFile(PathOf(line.TubeFile));
    } catch (const FileError& error) {
        Report(error, err);
        return kExitUsage;
    }
    return std::nullopt;
}

} // namespace

std::optional<int> ReadTubeAndData(const CommandLine& line, Tube& tube, PlotMarks& marks,
                                   std::ostream& err) {
    if (const std::optional<int> failed = ReadTube(line, tube, err)) {
        return failed;
    }
    marks = {};
    if (line.DataFile.isEmpty()) {
        return std::nullopt;
    }
    try {
        const MeasuredPoints points = ReadMeasurementFile(PathOf(line.DataFile));
        marks = MeasurementMarks(points, MeasuredGridVoltages(points), line.FittedCurves);
    } catch (const FileError& error) {
        Report(error, err);
        return kExitUsage;
    }
    return std::nullopt;
}

int RunFit(const CommandLine& line, std::ostream& out, std::ostream& err) {
    Tube base;
    if (const std::optional<int> failed = ReadTube(line, base, err)) {
        return *failed;
    }
    const std::string file = PathOf(line.FitFile);
    FitResult result;
    try {
        result = FitTube(ReadMeasurementFile(file));
    } catch (const FileError& error) {
        Report(error, err);
        return kExitUsage;
    } catch (const FitError& error) {
        err << file << ": " << WithFullStop(QString::fromUtf8(error.what())).toStdString() << '\n';
        return kExitUsage;
    }
    if (!line.SaveTubeFile.isEmpty()) {
        try {
            SaveTubeFile(PathOf(line.SaveTubeFile), FittedTube(base, result, file));
        } catch (const FileError& error) {
            Report(error, err);
            return kExitNotWritten;
        }
    }
    out << FitJson(result) << '\n';
    out.flush();
    return kExitSuccess;
}

void ApplyTubeAndData(TSchematicForm& form, const CommandLine& line) {
    RunGuarded(&form, [&] {
        if (!line.TubeFile.isEmpty()) {
            form.SetTube(ReadTubeFile(PathOf(line.TubeFile)));
        }
        if (!line.DataFile.isEmpty()) {
            form.TubeWindow().OpenMeasurements(line.DataFile);
            form.TubeWindow().ShowModelCurves(line.FittedCurves);
        }
    });
}

} // namespace valvescope
