#include "ui/harmonicbars.h"

#include "core/design/stagemarks.h"
#include "formats/formats.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// The chart's margins in pixels: room for the scale's numbers, its title and the bar names.
constexpr int kLeft = 34;
constexpr int kTop = 18;
constexpr int kRight = 6;
constexpr int kBottom = 18;

QString Decibels(double level) {
    return QString::fromStdString(formats::FormatPicture("0.0", level));
}

} // namespace

THarmonicBars::THarmonicBars(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("HarmonicBars"));
    setMinimumSize(220, 130);
    Describe();
}

void THarmonicBars::SetLevels(const valvescope::HarmonicLevels& levels) {
    levels_ = levels;
    Describe();
    update();
}

void THarmonicBars::Clear() {
    SetLevels({});
}

QSize THarmonicBars::sizeHint() const {
    return {280, 150};
}

// The chart read out for a screen reader and as the tooltip.
void THarmonicBars::Describe() {
    QString text = QStringLiteral("Harmonics below H1:");
    for (std::size_t n = 0; n < levels_.size(); ++n) {
        text +=
            QStringLiteral(" H%1 ").arg(n + 2) +
            (levels_[n] ? Decibels(*levels_[n]) + QStringLiteral(" dB") : QStringLiteral("none"));
        text += n + 1 < levels_.size() ? QStringLiteral(",") : QStringLiteral(".");
    }
    setAccessibleName(QStringLiteral("Harmonics H2 to H9 in dB below H1"));
    setAccessibleDescription(text);
    setToolTip(text);
}

void THarmonicBars::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QRect plot(kLeft, kTop, width() - kLeft - kRight, height() - kTop - kBottom);
    if (plot.width() < 16 || plot.height() < 16) {
        return;
    }
    const double floor = valvescope::ChartFloor(levels_);
    const auto rowOf = [&](double level) {
        return plot.top() + static_cast<int>(std::lround(level / floor * plot.height()));
    };
    QFont small = font();
    small.setPixelSize(10);
    painter.setFont(small);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, width(), kTop - 4), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("dB below H1"));
    // The scale: a line every 20 dB, its number at the left.
    for (double level = 0; level >= floor; level -= 20) {
        const int y = rowOf(level);
        painter.setPen(QColor(0xC0, 0xC0, 0xC0));
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, y - 7, kLeft - 4, 14), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(static_cast<int>(level)));
    }
    painter.drawLine(plot.left(), plot.top(), plot.left(), plot.bottom());
    const int slot = plot.width() / static_cast<int>(levels_.size());
    for (std::size_t n = 0; n < levels_.size(); ++n) {
        const int left = plot.left() + static_cast<int>(n) * slot;
        painter.setPen(Qt::black);
        painter.drawText(QRect(left, plot.bottom() + 2, slot, kBottom - 2), Qt::AlignCenter,
                         QStringLiteral("H%1").arg(n + 2));
        if (!levels_[n] || *levels_[n] < floor) {
            continue; // none, or below the floor: no bar
        }
        const int top = rowOf(std::min(*levels_[n], 0.0));
        painter.fillRect(
            QRect(QPoint(left + slot / 4, top), QPoint(left + slot - slot / 4, plot.bottom())),
            QColor(valvescope::RedOf(valvescope::kOperatingPointColour),
                   valvescope::GreenOf(valvescope::kOperatingPointColour),
                   valvescope::BlueOf(valvescope::kOperatingPointColour)));
    }
}
