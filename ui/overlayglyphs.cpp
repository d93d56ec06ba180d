#include "ui/overlayglyphs.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>

QIcon OverlayGlyph(Glyph glyph) {
    constexpr int side = 12;
    constexpr qreal ratio = 2;
    QPixmap pixmap(side * ratio, side * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor red(255, 0, 0);
    const QColor maroon(128, 0, 0);
    const QColor blue(0, 0, 255);
    QPainterPath path;
    QColor colour = red;
    switch (glyph) {
    case Glyph::CurrentLine:
        path.moveTo(1, 4);
        path.lineTo(11, 4);
        break;
    case Glyph::PowerCurve:
        path.moveTo(2, 1);
        path.cubicTo(3, 8, 5, 10, 11, 10.5);
        break;
    case Glyph::VoltageLine:
        path.moveTo(7, 1);
        path.lineTo(7, 11);
        break;
    case Glyph::BiasLine:
        colour = maroon;
        path.moveTo(1, 11);
        path.cubicTo(4, 10, 8, 6, 11, 1);
        break;
    case Glyph::LoadLine:
        colour = blue;
        path.moveTo(1, 1);
        path.lineTo(11, 11);
        break;
    }
    painter.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(path);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(QPointF(0.5, 0.5), QPointF(0.5, side - 0.5));
    painter.drawLine(QPointF(0.5, side - 0.5), QPointF(side - 0.5, side - 0.5));
    return QIcon(pixmap);
}
