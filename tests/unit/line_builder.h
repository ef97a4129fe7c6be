#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace vandlor2 {

/// Texts and where each starts in a line, counted from 0.
using PlacedTexts = std::vector<std::pair<std::size_t, std::string>>;

/// A line of at least `width` blanks with each text placed at its column, counted from 0.
inline std::string line_with(std::size_t width, const PlacedTexts& texts) {
    std::string line(width, ' ');
    for (const auto& [column, text] : texts) {
        if (line.size() < column + text.size()) line.resize(column + text.size(), ' ');
        line.replace(column, text.size(), text);
    }
    return line;
}

/// A listing line and its line feed, each text placed at its column as the scanner counts it:
/// from 0, after a carriage-control column of `offset` bytes.
inline std::string listing_line(const PlacedTexts& texts, std::size_t offset = 1) {
    PlacedTexts placed;
    for (const auto& [column, text] : texts) placed.emplace_back(offset + column, text);
    return line_with(0, placed) + "\n";
}

/// The first two lines of a listing with offset 1: a line that is never examined, and the
/// program line.
inline const std::string kListingHeader = "JOB 42\n PROGRAM KORMIN\n";

inline std::string qq_line(const std::string& ssn_from, const std::string& ssn_to,
                           char order = '1') {
    return listing_line({{3, " QQ"}, {6, std::string(1, order)}, {13, ssn_from}, {53, ssn_to}});
}

/// An entry's second line: distance, internal accuracy (a 9 after its column) and external.
inline std::string entry_second_line(const std::string& external) {
    return listing_line({{20, " 1000.000"}, {65, "   12345"}, {73, "9"}, {101, external}});
}

inline std::string entry(const std::string& ssn_from, const std::string& from,
                         const std::string& ssn_to, const std::string& to,
                         const std::string& external) {
    return listing_line({{0, "FROM: "}, {7, ssn_from}, {15, from}, {54, ssn_to}, {62, to}}) +
           entry_second_line(external);
}

}  // namespace vandlor2
