#include "report/field_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "support/trim.h"

namespace vandlor2 {
namespace {

bool starts_with(std::string_view text, char byte) {
    return !text.empty() && text.front() == byte;
}

/// The sign and the 309 digits of the largest double in fixed notation.
constexpr std::size_t kLongestWholeNumber = 310;
/// Magnitudes below this are written as whole numbers of 64 bits.
constexpr double kWholeNumberLimit = 0x1p64;

bool is_digit(char byte) {
    return byte >= '0' && byte <= '9';
}

/// The nearest whole number of a plain decimal text (blanks, a sign, digits with at most one
/// point, no exponent), worked out on the digits: the common case, at a fifth of the cost of
/// reading it as a double. A column holds at most 12 digits, and with so few the double the
/// text reads as lies on the same side of every half as the decimal does, while an exact half
/// stays exact: the result is the double's. False for any other text.
bool round_plain_decimal(std::string_view text, bool& negative, std::uint64_t& whole) {
    const char* at = text.data();
    const char* const end = at + std::min(text.size(), kAccuracyTextWidth);
    while (at != end && is_c_space(*at)) ++at;
    negative = at != end && *at == '-';
    if (at != end && (*at == '-' || *at == '+')) ++at;
    const char* const first_digit = at;
    whole = 0;
    for (; at != end && is_digit(*at); ++at) whole = whole * 10 + static_cast<unsigned>(*at - '0');
    bool any_digit = at != first_digit;
    int first_decimal = 0;
    bool beyond_first = false;
    if (at != end && *at == '.') {
        const char* const point = at++;
        for (; at != end && is_digit(*at); ++at) {
            if (at == point + 1) {
                first_decimal = *at - '0';
            } else {
                beyond_first = beyond_first || *at != '0';
            }
        }
        any_digit = any_digit || at != point + 1;
    }
    if (!any_digit || (at != end && (*at == 'e' || *at == 'E'))) return false;
    if (first_decimal > 5 || (first_decimal == 5 && (beyond_first || whole % 2 == 1))) ++whole;
    return true;
}

}  // namespace

double accuracy_value(std::string_view text) {
    std::string_view number = trimmed(text.substr(0, kAccuracyTextWidth), 'L');
    const bool negative = starts_with(number, '-');
    if (negative || starts_with(number, '+')) number.remove_prefix(1);
    // from_chars reads a minus sign of its own: a second sign ("+-5") leaves no number.
    if (starts_with(number, '-')) return 0.0;

    const char* const end = number.data() + number.size();
    double value = 0.0;
    const auto [last, error] =
        std::from_chars(number.data(), end, value, std::chars_format::general);
    if (error == std::errc::invalid_argument) return 0.0;
    if (error == std::errc::result_out_of_range) {
        // In 12 bytes only a written exponent takes a number out of range, and the only minus
        // sign left is the exponent's: a negative exponent underflows, any other overflows.
        value = std::find(number.data(), last, '-') == last ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

void ReportLine::accuracy(std::string_view text, std::size_t width) {
    char digits[kLongestWholeNumber];
    char* last = digits;
    bool negative = false;
    std::uint64_t rounded = 0;
    if (round_plain_decimal(text, negative, rounded)) {
        if (negative) *last++ = '-';  // "-0.4" gives "-0", as the C library prints it
        last = std::to_chars(last, std::end(digits), rounded).ptr;
        right(std::string_view(digits, static_cast<std::size_t>(last - digits)), width);
        return;
    }
    const double value = accuracy_value(text);
    const double magnitude = std::fabs(value);
    if (magnitude < kWholeNumberLimit) {
        // A third of the time of the fixed notation below, which every record line pays twice.
        auto whole = static_cast<std::uint64_t>(magnitude);
        const double rest = magnitude - static_cast<double>(whole);  // exact
        if (rest > 0.5 || (rest == 0.5 && whole % 2 == 1)) ++whole;
        if (std::signbit(value)) *last++ = '-';  // -0.4 gives "-0", as the C library prints it
        last = std::to_chars(last, std::end(digits), whole).ptr;
    } else {
        // Fixed notation with no decimals rounds exact halves to even too, and spells
        // infinities and NaNs "inf" and "nan" with their sign.
        last = std::to_chars(digits, std::end(digits), value, std::chars_format::fixed, 0).ptr;
    }
    right(std::string_view(digits, static_cast<std::size_t>(last - digits)), width);
}

}  // namespace vandlor2
