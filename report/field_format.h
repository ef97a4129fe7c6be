#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vandlor2 {

/// The number C `atof` reads at the start of `text`, with the C locale's rules whatever the
/// process locale: leading white space, an optional sign, digits with an optional decimal
/// point, an optional exponent, or an infinity or NaN spelled as strtod accepts it. There is
/// no hexadecimal form ("0x1A" reads as 0); a text without a number gives 0. A number beyond
/// the range of a double gives an infinity, or a zero of its sign when it is too small.
double accuracy_value(std::string_view text);

/// Appends `text` and then blanks up to `width`; a longer text is appended whole.
void append_left(std::string& line, std::string_view text, std::size_t width);

/// Appends blanks up to `width` and then `text`; a longer text is appended whole.
void append_right(std::string& line, std::string_view text, std::size_t width);

/// Appends the accuracy number of `text` as a whole number, right-justified in `width`: the
/// nearest whole number, exact halves to the even one, "-0" for a small negative value, and
/// "inf", "-inf", "nan" or "-nan" for those values.
void append_accuracy(std::string& line, std::string_view text, std::size_t width);

}  // namespace vandlor2
