#include "cli/commandrun.h"

#include "cli/exportrun.h"
#include "cli/tuberun.h"
#include "core/analysis/stage.h"
#include "core/design/stagejob.h"
#include "core/session/plotjob.h"
#include "core/session/plotsession.h"
#include "core/settings/numbertext.h"
#include "ui/errorbox.h"
#include "ui/plotexport.h"

#include <QCoreApplication>

#include <ostream>

namespace valvescope {

namespace {

// The message as the error box words it, with its full stop.
std::string BoxMessage(const std::exception& error) {
    return WithFullStop(QString::fromUtf8(error.what())).toStdString();
}

// Runs `work`; a failure the command line expects prints its message and gives its exit code.
template <typename Work> std::optional<int> Reported(Work&& work, std::ostream& err) {
    try {
        work();
        return std::nullopt;
    } catch (const BlankOrZeroSetting& error) {
        err << error.what() << '\n';
        return kExitNothingDrawn;
    } catch (const StageError& error) {
        err << BoxMessage(error) << '\n';
        return kExitNothingDrawn;
    } catch (const ConversionError& error) {
        err << BoxMessage(error) << '\n';
        return kExitUsage;
    } catch (const tubemath::ArithmeticError& error) {
        err << BoxMessage(error) << '\n';
        return kExitArithmetic;
    }
}

int Export(const CommandLine& line, std::ostream& out, std::ostream& err) {
    DrawnPlot plot;
    if (const std::optional<int> failed = DrawOrReport(line, plot, err)) {
        return *failed;
    }
    if (const int written = WriteExportedPicture(line, plot, err); written != kExitSuccess) {
        return written;
    }
    return line.Design ? PrintDesign(line, out, err) : kExitSuccess;
}

int PrintReadouts(const CommandLine& line, std::ostream& out, std::ostream& err) {
    DrawnPlot plot;
    if (const std::optional<int> failed = DrawOrReport(line, plot, err)) {
        return *failed;
    }
    ReadoutSession session(plot);
    for (const PointerPosition& point : line.Points) {
        try {
            out << session.MoveTo(point.X, point.Y) << '\n';
        } catch (const tubemath::ArithmeticError& error) {
            out.flush();
            err << BoxMessage(error) << '\n';
            return kExitArithmetic;
        }
    }
    out.flush();
    return kExitSuccess;
}

} // namespace

int ReportUsage(const QString& problem, std::ostream& err) {
    const std::string name = QCoreApplication::applicationName().toStdString();
    err << name << ": " << problem.toStdString() << "\n"
        << "Try '" << name << " --help' for the options.\n";
    return kExitUsage;
}

std::optional<int> DrawOrReport(const CommandLine& line, DrawnPlot& plot, std::ostream& err) {
    PlotJob job{line.Texts, line.Show, line.Surface.width(), line.Surface.height()};
    if (const std::optional<int> failed =
            ReadTubeAndData(line, job.Tube, job.MeasurementMarks, err, &job.Texts)) {
        return failed;
    }
    if (line.Stage) {
        job.BeforeDrawing = [&stage = *line.Stage](PlotSession& session) {
            ShowStage(session, stage);
        };
    }
    return Reported([&] { plot = DrawPlotWithoutWindow(job); }, err);
}

int PrintDesign(const CommandLine& line, std::ostream& out, std::ostream& err) {
    Tube tube;
    PlotMarks marks;
    if (const std::optional<int> failed = ReadTubeAndData(line, tube, marks, err)) {
        return *failed;
    }
    std::string printed;
    const std::optional<int> failed = Reported(
        [&] {
            PlotSession session;
            session.SetTube(tube);
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
        return Export(line, out, err);
    case RunMode::Design:
        return PrintDesign(line, out, err);
    case RunMode::Readout:
        return PrintReadouts(line, out, err);
    case RunMode::ExportSpice:
    case RunMode::ExportCsv:
        return RunFileExport(line, err);
    case RunMode::PrintPdf: {
        const int written = RunFileExport(line, err);
        return written == kExitSuccess && line.Design ? PrintDesign(line, out, err) : written;
    }
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
