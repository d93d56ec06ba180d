#include "ui/framedpicture.h"

#include "ui/plotexport.h"
#include "ui/plotpainter.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QString>

namespace valvescope {

page::TextMeasure PainterTextMeasure() {
    return [](const std::string& text, const std::string& face, int pointSize) {
        const QFontMetrics metrics(DrawOpFont(face, pointSize));
        return page::TextExtent{metrics.horizontalAdvance(QString::fromUtf8(text)),
                                metrics.height()};
    };
}

page::FramedPicture FrameSurface(const page::PictureLabels& labels, QSize surface) {
    return page::FramePicture(labels, surface.width(), surface.height(), PainterTextMeasure());
}

void PaintFramedPicture(QPainter& painter, const page::FramedPicture& picture,
                        const DrawOps& surface) {
    painter.fillRect(QRect(0, 0, picture.Width, picture.Height), Qt::white);
    PaintDrawOps(painter, picture.Margins);
    const QPoint corner(picture.SurfaceLeft, picture.SurfaceTop);
    const bool pixels = painter.paintEngine() &&
                        painter.paintEngine()->type() == QPaintEngine::Raster &&
                        painter.transform().isIdentity();
    if (pixels) {
        // Painted on its own, as the bare picture is, so that every line keeps its pixels.
        painter.drawImage(corner,
                          PlotImage(surface, QSize(picture.SurfaceWidth, picture.SurfaceHeight)));
        return;
    }
    painter.save();
    painter.translate(corner);
    painter.setClipRect(QRect(0, 0, picture.SurfaceWidth, picture.SurfaceHeight));
    PaintDrawOps(painter, surface);
    painter.restore();
}

QImage FramedImage(const page::FramedPicture& picture, const DrawOps& surface) {
    QImage image(QSize(picture.Width, picture.Height), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintFramedPicture(painter, picture, surface);
    return image;
}

} // namespace valvescope
