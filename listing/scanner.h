#pragma once

// The scan of a listing, every rule of it in this one module. The rules of single lines (which
// lines count, and which columns of them a record takes) are plain functions that the reading
// machinery calls on every core: `examine_lines` and `end_of_whole_entries`. The rules of the
// lines' order (the first line, the offset control, which version and title count, the QQ
// count, a QQ entry or a plain entry, the entry without QQ record) are `ListingScanner`, which
// takes the examined lines one after another, in listing order.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <ostream>
#include <string_view>
#include <utility>
#include <vector>

#include "listing/listing_contents.h"
#include "listing/record_store.h"
#include "listing/ssn_pair_index.h"

namespace vandlor2 {

/// The lines of a text held in memory, split at line feeds. A carriage return directly before
/// a line feed is dropped, so listings with CR LF line ends read the same; any other byte, NUL
/// included, is kept. A last line without a line feed is still a line.
class Lines {
  public:
    explicit Lines(std::string_view text) : text_(text) {}

    /// Sets `line` to the next line, without its line end; false after the last.
    bool next(std::string_view& line) {
        if (at_ >= text_.size()) return false;
        const char* const first = text_.data() + at_;
        const std::size_t left = text_.size() - at_;
        const auto* const feed = static_cast<const char*>(std::memchr(first, '\n', left));
        if (feed == nullptr) {
            line = std::string_view(first, left);
            at_ = text_.size();
            return true;
        }
        const auto length = static_cast<std::size_t>(feed - first);
        at_ += length + 1;
        line = std::string_view(first, length > 0 && feed[-1] == '\r' ? length - 1 : length);
        return true;
    }

    /// Where the next line begins in the text.
    std::size_t next_at() const { return at_; }

  private:
    std::string_view text_;
    std::size_t at_ = 0;
};

/// A line after the program line that may count, as `examine_lines` found it: its kind, and
/// what the kind takes of it, already cut.
struct ExaminedLine {
    enum class Kind : std::uint8_t { version_line, qq_line, title_line, entry_line };

    Kind kind = Kind::version_line;
    /// Whether `ssn_from` and `ssn_to` are set (see `examine_lines`).
    bool ssn_values = false;
    /// A QQ line's or an entry's texts in the record store.
    RecordRef texts = 0;
    /// In the examined text: a version line's version text, a title line, or an entry's first
    /// line. A version line that is also a line of another kind is examined twice.
    std::size_t text_at = 0;
    std::size_t text_size = 0;
    /// The values of a QQ line's or an entry's SSNs.
    std::int32_t ssn_from = 0;
    std::int32_t ssn_to = 0;
};

/// Examines the lines of `text`, a part of the listing after its program line that begins with
/// a line to examine, with the offset control `offset`. Appends to `lines` each line that may
/// count, in listing order, and cuts the texts of each QQ line and length entry into `store`.
/// An entry's first line takes the line after it, untested, as its second: empty when `text`
/// ends first. Every byte of `text` must be followed by kCopySlackBytes readable bytes.
/// The values of a QQ line's SSNs are worked out; an entry's only where `qq_line_seen` says
/// that a QQ line came before `text`, as entries are matched to QQ records by them (else they
/// are worked out as the entry is taken, if a QQ line came before it after all).
void examine_lines(std::size_t offset, std::string_view text, bool qq_line_seen,
                   std::vector<ExaminedLine>& lines, RecordStore::Writer& store);

/// Where a text as `examine_lines` takes it, ending at a line end, can be cut so that no entry's
/// first line is parted from its second: the start of a first line whose second line is not in
/// the text, or else the text's end.
std::size_t end_of_whole_entries(std::size_t offset, std::string_view text);

/// The value C `atoi` gives for a station serial number text, by which a length entry
/// matches its QQ record: leading C-locale white space, an optional sign, then decimal digits
/// up to the first other byte; 0 without digits. Saturates instead of overflowing.
std::int32_t ssn_value(std::string_view text);

/// How a scan ended. The scanner has written the message of each stop but a read failure,
/// whose message names the file.
enum class ScanStatus {
    completed,
    read_failed,
    program_line_without_offset,  ///< the program line starts with neither a blank nor 'P'
    content_before_program_line,  ///< a line over 65 characters before the program line
    length_entry_without_qq_record,
};

/// The scan in listing order: takes the lines up to the program line one by one, then the
/// examined lines after it, into the listing's contents. Echoes the solver version to the
/// console and writes the message of any stop to the errors.
class ListingScanner {
  public:
    /// `console`, `errors` and `contents` must remain live while this scanner is in use.
    ListingScanner(std::ostream& console, std::ostream& errors, ListingContents& contents)
        : console_(console), errors_(errors), contents_(contents) {}

    /// Takes the next line before the program line, the listing's first line included. False
    /// once no more are wanted: the program line gave the offset control, or the scan stopped.
    /// The lines after the program line are then examined (`examine_lines`) and taken.
    bool take_before_program_line(std::string_view line);

    /// The offset control, once the program line has shown it.
    std::optional<std::size_t> offset() const { return offset_; }

    /// Takes the examined lines of `text`, the next part of the listing after its program
    /// line; false once the scan has stopped.
    bool take(const std::vector<ExaminedLine>& lines, std::string_view text);

    ScanStatus status() const { return status_; }

    /// Whether a QQ line has been taken (see `examine_lines`).
    bool qq_line_seen() const { return contents_.qq_count > 0; }

  private:
    void echo_version(std::string_view text);
    bool stop(ScanStatus status);
    void make_searchable(const ExaminedLine& qq_line);
    /// The values of an entry's SSNs, worked out now where they were not when it was examined.
    std::pair<std::int32_t, std::int32_t> entry_ssn_values(const ExaminedLine& entry) const;

    std::ostream& console_;
    std::ostream& errors_;
    ListingContents& contents_;
    bool first_line_ = true;
    std::optional<std::size_t> offset_;
    bool version_known_ = false;
    /// The first QQ-count positions of the record table, which an entry's QQ record is one of.
    SsnPairIndex searchable_;
    ScanStatus status_ = ScanStatus::completed;
};

}  // namespace vandlor2
