// Texts for the stage, the tube and the fit: a number always shown with digits, scaled by an SI
// prefix and followed by its unit. Beside the readout formatters, which keep their own texts.
#pragma once

#include <string>
#include <string_view>

namespace formats {

// Three significant digits with the prefix (p, n, µ, m, k, M) that puts the number between 1 and
// 1000 and a blank before the unit: "38.4 µW", "1.00 MΩ", "264 V", "-4.80". Below 1 p the number
// keeps p ("0.00 pA" for nothing measurable), from 1000 M it keeps M; 0 is "0.00" and the unit.
// An infinity or NaN is written "INF", "-INF" or "NAN" and the unit. The decimal separator is
// the one the readout formatters write.
std::string FormatSi(double x, std::string_view unit);

// The number with a fixed count of decimals and a leading zero, then the unit: "0.06 mA" for
// FormatFixed(0.06, 2, "mA"). For texts that keep one unit whatever the size of the number.
std::string FormatFixed(double x, int decimals, std::string_view unit);

} // namespace formats
