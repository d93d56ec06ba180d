#include "ui/formwidgets.h"

#include <QFontMetrics>
#include <QPainter>
#include <QSizePolicy>

QFont ArialOfPixels(int pixels, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void TClientArea::resizeEvent(QResizeEvent*) {
    if (Resized) {
        Resized();
    }
}

TBevelLine::TBevelLine(QWidget* parent, bool alongBottom)
    : QWidget(parent), alongBottom_(alongBottom) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TBevelLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int y = alongBottom_ ? height() - 2 : 0;
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(0, y, width() - 1, y);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(0, y + 1, width() - 1, y + 1);
}

TStatusText::TStatusText(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(0);
}

QSize TStatusText::minimumSizeHint() const {
    return QSize(0, QLabel::minimumSizeHint().height());
}

QFont TStatusText::ShownFont() const {
    QFont shown = font();
    const int width = contentsRect().width();
    for (int pixels = shown.pixelSize(); pixels > kSmallestStatusPixels; --pixels) {
        if (QFontMetrics(shown).horizontalAdvance(text()) <= width) {
            break;
        }
        shown.setPixelSize(pixels - 1);
    }
    return shown;
}

QString TStatusText::ShownText() const {
    return QFontMetrics(ShownFont()).elidedText(text(), Qt::ElideRight, contentsRect().width());
}

void TStatusText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(ShownFont());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), static_cast<int>(alignment()), ShownText());
}
