// The printed page painted with Qt: on a printer, in the print preview, or into a PDF file of an
// A4 page without a printer.
#pragma once

#include "core/page/picturemargins.h"
#include "core/plot/drawops.h"
#include "core/settings/intake.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPainter;
class QPagedPaintDevice;

namespace valvescope {

// Everything the page shows.
struct PrintedPlot {
    DrawOps Surface;   // the plot's drawing operations
    QSize SurfaceSize; // in pixels
    AxisCaptions Captions;
    std::string TubeName;
    SettingsTexts Texts;                // the seven boxes' texts
    std::optional<std::string> Summary; // the operating point's, lines separated by '\n'
    // The small plots printed under the summary, each drawn for the size the page gives it.
    std::vector<std::function<DrawOps(std::int32_t, std::int32_t)>> Figures;
};

// Paints the page on `device`, whose origin is the paper's corner (a printer at full page, a PDF
// writer without margins): the layout of page/printedpage.h, at the device's resolution.
void PaintPrintedPage(QPainter& painter, const QPagedPaintDevice& device, const PrintedPlot& plot);

// The page as a one-page A4 PDF document, made in memory. Throws PictureWriteError when the
// page cannot be made.
QByteArray PrintedPagePdf(const PrintedPlot& plot);

// Writes PrintedPagePdf into `path` atomically; PictureWriteError "Cannot write '<path>':
// <reason>" when it cannot.
void WritePrintedPagePdf(const QString& path, const PrintedPlot& plot);

} // namespace valvescope
