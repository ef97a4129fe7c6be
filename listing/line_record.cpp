#include "listing/line_record.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "support/ordered_work.h"

namespace vandlor2 {
namespace {

constexpr unsigned kPositionBits = 28;
constexpr std::uint64_t kPositionMask = (std::uint64_t{1} << kPositionBits) - 1;
static_assert(kExternalAccuracyWidth <= 12, "the text must fit in twelve bytes");

SortKey make_key(const LineRecord& record, std::size_t position) {
    std::array<unsigned char, 12> bytes{};
    const std::string_view text = record.external_accuracy.view();
    std::copy(text.begin(), text.end(), bytes.begin());
    SortKey key{0, 0};
    for (std::size_t i = 0; i < 8; ++i) key.high = (key.high << 8) | bytes[i];
    for (std::size_t i = 8; i < 12; ++i) key.low = (key.low << 8) | bytes[i];
    key.low = (key.low << 32) | (std::uint64_t{text.size()} << kPositionBits) | position;
    return key;
}

/// Byte `digit` of a key's sort value: 0 to 11 are the text's bytes, 12 its length.
unsigned key_byte(const SortKey& key, unsigned digit) {
    if (digit < 8) return static_cast<unsigned>(key.high >> (56 - 8 * digit)) & 0xFF;
    if (digit < 12) return static_cast<unsigned>(key.low >> (120 - 8 * digit)) & 0xFF;
    return static_cast<unsigned>(key.low >> kPositionBits) & 0xF;
}

constexpr unsigned kKeyBytes = 13;
using Counts = std::array<std::size_t, 256>;

/// The range of `part` when `size` keys are cut into `parts` nearly equal parts.
std::pair<std::size_t, std::size_t> part_range(std::size_t size, std::size_t parts,
                                               std::size_t part) {
    return {size * part / parts, size * (part + 1) / parts};
}

/// Sorts by the text and length bytes, least significant first. Each pass is stable, so keys
/// with equal texts stay in position order; passes over a byte that all keys share are skipped,
/// such as the leading blanks of right-aligned figures. Each pass counts and moves the keys of
/// each part on its own core: a part's keys of one byte value go after those of the parts
/// before it, which keeps the pass stable.
void radix_sort(SortKeys& keys) {
    const std::size_t parts = keys.size() < (std::size_t{1} << 16) ? 1 : core_count();
    std::vector<std::array<Counts, kKeyBytes>> all_counts(parts);
    run_parts(parts, [&](std::size_t part) {
        const auto [first, end] = part_range(keys.size(), parts, part);
        for (auto& counts : all_counts[part]) counts.fill(0);
        for (std::size_t i = first; i < end; ++i) {
            for (unsigned digit = 0; digit < kKeyBytes; ++digit) {
                ++all_counts[part][digit][key_byte(keys[i], digit)];
            }
        }
    });
    SortKeys sorted(keys.size());
    std::vector<Counts> starts(parts);
    for (unsigned digit = kKeyBytes; digit-- > 0;) {
        Counts total{};
        for (const auto& part_counts : all_counts) {
            for (std::size_t byte = 0; byte < 256; ++byte) total[byte] += part_counts[digit][byte];
        }
        if (std::count(total.begin(), total.end(), keys.size()) == 1) continue;
        run_parts(parts, [&](std::size_t part) {  // the counts of this digit in the parts now
            const auto [first, end] = part_range(keys.size(), parts, part);
            Counts& counts = starts[part];
            counts.fill(0);
            for (std::size_t i = first; i < end; ++i) ++counts[key_byte(keys[i], digit)];
        });
        std::size_t start = 0;
        for (std::size_t byte = 0; byte < 256; ++byte) {
            for (Counts& counts : starts) start += std::exchange(counts[byte], start);
        }
        run_parts(parts, [&](std::size_t part) {
            const auto [first, end] = part_range(keys.size(), parts, part);
            Counts& next = starts[part];
            for (std::size_t i = first; i < end; ++i)
                sorted[next[key_byte(keys[i], digit)]++] = keys[i];
        });
        keys.swap(sorted);
    }
}

}  // namespace

void RecordTable::FreeBlock::operator()(LineRecord* block) const {
    if (bulk) {
        BulkAllocator<LineRecord>().deallocate(block, kBlockSize);
    } else {
        std::allocator<LineRecord>().deallocate(block, kBlockSize);
    }
}

RecordTable::Block RecordTable::ready_block() {
    Block block(BulkAllocator<LineRecord>().allocate(kBlockSize), FreeBlock{true});
    // One write a small page is enough for the system to back the whole block with memory.
    volatile char* const bytes = reinterpret_cast<char*>(block.get());
    for (std::size_t at = 0; at < kBlockSize * sizeof(LineRecord); at += 4096) bytes[at] = 0;
    return block;
}

void RecordTable::add_block() {
    if (!spares_.empty()) {
        blocks_.push_back(std::move(spares_.back()));
        spares_.pop_back();
        return;
    }
    // Left unwritten until filled, so each page is written once. The first block is in small
    // pages, which a small listing fills only a few of.
    const bool bulk = !blocks_.empty();
    blocks_.push_back(Block(bulk ? BulkAllocator<LineRecord>().allocate(kBlockSize)
                                 : std::allocator<LineRecord>().allocate(kBlockSize),
                            FreeBlock{bulk}));
}

RecordOrder::RecordOrder(const RecordTable& table) {
    // 2^28 records would need some 30 GB of memory; refuse more as memory is refused.
    if (table.size() > kPositionMask + 1) throw std::length_error("too many records to order");
    keys_.resize(table.size());
    const std::size_t parts = table.size() < (std::size_t{1} << 16) ? 1 : core_count();
    run_parts(parts, [&](std::size_t part) {
        const auto [first, end] = part_range(table.size(), parts, part);
        for (std::size_t i = first; i < end; ++i) keys_[i] = make_key(table[i], i);
    });
    radix_sort(keys_);
}

std::size_t RecordOrder::operator[](std::size_t rank) const {
    return static_cast<std::size_t>(keys_[rank].low & kPositionMask);
}

std::vector<std::size_t> report_order(const RecordTable& table) {
    const RecordOrder order(table);
    std::vector<std::size_t> positions(order.size());
    for (std::size_t rank = 0; rank < order.size(); ++rank) positions[rank] = order[rank];
    return positions;
}

}  // namespace vandlor2
