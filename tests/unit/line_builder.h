#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vandlor2 {

using PlacedTexts = std::vector<std::pair<std::size_t, std::string>>;

/// A line with each text placed at its column, counted from 1 as on a printed page, in blanks
/// at least `width` wide.
inline std::string line_with(std::size_t width, const PlacedTexts& texts) {
    std::string line(width, ' ');
    for (const auto& [column, text] : texts) {
        if (line.size() < column - 1 + text.size()) line.resize(column - 1 + text.size(), ' ');
        line.replace(column - 1, text.size(), text);
    }
    return line;
}

inline std::string line_with(const PlacedTexts& texts) {
    return line_with(0, texts);
}

}  // namespace vandlor2
