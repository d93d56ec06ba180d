#include "cli/exportrun.h"

#include "cli/commandrun.h"
#include "cli/runerrors.h"
#include "cli/tuberun.h"
#include "core/export/curvecsv.h"
#include "core/export/familygrid.h"
#include "core/export/spice.h"
#include "core/io/atomicfile.h"
#include "core/page/settingstext.h"
#include "core/session/plotjob.h"
#include "ui/framedpicture.h"
#include "ui/plotexport.h"
#include "ui/printpage.h"
#include "ui/qtext.h"

#include <QCoreApplication>

#include <ostream>
#include <stdexcept>
#include <string>

namespace valvescope {

namespace {

void WriteSpice(const CommandLine& line, const DrawnPlot& plot) {
    const std::string path = LocalFileName(line.File);
    const std::string deck =
        line.DeckFile.isEmpty() ? exports::DeckPathFor(path) : LocalFileName(line.DeckFile);
    const std::string version = QCoreApplication::applicationVersion().toStdString();
    exports::ExportSpice(path, deck, plot.DrawnTube, line.Dialect, version, plot.Settings);
}

PrintedPlot PageOf(const CommandLine& line, const DrawnPlot& plot) {
    return {plot.Ops, line.Surface, plot.Captions, plot.DrawnTube.Name, plot.Texts, std::nullopt};
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
                WritePicture(line.File, format, plot.Ops, line.Surface);
            } else {
                const page::PictureLabels labels{
                    plot.Captions, page::CaptionItems(plot.DrawnTube.Name, plot.Texts)};
                WritePicture(line.File, format, FrameSurface(labels, line.Surface), plot.Ops);
            }
        },
        err);
    return failed.value_or(kExitSuccess);
}

int RunFileExport(const CommandLine& line, const RunInputs& inputs, std::ostream& err) {
    DrawnPlot plot;
    if (const std::optional<int> failed = DrawOrReport(line, inputs, plot, err)) {
        return *failed;
    }
    const std::optional<int> failed = Reported(
        RunStep::Exporting,
        [&] {
            switch (line.Mode) {
            case RunMode::ExportSpice:
                WriteSpice(line, plot);
                break;
            case RunMode::ExportCsv:
                exports::ExportCurveCsv(LocalFileName(line.File), plot.DrawnTube, plot.Settings,
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
