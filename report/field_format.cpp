#include "report/field_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "support/byte_words.h"
#include "support/trim.h"

namespace vandlor2 {
namespace {

bool starts_with(std::string_view text, char byte) {
    return !text.empty() && text.front() == byte;
}

/// Magnitudes below this are written as whole numbers of 64 bits.
constexpr double kWholeNumberLimit = 0x1p64;

bool is_digit(char byte) {
    return static_cast<unsigned char>(byte - '0') < 10;
}

// Accuracy columns are right-aligned, a run of blanks and then of digits: those runs are
// passed eight bytes at a time where eight are left.

/// The first byte of [at, end) that is not a blank.
const char* after_blanks(const char* at, const char* end) {
    for (; kWordsOfEight && end - at >= 8; at += 8) {
        if (const std::uint64_t others = bytes_other_than(eight_bytes(at), ' ')) {
            return at + first_marked(others);
        }
    }
    while (at != end && *at == ' ') ++at;
    return at;
}

/// The first byte of [at, end) that is not a decimal digit, in a text from `begin` to `end`.
const char* after_digits(const char* begin, const char* at, const char* end) {
    for (; kWordsOfEight && end - at >= 8; at += 8) {
        if (const std::uint64_t others = non_digits(eight_bytes(at))) {
            return at + first_marked(others);
        }
    }
    if (kWordsOfEight && at != end && end - begin >= 8) {
        // The text's last eight bytes, moved down to begin at `at`: the zeros moved in after
        // its end are no digits.
        const auto before = static_cast<unsigned>(at - (end - 8));
        return at + first_marked(non_digits(eight_bytes(end - 8) >> (8 * before)));
    }
    while (at != end && is_digit(*at)) ++at;
    return at;
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

bool ReportLine::place_plain_decimal(std::string_view text, std::size_t width) {
    const char* const end = text.data() + std::min(text.size(), kAccuracyTextWidth);
    const char* at = after_blanks(text.data(), end);
    const char* placed = at;  // from the minus sign or the first digit
    if (at != end && (*at == '-' || *at == '+')) placed += *at++ == '+' ? 1 : 0;
    const char* const first_digit = at;
    at = after_digits(text.data(), at, end);
    const char* const whole_end = at;
    // Leading zeros are not written, nor is a missing whole part.
    if (whole_end == first_digit || (*first_digit == '0' && whole_end - first_digit > 1)) {
        return false;
    }
    // Whether to round up, worked out without branches: it goes either way as often.
    unsigned round_up = 0;
    if (at != end && *at == '.' && ++at != end && is_digit(*at)) {
        const unsigned first_decimal = static_cast<unsigned>(*at++ - '0');
        unsigned beyond_first = 0;  // a decimal after the first that is not 0
        for (; at != end && is_digit(*at); ++at) beyond_first |= *at != '0';
        const unsigned odd = static_cast<unsigned>(whole_end[-1]) & 1;  // '1' is 0x31
        round_up = (first_decimal > 5) | ((first_decimal == 5) & (beyond_first | odd));
    }
    if (at != end && (*at == 'e' || *at == 'E')) return false;  // an exponent
    const auto size = static_cast<std::size_t>(whole_end - placed);
    if (round_up != 0 && whole_end[-1] == '9') {
        // Rounding up carries through trailing nines; all nines would make a new digit.
        const char* last_below_nine = whole_end - 1;
        while (last_below_nine >= first_digit && *last_below_nine == '9') --last_below_nine;
        if (last_below_nine < first_digit) return false;
        pad(size, width);
        char* const number = cursor_;
        put(std::string_view(placed, size));
        char* const last = number + (last_below_nine - placed);
        ++*last;
        std::fill(last + 1, number + size, '0');
        return true;
    }
    pad(size, width);
    put(std::string_view(placed, size));
    cursor_[-1] = static_cast<char>(cursor_[-1] + static_cast<char>(round_up));
    return true;
}

void ReportLine::accuracy(std::string_view text, std::size_t width) {
    if (place_plain_decimal(text, width)) return;
    char digits[kLongestAccuracyBytes];
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
