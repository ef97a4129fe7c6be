#pragma once

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string_view>

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

/// One report line being built by the field rules: every item has a minimum width, is padded
/// with blanks and is never cut, so an over-long item moves the rest of the line right. Built
/// in place, as report lines are made by the million.
class ReportLine {
  public:
    /// Room for the longest line the record fields allow: the fixed columns and two accuracy
    /// numbers of up to 310 characters each (the sign and 309 digits of the largest double).
    static constexpr std::size_t kCapacityBytes = 1024;

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

    std::string_view text() const { return {chars_, size_}; }

  private:
    void put(std::string_view text) {
        reserve(text.size());
        std::memcpy(chars_ + size_, text.data(), text.size());
        size_ += text.size();
    }

    void pad(std::size_t size, std::size_t width) {
        if (size >= width) return;
        const std::size_t blanks = width - size;
        reserve(blanks);
        if (blanks <= kShortPad && kCapacityBytes - size_ >= kShortPad) {
            // A store of fixed size, whose surplus the next item overwrites: report lines pad
            // a dozen fields each, and a call to memset costs more than the blanks.
            std::memset(chars_ + size_, ' ', kShortPad);
        } else {
            std::memset(chars_ + size_, ' ', blanks);
        }
        size_ += blanks;
    }

    void reserve(std::size_t more) const {
        if (more > kCapacityBytes - size_) throw std::length_error("report line too long");
    }

    static constexpr std::size_t kShortPad = 32;

    char chars_[kCapacityBytes];
    std::size_t size_ = 0;
};

}  // namespace vandlor2
