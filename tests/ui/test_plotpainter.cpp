// Replaying drawing operations onto images: the pixels that each operation paints.
#include "ui/plotpainter.h"

#include "core/plot/labelboxes.h"
#include "core/plot/redraw.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

using valvescope::Colour;
using valvescope::DrawOpKind;
using valvescope::DrawOps;
using valvescope::DrawRecorder;

namespace {

QImage Painted(int width, int height, qreal ratio, QColor background,
               const std::function<void(DrawRecorder&)>& record) {
    QImage image(qRound(width * ratio), qRound(height * ratio), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(background);
    DrawOps ops;
    DrawRecorder recorder(ops);
    record(recorder);
    QPainter painter(&image);
    valvescope::PaintDrawOps(painter, ops);
    painter.end();
    return image;
}

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

constexpr QRgb kWhitePixel = 0xFFFFFF;
constexpr QRgb kBlackPixel = 0x000000;
constexpr QRgb kBluePixel = 0x0000FF;
constexpr QRgb kRedPixel = 0xFF0000;
constexpr QRgb kMaroonPixel = 0x800000;

void Blank(DrawRecorder& draw) {
    draw.Blank(60, 40);
}

void Line(DrawRecorder& draw, Colour colour, int width, int x1, int y1, int x2, int y2) {
    draw.PenColour(colour);
    draw.PenWidth(width);
    draw.MoveTo(x1, y1);
    draw.LineTo(x2, y2);
}

} // namespace

class TestPlotPainter : public QObject {
    Q_OBJECT

private slots:
    void blankIsWhiteWithABlackOnePixelBorder() {
        const QImage image = Painted(60, 40, 1.0, Qt::red, Blank);
        for (const QPoint border : {QPoint(0, 0), QPoint(59, 0), QPoint(0, 39), QPoint(59, 39),
                                    QPoint(30, 0), QPoint(0, 20), QPoint(59, 20), QPoint(30, 39)}) {
            QCOMPARE(At(image, border.x(), border.y()), kBlackPixel);
        }
        for (const QPoint inside : {QPoint(1, 1), QPoint(58, 38), QPoint(30, 20), QPoint(1, 38)}) {
            QCOMPARE(At(image, inside.x(), inside.y()), kWhitePixel);
        }
    }

    void onePixelLinePaintsItsColumnButNotItsEndPixel() {
        const QImage image = Painted(60, 40, 1.0, Qt::white, [](DrawRecorder& draw) {
            Blank(draw);
            Line(draw, valvescope::kBlue, 1, 46, 0, 46, 30);
        });
        for (int y = 0; y < 30; ++y) {
            QCOMPARE(At(image, 46, y), kBluePixel);
            QCOMPARE(At(image, 45, y), y == 0 ? kBlackPixel : kWhitePixel);
            QCOMPARE(At(image, 47, y), y == 0 ? kBlackPixel : kWhitePixel);
        }
        QCOMPARE(At(image, 46, 30), kWhitePixel);
    }

    void runOfLineTosPaintsEachJointOnce() {
        const QImage image = Painted(60, 40, 1.0, Qt::white, [](DrawRecorder& draw) {
            draw.PenColour(valvescope::kMaroon);
            draw.PenWidth(1);
            draw.MoveTo(2, 5);
            draw.LineTo(10, 5);
            draw.LineTo(10, 12);
            draw.LineTo(10, 12); // a line to the current point paints nothing
        });
        QCOMPARE(At(image, 2, 5), kMaroonPixel);
        QCOMPARE(At(image, 9, 5), kMaroonPixel);
        QCOMPARE(At(image, 10, 5), kMaroonPixel);
        QCOMPARE(At(image, 11, 5), kWhitePixel);
        QCOMPARE(At(image, 10, 11), kMaroonPixel);
        QCOMPARE(At(image, 10, 12), kWhitePixel);
        QCOMPARE(At(image, 1, 5), kWhitePixel);
    }

    void twoPixelPenPaintsTwoColumns() {
        const QImage image = Painted(60, 40, 1.0, Qt::white, [](DrawRecorder& draw) {
            Line(draw, valvescope::kRed, 2, 20, 5, 20, 35);
        });
        int redColumns = 0;
        for (int x = 15; x < 26; ++x) {
            redColumns += At(image, x, 20) == kRedPixel ? 1 : 0;
        }
        QCOMPARE(redColumns, 2);
        QVERIFY(At(image, 20, 20) == kRedPixel || At(image, 21, 20) == kRedPixel);
    }

    void textSitsOnAnOpaqueWhiteBoxFromItsTopLeftCorner() {
        const QImage image = Painted(60, 40, 1.0, Qt::black, [](DrawRecorder& draw) {
            draw.Font(valvescope::kBlue, valvescope::kLabelFace, valvescope::kLabelPointSize);
            draw.Text(5, 6, "-10");
        });
        QCOMPARE(At(image, 5, 6), kWhitePixel);
        QCOMPARE(At(image, 4, 6), kBlackPixel);
        QCOMPARE(At(image, 5, 5), kBlackPixel);
        // A 9-point label is about 12 pixels high: the box reaches well below its corner.
        QCOMPARE(At(image, 5, 6 + 11), kWhitePixel);
        bool inked = false;
        for (int y = 6; y < 20; ++y) {
            for (int x = 5; x < 30; ++x) {
                const QColor pixel(image.pixel(x, y));
                inked = inked || (pixel.blue() > pixel.red() + 100);
            }
        }
        QVERIFY(inked);
    }

    // The redraw leaves out a label that a later, wider one at the same place covers, and a line
    // drawn before unless a label may have been written over it: labels of the same characters
    // (any digit for any digit) must be equally wide, one with more characters at least as
    // wide, and nothing of a label may reach past the reach the redraw allows for.
    void labelsAreAsWideAsTheirCharacters() {
        const auto boxWidth = [](const std::string& text) {
            const QImage image = Painted(300, 60, 1.0, Qt::black, [&](DrawRecorder& draw) {
                draw.Font(valvescope::kBlue, valvescope::kLabelFace, valvescope::kLabelPointSize);
                draw.Text(10, 10, text);
            });
            int right = 10;
            while (right < image.width() && At(image, right, 12) != kBlackPixel) {
                ++right;
            }
            return right - 10;
        };
        for (const std::string& shape : {std::string("-0.00 K"), std::string("-000"),
                                         std::string("-0.0E-000"), std::string("00.0")}) {
            const int width = boxWidth(shape);
            for (char digit = '1'; digit <= '9'; ++digit) {
                std::string text = shape;
                std::replace(text.begin(), text.end(), '0', digit);
                QCOMPARE(boxWidth(text), width);
            }
        }
        QVERIFY(boxWidth("-1.5 K") <= boxWidth("-1.55 K"));
        QVERIFY(boxWidth("-1 K") <= boxWidth("-1.5 K"));
        QVERIFY(boxWidth("-99.9") <= boxWidth("-999.9"));
        QVERIFY(boxWidth("-1E-72") <= boxWidth("-1.1E-72"));
    }

    // The redraw leaves out a label whose box would overlap another's or run past the surface,
    // with the box taken from the label face's metrics: the painter's box must be that one.
    void labelBoxIsTheOneTheRedrawTakes() {
        for (const std::string& text :
             {std::string("0"), std::string("-5.5"), std::string("-6"), std::string("-152.5"),
              std::string("-12.5 K"), std::string("1.5E-05"), std::string("-INF"),
              std::string("0,25"), std::string("NAN")}) {
            const QImage image = Painted(300, 60, 1.0, Qt::black, [&](DrawRecorder& draw) {
                draw.Font(valvescope::kBlue, valvescope::kLabelFace, valvescope::kLabelPointSize);
                draw.Text(10, 10, text);
            });
            const valvescope::LabelBox box = valvescope::LabelBoxAt({10, 10}, text);
            int right = 10;
            while (right < image.width() && At(image, right, 10) != kBlackPixel) {
                ++right;
            }
            int bottom = 10;
            while (bottom < image.height() && At(image, 10, bottom) != kBlackPixel) {
                ++bottom;
            }
            QCOMPARE(right, static_cast<int>(box.right));
            QCOMPARE(bottom, static_cast<int>(box.bottom));
        }
    }

    void labelStaysWithinItsReach() {
        const std::string text = "-W1.7E-300 KM";
        const int x = 40;
        const int y = 30;
        const QImage image = Painted(500, 120, 1.0, Qt::red, [&](DrawRecorder& draw) {
            draw.Font(valvescope::kBlue, valvescope::kLabelFace, valvescope::kLabelPointSize);
            draw.Text(x, y, text);
        });
        const int characters = static_cast<int>(text.size());
        for (int row = 0; row < image.height(); ++row) {
            for (int column = 0; column < image.width(); ++column) {
                if (At(image, column, row) == kRedPixel) {
                    continue;
                }
                QVERIFY(column >= x - valvescope::kLabelReachOutside);
                QVERIFY(row >= y - valvescope::kLabelReachOutside);
                QVERIFY(column <= x + characters * valvescope::kLabelReachPerCharacter +
                                      valvescope::kLabelReachOutside);
                QVERIFY(row <= y + valvescope::kLabelReachDown + valvescope::kLabelReachOutside);
            }
        }
    }

    // The redraw's shortcuts against its rules followed volt by volt, painted for real: dense
    // families share most lines, and runs of flat or negligible curves keep few labels.
    void shortcutsPaintWhatTheRulesPaint() {
        struct Case {
            double step;
            int lines;
            std::int32_t endV;
            std::int32_t endI;
        };
        for (const Case c :
             {Case{0.05, 500, 800, 200}, Case{-0.2, 900, 300, 60}, Case{7.3, 900, 800, 200},
              Case{3e-73, 400, 800, 200}, Case{0.5, 400, 6001, 500}}) {
            valvescope::RedrawInput in;
            in.settings.GridStep = c.step;
            in.settings.GridLineCount = c.lines;
            in.settings.EndV = c.endV;
            in.settings.EndI = c.endI;
            in.settings.BPlus = 300;
            in.overlays = valvescope::Overlays{true, true, true, true, true};
            in.width = 462;
            in.height = 224;
            const auto paint = [&](bool stepByStep) {
                in.stepByStep = stepByStep;
                valvescope::PlotScale scale;
                DrawOps ops;
                valvescope::RedrawPlot(in, scale, ops);
                QImage image(in.width, in.height, QImage::Format_RGB32);
                QPainter painter(&image);
                valvescope::PaintDrawOps(painter, ops);
                painter.end();
                return std::pair{image, ops.size()};
            };
            const auto [literal, literalOps] = paint(true);
            const auto [fast, fastOps] = paint(false);
            QVERIFY2(fast == literal, qPrintable(QString::number(c.step)));
            QVERIFY(fastOps < literalOps);
        }
    }

    void scaledImageKeepsLogicalCoordinatesWithThinLines() {
        const QImage image = Painted(60, 40, 2.0, Qt::red, [](DrawRecorder& draw) {
            Blank(draw);
            Line(draw, valvescope::kBlue, 1, 46, 0, 46, 30);
            Line(draw, valvescope::kRed, 2, 20, 5, 20, 35);
        });
        QCOMPARE(image.width(), 120);
        // The border covers the outermost logical pixels, both device pixels of them.
        QCOMPARE(At(image, 0, 40), kBlackPixel);
        QCOMPARE(At(image, 1, 40), kBlackPixel);
        QCOMPARE(At(image, 119, 40), kBlackPixel);
        QCOMPARE(At(image, 118, 40), kBlackPixel);
        QCOMPARE(At(image, 117, 40), kWhitePixel);
        QCOMPARE(At(image, 2, 40), kWhitePixel);
        // A thin line is one device pixel wide: logical column 46 is drawn in device column 92
        // alone, from device row 0 up to the device pixel of its end, 60.
        QCOMPARE(At(image, 91, 20), kWhitePixel);
        QCOMPARE(At(image, 92, 20), kBluePixel);
        QCOMPARE(At(image, 93, 20), kWhitePixel);
        QCOMPARE(At(image, 94, 20), kWhitePixel);
        QCOMPARE(At(image, 92, 59), kBluePixel);
        QCOMPARE(At(image, 92, 60), kWhitePixel);
        // The 2-pixel pen covers logical columns 19 and 20: device columns 38 to 41.
        QCOMPARE(At(image, 37, 40), kWhitePixel);
        QCOMPARE(At(image, 38, 40), kRedPixel);
        QCOMPARE(At(image, 41, 40), kRedPixel);
        QCOMPARE(At(image, 42, 40), kWhitePixel);
    }

    void scaledImageDrawsASlopeAsFinelyAsItsDevicePixels() {
        // From (4, 4) to (24, 14): at ratio 2, device (8, 8) to (48, 28), forty device columns
        // with one pixel each, where pixel doubling would give two rows of two in each.
        const QImage image = Painted(30, 20, 2.0, Qt::white, [](DrawRecorder& draw) {
            Line(draw, valvescope::kBlue, 1, 4, 4, 24, 14);
        });
        int painted = 0;
        for (int x = 0; x < image.width(); ++x) {
            int inColumn = 0;
            for (int y = 0; y < image.height(); ++y) {
                inColumn += At(image, x, y) == kBluePixel ? 1 : 0;
            }
            QCOMPARE(inColumn, x >= 8 && x < 48 ? 1 : 0);
            painted += inColumn;
        }
        QCOMPARE(painted, 40);
        QCOMPARE(At(image, 8, 8), kBluePixel);
        QCOMPARE(At(image, 47, 28), kBluePixel); // the step before the end, rounded halves up
    }
};

QTEST_MAIN(TestPlotPainter)
#include "test_plotpainter.moc"
