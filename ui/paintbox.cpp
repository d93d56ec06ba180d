#include "ui/paintbox.h"

#include <QMouseEvent>
#include <QPainter>

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::Blank() {
    if (picture_.isNull()) {
        return;
    }
    picture_.fill(Qt::white);
    QPainter painter(&picture_);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0.5, 0.5, width() - 1, height() - 1));
    painter.end();
    PictureChanged();
}

void TPaintBox::PictureChanged() {
    update();
}

void TPaintBox::MakePicture() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (pixels.isEmpty()) {
        picture_ = QImage();
        return;
    }
    picture_ = QImage(pixels, QImage::Format_RGB32);
    picture_.setDevicePixelRatio(ratio);
    Blank();
}

void TPaintBox::paintEvent(QPaintEvent*) {
    if (picture_.devicePixelRatio() != devicePixelRatioF()) {
        MakePicture();
    }
    QPainter painter(this);
    if (picture_.isNull()) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    painter.drawImage(QPointF(0, 0), picture_);
}

void TPaintBox::resizeEvent(QResizeEvent*) {
    MakePicture();
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit MouseMoved(at.x(), at.y());
}

void TPaintBox::leaveEvent(QEvent*) {
    emit MouseLeft();
}
