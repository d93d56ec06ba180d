#include "cli/exportrun.h"

#include "cli/commandrun.h"
#include "core/analysis/stage.h"
#include "core/design/stagejob.h"
#include "core/export/curvecsv.h"
#include "core/export/familygrid.h"
#include "core/export/spice.h"
#include "core/io/atomicfile.h"
#include "core/page/settingstext.h"
#include "core/session/plotjob.h"
#include "core/session/plotsession.h"
#include "ui/errorbox.h"
#include "ui/framedpicture.h"
#include "ui/plotexport.h"
#include "ui/printpage.h"

#include <QCoreApplication>
#include <QFile>

#include <ostream>
#include <stdexcept>
#include <string>

namespace valvescope {

namespace {

std::string FileName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// "<path>: <reason>" as the program words a file it could not write.
std::string CannotWrite(const FileError& error) {
    const std::string what = error.what();
    const std::size_t colon = what.rfind(": ");
    if (colon == std::string::npos) {
        return "Cannot write: " + what;
    }
    return "Cannot write '" + what.substr(0, colon) + "': " + what.substr(colon + 2);
}

void Report(const std::string& message, std::ostream& err) {
    err << WithFullStop(QString::fromStdString(message)).toStdString() << '\n';
}

void WriteSpice(const CommandLine& line, const DrawnPlot& plot) {
    const std::string path = FileName(line.File);
    const std::string deck =
        line.DeckFile.isEmpty() ? exports::DeckPathFor(path) : FileName(line.DeckFile);
    const std::string version = QCoreApplication::applicationVersion().toStdString();
    exports::ExportSpice(path, deck, plot.DrawnTube, line.Dialect, version, plot.Settings);
}

// With the stage's options the page carries the stage's summary, as the window's Print does
// while the Operating Point window is open.
PrintedPlot PageOf(const CommandLine& line, const DrawnPlot& plot) {
    std::optional<std::string> summary;
    if (line.Stage) {
        PlotSession session;
        session.SetTube(plot.DrawnTube);
        summary = StageText(TakeAndDesign(session, plot.Texts, *line.Stage));
    }
    return {plot.Ops, line.Surface, plot.Captions, plot.DrawnTube.Name, plot.Texts, summary};
}

} // namespace

int WriteExportedPicture(const CommandLine& line, const DrawnPlot& plot, std::ostream& err) {
    // The command line has already refused any other file type.
    const PictureFormat format = PictureFormatOf(line.File).value_or(PictureFormat::Png);
    try {
        if (line.Bare) {
            WritePicture(line.File, format, plot.Ops, line.Surface, plot.DrawnTube.Name);
        } else {
            const page::PictureLabels labels{plot.Captions,
                                             page::CaptionItems(plot.DrawnTube.Name, plot.Texts)};
            WritePicture(line.File, format, FrameSurface(labels, line.Surface), plot.Ops,
                         plot.DrawnTube.Name);
        }
    } catch (const PictureWriteError& error) {
        Report(error.what(), err);
        return kExitNotWritten;
    }
    return kExitSuccess;
}

int RunFileExport(const CommandLine& line, std::ostream& err) {
    DrawnPlot plot;
    if (const std::optional<int> failed = DrawOrReport(line, plot, err)) {
        return *failed;
    }
    try {
        switch (line.Mode) {
        case RunMode::ExportSpice:
            WriteSpice(line, plot);
            break;
        case RunMode::ExportCsv:
            exports::ExportCurveCsv(FileName(line.File), plot.DrawnTube, plot.Settings, line.Show);
            break;
        case RunMode::PrintPdf:
            WritePrintedPagePdf(line.File, PageOf(line, plot));
            break;
        default:
            throw std::logic_error("not a file export");
        }
    } catch (const FileError& error) {
        Report(CannotWrite(error), err);
        return kExitNotWritten;
    } catch (const PictureWriteError& error) {
        Report(error.what(), err);
        return kExitNotWritten;
    } catch (const exports::ExportTooLargeError& error) {
        Report(error.what(), err);
        return kExitNotWritten;
    } catch (const tubemath::ArithmeticError& error) {
        Report(error.what(), err);
        return kExitArithmetic;
    } catch (const std::invalid_argument& error) {
        Report(error.what(), err);
        return kExitArithmetic;
    }
    return kExitSuccess;
}

} // namespace valvescope
