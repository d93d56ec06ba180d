// The small line symbols on the overlay toggles, each in the colour of what it shows.
#pragma once

#include <QIcon>

enum class Glyph { CurrentLine, PowerCurve, VoltageLine, BiasLine, LoadLine };

QIcon OverlayGlyph(Glyph glyph);
