#include "listing/scanner.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "support/byte_words.h"
#include "support/trim.h"

namespace vandlor2 {
namespace {

// Columns, counted from 0. Those of the lines after the program line are counted from the
// offset control, except where named absolute.
constexpr std::size_t kShortestTestedLine = 4;
constexpr std::size_t kProgramLineHead = 20;  // absolute
constexpr std::string_view kProgramName = "PROGRAM KORMIN";
constexpr std::size_t kLongestLineBeforeProgramLine = 65;
constexpr std::size_t kVersionWordAt = 57;
constexpr std::string_view kVersionWord = "VERSION";
constexpr std::size_t kVersionTextAt = 66;  // absolute
constexpr std::string_view kVersionLabel = "Kormin file ver:       ";

constexpr std::size_t kQqMarkAt = 3;
constexpr std::string_view kQqMark = " QQ";
constexpr std::size_t kQqSurveyOrderAt = 6;
constexpr std::size_t kQqSsnFromAt = 13;
constexpr std::size_t kQqSsnToAt = 53;

constexpr std::string_view kTitleStart = "LENGTH RELATIVE ACCURACIES ";
constexpr std::size_t kTitleIndent = 30;

// An entry's first line.
constexpr std::string_view kEntryStart = "FROM: ";
constexpr std::size_t kEntrySsnFromAt = 7;
constexpr std::size_t kEntryFromStationAt = 15;
constexpr std::size_t kEntrySsnToAt = 54;
constexpr std::size_t kEntryToStationAt = 62;
// Its second line.
constexpr std::size_t kDistanceAt = 20;
constexpr std::size_t kInternalAccuracyAt = 65;
constexpr std::size_t kExternalAccuracyAt = 101;

/// The column of `width` bytes at absolute `position`: shorter where the line ends inside it,
/// empty where the line ends before it (and then at the line's end, among the line's bytes).
std::string_view column(std::string_view line, std::size_t position, std::size_t width) {
    const std::size_t start = std::min(position, line.size());
    return {line.data() + start, std::min(width, line.size() - start)};
}

/// The columns of the lines after the program line, counted from the offset control.
struct Columns {
    std::size_t offset;

    std::string_view at(std::string_view line, std::size_t position, std::size_t width) const {
        return column(line, offset + position, width);
    }
    bool holds(std::string_view line, std::size_t position, std::string_view text) const {
        return line.size() >= offset + position + text.size() &&
               std::memcmp(line.data() + offset + position, text.data(), text.size()) == 0;
    }

    /// Tested on every line but an entry's second, apart from the line's kind.
    bool is_version_line(std::string_view line) const {
        return line.size() > kLongestLineBeforeProgramLine &&
               holds(line, kVersionWordAt, kVersionWord);
    }
    bool is_qq_line(std::string_view line) const { return holds(line, kQqMarkAt, kQqMark); }
    bool is_title_line(std::string_view line) const { return holds(line, 0, kTitleStart); }
    bool is_entry_line(std::string_view line) const { return holds(line, 0, kEntryStart); }

    QqTexts qq_texts(std::string_view qq_line) const {
        return {at(qq_line, kQqSsnFromAt, kSsnWidth), at(qq_line, kQqSsnToAt, kSsnWidth),
                at(qq_line, kQqSurveyOrderAt, kSurveyOrderWidth)};
    }

    /// SSNs and station names trimmed, the distance and accuracies as cut.
    EntryTexts entry_texts(std::string_view first_line, std::string_view second_line) const {
        EntryTexts texts;
        texts.ssn_from = trimmed(at(first_line, kEntrySsnFromAt, kSsnWidth), 'B');
        texts.from_station = trimmed(at(first_line, kEntryFromStationAt, kStationNameWidth), 'B');
        texts.ssn_to = trimmed(at(first_line, kEntrySsnToAt, kSsnWidth), 'B');
        texts.to_station = trimmed(at(first_line, kEntryToStationAt, kStationNameWidth), 'B');
        texts.distance = at(second_line, kDistanceAt, kDistanceWidth);
        texts.internal_accuracy = at(second_line, kInternalAccuracyAt, kInternalAccuracyWidth);
        texts.external_accuracy = at(second_line, kExternalAccuracyAt, kExternalAccuracyWidth);
        return texts;
    }
};

/// The version text of a version line: the line from its 67th byte on, blanks trimmed.
std::string_view version_text(std::string_view line) {
    return trimmed(line.substr(kVersionTextAt), 'B');
}

}  // namespace

void examine_lines(std::size_t offset, std::string_view text, bool qq_line_seen,
                   std::vector<ExaminedLine>& lines, RecordStore::Writer& store) {
    using Kind = ExaminedLine::Kind;
    const Columns columns{offset};
    const auto at = [&](std::string_view part) {
        return static_cast<std::size_t>(part.data() - text.data());
    };
    Lines all(text);
    std::string_view line;
    while (all.next(line)) {
        if (line.size() < kShortestTestedLine) continue;
        if (columns.is_version_line(line)) {
            const std::string_view version = version_text(line);
            lines.push_back({Kind::version_line, false, 0, at(version), version.size()});
        }
        // Of the other kinds, a line is at most one, tested in this order.
        if (columns.is_qq_line(line)) {
            const QqTexts qq_line = columns.qq_texts(line);
            lines.push_back({Kind::qq_line, true, store.add(qq_line), at(line), line.size(),
                             ssn_value(qq_line.ssn_from), ssn_value(qq_line.ssn_to)});
        } else if (columns.is_title_line(line)) {
            lines.push_back({Kind::title_line, false, 0, at(line), line.size()});
        } else if (columns.is_entry_line(line)) {
            std::string_view second_line = text.substr(text.size());
            all.next(second_line);
            const EntryTexts entry = columns.entry_texts(line, second_line);
            ExaminedLine& examined = lines.emplace_back();
            examined = {Kind::entry_line, qq_line_seen, store.add(entry), at(line), line.size()};
            if (qq_line_seen) {
                examined.ssn_from = ssn_value(entry.ssn_from);
                examined.ssn_to = ssn_value(entry.ssn_to);
            }
        }
    }
}

std::size_t end_of_whole_entries(std::size_t offset, std::string_view text) {
    // A line after one that is no entry's first line is always examined, whether that one was
    // examined or taken as a second line; so is the text's first line. The entry lines of the
    // text's last run pair up from its start.
    const Columns columns{offset};
    std::size_t run_start = text.size();
    std::size_t run_lines = 0;
    while (run_start > 0) {
        const std::size_t feed = run_start >= 2 ? text.rfind('\n', run_start - 2) : text.npos;
        const std::size_t start = feed == text.npos ? 0 : feed + 1;
        if (!columns.is_entry_line(text.substr(start, run_start - start))) break;
        run_start = start;
        ++run_lines;
    }
    if (run_lines % 2 == 0) return text.size();
    const std::size_t last_feed = text.size() >= 2 ? text.rfind('\n', text.size() - 2) : text.npos;
    return last_feed == text.npos ? 0 : last_feed + 1;
}

namespace {

/// Sets `value` to that of four to eight decimal digits and nothing else, the most common
/// serial number, read as one word rather than a digit at a time; false for any other text.
bool value_of_digits(std::string_view text, std::int32_t& value) {
    const std::size_t size = text.size();
    if (!kWordsOfEight || size < 4 || size > 8) return false;
    std::uint32_t first_four = 0;
    std::uint32_t last_four = 0;
    std::memcpy(&first_four, text.data(), 4);
    std::memcpy(&last_four, text.data() + size - 4, 4);
    const std::uint64_t word = first_four | std::uint64_t{last_four} << (8 * (size - 4));
    const std::uint64_t used = ~std::uint64_t{0} >> (8 * (8 - size));
    if ((non_digits(word) & used) != 0) return false;
    // The digits' values moved up, the missing first ones 0, then joined in pairs, fours and
    // eights, the first digit most significant.
    std::uint64_t digits = (word ^ (kEveryByte * '0')) << (8 * (8 - size));
    digits = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FF;
    digits = (digits * 100 + (digits >> 16)) & 0x0000FFFF0000FFFF;
    value = static_cast<std::int32_t>((digits * 10000 + (digits >> 32)) & 0xFFFFFFFF);
    return true;
}

}  // namespace

std::int32_t ssn_value(std::string_view text) {
    std::int32_t value = 0;
    if (value_of_digits(text, value)) return value;
    std::size_t at = 0;
    while (at < text.size() && is_c_space(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (; at < text.size() && static_cast<unsigned char>(text[at] - '0') < 10; ++at) {
        magnitude = std::min(magnitude * 10 + (text[at] - '0'), kLimit + 1);
    }
    if (negative) return static_cast<std::int32_t>(-magnitude);
    return static_cast<std::int32_t>(magnitude > kLimit ? kLimit : magnitude);
}

bool ListingScanner::take_before_program_line(std::string_view line) {
    if (std::exchange(first_line_, false)) return true;  // never examined
    if (line.size() < kShortestTestedLine) return true;
    if (trimmed(line.substr(0, kProgramLineHead), 'B') == kProgramName) {
        if (line.front() == ' ') {
            offset_ = 1;
        } else if (line.front() == 'P') {
            offset_ = 0;
        } else {
            return stop(ScanStatus::program_line_without_offset);
        }
    }
    if (line.size() > kLongestLineBeforeProgramLine) {
        if (!offset_) return stop(ScanStatus::content_before_program_line);
        if (Columns{*offset_}.is_version_line(line)) echo_version(version_text(line));
    }
    // The program line is no QQ, title or entry line: its first 20 bytes hold "PROGRAM
    // KORMIN" and blanks alone. A shorter line before it is skipped.
    return !offset_;
}

bool ListingScanner::take(const std::vector<ExaminedLine>& lines, std::string_view text) {
    using Kind = ExaminedLine::Kind;
    for (const ExaminedLine& line : lines) {
        const std::string_view line_text = text.substr(line.text_at, line.text_size);
        switch (line.kind) {
            case Kind::version_line:
                // Echoed until a version line has a version text.
                if (!version_known_) echo_version(line_text);
                break;
            case Kind::qq_line:
                contents_.records.append({line.texts, true});
                ++contents_.qq_count;
                make_searchable(line);
                break;
            case Kind::title_line:
                // Only the first counts; a later one is no entry either.
                if (contents_.section_title.empty()) {
                    contents_.section_title = std::string(kTitleIndent, ' ');
                    contents_.section_title.append(line_text.substr(*offset_));
                }
                break;
            case Kind::entry_line:
                if (contents_.qq_count == 0) {
                    // A record of its own, its distance trimmed too.
                    contents_.records.append({line.texts, false}, {line.texts, true});
                    ++contents_.length_record_count;
                } else if (const auto match = searchable_.find(entry_ssn_values(line))) {
                    // The first matching QQ record takes the entry's texts, its distance as cut.
                    contents_.records.fill(*match, {line.texts, false});
                } else {
                    const Columns columns{*offset_};
                    errors_ << "Error: Length Accuracy without QQ record\n"
                            << "       Fix the KORMIN file\n"
                            << "       SSN_From = "
                            << columns.at(line_text, kEntrySsnFromAt, kSsnWidth)
                            << "\n       SSN_To   = "
                            << columns.at(line_text, kEntrySsnToAt, kSsnWidth) << '\n'
                            << line_text << std::endl;
                    return stop(ScanStatus::length_entry_without_qq_record);
                }
                break;
        }
    }
    return true;
}

std::pair<std::int32_t, std::int32_t> ListingScanner::entry_ssn_values(
    const ExaminedLine& entry) const {
    if (entry.ssn_values) return {entry.ssn_from, entry.ssn_to};
    const EntryTexts texts = contents_.records.store().entry(entry.texts);
    return {ssn_value(texts.ssn_from), ssn_value(texts.ssn_to)};
}

void ListingScanner::make_searchable(const ExaminedLine& qq_line) {
    // The search for an entry's QQ record covers the first QQ-count positions of the table,
    // which also hold the records of any entries before the first QQ line.
    const auto position = static_cast<std::size_t>(contents_.qq_count - 1);
    if (position + 1 == contents_.records.size()) {
        searchable_.add(qq_line.ssn_from, qq_line.ssn_to);
    } else {
        const LineRecord record = contents_.records[position];
        searchable_.add(ssn_value(record.ssn_from), ssn_value(record.ssn_to));
    }
}

void ListingScanner::echo_version(std::string_view text) {
    version_known_ = !text.empty();
    console_ << kVersionLabel << text << std::endl << std::endl;
}

bool ListingScanner::stop(ScanStatus status) {
    if (status == ScanStatus::program_line_without_offset ||
        status == ScanStatus::content_before_program_line) {
        errors_ << "Error: Not able to determine offset control\n"
                << "       See programmer("
                << (status == ScanStatus::program_line_without_offset ? 5 : 7) << ").  Program ends"
                << std::endl;
    }
    status_ = status;
    return false;
}

}  // namespace vandlor2
