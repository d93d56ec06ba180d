// Short texts for volts, amperes, watts, ohms and plain numbers, with engineering prefixes
// and unit suffixes. Pure functions of their value and the chosen decimal separator.
//
// Every formatter returns a text for every value. An infinity or NaN is written as the whole
// text "INF", "-INF" or "NAN", without a unit suffix or leading blank.
#pragma once

#include <string>
#include <string_view>

namespace formats {

// Axis labels: trailing zeros dropped, whole numbers without a point.
std::string FormatVolts(double x);
std::string FormatAmps(double x);
std::string FormatValue(long double x);

// Readout texts: fixed decimals in the middle bands.
std::string FormatVoltsReadout(double x);
std::string FormatAmpsReadout(double x);
std::string FormatWatts(double x);
std::string FormatOhms(double x);
std::string FormatValueReadout(long double x);

// The value under a picture of '#', '0' and at most one '.'.
std::string FormatPicture(std::string_view picture, long double x);
// The value in general form with up to 15 significant digits.
std::string FormatGeneral(long double x);

// The decimal separator that every formatter writes; a point unless set otherwise.
// The window sets it from the user's number format at start-up.
void SetDecimalSeparator(char separator);
char DecimalSeparator();

} // namespace formats
