// Reading the numbers typed into the settings boxes: the blank-or-zero check and the two
// readings (whole and decimal), each either giving a value or raising ConversionError.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace valvescope {

// A text that does not read as its kind of number; what() is the message the user sees.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True for the empty text and for the eighteen blank, sign, point and zero texts the boxes
// refuse before reading. The comparison is exact: no trimming.
bool IsBlankOrZero(std::string_view text);

// Leading blanks, an optional sign, one or more digits and nothing after; the value must fit
// 32 bits. Raises "'<text>' is not a valid integer value" otherwise.
std::int32_t ReadWholeNumber(const std::string& text);

// Leading blanks, an optional sign, digits with an optional point, an optional exponent and
// trailing blanks; a lone point reads as zero. Raises
// "'<text>' is not a valid floating point value" otherwise, and for values beyond a double.
double ReadDecimalNumber(const std::string& text);

} // namespace valvescope
