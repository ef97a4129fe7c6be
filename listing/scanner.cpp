#include "listing/scanner.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "listing/line_reader.h"
#include "listing/ssn_pair_index.h"
#include "support/ordered_work.h"
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

constexpr std::size_t kLongBlock = std::size_t{16} << 20;

/// The column of `width` bytes at `position`; shorter where the line ends inside it, empty
/// where the line ends before it.
std::string_view column(std::string_view line, std::size_t position, std::size_t width) {
    return position >= line.size() ? std::string_view{} : line.substr(position, width);
}

/// The columns of listing lines, once the offset control is known.
class Columns {
  public:
    explicit Columns(std::size_t offset) : offset_(offset) {}

    std::size_t offset() const { return offset_; }

    std::string_view at(std::string_view line, std::size_t position, std::size_t width) const {
        return column(line, offset_ + position, width);
    }
    bool holds(std::string_view line, std::size_t position, std::string_view text) const {
        return at(line, position, text.size()) == text;
    }
    bool is_version_line(std::string_view line) const {
        return line.size() > kLongestLineBeforeProgramLine &&
               holds(line, kVersionWordAt, kVersionWord);
    }
    bool is_qq_line(std::string_view line) const { return holds(line, kQqMarkAt, kQqMark); }
    bool is_title_line(std::string_view line) const { return holds(line, 0, kTitleStart); }
    /// A length entry's first line, as the tests in their order find it: never a QQ or title
    /// line, which begin otherwise.
    bool is_entry_line(std::string_view line) const { return holds(line, 0, kEntryStart); }

  private:
    std::size_t offset_;
};

std::string_view version_text(std::string_view line) {
    return trimmed(line.substr(kVersionTextAt), 'B');
}

/// A QQ line or a length entry as read from its block, to be taken into the record table in
/// listing order.
struct LineEvent {
    enum class Kind : std::uint8_t { qq_line, length_entry };

    Kind kind = Kind::qq_line;
    /// A QQ line's survey order and SSNs as cut; or the record a length entry appends when
    /// there are no QQ records: SSNs, names and distance trimmed.
    LineRecord record;
    ColumnText<kDistanceWidth> distance_as_cut;  ///< for the QQ record an entry fills
    /// The SSNs' values, for matching; worked out by the block's reader when the listing has
    /// shown QQ records, else when the entry is taken, if at all.
    bool ssns_known = false;
    std::int32_t ssn_from = 0;
    std::int32_t ssn_to = 0;
    std::size_t first_line_at = 0;  ///< an entry's first line in its block, for a message
    std::size_t first_line_size = 0;
};

/// A version or title line, rare, kept apart with the number of events before it.
struct MarkEvent {
    enum class Kind : std::uint8_t { version, title };

    Kind kind;
    std::size_t events_before;
    std::string text;  ///< the version text, or the title line from the offset
};

/// A block of the listing and what its lines hold, with table blocks made ready for the
/// records it appends.
struct Block {
    TextBlock text;
    std::vector<RecordTable::Block> ready;
    /// Whether length entries appended records when this slot's last block was taken; a QQ
    /// record is filled in place instead.
    bool entries_append = true;
    std::size_t number = 0;         ///< of the block in the listing, from 0
    std::vector<LineEvent> events;  ///< kept from block to block, so in small pages
    std::vector<MarkEvent> marks;
};

LineEvent qq_event(const Columns& columns, std::string_view line) {
    LineEvent event;
    event.record.survey_order.assign(columns.at(line, kQqSurveyOrderAt, kSurveyOrderWidth));
    event.record.ssn_from.assign(columns.at(line, kQqSsnFromAt, kSsnWidth));
    event.record.ssn_to.assign(columns.at(line, kQqSsnToAt, kSsnWidth));
    return event;
}

LineEvent entry_event(const Columns& columns, std::string_view first_line,
                      std::string_view second_line, bool with_ssns) {
    LineEvent event;
    event.kind = LineEvent::Kind::length_entry;
    LineRecord& record = event.record;
    record.ssn_from.assign(trimmed(columns.at(first_line, kEntrySsnFromAt, kSsnWidth), 'B'));
    record.from_station.assign(
        trimmed(columns.at(first_line, kEntryFromStationAt, kStationNameWidth), 'B'));
    record.ssn_to.assign(trimmed(columns.at(first_line, kEntrySsnToAt, kSsnWidth), 'B'));
    record.to_station.assign(
        trimmed(columns.at(first_line, kEntryToStationAt, kStationNameWidth), 'B'));
    const std::string_view distance = columns.at(second_line, kDistanceAt, kDistanceWidth);
    event.distance_as_cut.assign(distance);
    record.distance.assign(trimmed(distance, 'B'));
    record.internal_accuracy.assign(
        columns.at(second_line, kInternalAccuracyAt, kInternalAccuracyWidth));
    record.external_accuracy.assign(
        columns.at(second_line, kExternalAccuracyAt, kExternalAccuracyWidth));
    if (with_ssns) {
        event.ssns_known = true;
        event.ssn_from = ssn_value(record.ssn_from.view());
        event.ssn_to = ssn_value(record.ssn_to.view());
    }
    return event;
}

/// Reads the lines of a block that begins with a line to examine. Each block is read on its
/// own, on any thread, so what depends on earlier blocks (whether the version and the title
/// are already known, the QQ records) is left to the events' taking, in listing order.
void read_block(const Columns& columns, Block& block) {
    block.events.clear();
    block.marks.clear();
    const std::string_view text = block.text.text();
    Lines lines(text);
    bool version_known = false;  // no later version line of this block can count
    bool title_known = false;
    std::string_view line;
    while (lines.next(line)) {
        if (line.size() < kShortestTestedLine) continue;
        if (!version_known && columns.is_version_line(line)) {
            const std::string_view version = version_text(line);
            block.marks.push_back(
                {MarkEvent::Kind::version, block.events.size(), std::string(version)});
            version_known = !version.empty();
        }
        if (columns.is_qq_line(line)) {
            block.events.push_back(qq_event(columns, line));
        } else if (columns.is_title_line(line)) {
            if (!title_known) {
                block.marks.push_back({MarkEvent::Kind::title, block.events.size(),
                                       std::string(line.substr(columns.offset()))});
            }
            title_known = true;
        } else if (columns.is_entry_line(line)) {
            const std::size_t first_line_at = static_cast<std::size_t>(line.data() - text.data());
            const std::size_t first_line_size = line.size();
            std::string_view second_line;  // taken untested; empty at the end of the listing
            if (!lines.next(second_line)) second_line = {};
            block.events.push_back(entry_event(columns, line, second_line, !block.entries_append));
            block.events.back().first_line_at = first_line_at;
            block.events.back().first_line_size = first_line_size;
        }
    }
}

/// Keeps a length entry in one block: a block that ends with an entry's first line gives that
/// line back, to begin the next block with its second line after it. The block begins with a
/// line to examine, and every entry line after such a line takes the line after it as its
/// second, so the last of a run of entry lines is a first line when the run is odd.
void keep_entries_whole(const Columns& columns, BlockReader& reader, TextBlock& block) {
    const std::string_view text = block.text();
    std::size_t end = text.size();  // the block ends after a line feed
    std::size_t run = 0;
    std::size_t last_line_at = 0;
    while (end > 0) {
        const std::size_t feed = end >= 2 ? text.rfind('\n', end - 2) : std::string_view::npos;
        const std::size_t start = feed == std::string_view::npos ? 0 : feed + 1;
        if (!columns.is_entry_line(text.substr(start, end - 1 - start))) break;
        if (run++ == 0) last_line_at = start;
        end = start;
    }
    if (run % 2 == 1) reader.give_back(block, last_line_at);
}

class ListingScanner {
  public:
    ListingScanner(std::istream& listing, std::ostream& console, std::ostream& errors,
                   ListingContents& contents)
        : reader_(listing), console_(console), errors_(errors), contents_(contents) {}

    ScanStatus run() {
        // Blocks are read on every core and taken into the table in order on this thread.
        std::vector<Block> blocks(core_count() + 2);
        const std::optional<std::size_t> offset = find_offset(blocks.front().text);
        if (!offset) return status_;
        const Columns columns(*offset);
        std::size_t taken = 0;
        run_in_order(
            blocks.size(),
            [&](std::size_t slot) {
                const BlockReader::Status read = reader_.next(blocks[slot].text);
                if (read == BlockReader::Status::error) status_ = ScanStatus::read_failed;
                if (read != BlockReader::Status::block) return false;
                if (!reader_.at_end()) keep_entries_whole(columns, reader_, blocks[slot].text);
                blocks[slot].number = taken++;
                return true;
            },
            [&](std::size_t slot) {
                read_block(columns, blocks[slot]);
                make_table_ready(blocks[slot]);
            },
            [&](std::size_t slot) {
                Block& block = blocks[slot];
                while (!block.ready.empty() && contents_.records.spares() < kReadyBlocks) {
                    contents_.records.add_spare(std::move(block.ready.back()));
                    block.ready.pop_back();
                }
                const bool more = take_block(columns, blocks[slot]);
                block.entries_append = contents_.qq_count == 0;
                // A block made long by a long line is not kept for the blocks after it.
                if (blocks[slot].text.capacity > kLongBlock) blocks[slot].text = TextBlock{};
                return more;
            });
        contents_.records.drop_spares();
        return status_;
    }

  private:
    static constexpr int kOffsetUnknown = -10;
    /// Table blocks kept ready, by a block and by the table.
    static constexpr std::size_t kReadyBlocks = 1;

    /// The records a block may append are written into table blocks whose memory the worker
    /// has written once, so that the thread taking the blocks in order does not.
    static void make_table_ready(Block& block) {
        // A listing of one block is filled into the table's first block, in small pages.
        if (block.number == 0) return;
        std::size_t appending = block.events.size();
        if (!block.entries_append) {
            appending = static_cast<std::size_t>(std::count_if(
                block.events.begin(), block.events.end(),
                [](const LineEvent& e) { return e.kind == LineEvent::Kind::qq_line; }));
        }
        const std::size_t bytes = appending * sizeof(LineRecord);
        const std::size_t wanted =
            std::min(kReadyBlocks, (bytes + (std::size_t{2} << 20) - 1) >> 21);
        while (block.ready.size() < wanted) block.ready.push_back(RecordTable::ready_block());
    }

    /// Reads the lines up to the program line, the first never examined, into `block`, and
    /// gives the offset control it shows; the rest of the listing is left to the blocks. Without an
    /// offset the scan has ended, and `status_` tells how.
    std::optional<std::size_t> find_offset(TextBlock& block) {
        bool first_line = true;
        for (;;) {
            const BlockReader::Status read = reader_.next(block);
            if (read != BlockReader::Status::block) {
                if (read == BlockReader::Status::error) status_ = ScanStatus::read_failed;
                return std::nullopt;
            }
            Lines lines(block.text());
            std::string_view line;
            while (lines.next(line)) {
                if (std::exchange(first_line, false)) continue;
                if (line.size() < kShortestTestedLine) continue;
                int offset = kOffsetUnknown;
                if (trimmed(line.substr(0, kProgramLineHead), 'B') == kProgramName) {
                    if (line.front() == ' ') {
                        offset = 1;
                    } else if (line.front() == 'P') {
                        offset = 0;
                    } else {
                        return stop_offset_unknown(5, ScanStatus::program_line_without_offset);
                    }
                }
                if (line.size() > kLongestLineBeforeProgramLine) {
                    if (offset == kOffsetUnknown) {
                        return stop_offset_unknown(7, ScanStatus::content_before_program_line);
                    }
                    // The program line is the only one that may also be a version line: it
                    // begins with blanks or "PROGRAM", unlike QQ, title and entry lines.
                    if (Columns(static_cast<std::size_t>(offset)).is_version_line(line)) {
                        echo_version(version_text(line));
                    }
                }
                if (offset != kOffsetUnknown) {
                    reader_.give_back(block, lines.next_at());
                    return static_cast<std::size_t>(offset);
                }
            }
        }
    }

    bool take_block(const Columns& columns, const Block& block) {
        std::size_t mark = 0;
        for (std::size_t event = 0;; ++event) {
            for (; mark < block.marks.size() && block.marks[mark].events_before == event; ++mark) {
                take_mark(block.marks[mark]);
            }
            if (event == block.events.size()) return true;
            if (!take_event(columns, block, block.events[event])) return false;
        }
    }

    void take_mark(const MarkEvent& mark) {
        if (mark.kind == MarkEvent::Kind::version) {
            if (version_.empty()) echo_version(mark.text);
        } else if (contents_.section_title.empty()) {
            contents_.section_title.assign(kTitleIndent, ' ');
            contents_.section_title.append(mark.text);
        }
    }

    bool take_event(const Columns& columns, const Block& block, const LineEvent& event) {
        if (event.kind == LineEvent::Kind::qq_line) {
            contents_.records.push_back(event.record);
            ++contents_.qq_count;
            // The matching searches the first QQ-count positions of the table, which may also
            // hold records of length entries that came before the first QQ line.
            const LineRecord& searchable =
                contents_.records[static_cast<std::size_t>(contents_.qq_count - 1)];
            qq_records_.add(ssn_value(searchable.ssn_from.view()),
                            ssn_value(searchable.ssn_to.view()));
            return true;
        }
        if (contents_.qq_count == 0) {
            contents_.records.push_back(event.record);
            ++contents_.length_record_count;
            return true;
        }
        const std::optional<std::size_t> match =
            event.ssns_known ? qq_records_.find(event.ssn_from, event.ssn_to)
                             : qq_records_.find(ssn_value(event.record.ssn_from.view()),
                                                ssn_value(event.record.ssn_to.view()));
        if (!match) {
            const std::string_view first_line =
                block.text.text().substr(event.first_line_at, event.first_line_size);
            errors_ << "Error: Length Accuracy without QQ record\n"
                    << "       Fix the KORMIN file\n"
                    << "       SSN_From = " << columns.at(first_line, kEntrySsnFromAt, kSsnWidth)
                    << '\n'
                    << "       SSN_To   = " << columns.at(first_line, kEntrySsnToAt, kSsnWidth)
                    << '\n'
                    << first_line << std::endl;
            status_ = ScanStatus::length_entry_without_qq_record;
            return false;
        }
        LineRecord& record = contents_.records[*match];
        record.from_station = event.record.from_station;
        record.to_station = event.record.to_station;
        record.distance = event.distance_as_cut;
        record.internal_accuracy = event.record.internal_accuracy;
        record.external_accuracy = event.record.external_accuracy;
        return true;
    }

    void echo_version(std::string_view text) {
        version_ = std::string(text);
        console_ << kVersionLabel << version_ << std::endl << std::endl;
    }

    std::nullopt_t stop_offset_unknown(int code, ScanStatus status) {
        errors_ << "Error: Not able to determine offset control\n"
                << "       See programmer(" << code << ").  Program ends" << std::endl;
        status_ = status;
        return std::nullopt;
    }

    BlockReader reader_;
    std::ostream& console_;
    std::ostream& errors_;
    ListingContents& contents_;
    ScanStatus status_ = ScanStatus::completed;
    std::string version_;
    SsnPairIndex qq_records_;
};

}  // namespace

ScanStatus scan(std::istream& listing, std::ostream& console, std::ostream& errors,
                ListingContents& contents) {
    return ListingScanner(listing, console, errors, contents).run();
}

}  // namespace vandlor2
