#include "cli/commandrun.h"

#include "cli/exportrun.h"
#include "cli/fitrun.h"
#include "cli/pushpullrun.h"
#include "cli/tuberun.h"
#include "core/analysis/stage.h"
#include "core/design/stagejob.h"
#include "core/session/plotjob.h"
#include "core/session/plotsession.h"
#include "core/settings/numbertext.h"

#include <QCoreApplication>

#include <ostream>

namespace valvescope {

namespace {

int Export(const CommandLine& line, const RunInputs& inputs, std::ostream& out, std::ostream& err) {
    DrawnPlot plot;
    if (const std::optional<int> failed = DrawOrReport(line, inputs, plot, err)) {
        return *failed;
    }
    if (const int written = WriteExportedPicture(line, plot, err); written != kExitSuccess) {
        return written;
    }
    return line.Design ? PrintDesign(line, inputs, out, err) : kExitSuccess;
}

int PrintReadouts(const CommandLine& line, const RunInputs& inputs, std::ostream& out,
                  std::ostream& err) {
    DrawnPlot plot;
    if (const std::optional<int> failed = DrawOrReport(line, inputs, plot, err)) {
        return *failed;
    }
    ReadoutSession session(plot);
    for (const PointerPosition& point : line.Points) {
        try {
            out << session.MoveTo(point.X, point.Y) << '\n';
        } catch (...) {
            out.flush(); // the lines before stand, then the message
            return ReportFailure(RunStep::Drawing, err);
        }
    }
    out.flush();
    return kExitSuccess;
}

// The modes that draw or analyse: the files read once, then the mode.
int RunOnInputs(const CommandLine& given, std::ostream& out, std::ostream& err) {
    CommandLine line = given;
    RunInputs inputs;
    if (const std::optional<int> failed = ReadInputs(line, inputs, err)) {
        return *failed;
    }
    switch (line.Mode) {
    case RunMode::Export:
        return Export(line, inputs, out, err);
    case RunMode::Design:
        return PrintDesign(line, inputs, out, err);
    case RunMode::Readout:
        return PrintReadouts(line, inputs, out, err);
    case RunMode::PrintPdf: {
        const int written = RunFileExport(line, inputs, out, err);
        return written == kExitSuccess && line.Design ? PrintDesign(line, inputs, out, err)
                                                      : written;
    }
    default:
        return RunFileExport(line, inputs, out, err);
    }
}

} // namespace

int ReportUsage(const QString& problem, std::ostream& err) {
    const std::string name = QCoreApplication::applicationName().toStdString();
    err << name << ": " << problem.toStdString() << "\n"
        << "Try '" << name << " --help' for the options.\n";
    return kExitUsage;
}

std::optional<int> DrawOrReport(const CommandLine& line, const RunInputs& inputs, DrawnPlot& plot,
                                std::ostream& err) {
    PlotJob job{line.Texts, line.Show, line.Surface.width(), line.Surface.height()};
    job.Tube = inputs.RunTube;
    job.Screen = inputs.Screen;
    job.MeasurementMarks = inputs.Marks();
    if (line.Stage) {
        job.BeforeDrawing = [&stage = *line.Stage](PlotSession& session) {
            ShowStage(session, stage);
        };
    }
    return Reported(
        RunStep::Drawing, [&] { plot = DrawPlotWithoutWindow(job); }, err);
}

int PrintDesign(const CommandLine& line, const RunInputs& inputs, std::ostream& out,
                std::ostream& err) {
    if (line.PushPull) {
        return PrintPushPull(line, inputs, out, err);
    }
    std::string printed;
    const std::optional<int> failed = Reported(
        RunStep::Drawing,
        [&] {
            PlotSession session;
            session.SetTube(inputs.RunTube);
            session.SetScreen(inputs.Screen);
            const StageAnalysis analysis =
                TakeAndDesign(session, line.Texts, line.Stage.value_or(StageTexts{}));
            printed = line.Design == DesignFormat::Json ? StageJson(analysis) : StageText(analysis);
        },
        err);
    out << printed;
    out.flush();
    return failed.value_or(kExitSuccess);
}

int RunWithoutWindow(const CommandLine& line, std::ostream& out, std::ostream& err) {
    switch (line.Mode) {
    case RunMode::Help:
        out << UsageText().toStdString();
        return kExitSuccess;
    case RunMode::Version:
        out << QCoreApplication::applicationName().toStdString() << ' '
            << QCoreApplication::applicationVersion().toStdString() << '\n';
        return kExitSuccess;
    case RunMode::Export:
    case RunMode::Design:
    case RunMode::Readout:
    case RunMode::ExportSpice:
    case RunMode::ExportCsv:
    case RunMode::PrintPdf:
        return RunOnInputs(line, out, err);
    case RunMode::Fit:
        return RunFit(line, out, err);
    case RunMode::Usage:
    case RunMode::Window:
    case RunMode::WindowShot:
        break;
    }
    return ReportUsage(line.Problem, err);
}

} // namespace valvescope
