#include "cli/tubeoptions.h"

#include <QCommandLineParser>

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

// What goes with what: --fit is a mode of its own, --data needs a picture to draw on.
bool CheckCombinations(CommandLine& line) {
    if (!line.FitFile.isEmpty()) {
        if (line.Mode != RunMode::Window) {
            line.Problem = QStringLiteral("--fit does not go with another mode.");
            return false;
        }
        line.Mode = RunMode::Fit;
    }
    if (!line.SaveTubeFile.isEmpty() && line.Mode != RunMode::Fit) {
        line.Problem = QStringLiteral("--save-tube needs --fit.");
        return false;
    }
    const bool drawn = line.Mode == RunMode::Export || line.Mode == RunMode::WindowShot ||
                       line.Mode == RunMode::PrintPdf || line.Mode == RunMode::Window;
    if (!line.DataFile.isEmpty() && !drawn) {
        line.Problem =
            QStringLiteral("--data goes with --export, --print-pdf, --window-shot or the window.");
        return false;
    }
    if (line.FittedCurves && line.DataFile.isEmpty()) {
        line.Problem = QStringLiteral("--fitted-curves needs --data.");
        return false;
    }
    if (line.FitAxes && line.DataFile.isEmpty()) {
        line.Problem = QStringLiteral("--fit-axes needs --data.");
        return false;
    }
    return true;
}

} // namespace

void AddTubeOptions(QCommandLineParser& parser) {
    parser.addOption({QStringLiteral("tube"),
                      QStringLiteral("Use the tube in the tube file <file> instead of the 807, "
                                     "for every mode."),
                      QStringLiteral("file")});
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
                      QStringLiteral("Fit the tube's seven constants to the measured points in "
                                     "<file>, print the fit as JSON and end."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("save-tube"),
                      QStringLiteral("With --fit: write the fitted tube into the tube file "
                                     "<file>."),
                      QStringLiteral("file")});
}

bool ReadTubeOptions(const QCommandLineParser& parser, CommandLine& line) {
    line.FittedCurves = parser.isSet(QStringLiteral("fitted-curves"));
    line.FitAxes = parser.isSet(QStringLiteral("fit-axes"));
    return ReadFileName(parser, "tube", line.TubeFile, line.Problem) &&
           ReadFileName(parser, "data", line.DataFile, line.Problem) &&
           ReadFileName(parser, "fit", line.FitFile, line.Problem) &&
           ReadFileName(parser, "save-tube", line.SaveTubeFile, line.Problem) &&
           CheckCombinations(line);
}

} // namespace valvescope
