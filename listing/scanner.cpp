#include "listing/scanner.h"

#include <optional>
#include <string_view>

#include "listing/line_reader.h"
#include "listing/ssn_pair_index.h"
#include "support/trim.h"

namespace vandlor2 {
namespace {

// Line kinds and their columns. Positions are relative to the offset control (the width of
// the carriage-control column), except where named absolute.
constexpr std::size_t kShortestTestedLine = 4;
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
constexpr std::string_view kEntryStart = "FROM: ";
constexpr std::size_t kEntrySsnFromAt = 7;
constexpr std::size_t kEntryFromStationAt = 15;
constexpr std::size_t kEntrySsnToAt = 54;
constexpr std::size_t kEntryToStationAt = 62;
constexpr std::size_t kDistanceAt = 20;
constexpr std::size_t kInternalAccuracyAt = 65;
constexpr std::size_t kExternalAccuracyAt = 101;

constexpr std::string_view kVersionLabel = "Kormin file ver:       ";

/// The column of `width` bytes at `position`; shorter where the line ends inside it, empty
/// where the line ends before it.
std::string_view column(std::string_view line, std::size_t position, std::size_t width) {
    return position >= line.size() ? std::string_view{} : line.substr(position, width);
}

class ListingScanner {
  public:
    ListingScanner(std::istream& listing, std::ostream& console, std::ostream& errors,
                   ListingContents& contents)
        : lines_(listing), console_(console), errors_(errors), contents_(contents) {}

    ScanStatus run() {
        std::string_view line;
        LineReader::Status status = lines_.next(line);  // the first line is never examined
        while (status == LineReader::Status::line) {
            status = lines_.next(line);
            if (status != LineReader::Status::line) break;
            if (line.size() < kShortestTestedLine) continue;
            if (const std::optional<ScanStatus> stop = examine(line)) return *stop;
        }
        return status == LineReader::Status::error ? ScanStatus::read_failed
                                                   : ScanStatus::completed;
    }

  private:
    static constexpr int kOffsetUnknown = -10;

    std::optional<ScanStatus> examine(std::string_view line) {
        if (offset_ == kOffsetUnknown &&
            trimmed(line.substr(0, kProgramLineHead), 'B') == kProgramName) {
            if (line.front() == ' ') {
                offset_ = 1;
            } else if (line.front() == 'P') {
                offset_ = 0;
            } else {
                return stop_offset_unknown(5, ScanStatus::program_line_without_offset);
            }
        }
        if (version_.empty() && line.size() > kLongestLineBeforeProgramLine) {
            if (offset_ == kOffsetUnknown) {
                return stop_offset_unknown(7, ScanStatus::content_before_program_line);
            }
            if (at(line, kVersionWordAt, kVersionWord)) echo_version(line);
        }
        // Until the offset is known no column can be placed.
        if (offset_ == kOffsetUnknown) return std::nullopt;

        if (at(line, kQqMarkAt, kQqMark)) {
            take_qq_line(line);
        } else if (contents_.section_title.empty() && at(line, 0, kTitleStart)) {
            contents_.section_title.assign(kTitleIndent, ' ');
            contents_.section_title.append(line.substr(offset()));
        } else if (at(line, 0, kEntryStart)) {
            return contents_.qq_count > 0 ? fill_qq_record(line) : append_length_record(line);
        }
        return std::nullopt;
    }

    std::size_t offset() const { return static_cast<std::size_t>(offset_); }

    std::string_view relative(std::string_view line, std::size_t position,
                              std::size_t width) const {
        return column(line, offset() + position, width);
    }

    bool at(std::string_view line, std::size_t position, std::string_view text) const {
        return relative(line, position, text.size()) == text;
    }

    void echo_version(std::string_view line) {
        version_ = std::string(trimmed(line.substr(kVersionTextAt), 'B'));
        console_ << kVersionLabel << version_ << std::endl << std::endl;
    }

    void take_qq_line(std::string_view line) {
        LineRecord record;
        record.survey_order.assign(relative(line, kQqSurveyOrderAt, kSurveyOrderWidth));
        record.ssn_from.assign(relative(line, kQqSsnFromAt, kSsnWidth));
        record.ssn_to.assign(relative(line, kQqSsnToAt, kSsnWidth));
        contents_.records.push_back(record);
        ++contents_.qq_count;
        // The matching searches the first QQ-count positions of the table, which may also hold
        // records of length entries that came before the first QQ line.
        const LineRecord& searchable =
            contents_.records[static_cast<std::size_t>(contents_.qq_count - 1)];
        qq_records_.add(ssn_value(searchable.ssn_from.view()), ssn_value(searchable.ssn_to.view()));
    }

    std::optional<ScanStatus> fill_qq_record(std::string_view first_line) {
        const std::string_view ssn_from = relative(first_line, kEntrySsnFromAt, kSsnWidth);
        const std::string_view ssn_to = relative(first_line, kEntrySsnToAt, kSsnWidth);
        const std::optional<std::size_t> match =
            qq_records_.find(ssn_value(ssn_from), ssn_value(ssn_to));
        if (!match) {
            errors_ << "Error: Length Accuracy without QQ record\n"
                    << "       Fix the KORMIN file\n"
                    << "       SSN_From = " << ssn_from << '\n'
                    << "       SSN_To   = " << ssn_to << '\n'
                    << first_line << std::endl;
            return ScanStatus::length_entry_without_qq_record;
        }
        LineRecord& record = contents_.records[*match];
        record.from_station.assign(
            trimmed(relative(first_line, kEntryFromStationAt, kStationNameWidth), 'B'));
        record.to_station.assign(
            trimmed(relative(first_line, kEntryToStationAt, kStationNameWidth), 'B'));
        const std::string_view second_line = read_second_line();
        record.distance.assign(relative(second_line, kDistanceAt, kDistanceWidth));
        record.internal_accuracy.assign(
            relative(second_line, kInternalAccuracyAt, kInternalAccuracyWidth));
        record.external_accuracy.assign(
            relative(second_line, kExternalAccuracyAt, kExternalAccuracyWidth));
        return std::nullopt;
    }

    std::optional<ScanStatus> append_length_record(std::string_view first_line) {
        LineRecord record;
        record.ssn_from.assign(trimmed(relative(first_line, kEntrySsnFromAt, kSsnWidth), 'B'));
        record.from_station.assign(
            trimmed(relative(first_line, kEntryFromStationAt, kStationNameWidth), 'B'));
        record.ssn_to.assign(trimmed(relative(first_line, kEntrySsnToAt, kSsnWidth), 'B'));
        record.to_station.assign(
            trimmed(relative(first_line, kEntryToStationAt, kStationNameWidth), 'B'));
        const std::string_view second_line = read_second_line();
        record.distance.assign(trimmed(relative(second_line, kDistanceAt, kDistanceWidth), 'B'));
        record.internal_accuracy.assign(
            relative(second_line, kInternalAccuracyAt, kInternalAccuracyWidth));
        record.external_accuracy.assign(
            relative(second_line, kExternalAccuracyAt, kExternalAccuracyWidth));
        contents_.records.push_back(record);
        ++contents_.length_record_count;
        return std::nullopt;
    }

    /// The line after an entry's first line, taken untested; empty at the end of the listing.
    /// A read error is noticed by the next read of the main loop.
    std::string_view read_second_line() {
        std::string_view line;
        return lines_.next(line) == LineReader::Status::line ? line : std::string_view{};
    }

    std::optional<ScanStatus> stop_offset_unknown(int code, ScanStatus status) {
        errors_ << "Error: Not able to determine offset control\n"
                << "       See programmer(" << code << ").  Program ends" << std::endl;
        return status;
    }

    LineReader lines_;
    std::ostream& console_;
    std::ostream& errors_;
    ListingContents& contents_;
    int offset_ = kOffsetUnknown;
    std::string version_;
    SsnPairIndex qq_records_;
};

}  // namespace

ScanStatus scan(std::istream& listing, std::ostream& console, std::ostream& errors,
                ListingContents& contents) {
    return ListingScanner(listing, console, errors, contents).run();
}

}  // namespace vandlor2
