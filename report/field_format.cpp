#include "report/field_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "support/trim.h"

namespace vandlor2 {
namespace {

bool is_digit(char byte) {
    return byte >= '0' && byte <= '9';
}

/// Largest integer below which every double is exactly a whole number or a fraction of one,
/// and which fits an int64 with room to spare.
constexpr double kExactWholeLimit = 4503599627370496.0;  // 2^52

/// The decimal exponent of the leading non-zero digit of the number at the start of `text`,
/// such as 2 for "123.4" and -3 for "0.0012e0"; it only tells an overflow from an underflow,
/// so the exponent saturates.
std::int64_t leading_exponent(std::string_view text) {
    std::size_t at = 0;
    std::int64_t whole_digits = 0;
    std::int64_t zero_decimals = 0;
    bool nonzero_seen = false;
    for (; at < text.size() && is_digit(text[at]); ++at) {
        if (nonzero_seen || text[at] != '0') {
            nonzero_seen = true;
            ++whole_digits;
        }
    }
    if (at < text.size() && text[at] == '.') {
        for (++at; at < text.size() && is_digit(text[at]); ++at) {
            if (!nonzero_seen && text[at] == '0') ++zero_decimals;
            if (text[at] != '0') nonzero_seen = true;
        }
    }
    std::int64_t exponent = whole_digits > 0 ? whole_digits - 1 : -(zero_decimals + 1);
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        bool negative = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
        std::int64_t power = 0;
        for (; at < text.size() && is_digit(text[at]); ++at) {
            power = std::min<std::int64_t>(power * 10 + (text[at] - '0'), 1'000'000'000);
        }
        exponent += negative ? -power : power;
    }
    return exponent;
}

/// Digits with at most one decimal point and no exponent, short enough to be exact: the
/// common case, converted without the general parser. The quotient of two exact doubles is
/// correctly rounded, so the result is the one strtod gives.
bool read_plain_decimal(std::string_view text, double& value) {
    std::uint64_t mantissa = 0;
    int significant = 0;
    int decimals = 0;
    bool seen_point = false;
    bool seen_digit = false;
    std::size_t at = 0;
    for (; at < text.size(); ++at) {
        const char byte = text[at];
        if (is_digit(byte)) {
            seen_digit = true;
            if (mantissa != 0 || byte != '0') ++significant;
            if (significant > 15) return false;
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(byte - '0');
            if (seen_point) ++decimals;
        } else if (byte == '.' && !seen_point) {
            seen_point = true;
        } else {
            break;
        }
    }
    if (!seen_digit) return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) return false;
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (decimals > 22) return false;
    value = static_cast<double>(mantissa) / kPowersOfTen[decimals];
    return true;
}

/// The nearest whole number of a text of plain decimal form (digits with an optional point, no
/// exponent, at most 15 significant digits), worked out on the digits themselves: the common
/// case, done without converting to a number and back. With so few digits the double that
/// the text reads as lies on the same side of every half as the decimal, so the result is the
/// double's. Writes the number to `out` and gives its length, or 0 when the text is not of
/// that form.
std::size_t round_plain_decimal(std::string_view text, char* out) {
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at != end && is_c_space(*at)) ++at;
    bool negative = false;
    if (at != end && (*at == '+' || *at == '-')) negative = *at++ == '-';

    const char* const digits = at;
    while (at != end && *at == '0') ++at;
    const char* const whole = at;
    while (at != end && is_digit(*at)) ++at;
    const std::size_t whole_size = static_cast<std::size_t>(at - whole);
    std::size_t significant = whole_size;
    bool any_digit = at != digits;

    int first_decimal = 0;
    bool rest_nonzero = false;
    if (at != end && *at == '.') {
        const char* const fraction = ++at;
        while (at != end && is_digit(*at)) ++at;
        if (at != fraction) {
            any_digit = true;
            first_decimal = *fraction - '0';
            const char* counted = fraction;
            if (significant == 0) {
                while (counted != at && *counted == '0') ++counted;
            }
            significant += static_cast<std::size_t>(at - counted);
            for (const char* digit = fraction + 1; digit != at; ++digit) {
                rest_nonzero = rest_nonzero || *digit != '0';
            }
        }
    }
    if (!any_digit || significant > 15) return 0;
    if (at != end && (*at == 'e' || *at == 'E')) return 0;

    char* written = out;
    if (negative) *written++ = '-';
    char* const number = written;
    if (whole_size == 0) {
        *written++ = '0';
    } else {
        std::memcpy(written, whole, whole_size);
        written += whole_size;
    }
    const bool odd = (written[-1] - '0') % 2 == 1;
    if (first_decimal > 5 || (first_decimal == 5 && (rest_nonzero || odd))) {
        char* digit = written - 1;
        while (*digit == '9' && digit != number) *digit-- = '0';
        if (*digit == '9') {  // all nines: one digit more
            *digit = '0';
            std::memmove(number + 1, number, static_cast<std::size_t>(written - number));
            *number = '1';
            ++written;
        } else {
            ++*digit;
        }
    }
    return static_cast<std::size_t>(written - out);
}

/// To the nearest whole number, exact halves to the even one, whatever the rounding mode.
double round_half_even(double value) {
    const double below = std::floor(value);
    const double rest = value - below;  // exact for magnitudes below 2^52
    double nearest = below;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(below, 2.0) != 0.0)) nearest = below + 1.0;
    return std::copysign(nearest, value);  // -0.4 gives -0, as the C library prints it
}

}  // namespace

double accuracy_value(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && is_c_space(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    const std::string_view number = text.substr(at);
    if (number.empty() || number.front() == '+' || number.front() == '-') return 0.0;

    double value = 0.0;
    if (!read_plain_decimal(number, value)) {
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(),
                                                  value, std::chars_format::general);
        (void)end;
        if (error == std::errc::invalid_argument) return 0.0;
        if (error == std::errc::result_out_of_range) {
            value = leading_exponent(number) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        }
    }
    return negative ? -value : value;
}

void ReportLine::accuracy(std::string_view text, std::size_t width) {
    char digits[400];
    if (const std::size_t size = round_plain_decimal(text, digits)) {
        right(std::string_view(digits, size), width);
        return;
    }
    const double value = accuracy_value(text);
    char* end = digits;
    if (std::fabs(value) < kExactWholeLimit) {
        const double whole = round_half_even(value);
        if (std::signbit(whole)) *end++ = '-';
        end =
            std::to_chars(end, digits + sizeof digits, static_cast<std::uint64_t>(std::fabs(whole)))
                .ptr;
    } else {
        // Large, infinite or not a number: as the C library prints it in fixed notation.
        end += std::snprintf(digits, sizeof digits, "%.0f", value);
    }
    right(std::string_view(digits, static_cast<std::size_t>(end - digits)), width);
}

}  // namespace vandlor2
