#include "listing/listing_reader.h"

#include <string_view>
#include <vector>

#include "support/ordered_work.h"

namespace vandlor2 {
namespace {

/// A text block and what its lines hold: kept from block to block, so that its buffers are
/// reused, and the chunks of its writer filled on.
struct BlockSlot {
    explicit BlockSlot(RecordStore& store) : cut_into(store) {}

    TextBlock block;
    bool qq_line_seen = false;  ///< before the block, when it was read
    std::vector<ExaminedLine> lines;
    RecordStore::Writer cut_into;
};

/// Reads the lines up to the program line into `block` and hands them to `scanner` one by one,
/// holding back the rest of the listing in `reader`. False when the scan ends there.
bool take_lines_before_program_line(TextBlockReader& reader, TextBlock& block,
                                    ListingScanner& scanner, ScanEnd& end) {
    for (;;) {
        const TextBlockReader::Read read = reader.next(block, end_of_whole_lines);
        if (read.kind == TextBlockReader::Read::Kind::failed) {
            end = {ScanStatus::read_failed, read.failure};
            return false;
        }
        if (read.kind == TextBlockReader::Read::Kind::end) return false;
        Lines lines(block.text());
        std::string_view line;
        while (lines.next(line)) {
            if (scanner.take_before_program_line(line)) continue;
            end.status = scanner.status();
            reader.hold_back(block, lines.next_at());
            return scanner.offset().has_value();
        }
    }
}

}  // namespace

ScanEnd read_listing(std::istream& listing, std::ostream& console, std::ostream& errors,
                     ListingContents& contents, std::size_t block_bytes) {
    TextBlockReader reader(listing, block_bytes);
    ListingScanner scanner(console, errors, contents);
    ScanEnd end;
    // Holds what follows the program line until the first block after it is read.
    TextBlock first_block;
    if (!take_lines_before_program_line(reader, first_block, scanner, end)) return end;

    // The rest is examined on every core, a text block of whole entries at a time, and taken
    // in listing order on this thread.
    const std::size_t offset = *scanner.offset();
    const auto end_of_block = [offset](std::string_view text) {
        return end_of_whole_entries(offset, text);
    };
    const std::size_t slot_count = core_count() + 2;
    std::vector<BlockSlot> slots;
    slots.reserve(slot_count);
    while (slots.size() < slot_count) slots.emplace_back(contents.records.store());
    run_in_order(
        slots.size(),
        [&](std::size_t slot) {
            slots[slot].qq_line_seen = scanner.qq_line_seen();
            const TextBlockReader::Read read = reader.next(slots[slot].block, end_of_block);
            if (read.kind == TextBlockReader::Read::Kind::failed) {
                end = {ScanStatus::read_failed, read.failure};
            }
            return read.kind == TextBlockReader::Read::Kind::block;
        },
        [&](std::size_t slot) {
            BlockSlot& examined = slots[slot];
            examined.lines.clear();
            examine_lines(offset, examined.block.text(), examined.qq_line_seen, examined.lines,
                          examined.cut_into);
        },
        [&](std::size_t slot) {
            return scanner.take(slots[slot].lines, slots[slot].block.text());
        });
    // A stop of the scan comes before a failed read of what follows it.
    if (scanner.status() != ScanStatus::completed) end = {scanner.status(), std::nullopt};
    return end;
}

}  // namespace vandlor2
