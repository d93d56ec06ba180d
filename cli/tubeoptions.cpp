#include "cli/tubeoptions.h"

#include "core/settings/intake.h"
#include "core/settings/numbertext.h"
#include "core/tube/library.h"

#include <QCommandLineParser>

#include <cmath>
#include <optional>
#include <tuple>

namespace valvescope {

namespace {

// The file named by an option given at most once; false with the problem said otherwise.
bool ReadFileName(const QCommandLineParser& parser, const char* option, QString& file,
                  QString& problem) {
    const QString name = QString::fromUtf8(option);
    const QStringList values = parser.values(name);
    if (values.size() > 1) {
        problem = QStringLiteral("--%1 is given more than once.").arg(name);
        return false;
    }
    if (values.size() == 1 && values.front().isEmpty()) {
        problem = QStringLiteral("--%1 needs a file name.").arg(name);
        return false;
    }
    file = values.value(0);
    return true;
}

// --fit, once for each file; none empty.
bool ReadFitFiles(const QCommandLineParser& parser, CommandLine& line) {
    line.FitFiles = parser.values(QStringLiteral("fit"));
    if (line.FitFiles.contains(QString())) {
        line.Problem = QStringLiteral("--fit needs a file name.");
        return false;
    }
    return true;
}

// The models --model takes, as the fit names them.
QString ModelChoices() {
    return QStringLiteral("seed, koren-triode, koren-pentode, derk or derke (a screen-grid one "
                          "may add ' triode-connected')");
}

bool ReadModel(const QCommandLineParser& parser, CommandLine& line) {
    line.CompareModels = parser.isSet(QStringLiteral("compare-models"));
    const QStringList values = parser.values(QStringLiteral("model"));
    if (values.isEmpty()) {
        return true;
    }
    if (values.size() > 1) {
        line.Problem = QStringLiteral("--model is given more than once.");
        return false;
    }
    const std::optional<FitModel> model = FitModelNamed(values.front().toStdString());
    if (!model) {
        line.Problem =
            QStringLiteral("--model takes %1, not '%2'.").arg(ModelChoices(), values.front());
        return false;
    }
    line.FitWith = *model;
    return true;
}

// --imax, --vmax, --pmax, --psmax: numbers above zero, a comma working as a point.
bool ReadRatings(const QCommandLineParser& parser, CommandLine& line) {
    const std::tuple<const char*, const char*, std::optional<double> TubeRatings::*> options[] = {
        {"imax", "amperes", &TubeRatings::Imax},
        {"vmax", "volts", &TubeRatings::Vmax},
        {"pmax", "watts", &TubeRatings::Pmax},
        {"psmax", "watts", &TubeRatings::Psmax}};
    for (const auto& [option, unit, member] : options) {
        const QString name = QString::fromUtf8(option);
        const QStringList values = parser.values(name);
        if (values.isEmpty()) {
            continue;
        }
        if (values.size() > 1) {
            line.Problem = QStringLiteral("--%1 is given more than once.").arg(name);
            return false;
        }
        double value = 0;
        try {
            value = ReadDecimalNumber(WithPointSeparator(values.front().toStdString()));
        } catch (const ConversionError&) {
            value = 0;
        }
        if (!std::isfinite(value) || !(value > 0)) {
            line.Problem = QStringLiteral("--%1 takes a number of %2 above zero, not '%3'.")
                               .arg(name, QString::fromUtf8(unit), values.front());
            return false;
        }
        line.GivenRatings.*member = value;
    }
    return true;
}

// --model, --compare-models and --psmax with the fit they go with.
bool CheckFitOptions(CommandLine& line, bool modelGiven) {
    if (modelGiven && line.Mode != RunMode::Fit) {
        line.Problem = QStringLiteral("--model needs --fit.");
        return false;
    }
    if (line.CompareModels && line.Mode != RunMode::Fit) {
        line.Problem = QStringLiteral("--compare-models needs --fit.");
        return false;
    }
    if (line.CompareModels && modelGiven) {
        line.Problem = QStringLiteral("--compare-models fits every model that suits the files: "
                                      "leave out --model.");
        return false;
    }
    if (line.CompareModels && !line.SaveTubeFile.isEmpty()) {
        line.Problem = QStringLiteral("--save-tube goes with --model, not --compare-models.");
        return false;
    }
    if (line.GivenRatings.Psmax && (line.Mode != RunMode::Fit || line.CompareModels ||
                                    !tubemath::HasScreen(line.FitWith.Kind))) {
        line.Problem = QStringLiteral(
            "--psmax needs --fit with a screen-grid model (koren-pentode, derk or derke).");
        return false;
    }
    return true;
}

// --screen-v: a number of volts above zero, a comma working as a point; --triode-connected.
bool ReadScreen(const QCommandLineParser& parser, CommandLine& line) {
    line.TriodeConnected = parser.isSet(QStringLiteral("triode-connected"));
    const QStringList values = parser.values(QStringLiteral("screen-v"));
    if (values.isEmpty()) {
        return true;
    }
    if (values.size() > 1) {
        line.Problem = QStringLiteral("--screen-v is given more than once.");
        return false;
    }
    double volts = 0;
    try {
        volts = ReadDecimalNumber(WithPointSeparator(values.front().toStdString()));
    } catch (const ConversionError&) {
        volts = 0;
    }
    if (!std::isfinite(volts) || !(volts > 0)) {
        line.Problem = QStringLiteral("--screen-v takes a number of volts above zero, not '%1'.")
                           .arg(values.front());
        return false;
    }
    if (line.TriodeConnected) {
        line.Problem = QStringLiteral("--screen-v does not go with --triode-connected, which "
                                      "ties the screen to the plate.");
        return false;
    }
    line.ScreenVolts = volts;
    return true;
}

// What goes with what: --fit is a mode of its own, --data needs a picture to draw on.
bool CheckCombinations(CommandLine& line, bool modelGiven) {
    if (!line.FitFiles.isEmpty()) {
        if (line.Mode != RunMode::Window) {
            line.Problem = QStringLiteral("--fit does not go with another mode.");
            return false;
        }
        line.Mode = RunMode::Fit;
    }
    if (!CheckFitOptions(line, modelGiven)) {
        return false;
    }
    if ((line.ScreenVolts || line.TriodeConnected) && line.Mode == RunMode::Fit) {
        line.Problem = QStringLiteral("--screen-v and --triode-connected do not go with --fit.");
        return false;
    }
    if (!line.SaveTubeFile.isEmpty() && line.Mode != RunMode::Fit) {
        line.Problem = QStringLiteral("--save-tube needs --fit.");
        return false;
    }
    const TubeRatings& given = line.GivenRatings;
    if ((given.Imax || given.Vmax || given.Pmax) && line.Mode != RunMode::Fit) {
        line.Problem = QStringLiteral("--imax, --vmax and --pmax need --fit.");
        return false;
    }
    const bool drawn = line.Mode == RunMode::Export || line.Mode == RunMode::WindowShot ||
                       line.Mode == RunMode::PrintPdf || line.Mode == RunMode::Window;
    if (!line.DataFile.isEmpty() && !drawn) {
        line.Problem =
            QStringLiteral("--data goes with --export, --print-pdf, --window-shot or the window.");
        return false;
    }
    if (line.FittedCurves && line.DataFile.isEmpty() && line.Start.MeasurementFile.empty()) {
        line.Problem = QStringLiteral("--fitted-curves needs --data.");
        return false;
    }
    if (line.FitAxes && line.DataFile.isEmpty()) {
        line.Problem = QStringLiteral("--fit-axes needs --data.");
        return false;
    }
    return true;
}

// "807, 12AX7, ..., 6550": the built-in tube and the library, as --tube takes them.
QString LibraryNames() {
    QStringList names{QString::fromStdString(Builtin807().Name)};
    for (const LibraryTube& tube : TubeLibrary()) {
        names.append(QString::fromUtf8(tube.Name.data(), static_cast<qsizetype>(tube.Name.size())));
    }
    return names.join(QStringLiteral(", "));
}

} // namespace

void AddTubeOptions(QCommandLineParser& parser) {
    parser.addOption({QStringLiteral("tube"),
                      QStringLiteral("Use the tube <name> of the library (%1; letters in either "
                                     "case) or the tube in the tube file <file> instead of the "
                                     "807, for every mode. A file of that name comes first.")
                          .arg(LibraryNames()),
                      QStringLiteral("name|file")});
    parser.addOption({QStringLiteral("screen-v"),
                      QStringLiteral("For a tube with a screen grid: hold the screen at <volts> "
                                     "(default: the tube's own screen voltage), for every mode."),
                      QStringLiteral("volts")});
    parser.addOption({QStringLiteral("triode-connected"),
                      QStringLiteral("For a tube with a screen grid: tie the screen to the plate, "
                                     "for every mode.")});
    parser.addOption({QStringLiteral("data"),
                      QStringLiteral("Draw the measured points in <file> (uTracer, uTmax or CSV) "
                                     "over the plot."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("fitted-curves"),
                      QStringLiteral("With --data: draw the model's curves at the measured grid "
                                     "voltages too.")});
    parser.addOption({QStringLiteral("fit-axes"),
                      QStringLiteral("With --data: set End V, End I and Step V from the measured "
                                     "ranges.")});
    parser.addOption({QStringLiteral("fit"),
                      QStringLiteral("Fit the model to the measured points in <file>, print the "
                                     "fit as JSON and end; given more than once, the files are "
                                     "fitted together, each point at its own screen voltage."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("model"),
                      QStringLiteral("With --fit: the model fitted: seed (the default, the "
                                     "807's seven constants), koren-triode, koren-pentode, derk "
                                     "or derke; 'derk triode-connected' and the like fit a "
                                     "screen-grid model with its screen tied to the plate."),
                      QStringLiteral("name")});
    parser.addOption({QStringLiteral("compare-models"),
                      QStringLiteral("With --fit: fit every model that suits the files and print "
                                     "the fits as a JSON array, best (lowest BIC) first.")});
    parser.addOption({QStringLiteral("save-tube"),
                      QStringLiteral("With --fit: write the fitted tube into the tube file "
                                     "<file>; a screen-grid tube is plotted at the median of "
                                     "the measured screen voltages."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("imax"),
                      QStringLiteral("With --fit: the fitted tube's plate current rating in "
                                     "amperes (default: none, unless --tube gives one)."),
                      QStringLiteral("amperes")});
    parser.addOption({QStringLiteral("vmax"),
                      QStringLiteral("With --fit: the fitted tube's plate voltage rating in "
                                     "volts."),
                      QStringLiteral("volts")});
    parser.addOption({QStringLiteral("pmax"),
                      QStringLiteral("With --fit: the fitted tube's plate dissipation rating in "
                                     "watts."),
                      QStringLiteral("watts")});
    parser.addOption({QStringLiteral("psmax"),
                      QStringLiteral("With --fit and a screen-grid model: the fitted tube's "
                                     "screen dissipation rating in watts."),
                      QStringLiteral("watts")});
}

bool ReadTubeOptions(const QCommandLineParser& parser, CommandLine& line) {
    line.FittedCurves = parser.isSet(QStringLiteral("fitted-curves"));
    line.FitAxes = parser.isSet(QStringLiteral("fit-axes"));
    return ReadFileName(parser, "tube", line.TubeFile, line.Problem) &&
           ReadFileName(parser, "data", line.DataFile, line.Problem) &&
           ReadFitFiles(parser, line) && ReadModel(parser, line) &&
           ReadFileName(parser, "save-tube", line.SaveTubeFile, line.Problem) &&
           ReadRatings(parser, line) && ReadScreen(parser, line) &&
           CheckCombinations(line, parser.isSet(QStringLiteral("model")));
}

} // namespace valvescope
