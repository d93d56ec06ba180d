#include "formats/exactnumber.h"

#include <charconv>

namespace formats {

std::string SeventeenDigits(double x) {
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, x, std::chars_format::general, 17);
    return std::string(text, written.ptr);
}

std::string ShortestExact(double x) {
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, x);
    return std::string(text, written.ptr);
}

} // namespace formats
