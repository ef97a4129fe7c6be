#pragma once

// The listing's rules: which lines count, and which columns of them a record takes. Plain
// functions over single lines; whatever feeds them lines calls them and is never called by
// them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "listing/line_record.h"

namespace vandlor2 {

/// The lines of a text held in memory, split at line feeds. A carriage return directly before
/// a line feed is dropped, so listings with CR LF line ends read the same; any other byte, NUL
/// included, is kept. A last line without a line feed is still a line.
class Lines {
  public:
    explicit Lines(std::string_view text) : text_(text) {}

    /// Sets `line` to the next line, without its line end; false after the last.
    bool next(std::string_view& line);

    /// Where the next line begins in the text.
    std::size_t next_at() const { return at_; }

  private:
    std::string_view text_;
    std::size_t at_ = 0;
};

/// A line shorter than this is never a line that counts.
inline constexpr std::size_t kShortestTestedLine = 4;

/// What a line read before the program line tells of the offset control, the width of the
/// carriage-control column that every later column is counted from.
struct OffsetFinding {
    enum class Kind {
        keep_looking,
        found,                        ///< this is the program line, and `offset` is set
        program_line_without_offset,  ///< the program line starts with neither a blank nor 'P'
        content_before_program_line,  ///< a line over 65 characters before the program line
    };
    Kind kind = Kind::keep_looking;
    std::size_t offset = 0;
};

/// Examines a line before the program line; the listing's first line is never examined.
OffsetFinding examine_before_program_line(std::string_view line);

/// The version text of a version line: the line from its 67th byte on, blanks trimmed.
std::string_view version_text(std::string_view line);

/// An entry of the length relative accuracies section, cut from its two lines.
struct LengthEntry {
    /// The record the entry appends when the listing has no QQ records so far: SSNs, names
    /// and distance trimmed.
    LineRecord record;
    /// The distance as it stands in its column, which is what a QQ record takes.
    ColumnText<kDistanceWidth> distance_as_cut;
    /// The SSNs' values, which match an entry to its QQ record.
    std::int32_t ssn_from = 0;
    std::int32_t ssn_to = 0;
};

/// The lines after the program line, read with the offset control it showed.
class ListingColumns {
  public:
    enum class Kind : std::uint8_t { other, qq_line, title_line, entry_line };

    explicit ListingColumns(std::size_t offset) : offset_(offset) {}

    /// A line over 65 bytes with "VERSION" in the version column. Tested before, and apart
    /// from, the kind of the line.
    bool is_version_line(std::string_view line) const;

    /// The kind of a line, tested in this order: a QQ line, the section title, the first line
    /// of a length entry. Every line shorter than four bytes is of no kind.
    Kind kind_of(std::string_view line) const;

    /// An entry's first line: every line that begins "FROM: " at the offset and is no QQ or
    /// title line, which begin otherwise. An entry line that is examined takes the line after
    /// it, untested, as its second line.
    bool is_entry_line(std::string_view line) const;

    /// The QQ record a QQ line appends: survey order and SSNs as cut.
    LineRecord qq_record(std::string_view qq_line) const;

    /// The section title: 30 blanks, then the title line from the offset on.
    std::string section_title(std::string_view title_line) const;

    /// The length entry of an entry line and its second line, empty at the end of the listing.
    LengthEntry length_entry(std::string_view first_line, std::string_view second_line) const;

    /// The SSN columns of an entry's first line as they stand, for a message.
    std::string_view entry_ssn_from(std::string_view first_line) const;
    std::string_view entry_ssn_to(std::string_view first_line) const;

  private:
    std::string_view at(std::string_view line, std::size_t position, std::size_t width) const;
    bool holds(std::string_view line, std::size_t position, std::string_view text) const;

    std::size_t offset_;
};

/// The lines of a text after the program line as they are examined, the text beginning with a
/// line to examine: an entry line takes the line after it, untested, as its second line.
class ExaminedLines {
  public:
    struct Line {
        std::string_view text;
        ListingColumns::Kind kind = ListingColumns::Kind::other;
        /// An entry line's second line; empty when the text ends first.
        std::string_view second_line;
        bool has_second_line = false;
    };

    ExaminedLines(const ListingColumns& columns, std::string_view text)
        : columns_(columns), lines_(text) {}

    /// Sets `line` to the next line examined; false after the last.
    bool next(Line& line);

  private:
    const ListingColumns& columns_;
    Lines lines_;
};

/// Fills the QQ record that a length entry matches with the entry's names, distance as cut
/// and accuracies; its SSNs and survey order stay the QQ line's.
void fill_qq_record(LineRecord& qq_record, const LengthEntry& entry);

/// Which version and title lines count: each version line is echoed until one with a version
/// text has been; only the first title line gives the section title.
class CountingLines {
  public:
    bool version_counts() const { return !version_known_; }
    void version_seen(std::string_view text) { version_known_ = version_known_ || !text.empty(); }
    bool title_counts() const { return !title_known_; }
    void title_seen() { title_known_ = true; }

  private:
    bool version_known_ = false;
    bool title_known_ = false;
};

/// The value C `atoi` gives for a station serial number text, by which a length entry
/// matches its QQ record: leading C-locale white space, an optional sign, then decimal digits
/// up to the first other byte; 0 without digits. Saturates instead of overflowing.
std::int32_t ssn_value(std::string_view text);

}  // namespace vandlor2
