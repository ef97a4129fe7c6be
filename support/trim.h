#pragma once

#include <string>
#include <string_view>

namespace vandlor2 {

/// True for the six white-space bytes of the C locale (blank, \t, \n, \v, \f, \r) and no
/// other byte, whatever the process locale: listings may hold any byte value.
constexpr bool is_c_space(char byte) {
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

/// The part of `text` left after removing white space at the ends that `mode` selects:
/// 'L'/'l' the start, 'R'/'r' the end, 'B'/'b' both; any other mode removes nothing.
std::string_view trimmed(std::string_view text, char mode);

/// Trims `text` in place as `trimmed` does and returns a copy of the result.
std::string trim(std::string& text, char mode);

}  // namespace vandlor2
