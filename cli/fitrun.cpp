#include "cli/fitrun.h"

#include "cli/exportrun.h"
#include "cli/runerrors.h"
#include "cli/tuberun.h"
#include "core/fit/fit.h"
#include "core/fit/fitoutput.h"
#include "core/fit/fitreport.h"
#include "core/fit/modelfit.h"
#include "core/measure/measurements.h"
#include "core/tube/tubefile.h"
#include "ui/qtext.h"

#include <ostream>
#include <string>
#include <vector>

namespace valvescope {

namespace {

// What a fit prints and the tube it makes.
struct FitOutcome {
    std::string Json;
    Tube Fitted;
};

std::vector<MeasuredFile> ReadFitFiles(const CommandLine& line) {
    std::vector<MeasuredFile> files;
    for (const QString& name : line.FitFiles) {
        const std::string path = LocalFileName(name);
        files.push_back({path, ReadMeasurementFile(path)});
    }
    return files;
}

// The seed's seven constants fitted to every point of the files, on the ratings of the tube of
// --tube as before.
FitOutcome FitSeed(const CommandLine& line, const std::vector<MeasuredFile>& files) {
    const Tube base = ChosenTube(line);
    MeasuredPoints points;
    for (const MeasuredFile& file : files)
        points.insert(points.end(), file.Points.begin(), file.Points.end());
    const FitResult result = FitTube(points);
    FitOutcome outcome{SeedFitJson(result, SeedFileFits(result.Params, files)),
                       FittedTube(base, result, files.front().Name)};
    if (files.size() > 1) {
        // The notes name every file, not only the first.
        std::string names;
        for (const MeasuredFile& file : files)
            names +=
                (names.empty() ? "" : ", ") + file.Name.substr(file.Name.find_last_of('/') + 1);
        std::string& notes = outcome.Fitted.Notes;
        notes = "Fitted to " + names + notes.substr(notes.find(": "));
    }
    for (auto member : {&TubeRatings::Imax, &TubeRatings::Vmax, &TubeRatings::Pmax}) {
        if (line.GivenRatings.*member) {
            outcome.Fitted.Ratings.*member = line.GivenRatings.*member;
        }
    }
    return outcome;
}

FitOutcome Fit(const CommandLine& line, const std::vector<MeasuredFile>& files) {
    if (line.CompareModels) {
        return {ModelComparisonJson(CompareModels(files)), Tube{}};
    }
    if (line.FitWith.Kind == tubemath::ModelKind::Seed) {
        return FitSeed(line, files);
    }
    const ModelFitResult result = FitModelToFiles(files, line.FitWith);
    return {ModelFitJson(result), ModelFittedTube(result, files, line.GivenRatings)};
}

} // namespace

int RunFit(const CommandLine& line, std::ostream& out, std::ostream& err) {
    FitOutcome outcome;
    if (const std::optional<int> failed = Reported(
            RunStep::Reading,
            [&] {
                const std::vector<MeasuredFile> files = ReadFitFiles(line);
                try {
                    outcome = Fit(line, files);
                } catch (const FitError& error) {
                    // One file's fit is named with its file; several files' messages say which.
                    const std::string what = error.what();
                    if (files.size() == 1 && !what.starts_with(files.front().Name + ": "))
                        throw FitError(files.front().Name + ": " + what);
                    throw;
                }
            },
            err)) {
        return *failed;
    }
    // "-": the tube file in place of the fit (its notes carry the fit's numbers).
    if (IsStandardOutput(line.SaveTubeFile)) {
        std::string text;
        if (const std::optional<int> failed = Reported(
                RunStep::Saving,
                [&] {
                    text = TubeJson(outcome.Fitted);
                    ParseTubeJson(text, "-"); // as a saved file is checked: it must open again
                },
                err)) {
            return *failed;
        }
        return WriteToStandardOutput(text, out, err);
    }
    // The fit is printed first, so that it is not lost when the tube cannot be saved.
    if (const int printed = WriteToStandardOutput(outcome.Json + "\n", out, err);
        printed != kExitSuccess || line.SaveTubeFile.isEmpty()) {
        return printed;
    }
    if (const std::optional<int> failed = Reported(
            RunStep::Saving,
            [&] { SaveTubeFile(LocalFileName(line.SaveTubeFile), outcome.Fitted); }, err)) {
        return *failed;
    }
    return kExitSuccess;
}

} // namespace valvescope
