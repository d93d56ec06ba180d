#include "ui/printpage.h"

#include "core/page/printedpage.h"
#include "core/page/settingstext.h"
#include "ui/framedpicture.h"
#include "ui/plotexport.h"
#include "ui/plotpainter.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace valvescope {

namespace {

constexpr double kPagePixelsPerInch = 96;

} // namespace

void PaintPrintedPage(QPainter& painter, const QPagedPaintDevice& device, const PrintedPlot& plot) {
    const double scaleX = device.logicalDpiX() / kPagePixelsPerInch;
    const double scaleY = device.logicalDpiY() / kPagePixelsPerInch;
    const page::FramedPicture picture = FrameSurface({plot.Captions, {}}, plot.SurfaceSize);

    page::PageContent content;
    content.PageWidth = static_cast<std::int32_t>(std::floor(device.width() / scaleX));
    content.PageHeight = static_cast<std::int32_t>(std::floor(device.height() / scaleY));
    content.TubeName = plot.TubeName;
    content.Settings = page::SettingRows(plot.Texts);
    content.Summary = plot.Summary;
    content.Figures = plot.Figures.size();
    content.PictureWidth = picture.Width;
    content.PictureHeight = picture.Height;
    const page::PageLayout layout = page::LayOutPage(content, PainterTextMeasure());

    painter.save();
    painter.scale(scaleX, scaleY);
    PaintDrawOps(painter, layout.Texts);
    for (std::size_t k = 0; k < layout.Figures.size(); ++k) {
        const page::FigureBox& box = layout.Figures[k];
        painter.save();
        painter.translate(box.Left, box.Top);
        PaintDrawOps(painter, plot.Figures[k](box.Width, box.Height));
        painter.restore();
    }
    painter.translate(layout.PictureLeft, layout.PictureTop);
    painter.scale(layout.PictureScale, layout.PictureScale);
    PaintFramedPicture(painter, picture, plot.Surface);
    painter.restore();
}

QByteArray PrintedPagePdf(const PrintedPlot& plot) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) {
        throw PictureWriteError("The PDF page could not be started");
    }
    QPdfWriter writer(&buffer);
    writer.setTitle(QStringLiteral("Plate characteristics of the %1")
                        .arg(QString::fromStdString(plot.TubeName)));
    writer.setCreator(QStringLiteral("Valvescope"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer)) {
        throw PictureWriteError("The PDF page could not be started");
    }
    PaintPrintedPage(painter, writer, plot);
    if (!painter.end()) {
        throw PictureWriteError("The PDF page could not be finished");
    }
    return bytes;
}

void WritePrintedPagePdf(const QString& path, const PrintedPlot& plot) {
    QByteArray bytes;
    try {
        bytes = PrintedPagePdf(plot);
    } catch (const PictureWriteError& error) {
        throw PictureWriteError(QStringLiteral("Cannot write '%1': %2")
                                    .arg(path, QString::fromUtf8(error.what()))
                                    .toStdString());
    }
    WriteBytes(path, bytes);
}

} // namespace valvescope
