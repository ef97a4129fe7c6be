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

/// Writes to `out` the nearest whole number of a plain decimal text (blanks, a sign, digits
/// with at most one point, no exponent) and gives its length, or 0 for any other text. Worked
/// out on the digits themselves: the common case, at a fraction of the cost of reading it as a
/// double. A column holds at most 12 digits, and with so few the double the text reads as lies
/// on the same side of every half as the decimal does, while an exact half stays exact: the
/// result is the double's. `out` needs room for kAccuracyTextWidth + 1 bytes.
std::size_t round_plain_decimal(std::string_view text, char* out) {
    const char* at = text.data();
    const char* const end = at + std::min(text.size(), kAccuracyTextWidth);
    while (at != end && is_c_space(*at)) ++at;
    const bool negative = at != end && *at == '-';
    if (at != end && (*at == '-' || *at == '+')) ++at;
    const char* const first_digit = at;
    while (at != end && *at == '0') ++at;
    const char* const whole = at;  // without its leading zeros
    while (at != end && is_digit(*at)) ++at;
    const char* const whole_end = at;
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
    if (!any_digit || (at != end && (*at == 'e' || *at == 'E'))) return 0;

    const bool odd = whole != whole_end && (whole_end[-1] - '0') % 2 == 1;
    const bool round_up = first_decimal > 5 || (first_decimal == 5 && (beyond_first || odd));
    char* last = out;
    if (negative) *last++ = '-';  // "-0.4" gives "-0", as the C library prints it
    // Rounding up carries through trailing nines; only all nines (or none) make a new digit.
    if (round_up && std::all_of(whole, whole_end, [](char digit) { return digit == '9'; })) {
        *last++ = '1';
        return static_cast<std::size_t>(std::fill_n(last, whole_end - whole, '0') - out);
    }
    if (whole == whole_end) {
        *last++ = '0';
        return static_cast<std::size_t>(last - out);
    }
    last = std::copy(whole, whole_end, last);
    if (round_up) {
        char* digit = last - 1;
        for (; *digit == '9'; --digit) *digit = '0';
        ++*digit;
    }
    return static_cast<std::size_t>(last - out);
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
    if (const std::size_t size = round_plain_decimal(text, digits)) {
        right(std::string_view(digits, size), width);
        return;
    }
    char* last = digits;
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
