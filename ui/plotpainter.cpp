#include "ui/plotpainter.h"

#include "core/plot/linepixels.h"

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QTransform>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace valvescope {

namespace {

QColor ToQColor(Colour c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// Point size at the 96 dots per inch that the plot's pixel layout assumes.
int PixelSizeOf(int pointSize) {
    return static_cast<int>(std::lround(pointSize * 96.0 / 72.0));
}

// The label face is used as written where the system has it. Otherwise Arial (or the font the
// system aliases to it) stands in: left to itself, the font matcher would pick whatever its
// default face is for an unknown name.
QString FamilyFor(const std::string& face) {
    const QString requested = QString::fromStdString(face);
    return QFontDatabase::hasFamily(requested) ? requested : QStringLiteral("Arial");
}

// The device pixel that holds the centre of logical pixel p (the upper left one on a tie).
QPoint DevicePixelOf(QPoint p, qreal ratio) {
    const auto scaled = [ratio](int v) {
        return static_cast<int>(std::floor((v + 0.5) * ratio - 0.5));
    };
    return QPoint(scaled(p.x()), scaled(p.y()));
}

// Gathers the pixels of thin lines into runs along a row or a column.
class SpanGatherer {
public:
    explicit SpanGatherer(QVector<QRect>& spans) : spans_(spans) {}

    void Add(int x, int y) {
        const bool inRow = top_ == bottom_ && y == top_ && (x == right_ + 1 || x == left_ - 1);
        const bool inColumn = left_ == right_ && x == left_ && (y == bottom_ + 1 || y == top_ - 1);
        if (right_ >= left_ && (inRow || inColumn)) {
            left_ = std::min(left_, x);
            right_ = std::max(right_, x);
            top_ = std::min(top_, y);
            bottom_ = std::max(bottom_, y);
        } else {
            Flush();
            left_ = right_ = x;
            top_ = bottom_ = y;
        }
    }

    void Flush() {
        if (right_ >= left_) {
            spans_.append(QRect(QPoint(left_, top_), QPoint(right_, bottom_)));
        }
        left_ = 0;
        right_ = -1;
    }

private:
    QVector<QRect>& spans_;
    int left_ = 0, top_ = 0, right_ = -1, bottom_ = -1;
};

class OpPlayer {
public:
    explicit OpPlayer(QPainter& painter) : painter_(painter) {
        const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        scaled_ = ratio != 1.0;
        pixelTarget_ = painter.paintEngine() &&
                       painter.paintEngine()->type() == QPaintEngine::Raster &&
                       painter.transform().isIdentity();
    }

    void Play(const DrawOps& ops) {
        for (const DrawOp& op : ops) {
            if (op.kind != DrawOpKind::LineTo) {
                FlushLines();
            }
            Apply(op);
        }
        FlushLines();
    }

private:
    void Apply(const DrawOp& op) {
        switch (op.kind) {
        case DrawOpKind::Blank:
            Blank(op.x, op.y);
            break;
        case DrawOpKind::PenColour:
            penColour_ = ToQColor(op.colour);
            break;
        case DrawOpKind::PenWidth:
            penWidth_ = op.size < 1 ? 1 : op.size;
            break;
        case DrawOpKind::MoveTo:
            current_ = QPoint(op.x, op.y);
            break;
        case DrawOpKind::LineTo:
            LineTo(QPoint(op.x, op.y));
            break;
        case DrawOpKind::Font:
            Font(op.text, op.size);
            fontColour_ = ToQColor(op.colour);
            break;
        case DrawOpKind::Text:
            Text(op.x, op.y, op.text);
            break;
        case DrawOpKind::Dot:
            Dot(op.x, op.y, op.size, ToQColor(op.colour));
            break;
        }
    }

    // A disc centred on the middle of pixel x, y.
    void Dot(int x, int y, int radius, const QColor& colour) {
        painter_.save();
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(colour);
        painter_.setRenderHint(QPainter::Antialiasing, true);
        painter_.drawEllipse(QPointF(x + 0.5, y + 0.5), radius, radius);
        painter_.restore();
    }

    // Filled rather than outlined, so that the border covers whole logical pixels on any device.
    void Blank(int width, int height) {
        painter_.fillRect(QRect(0, 0, width, height), Qt::black);
        painter_.fillRect(QRect(1, 1, width - 2, height - 2), Qt::white);
    }

    // A line to the current point paints nothing, so it adds no vertex. A wide pen's stroke is
    // the same whether a straight run is one segment or several, so such runs are joined.
    void LineTo(QPoint to) {
        if (polyline_.isEmpty()) {
            polyline_.append(current_);
        }
        if (to == current_) {
            return;
        }
        current_ = to;
        if (penWidth_ > 1 && polyline_.size() >= 2 && ContinuesStraight(to)) {
            polyline_.back() = to;
        } else {
            polyline_.append(to);
        }
    }

    // Whether `to` lies straight ahead of the polyline's last segment.
    bool ContinuesStraight(QPoint to) const {
        const QPoint a = polyline_[polyline_.size() - 2];
        const QPoint b = polyline_.back();
        const qint64 dx1 = b.x() - qint64{a.x()}, dy1 = b.y() - qint64{a.y()};
        const qint64 dx2 = to.x() - qint64{b.x()}, dy2 = to.y() - qint64{b.y()};
        return dx1 * dy2 == dy1 * dx2 && dx1 * dx2 + dy1 * dy2 > 0;
    }

    // A run of line-tos goes out as one polyline. With a 1-pixel pen and flat caps the raster
    // engine paints each segment up to, but not including, its end pixel, as the plot expects.
    // Wider pens get square ends and mitred joins, which at 2 pixels look the same as round ones
    // and cost far less to stroke.
    void FlushLines() {
        if (polyline_.size() < 2) {
            polyline_.clear();
            return;
        }
        if (penWidth_ == 1 && pixelTarget_) {
            PaintThinLines();
            polyline_.clear();
            return;
        }
        QPen pen(penColour_, penWidth_, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        if (penWidth_ > 1) {
            pen.setCapStyle(Qt::SquareCap);
        }
        painter_.setPen(pen);
        // On a scaled device an odd-width line is centred on its pixels rather than on their
        // top-left corners, so that it covers whole logical pixels.
        const bool centre = scaled_ && penWidth_ % 2 == 1;
        if (centre) {
            painter_.save();
            painter_.translate(0.5, 0.5);
        }
        painter_.drawPolyline(polyline_.constData(), static_cast<int>(polyline_.size()));
        if (centre) {
            painter_.restore();
        }
        polyline_.clear();
    }

    // On a pixel surface a 1-pixel line paints the pixels that ForEachLinePixel gives, whatever
    // comes before and after it. Runs of them along a row or a column are filled together. On a
    // scaled surface the line is one device pixel wide, stepped between the device pixels of its
    // ends, so that it is as crisp as the text.
    void PaintThinLines() {
        const QPaintDevice* device = painter_.device();
        const qreal ratio = device->devicePixelRatioF();
        spans_.clear();
        SpanGatherer gather(spans_);
        const auto add = [&gather](std::int64_t x, std::int64_t y) {
            gather.Add(static_cast<int>(x), static_cast<int>(y));
        };
        if (ratio == 1.0) {
            for (qsizetype i = 1; i < polyline_.size(); ++i) {
                const QPoint from = polyline_[i - 1];
                const QPoint to = polyline_[i];
                ForEachLinePixel(from.x(), from.y(), to.x(), to.y(), device->width(),
                                 device->height(), add);
            }
        } else {
            for (qsizetype i = 1; i < polyline_.size(); ++i) {
                const QPoint from = DevicePixelOf(polyline_[i - 1], ratio);
                const QPoint to = DevicePixelOf(polyline_[i], ratio);
                ForEachLinePixel(from.x(), from.y(), to.x(), to.y(), device->width(),
                                 device->height(), add);
            }
        }
        gather.Flush();
        // Filled in one call; on a scaled surface the spans are given in device pixels.
        painter_.save();
        if (ratio != 1.0) {
            painter_.setTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
        }
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(penColour_);
        painter_.drawRects(spans_.constData(), static_cast<int>(spans_.size()));
        painter_.restore();
    }

    // Every curve sets the same label font again; it is looked up only when it changes.
    void Font(const std::string& face, int pointSize) {
        if (fontSet_ && face == fontFace_ && pointSize == fontPointSize_) {
            return;
        }
        painter_.setFont(DrawOpFont(face, pointSize));
        fontSet_ = true;
        fontFace_ = face;
        fontPointSize_ = pointSize;
    }

    void Text(int x, int y, const std::string& text) {
        const QFontMetrics metrics(painter_.font(), painter_.device());
        painter_.setPen(fontColour_);
        painter_.setBackgroundMode(Qt::OpaqueMode);
        painter_.setBackground(Qt::white);
        painter_.drawText(QPoint(x, y + metrics.ascent()), QString::fromUtf8(text));
        painter_.setBackgroundMode(Qt::TransparentMode);
    }

    QPainter& painter_;
    bool scaled_ = false;
    bool pixelTarget_ = false; // a surface of pixels, drawn on without any transformation
    QColor penColour_ = Qt::black;
    int penWidth_ = 1;
    QColor fontColour_ = Qt::black;
    bool fontSet_ = false;
    std::string fontFace_;
    int fontPointSize_ = 0;
    QPoint current_;
    QVector<QPoint> polyline_;
    QVector<QRect> spans_;
};

// Qt's raster engine runs AVX code that can leave the upper halves of the vector registers in
// use. Plain SSE code that runs afterwards, such as the tube model's in the next redraw, then
// pays a transition penalty on every instruction (measured: the largest redraw takes 70 % longer).
// Clearing them once painting is done keeps that arithmetic at full speed.
void ClearUpperVectorState() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx) {
        __asm__ volatile("vzeroupper");
    }
#endif
}

} // namespace

// Without kerning a label is exactly as wide as its characters together; the redraw counts on
// that to tell from its table of the face's advances (core/plot/labelboxes.h) where a label's
// box lies, and so which labels overlap or run past the edge.
QFont DrawOpFont(const std::string& face, int pointSize) {
    QFont font(FamilyFor(face));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(PixelSizeOf(pointSize));
    font.setKerning(false);
    return font;
}

void PaintDrawOps(QPainter& painter, const DrawOps& ops) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    OpPlayer(painter).Play(ops);
    painter.restore();
    ClearUpperVectorState();
}

} // namespace valvescope
