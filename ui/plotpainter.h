// Replays the plot's drawing operations onto a Qt surface.
#pragma once

#include "core/plot/drawops.h"

#include <QFont>

#include <string>

class QPainter;

namespace valvescope {

// Paints `ops` in order with `painter`, in logical pixels of its device; a blank covers the
// width and height that it carries. Lines are not antialiased; a line leaves its end point's own
// pixel unpainted, so a run of line-tos paints every joint exactly once. Labels are written with
// their top-left corner at the given point on an opaque white box; their texts are UTF-8.
void PaintDrawOps(QPainter& painter, const DrawOps& ops);

// The font a Font operation of `face` at `pointSize` sets: its pixel size is the point size at
// 96 dots per inch, without kerning.
QFont DrawOpFont(const std::string& face, int pointSize);

} // namespace valvescope
