#include "listing/block_pipeline.h"

#include <cstdint>
#include <vector>

#include "support/ordered_work.h"

namespace vandlor2 {
namespace {

/// Text blocks made long by a long line are not kept for the blocks after them.
constexpr std::size_t kLongestKeptBlockBytes = std::size_t{16} << 20;

/// A QQ line or a length entry of a text block, to be taken in listing order.
struct LineEvent {
    bool is_qq_line = false;
    /// A QQ line's record is `entry.record`, and its SSNs' values `entry.ssn_from` and
    /// `entry.ssn_to`, worked out here on the worker threads rather than while taking.
    LengthEntry entry;
    std::size_t first_line_at = 0;  ///< an entry's first line in its block, for a message
    std::size_t first_line_size = 0;
};

/// A version or title line, rare, kept apart with the number of events before it.
struct MarkEvent {
    enum class Kind : std::uint8_t { version, title };

    Kind kind;
    std::size_t events_before;
    std::string text;  ///< the version text, or the section title
};

/// A scan slot: a text block and what its lines hold. Kept from block to block, so its
/// buffers are reused.
struct ScanSlot {
    TextBlock text;
    std::vector<LineEvent> events;
    std::vector<MarkEvent> marks;
};

/// Examines the lines of a text block, which begins with a line to examine. Each block is
/// examined on its own, on any thread, so only a block's first version and title lines that
/// count are kept: whether they count at all is left to the taking, in listing order.
void examine_block(const ListingColumns& columns, ScanSlot& slot) {
    slot.events.clear();
    slot.marks.clear();
    const std::string_view text = slot.text.text();
    CountingLines counting;
    ExaminedLines lines(columns, text);
    ExaminedLines::Line line;
    while (lines.next(line)) {
        if (counting.version_counts() && columns.is_version_line(line.text)) {
            const std::string_view version = version_text(line.text);
            slot.marks.push_back(
                {MarkEvent::Kind::version, slot.events.size(), std::string(version)});
            counting.version_seen(version);
        }
        switch (line.kind) {
            case ListingColumns::Kind::qq_line:
                slot.events.emplace_back();
                slot.events.back().is_qq_line = true;
                slot.events.back().entry.record = columns.qq_record(line.text);
                slot.events.back().entry.ssn_from =
                    ssn_value(slot.events.back().entry.record.ssn_from.view());
                slot.events.back().entry.ssn_to =
                    ssn_value(slot.events.back().entry.record.ssn_to.view());
                break;
            case ListingColumns::Kind::title_line:
                if (counting.title_counts()) {
                    slot.marks.push_back({MarkEvent::Kind::title, slot.events.size(),
                                          columns.section_title(line.text)});
                }
                counting.title_seen();
                break;
            case ListingColumns::Kind::entry_line:
                slot.events.emplace_back();
                slot.events.back().entry = columns.length_entry(line.text, line.second_line);
                slot.events.back().first_line_at =
                    static_cast<std::size_t>(line.text.data() - text.data());
                slot.events.back().first_line_size = line.text.size();
                break;
            case ListingColumns::Kind::other:
                break;
        }
    }
}

/// Where the text block must end so that no entry's first line is cut from its second: the
/// start of an entry line left without its second line, or the block's end. The line after
/// a line that is no entry line is always examined, so the lines are examined again from the
/// start of the block's last run of entry lines.
std::size_t end_of_whole_entries(const ListingColumns& columns, std::string_view text) {
    std::size_t run_start = text.size();  // the block ends after a line feed
    while (run_start > 0) {
        const std::size_t feed = run_start >= 2 ? text.rfind('\n', run_start - 2) : text.npos;
        const std::size_t start = feed == text.npos ? 0 : feed + 1;
        if (!columns.is_entry_line(text.substr(start, run_start - 1 - start))) break;
        run_start = start;
    }
    ExaminedLines lines(columns, text.substr(run_start));
    ExaminedLines::Line line;
    while (lines.next(line)) {
        if (line.kind == ListingColumns::Kind::entry_line && !line.has_second_line) {
            return static_cast<std::size_t>(line.text.data() - text.data());
        }
    }
    return text.size();
}

/// Hands a block's events and marks to the taker, each mark before the event it came before.
bool take_slot(const ScanSlot& slot, LineTaker& taker) {
    std::size_t mark = 0;
    for (std::size_t event = 0;; ++event) {
        for (; mark < slot.marks.size() && slot.marks[mark].events_before == event; ++mark) {
            const MarkEvent& seen = slot.marks[mark];
            if (seen.kind == MarkEvent::Kind::version) {
                taker.take_version(seen.text);
            } else {
                taker.take_title(seen.text);
            }
        }
        if (event == slot.events.size()) return true;
        const LineEvent& seen = slot.events[event];
        if (seen.is_qq_line) {
            taker.take_qq_record(seen.entry.record, seen.entry.ssn_from, seen.entry.ssn_to);
        } else if (!taker.take_entry(seen.entry, slot.text.text().substr(seen.first_line_at,
                                                                         seen.first_line_size))) {
            return false;
        }
    }
}

}  // namespace

PipelineEnd take_remaining_lines(TextBlockReader& reader, const ListingColumns& columns,
                                 LineTaker& taker) {
    // Blocks are examined on every core and taken in order on this thread.
    std::vector<ScanSlot> slots(core_count() + 2);
    PipelineEnd end = PipelineEnd::completed;
    run_in_order(
        slots.size(),
        [&](std::size_t slot) {
            TextBlock& text = slots[slot].text;
            const TextBlockReader::Status read = reader.next(text);
            if (read == TextBlockReader::Status::error) end = PipelineEnd::read_failed;
            if (read != TextBlockReader::Status::block) return false;
            if (!reader.at_end())
                reader.give_back(text, end_of_whole_entries(columns, text.text()));
            return true;
        },
        [&](std::size_t slot) { examine_block(columns, slots[slot]); },
        [&](std::size_t slot) {
            const bool more = take_slot(slots[slot], taker);
            if (!more) end = PipelineEnd::stopped;
            if (slots[slot].text.capacity > kLongestKeptBlockBytes) slots[slot].text = TextBlock{};
            return more;
        });
    return end;
}

}  // namespace vandlor2
