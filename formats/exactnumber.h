// Numbers written for other programs to read back exactly (JSON, CSV, SPICE): the same text in
// every locale, whatever decimal separator the window's texts use.
#pragma once

#include <string>

namespace formats {

// 17 significant digits in general form, as %.17g writes them: every double reads back as
// itself, and the digits show the rounding in full.
std::string SeventeenDigits(double x);

// The shortest text that reads back as the same double.
std::string ShortestExact(double x);

} // namespace formats
