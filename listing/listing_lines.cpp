#include "listing/listing_lines.h"

#include <cstring>
#include <limits>

#include "support/trim.h"

namespace vandlor2 {
namespace {

// Columns, counted from 0. Those of the lines after the program line are counted from the
// offset control, except where named absolute.
constexpr std::size_t kProgramLineHead = 20;  // absolute
constexpr std::string_view kProgramName = "PROGRAM KORMIN";
constexpr std::size_t kLongestLineBeforeProgramLine = 65;
constexpr std::size_t kVersionWordAt = 57;
constexpr std::string_view kVersionWord = "VERSION";
constexpr std::size_t kVersionTextAt = 66;  // absolute

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

/// The column of `width` bytes at `position`; shorter where the line ends inside it, empty
/// where the line ends before it.
std::string_view column(std::string_view line, std::size_t position, std::size_t width) {
    return position >= line.size() ? std::string_view{} : line.substr(position, width);
}

}  // namespace

bool Lines::next(std::string_view& line) {
    if (at_ >= text_.size()) return false;
    const char* first = text_.data() + at_;
    const std::size_t left = text_.size() - at_;
    const auto* feed = static_cast<const char*>(std::memchr(first, '\n', left));
    const std::size_t length = feed != nullptr ? static_cast<std::size_t>(feed - first) : left;
    line = std::string_view(first, length);
    at_ += length + (feed != nullptr ? 1 : 0);
    if (feed != nullptr && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

OffsetFinding examine_before_program_line(std::string_view line) {
    using Kind = OffsetFinding::Kind;
    if (line.size() < kShortestTestedLine) return {};
    OffsetFinding finding;
    if (trimmed(line.substr(0, kProgramLineHead), 'B') == kProgramName) {
        if (line.front() == ' ') {
            finding = {Kind::found, 1};
        } else if (line.front() == 'P') {
            finding = {Kind::found, 0};
        } else {
            return {Kind::program_line_without_offset, 0};
        }
    }
    // The program line itself may be that long, and may be the version line as well.
    if (line.size() > kLongestLineBeforeProgramLine && finding.kind != Kind::found) {
        return {Kind::content_before_program_line, 0};
    }
    return finding;
}

std::string_view version_text(std::string_view line) {
    return trimmed(line.substr(kVersionTextAt), 'B');
}

std::string_view ListingColumns::at(std::string_view line, std::size_t position,
                                    std::size_t width) const {
    return column(line, offset_ + position, width);
}

bool ListingColumns::holds(std::string_view line, std::size_t position,
                           std::string_view text) const {
    return at(line, position, text.size()) == text;
}

bool ListingColumns::is_version_line(std::string_view line) const {
    return line.size() > kLongestLineBeforeProgramLine && holds(line, kVersionWordAt, kVersionWord);
}

ListingColumns::Kind ListingColumns::kind_of(std::string_view line) const {
    if (line.size() < kShortestTestedLine) return Kind::other;
    if (holds(line, kQqMarkAt, kQqMark)) return Kind::qq_line;
    if (holds(line, 0, kTitleStart)) return Kind::title_line;
    if (holds(line, 0, kEntryStart)) return Kind::entry_line;
    return Kind::other;
}

bool ListingColumns::is_entry_line(std::string_view line) const {
    return holds(line, 0, kEntryStart);
}

LineRecord ListingColumns::qq_record(std::string_view qq_line) const {
    LineRecord record;
    record.survey_order.assign(at(qq_line, kQqSurveyOrderAt, kSurveyOrderWidth));
    record.ssn_from.assign(at(qq_line, kQqSsnFromAt, kSsnWidth));
    record.ssn_to.assign(at(qq_line, kQqSsnToAt, kSsnWidth));
    return record;
}

std::string ListingColumns::section_title(std::string_view title_line) const {
    std::string title(kTitleIndent, ' ');
    title.append(title_line.substr(offset_));
    return title;
}

LengthEntry ListingColumns::length_entry(std::string_view first_line,
                                         std::string_view second_line) const {
    LengthEntry entry;
    LineRecord& record = entry.record;
    record.ssn_from.assign(trimmed(at(first_line, kEntrySsnFromAt, kSsnWidth), 'B'));
    record.from_station.assign(
        trimmed(at(first_line, kEntryFromStationAt, kStationNameWidth), 'B'));
    record.ssn_to.assign(trimmed(at(first_line, kEntrySsnToAt, kSsnWidth), 'B'));
    record.to_station.assign(trimmed(at(first_line, kEntryToStationAt, kStationNameWidth), 'B'));
    const std::string_view distance = at(second_line, kDistanceAt, kDistanceWidth);
    entry.distance_as_cut.assign(distance);
    record.distance.assign(trimmed(distance, 'B'));
    record.internal_accuracy.assign(at(second_line, kInternalAccuracyAt, kInternalAccuracyWidth));
    record.external_accuracy.assign(at(second_line, kExternalAccuracyAt, kExternalAccuracyWidth));
    entry.ssn_from = ssn_value(record.ssn_from.view());
    entry.ssn_to = ssn_value(record.ssn_to.view());
    return entry;
}

std::string_view ListingColumns::entry_ssn_from(std::string_view first_line) const {
    return at(first_line, kEntrySsnFromAt, kSsnWidth);
}

std::string_view ListingColumns::entry_ssn_to(std::string_view first_line) const {
    return at(first_line, kEntrySsnToAt, kSsnWidth);
}

bool ExaminedLines::next(Line& line) {
    if (!lines_.next(line.text)) return false;
    line.kind = columns_.kind_of(line.text);
    line.second_line = {};
    line.has_second_line =
        line.kind == ListingColumns::Kind::entry_line && lines_.next(line.second_line);
    return true;
}

void fill_qq_record(LineRecord& qq_record, const LengthEntry& entry) {
    qq_record.from_station = entry.record.from_station;
    qq_record.to_station = entry.record.to_station;
    qq_record.distance = entry.distance_as_cut;
    qq_record.internal_accuracy = entry.record.internal_accuracy;
    qq_record.external_accuracy = entry.record.external_accuracy;
}

std::int32_t ssn_value(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && is_c_space(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > kLimit) magnitude = kLimit + 1;
    }
    if (negative) return static_cast<std::int32_t>(-magnitude);
    return static_cast<std::int32_t>(magnitude > kLimit ? kLimit : magnitude);
}

}  // namespace vandlor2
