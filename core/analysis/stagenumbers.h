// The stage's numbers as its text, its window and the printed page write them: SI prefixes,
// digits always, a leading zero ("37.8 mA", "3.00 kΩ", "960 µW").
#pragma once

#include "formats/formats.h"
#include "formats/sitext.h"

#include <optional>
#include <string>

namespace valvescope::stagenumbers {

inline std::string Volts(double x) {
    return formats::FormatSi(x, "V");
}
inline std::string Amps(double x) {
    return formats::FormatSi(x, "A");
}
inline std::string Watts(double x) {
    return formats::FormatSi(x, "W");
}
inline std::string Ohms(double x) {
    return formats::FormatSi(x, "Ω");
}
inline std::string Siemens(double x) {
    return formats::FormatSi(x, "A/V");
}
inline std::string Plain(double x) {
    return formats::FormatSi(x, "");
}
inline std::string Percent(double fraction) {
    return formats::FormatPicture("0.0", fraction * 100) + " %";
}
// "12.3 % of rating", or "no rating" for a tube without that rating.
inline std::string OfRating(const std::optional<double>& fraction) {
    return fraction ? Percent(*fraction) + " of rating" : "no rating";
}
inline std::string YesNo(bool b) {
    return b ? "yes" : "no";
}

} // namespace valvescope::stagenumbers
