#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vandlor2 {

/// The GoogleTest name of case `index` of a parameterised table, which CTest shows: short,
/// the same at every test discovery, and readable. It is the index (two digits at least), then
/// the letters and digits of `label` in words joined by underscores, with "minus" and "plus"
/// for the signs and "xHH" for a control or non-ASCII byte; blanks, hyphens between letters and
/// other punctuation only part words. Cut to 40 characters; the index keeps the names of a table
/// apart.
inline std::string case_name(std::size_t index, std::string_view label) {
    constexpr std::size_t kMaxLength = 40;
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string name = (index < 10 ? "0" : "") + std::to_string(index);
    bool in_word = false;
    const auto add_word = [&](std::string_view word) {
        name.append("_").append(word);
        in_word = false;
    };
    const auto is_letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    for (std::size_t at = 0; at < label.size(); ++at) {
        const char c = label[at];
        const auto byte = static_cast<unsigned char>(c);
        const bool hyphen = c == '-' && at > 0 && at + 1 < label.size() &&
                            is_letter(label[at - 1]) && is_letter(label[at + 1]);
        if (is_letter(c) || (c >= '0' && c <= '9')) {
            if (!in_word) name += '_';
            name += c;
            in_word = true;
        } else if (c == '-' && !hyphen) {
            add_word("minus");
        } else if (c == '+') {
            add_word("plus");
        } else if (byte < 0x20 || byte >= 0x7F) {
            add_word(std::string{'x', kHexDigits[byte >> 4], kHexDigits[byte & 0xF]});
        } else {
            in_word = false;
        }
    }
    if (name.size() > kMaxLength) name.resize(kMaxLength);
    return name;
}

}  // namespace vandlor2
