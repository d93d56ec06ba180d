// The plot with its axis labels and caption, painted with Qt: texts measured with the fonts the
// painter sets, the margins and then the surface replayed into one picture.
#pragma once

#include "core/page/picturemargins.h"
#include "core/page/textmeasure.h"
#include "core/plot/drawops.h"

#include <QImage>
#include <QSize>

class QPainter;

namespace valvescope {

// Measures texts in the fonts of the drawing operations.
page::TextMeasure PainterTextMeasure();

// The picture around a surface of `surface` pixels.
page::FramedPicture FrameSurface(const page::PictureLabels& labels, QSize surface);

// Paints the whole picture from its top-left corner: white, the margins' texts, then the
// surface's operations. On a surface of pixels the plot comes out pixel for pixel as the bare
// picture of the surface; on SVG, PDF and paper the surface's operations are replayed as vectors.
void PaintFramedPicture(QPainter& painter, const page::FramedPicture& picture,
                        const DrawOps& surface);

// The whole picture as an image of picture.Width x picture.Height pixels.
QImage FramedImage(const page::FramedPicture& picture, const DrawOps& surface);

} // namespace valvescope
