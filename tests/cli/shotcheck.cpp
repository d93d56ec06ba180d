// Checks a picture of the main window taken from the screen: its size, the plot's white
// surface with its black frame and curves, the blue and silver grid, and whether the red limit
// overlays are there.
//
// shotcheck FILE WIDTH HEIGHT plain|overlays [SURFACE_WIDTH SURFACE_HEIGHT]
#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

int failures = 0;

void Expect(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "shotcheck: %s\n", what);
        ++failures;
    }
}

int CountColour(const QImage& image, const QRect& area, QRgb colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
        }
    }
    return count;
}

// The frame is the surface's one-pixel black border, drawn again by the plot along its top and
// left edges.
bool FrameIsBlack(const QImage& image, const QRect& plot) {
    const QRgb black = qRgb(0, 0, 0);
    for (int x = plot.left(); x <= plot.right(); x += 7) {
        if ((image.pixel(x, plot.top()) & 0xFFFFFF) != (black & 0xFFFFFF)) {
            return false;
        }
    }
    for (int y = plot.top(); y <= plot.bottom(); y += 7) {
        if ((image.pixel(plot.left(), y) & 0xFFFFFF) != (black & 0xFFFFFF)) {
            return false;
        }
    }
    return true;
}

void CheckPlot(const QImage& image, const QRect& plot, bool overlays) {
    const QRect inside = plot.adjusted(1, 1, -1, -1);
    const int area = inside.width() * inside.height();
    Expect(FrameIsBlack(image, plot), "the plot's frame is not black where it should be");
    Expect(CountColour(image, inside, qRgb(255, 255, 255)) > area / 2,
           "the plot is not mostly white");
    Expect(CountColour(image, inside, qRgb(0, 0, 0)) > 1000, "no black curves in the plot");
    Expect(CountColour(image, inside, qRgb(0, 0, 255)) > 1000, "no blue grid in the plot");
    Expect(CountColour(image, inside, qRgb(192, 192, 192)) > 1000, "no silver grid in the plot");
    const int red = CountColour(image, inside, qRgb(255, 0, 0));
    const int maroon = CountColour(image, inside, qRgb(128, 0, 0));
    if (overlays) {
        Expect(red > 300, "the red limit overlays are missing");
        Expect(maroon > 200, "the maroon bias line is missing");
    } else {
        Expect(red == 0, "red in the plot with every toggle up");
        Expect(maroon == 0, "maroon in the plot with every toggle up");
    }
    // The far edges of the plot and the window's far corner come out too, not black: the
    // picture is the window's own, even where it runs past the screen.
    const QRect rightTenth(inside.right() - inside.width() / 10, inside.top(), inside.width() / 10,
                           inside.height());
    const QRect bottomTenth(inside.left(), inside.bottom() - inside.height() / 10, inside.width(),
                            inside.height() / 10);
    for (const QRect& edge : {rightTenth, bottomTenth}) {
        Expect(CountColour(image, edge, qRgb(255, 255, 255)) > edge.width() * edge.height() / 2,
               "the plot's right or bottom edge is not mostly white");
    }
    Expect((image.pixel(image.width() - 3, image.height() - 3) & 0xFFFFFF) != 0,
           "the window's bottom-right corner is black");
    // Left of the plot lies the window's own background, not the white surface.
    Expect(image.pixel(3, plot.top() + plot.height() / 2 - 10) != qRgb(255, 255, 255),
           "the window's background is white left of the plot");
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 5 && argc != 7) {
        std::fprintf(stderr, "usage: shotcheck FILE WIDTH HEIGHT plain|overlays [SW SH]\n");
        return 2;
    }
    const QImage image =
        QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) {
        std::fprintf(stderr, "shotcheck: %s does not load\n", argv[1]);
        return 1;
    }
    const QSize expected(std::atoi(argv[2]), std::atoi(argv[3]));
    if (image.size() != expected) {
        std::fprintf(stderr, "shotcheck: %dx%d, expected %dx%d\n", image.width(), image.height(),
                     expected.width(), expected.height());
        return 1;
    }
    const QSize surface =
        argc == 7 ? QSize(std::atoi(argv[5]), std::atoi(argv[6])) : QSize(462, 224);
    CheckPlot(image, QRect(QPoint(37, 32), surface), QString::fromLatin1(argv[4]) == "overlays");
    return failures == 0 ? 0 : 1;
}
