// The stage's numbers as its text and its window write them: the readout formatters without
// the blank they leave for the sign of a positive value.
#pragma once

#include "formats/formats.h"

#include <optional>
#include <string>

namespace valvescope::stagenumbers {

inline std::string Trimmed(std::string text) {
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

inline std::string Volts(double x) {
    return Trimmed(formats::FormatVoltsReadout(x));
}
inline std::string Amps(double x) {
    return Trimmed(formats::FormatAmpsReadout(x));
}
inline std::string Watts(double x) {
    return Trimmed(formats::FormatWatts(x));
}
inline std::string Ohms(double x) {
    return Trimmed(formats::FormatOhms(x));
}
inline std::string Plain(double x) {
    return Trimmed(formats::FormatValueReadout(x));
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
