#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/byte_words.h"

namespace vandlor2 {

/// True for the six white-space bytes of the C locale (blank, \t, \n, \v, \f, \r) and no
/// other byte, whatever the process locale: listings may hold any byte value.
constexpr bool is_c_space(char byte) {
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

/// The part of `text` left after removing white space at the ends that `mode` selects:
/// 'L'/'l' the start, 'R'/'r' the end, 'B'/'b' both; any other mode removes nothing.
/// Inline: the scanner trims several fields of every entry. The blanks that end a fixed
/// column are passed eight at a time, the rest a byte at a time.
inline std::string_view trimmed(std::string_view text, char mode) {
    const bool left = mode == 'L' || mode == 'l' || mode == 'B' || mode == 'b';
    const bool right = mode == 'R' || mode == 'r' || mode == 'B' || mode == 'b';
    std::size_t begin = 0;
    std::size_t end = text.size();
    if (left) {
        while (begin < end && is_c_space(text[begin])) ++begin;
    }
    if (right) {
        while (kWordsOfEight && end - begin >= 8) {
            const std::uint64_t others = bytes_other_than(eight_bytes(text.data() + end - 8), ' ');
            if (others != 0) {
                end -= after_last_marked(others);
                break;
            }
            end -= 8;
        }
        while (end > begin && is_c_space(text[end - 1])) --end;
    }
    return {text.data() + begin, end - begin};
}

/// Trims `text` in place as `trimmed` does and returns a copy of the result.
std::string trim(std::string& text, char mode);

}  // namespace vandlor2
