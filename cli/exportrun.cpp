#include "cli/exportrun.h"

#include "cli/commandrun.h"
#include "cli/runerrors.h"
#include "cli/tuberun.h"
#include "core/analysis/stage.h"
#include "core/design/stagejob.h"
#include "core/export/curvecsv.h"
#include "core/export/familygrid.h"
#include "core/export/spice.h"
#include "core/io/atomicfile.h"
#include "core/page/settingstext.h"
#include "core/session/plotjob.h"
#include "core/session/plotsession.h"
#include "ui/framedpicture.h"
#include "ui/plotexport.h"
#include "ui/printpage.h"
#include "ui/qtext.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>

namespace valvescope {

namespace {

// The text exports without a file: the subcircuit alone, or the curve data.
int PrintFileExport(const CommandLine& line, const DrawnPlot& plot, std::ostream& out,
                    std::ostream& err) {
    const std::string text =
        line.Mode == RunMode::ExportSpice
            ? exports::SpiceSubcircuit(plot.DrawnTube, line.Dialect,
                                       QCoreApplication::applicationVersion().toStdString())
            : exports::CurveFamilyCsv(plot.Tube, plot.Settings, line.Show);
    return WriteToStandardOutput(text, out, err);
}

void WriteSpice(const CommandLine& line, const DrawnPlot& plot) {
    const std::string path = LocalFileName(line.File);
    const std::string deck =
        line.DeckFile.isEmpty() ? exports::DeckPathFor(path) : LocalFileName(line.DeckFile);
    const std::string version = QCoreApplication::applicationVersion().toStdString();
    exports::ExportSpice(path, deck, plot.DrawnTube, line.Dialect, version, plot.Settings,
                         plot.Tube.Screen);
}

// With the stage's options the page carries the stage's summary, as the window's Print does
// while the Operating Point window is open.
PrintedPlot PageOf(const CommandLine& line, const DrawnPlot& plot) {
    std::optional<std::string> summary;
    if (line.Stage) {
        PlotSession session;
        session.SetTube(plot.DrawnTube);
        session.SetScreen(plot.Tube.Screen);
        summary = StageText(TakeAndDesign(session, plot.Texts, *line.Stage));
    }
    return {plot.Ops, line.Surface, plot.Captions, plot.DrawnTube.Name, plot.Texts, summary, {}};
}

} // namespace

int WriteExportedPicture(const CommandLine& line, const DrawnPlot& plot, std::ostream& err) {
    // The command line has already refused any other file type.
    const PictureFormat format =
        PictureFormatOf(line.File.toStdString()).value_or(PictureFormat::Png);
    const std::optional<int> failed = Reported(
        RunStep::Exporting,
        [&] {
            if (line.Bare) {
                WritePicture(line.File, format, plot.Ops, line.Surface, plot.DrawnTube.Name);
            } else {
                const page::PictureLabels labels{
                    plot.Captions, page::CaptionItems(plot.DrawnTube.Name, plot.Tube, plot.Texts)};
                WritePicture(line.File, format, FrameSurface(labels, line.Surface), plot.Ops,
                             plot.DrawnTube.Name);
            }
        },
        err);
    return failed.value_or(kExitSuccess);
}

bool IsStandardOutput(const QString& file) {
    return file == QStringLiteral("-");
}

int WriteToStandardOutput(const std::string& text, std::ostream& out, std::ostream& err) {
    errno = 0;
    out << text;
    out.flush();
    if (out) {
        return kExitSuccess;
    }
    const int reason = errno;
    err << "Cannot write to the standard output"
        << (reason != 0 ? std::string(": ") + std::strerror(reason) : std::string()) << ".\n";
    return kExitNotWritten;
}

int RunFileExport(const CommandLine& line, const RunInputs& inputs, std::ostream& out,
                  std::ostream& err) {
    DrawnPlot plot;
    if (const std::optional<int> failed = DrawOrReport(line, inputs, plot, err)) {
        return *failed;
    }
    if (line.Mode != RunMode::PrintPdf && IsStandardOutput(line.File)) {
        return PrintFileExport(line, plot, out, err);
    }
    const std::optional<int> failed = Reported(
        RunStep::Exporting,
        [&] {
            switch (line.Mode) {
            case RunMode::ExportSpice:
                WriteSpice(line, plot);
                break;
            case RunMode::ExportCsv:
                exports::ExportCurveCsv(LocalFileName(line.File), plot.Tube, plot.Settings,
                                        line.Show);
                break;
            case RunMode::PrintPdf:
                WritePrintedPagePdf(line.File, PageOf(line, plot));
                break;
            default:
                throw std::logic_error("not a file export");
            }
        },
        err);
    return failed.value_or(kExitSuccess);
}

} // namespace valvescope
