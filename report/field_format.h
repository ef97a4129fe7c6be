#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "report/report_text.h"

namespace vandlor2 {

/// The longest accuracy text read: the width of the external-accuracy column.
inline constexpr std::size_t kAccuracyTextWidth = 12;

/// The number C `atof` reads at the start of `text`, with the C locale's rules whatever the
/// process locale: leading white space, an optional sign, digits with an optional decimal
/// point, an optional exponent, or an infinity or NaN spelled as strtod accepts it. There is
/// no hexadecimal form ("0x1A" reads as 0); a text without a number gives 0. A number beyond
/// the range of a double gives an infinity, or a zero of its sign when it is too small.
/// Only the first kAccuracyTextWidth bytes are read, the most an accuracy column holds: on
/// them the result is strtod's, bit for bit; a longer text reads as its first 12 bytes.
double accuracy_value(std::string_view text);

/// One report line being built by the field rules, at the end of a report text: every item has
/// a minimum width, is padded with blanks and is never cut, so an over-long item moves the rest
/// of the line right. Built in place, as report lines are made by the million, in room asked
/// for at the start: `most_bytes` for the items, which with the numbers of `accuracy`
/// (kLongestAccuracyBytes each) the caller sums up.
class ReportLine {
  public:
    /// The most bytes `accuracy` places: the sign and 309 digits of the largest double.
    static constexpr std::size_t kLongestAccuracyBytes = 310;

    ReportLine(ReportText& text, std::size_t most_bytes)
        : text_(text), cursor_(text.room(most_bytes + kOverrunBytes)) {}

    void literal(std::string_view text) { put(text); }

    /// `text`, then blanks up to `width`.
    void left(std::string_view text, std::size_t width) {
        put(text);
        pad(text.size(), width);
    }

    /// Blanks up to `width`, then `text`.
    void right(std::string_view text, std::size_t width) {
        pad(text.size(), width);
        put(text);
    }

    /// The accuracy number of `text` (its first kAccuracyTextWidth bytes, see
    /// accuracy_value) as a whole number, right-justified in `width`: the nearest whole number,
    /// exact halves to the even one, "-0" for a small negative value, and "inf", "-inf", "nan" or
    /// "-nan" for those values.
    void accuracy(std::string_view text, std::size_t width);

    /// Ends the line after its last item.
    void end() { text_.keep_up_to(cursor_); }

  private:
    /// Blanks are set in stores of this many, whose surplus the next item overwrites: report
    /// lines pad a dozen fields each, and a call to memset costs more than the blanks.
    static constexpr std::size_t kOverrunBytes = 32;

    /// Places the whole number of a plain decimal text (blanks, a sign, digits with at most one
    /// point, no exponent) as `accuracy` does, and gives true; false for any other text. Worked
    /// out on the text's own digits, a fraction of the cost of reading it as a double. A column
    /// holds at most 12 digits, and with so few the double the text reads as lies on the same
    /// side of every half as the decimal does, while an exact half stays exact: the result is
    /// the double's.
    bool place_plain_decimal(std::string_view text, std::size_t width);

    void put(std::string_view text) {
        copy(cursor_, text.data(), text.size());
        cursor_ += text.size();
    }

    void pad(std::size_t size, std::size_t width) {
        if (size >= width) return;
        const std::size_t blanks = width - size;
        if (blanks <= kOverrunBytes) {
            std::memset(cursor_, ' ', kOverrunBytes);
        } else {
            std::memset(cursor_, ' ', blanks);
        }
        cursor_ += blanks;
    }

    /// Copies `size` bytes. Report lines copy a dozen texts of a few bytes each, and moves of a
    /// fixed size, two that may overlap, cost less than a call to the C library's memcpy.
    static void copy(char* to, const char* from, std::size_t size) {
        if (size > 32) {
            std::memcpy(to, from, size);
        } else if (size >= 16) {
            std::memcpy(to, from, 16);
            std::memcpy(to + size - 16, from + size - 16, 16);
        } else if (size >= 8) {
            std::memcpy(to, from, 8);
            std::memcpy(to + size - 8, from + size - 8, 8);
        } else if (size >= 4) {
            std::memcpy(to, from, 4);
            std::memcpy(to + size - 4, from + size - 4, 4);
        } else if (size > 0) {
            to[0] = from[0];
            to[size / 2] = from[size / 2];
            to[size - 1] = from[size - 1];
        }
    }

    ReportText& text_;
    char* cursor_;
};

}  // namespace vandlor2
